// The output file on Windows: the same rules where Windows has the same
// things. Links are not followed (they are rare there and need privileges),
// nothing is swept, and a failed name is not kept.
#include "output/output_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

constexpr int maxNameAttempts = 100;

std::string describe(int error) {
  return std::strerror(error);
}

} // namespace

OutputFile::OutputFile(const std::string& path, const OutputRules& rules) : path_(path) {
  if (path.empty())
    throw OutputFileError("no file name given");
  const auto refuse = [&path](const std::string& why) {
    throw OutputFileError("cannot write " + path + ": " + why);
  };
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  const bool exists = fs::exists(status);
  if (path == "-" || (exists && !fs::is_regular_file(status) && !fs::is_directory(status))) {
    if (!rules.streams)
      refuse("it is not a regular file");
    finish_ = Finish::stream;
    writePath_ = path == "-" ? "standard output" : path;
    descriptor_ = path == "-" ? _dup(1) : _open(path.c_str(), _O_WRONLY | _O_BINARY);
    if (descriptor_ < 0)
      refuse(describe(errno));
    _setmode(descriptor_, _O_BINARY);
    return;
  }
  if (fs::is_directory(status))
    refuse("it is a folder");
  for (const std::string& input : rules.inputs)
    if (exists && fs::equivalent(input, path, error))
      refuse("it is also read as input");
  if (exists && !rules.replace)
    throw OutputFileError(path + " already exists; add --force to replace it");
  if (exists && _access(path.c_str(), 2) != 0)
    refuse(describe(errno));
  if (exists) {
    finish_ = Finish::rename;
    existingMode_ = static_cast<unsigned>(status.permissions());
  }

  target_ = path;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string stem =
      "." + target.filename().string() + "." + rules.tag + "-" + std::to_string(_getpid());
  for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
    const std::string candidate =
        (folder / (stem + (attempt == 0 ? "" : "-" + std::to_string(attempt)))).string();
    descriptor_ =
        _open(candidate.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor_ >= 0) {
      writePath_ = candidate;
      return;
    }
    if (errno != EEXIST)
      throw OutputFileError("cannot write in " + folder.string() + ": " + describe(errno));
  }
  throw OutputFileError("cannot find a free temporary name in " + folder.string());
}

OutputFile::~OutputFile() {
  closeDescriptor();
  if (!committed_ && finish_ != Finish::stream && !writePath_.empty())
    _unlink(writePath_.c_str());
}

void OutputFile::closeDescriptor() {
  if (descriptor_ >= 0)
    _close(descriptor_);
  descriptor_ = -1;
}

void OutputFile::copyInto(const std::string& /*destination*/) const {}

void OutputFile::write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const int written =
        _write(descriptor_, bytes.data() + done,
               static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 30)));
    if (written <= 0)
      throw OutputFileError("cannot write " + path_ + ": " + describe(errno));
    done += static_cast<std::size_t>(written);
  }
}

void OutputFile::commit() {
  const bool closed = descriptor_ < 0 || _close(descriptor_) == 0;
  descriptor_ = -1;
  if (!closed)
    throw OutputFileError("cannot write " + path_ + ": " + describe(errno));
  if (finish_ != Finish::stream) {
    std::error_code error;
    if (finish_ == Finish::rename)
      fs::permissions(writePath_, static_cast<fs::perms>(existingMode_), error);
    else if (fs::exists(target_, error))
      throw OutputFileError(path_ + " appeared meanwhile and is left as it is");
    fs::rename(writePath_, target_, error);
    if (error)
      throw OutputFileError("cannot name the file " + path_ + ": " + error.message());
  }
  committed_ = true;
}

bool OutputFile::replacesFile() const {
  return finish_ == Finish::rename;
}

std::string OutputFile::keep() {
  return {};
}
