#include "capture/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Unused names are tried until one is free; a handful is plenty.
constexpr int maxNameAttempts = 100;

std::string systemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool exists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

} // namespace

OutputFile::OutputFile(const std::string& target, bool replace)
    : target_(target), replace_(replace) {
  if (exists(target_)) {
    if (std::filesystem::is_directory(target_))
      throw OutputFileError(target_ + " is a folder");
    if (!replace_)
      throw OutputFileError(target_ + " already exists; add --force to replace it");
  }
  const std::filesystem::path path(target_);
  const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
  const std::string stem = "." + path.filename().string() + ".capture-" + std::to_string(getpid());
  for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
    const std::string candidate =
        folder + "/" + stem + (attempt == 0 ? "" : "-" + std::to_string(attempt));
    // O_EXCL: the name is ours alone, or we try another.
    const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      temporary_ = candidate;
      return;
    }
    if (errno != EEXIST)
      throw OutputFileError(systemError("cannot write in " + folder));
  }
  throw OutputFileError("cannot find a free temporary name in " + folder);
}

OutputFile::~OutputFile() {
  if (!committed_ && !temporary_.empty())
    std::remove(temporary_.c_str());
}

void OutputFile::commit() {
  if (replace_) {
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
      throw OutputFileError(systemError("cannot name the file " + target_));
  } else {
    // A link fails if the name was taken meanwhile, where a rename would
    // silently replace what someone else put there.
    if (link(temporary_.c_str(), target_.c_str()) != 0) {
      if (errno == EEXIST)
        throw OutputFileError(target_ + " appeared while capturing; the capture is not kept");
      throw OutputFileError(systemError("cannot name the file " + target_));
    }
    std::remove(temporary_.c_str());
  }
  committed_ = true;
}
