#pragma once
// A program's output file, written under a hidden temporary name beside the
// file asked for and given its name only when complete. One rule for every
// program that writes one:
//  - an existing file is replaced only when asked, keeps its permissions,
//    owner and hard links, and a file the user may not write is refused;
//  - a symbolic link is written through to the file it names;
//  - a file the program reads is never written;
//  - devices, pipes and standard output ("-") are written as they are, where
//    the program can write a stream;
//  - a failed or abandoned run removes its temporary file and nothing else,
//    and temporaries of the same name left by processes that are gone are
//    swept away when the next run starts.

#include <stdexcept>
#include <string>
#include <vector>

class OutputFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct OutputRules {
  bool replace = false;            // an existing file may be replaced
  bool streams = false;            // devices, pipes and "-" are accepted
  std::vector<std::string> inputs; // files the program reads
  std::string tag = "part";        // marks the temporary name: .NAME.TAG-PID
};

class OutputFile {
public:
  // Creates the temporary file, or opens the stream. Throws OutputFileError
  // when the rules refuse the path or the folder cannot take the file.
  OutputFile(const std::string& path, const OutputRules& rules);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Where the bytes go: the temporary file, or the stream itself.
  const std::string& writePath() const { return writePath_; }
  // Open for writing on writePath().
  int descriptor() const { return descriptor_; }
  const std::string& path() const { return path_; }

  // Writes all of `bytes` to writePath(); throws OutputFileError when it cannot.
  void write(const std::string& bytes);

  // Gives the finished file its name. Throws OutputFileError when it
  // cannot; the temporary file then stays for keep() or the destructor.
  void commit();
  // True when commit() would replace a file that is there now.
  bool replacesFile() const;
  // After a failed commit, or instead of a commit that would replace a whole
  // file with a partial one: gives the finished file a visible name of its own
  // beside the one asked for and returns it, or an empty string.
  std::string keep();

private:
  enum class Finish { stream, create, rename, inPlace };

  void closeDescriptor();
  void copyInto(const std::string& destination) const;

  std::string path_;      // as given, for messages
  std::string target_;    // the file the name leads to, links followed
  std::string writePath_; // the temporary file or the stream
  std::string keptPath_;  // a visible name for a finished file that could not be named
  int descriptor_ = -1;
  Finish finish_ = Finish::create;
  unsigned existingMode_ = 0;
  unsigned existingOwner_ = 0;
  unsigned existingGroup_ = 0;
  bool committed_ = false;
};

// Writes `bytes` by those rules. On failure whatever was there is left as it
// was and `problem` says why.
bool writeOutputFile(const std::string& path, const std::string& bytes, const OutputRules& rules,
                     std::string& problem);
