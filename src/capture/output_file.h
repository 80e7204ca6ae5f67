#pragma once
// The capture's output, written under a temporary name beside the file asked
// for and given its name only when complete. A failed or abandoned capture
// removes its temporary file and nothing else: a file it did not create is
// never truncated or deleted, and an existing one is replaced only when asked.

#include <stdexcept>
#include <string>

class OutputFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class OutputFile {
public:
  // Creates the temporary file. Throws OutputFileError when the target
  // exists and `replace` is false, or when the folder cannot take the file.
  OutputFile(const std::string& target, bool replace);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& temporaryPath() const { return temporary_; }
  const std::string& target() const { return target_; }
  // Gives the temporary file the target's name. Throws OutputFileError, and
  // keeps the temporary file for the destructor to remove, when it cannot.
  void commit();

private:
  std::string target_;
  std::string temporary_;
  bool replace_;
  bool committed_ = false;
};
