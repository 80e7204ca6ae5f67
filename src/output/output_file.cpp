#include "output/output_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "command_line/whole_number.h"

namespace {

// A rename that refuses to replace; where the C library has none (the
// browser's), it reports itself unsupported and the caller falls back.
int renameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
#else
  (void)from;
  (void)to;
  errno = ENOSYS;
  return -1;
#endif
}

// Gives the file at `from` the name `to` unless that name is taken; returns
// 0, or EEXIST when it is taken, or why it failed. A link fails if the name
// was taken meanwhile, where a rename would silently replace what someone
// else put there. Some file systems (FAT, exFAT) have no hard links: a rename
// that will not replace, and where that is unknown too, a new empty file of
// ours that the rename replaces.
int nameWithoutReplacing(const char* from, const char* to) {
  if (link(from, to) == 0) {
    unlink(from);
    return 0;
  }
  if (errno == EEXIST)
    return EEXIST;
  if (renameNoReplace(from, to) == 0)
    return 0;
  if (errno == EEXIST)
    return EEXIST;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP)
    return errno;
  const int placeholder = open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (placeholder < 0)
    return errno;
  close(placeholder);
  if (std::rename(from, to) == 0)
    return 0;
  const int renameError = errno;
  unlink(to);
  return renameError;
}

// The kernel's own limit on links followed in one lookup.
constexpr int maxLinkHops = 40;
// Unused names are tried until one is free; a handful is plenty.
constexpr int maxNameAttempts = 100;
constexpr std::uint64_t maxProcessId = std::numeric_limits<pid_t>::max();
// Room kept in a temporary name for "-NN" of a later attempt.
constexpr std::size_t attemptRoom = 3;
constexpr std::size_t hashDigits = 8;
constexpr long fallbackNameMax = 255;
constexpr std::size_t copyChunk = 1 << 16;

std::string describe(int error) {
  return std::strerror(error);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The file a chain of symbolic links ends at, so that the links stay links.
// Only called once stat() has found the chain finite.
std::string finalTarget(std::string path) {
  for (int hop = 0; hop < maxLinkHops; ++hop) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
      break;
    char link[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), link, sizeof link - 1);
    if (length <= 0)
      break;
    const std::string next(link, static_cast<std::size_t>(length));
    path = next.front() == '/' ? next : joined(folderOf(path), next);
  }
  return path;
}

std::uint32_t nameHash(const std::string& name) {
  std::uint32_t hash = 2166136261u; // FNV-1a
  for (const char c : name)
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash;
}

// ".NAME.TAG-": what every temporary of this name starts with. A name too
// long to carry the decoration keeps its start, cut at a character, and a
// hash of the whole, so the temporary never makes a valid name too long.
std::string temporaryStem(const std::string& folder, const std::string& name,
                          const std::string& tag) {
  long nameMax = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (nameMax <= 0)
    nameMax = fallbackNameMax;
  const std::string ending = "." + tag + "-" + std::to_string(getpid());
  const auto limit = static_cast<std::size_t>(nameMax);
  if (1 + name.size() + ending.size() + attemptRoom <= limit)
    return "." + name + "." + tag + "-";
  std::size_t keep = limit - 1 - ending.size() - attemptRoom - 1 - hashDigits;
  // Not inside a UTF-8 sequence: some file systems refuse broken names.
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0u) == 0x80u)
    --keep;
  char hash[hashDigits + 1];
  std::snprintf(hash, sizeof hash, "%08x", nameHash(name));
  return "." + name.substr(0, keep) + "~" + hash + "." + tag + "-";
}

// Temporaries of this name whose process is gone: what a run killed outright
// or a crash left behind. A file of another user, or of a live process, stays.
void sweepStale(const std::string& folder, const std::string& stem) {
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr)
    return;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.compare(0, stem.size(), stem) != 0)
      continue;
    const std::string rest = name.substr(stem.size());
    const std::size_t dash = rest.find('-');
    const auto pidNumber = parseWholeNumber(std::string_view(rest).substr(0, dash), maxProcessId);
    if (!pidNumber ||
        (dash != std::string::npos && !parseWholeNumber(rest.substr(dash + 1), maxNameAttempts)))
      continue;
    const auto pid = static_cast<pid_t>(*pidNumber);
    const std::string path = joined(folder, name);
    struct stat status {};
    if (pid <= 0 || pid == getpid() || lstat(path.c_str(), &status) != 0 ||
        !S_ISREG(status.st_mode) || status.st_uid != geteuid())
      continue;
    if (kill(pid, 0) != 0 && errno == ESRCH)
      unlink(path.c_str());
  }
  closedir(listing);
}

// Room for `size` bytes in the file, asked for before a byte of it changes,
// so a full disk refuses the copy instead of leaving half of it. Returns 0,
// or why there is no room.
int reserveRoom(int descriptor, off_t size) {
  if (size <= 0)
    return 0;
#if defined(FALLOC_FL_KEEP_SIZE) && !defined(__EMSCRIPTEN__)
  if (fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, size) == 0)
    return 0;
  if (errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
    return errno;
#endif
  // No reservation here (FAT, exFAT): what the file lacks against free space.
  struct stat status {};
  struct statvfs volume {};
  if (fstat(descriptor, &status) != 0 || fstatvfs(descriptor, &volume) != 0)
    return 0;
  const auto allocated = static_cast<unsigned long long>(status.st_blocks) * 512u;
  const auto wanted = static_cast<unsigned long long>(size);
  const auto available = static_cast<unsigned long long>(volume.f_bavail) * volume.f_frsize;
  return wanted > allocated && wanted - allocated > available ? ENOSPC : 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void writeAll(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      throw OutputFileError(describe(written < 0 ? errno : EIO));
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

} // namespace

OutputFile::OutputFile(const std::string& path, const OutputRules& rules) : path_(path) {
  // Past the file size limit (ulimit -f) a write fails with EFBIG, which is
  // told and cleaned up, instead of killing the program mid-file. A program
  // that chose its own handling keeps it.
  struct sigaction current {};
  if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
    std::signal(SIGXFSZ, SIG_IGN);
  if (path.empty())
    throw OutputFileError("no file name given");
  const auto refuse = [&path](const std::string& why) {
    throw OutputFileError("cannot write " + path + ": " + why);
  };

  struct stat status {};
  const bool exists = stat(path.c_str(), &status) == 0;
  if (!exists && errno != ENOENT)
    refuse(describe(errno));
  // /dev/stdout and its like lead to a descriptor, and a closed one leads
  // nowhere: no file is made in /proc.
  if (!exists) {
    const std::string named = finalTarget(path);
    const std::string folder = folderOf(named);
    if (folder == "/proc/self/fd" || folder == "/dev/fd")
      refuse(nameOf(named) == "1" ? "standard output is closed"
                                  : "descriptor " + nameOf(named) + " is not open");
  }
  for (const std::string& input : rules.inputs) {
    struct stat read {};
    if (exists && stat(input.c_str(), &read) == 0 && sameFile(read, status))
      refuse("it is also read as input");
  }

  struct stat standardOutput {};
  const bool toStandardOutput =
      rules.streams && (path == "-" || (exists && fstat(STDOUT_FILENO, &standardOutput) == 0 &&
                                        sameFile(standardOutput, status)));
  if (toStandardOutput || (exists && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))) {
    if (!rules.streams)
      refuse("it is not a regular file");
    finish_ = Finish::stream;
    writePath_ = toStandardOutput ? "standard output" : path;
    descriptor_ =
        toStandardOutput ? dup(STDOUT_FILENO) : open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor_ < 0)
      refuse(toStandardOutput && errno == EBADF ? "standard output is closed" : describe(errno));
    return;
  }
  if (exists && S_ISDIR(status.st_mode))
    refuse("it is a folder");
  if (exists && !rules.replace)
    throw OutputFileError(path + " already exists; add --force to replace it");

  target_ = finalTarget(path);
  const std::string folder = folderOf(target_);
  if (exists) {
    if (access(target_.c_str(), W_OK) != 0)
      refuse(describe(errno));
    existingMode_ = status.st_mode & 07777u;
    existingOwner_ = status.st_uid;
    existingGroup_ = status.st_gid;
    // A new file under the name would split the other names from it, and in
    // a sticky folder another user's file cannot be renamed over: the bytes
    // are copied into the file itself.
    struct stat folderStatus {};
    const bool protectedName = stat(folder.c_str(), &folderStatus) == 0 &&
                               (folderStatus.st_mode & S_ISVTX) != 0 && geteuid() != 0 &&
                               folderStatus.st_uid != geteuid() && status.st_uid != geteuid();
    finish_ = status.st_nlink > 1 || protectedName ? Finish::inPlace : Finish::rename;
  }

  const std::string stem = temporaryStem(folder, nameOf(target_), rules.tag);
  sweepStale(folder, stem);
  for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
    const std::string candidate =
        joined(folder, stem + std::to_string(getpid()) +
                           (attempt == 0 ? "" : "-" + std::to_string(attempt)));
    // O_EXCL: the name is ours alone, or we try another.
    // A private file's replacement is private while it is written, too.
    descriptor_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                       exists ? existingMode_ & 0666u : 0666u);
    if (descriptor_ >= 0) {
      writePath_ = candidate;
      return;
    }
    if (errno != EEXIST)
      throw OutputFileError("cannot write in " + folder + ": " + describe(errno));
  }
  throw OutputFileError("cannot find a free temporary name in " + folder);
}

OutputFile::~OutputFile() {
  closeDescriptor();
  if (!committed_ && finish_ != Finish::stream && !writePath_.empty())
    unlink(writePath_.c_str());
}

void OutputFile::closeDescriptor() {
  if (descriptor_ >= 0)
    close(descriptor_);
  descriptor_ = -1;
}

void OutputFile::copyInto(const std::string& destination) const {
  const int from = open(writePath_.c_str(), O_RDONLY | O_CLOEXEC);
  // Not truncated: the old bytes stay until the new ones are sure to fit.
  const int to = from < 0 ? -1 : open(destination.c_str(), O_WRONLY | O_CLOEXEC);
  const int openError = errno;
  std::string failure;
  struct stat source {};
  if (from >= 0 && to >= 0 && fstat(from, &source) != 0)
    failure = describe(errno);
  if (from >= 0 && to >= 0 && failure.empty()) {
    if (const int refused = reserveRoom(to, source.st_size); refused != 0) {
      close(to);
      close(from);
      throw OutputFileError("cannot write " + path_ + ": " + describe(refused) +
                            "; the old file is left as it was");
    }
    try {
      std::vector<char> chunk(copyChunk);
      for (;;) {
        const ssize_t got = read(from, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
          continue;
        if (got < 0)
          throw OutputFileError(describe(errno));
        if (got == 0)
          break;
        writeAll(to, chunk.data(), static_cast<std::size_t>(got));
      }
      if (ftruncate(to, source.st_size) != 0 || (fsync(to) != 0 && errno != EINVAL))
        failure = describe(errno);
    } catch (const OutputFileError& error) {
      failure = error.what();
    }
  } else {
    failure = describe(openError);
  }
  if (to >= 0 && close(to) != 0 && failure.empty())
    failure = describe(errno);
  if (from >= 0)
    close(from);
  if (!failure.empty())
    throw OutputFileError("cannot write " + path_ + ": " + failure);
}

void OutputFile::commit() {
  if (finish_ == Finish::stream) {
    const bool closed = descriptor_ < 0 || close(descriptor_) == 0;
    descriptor_ = -1;
    if (!closed)
      throw OutputFileError("cannot write " + path_ + ": " + describe(errno));
    committed_ = true;
    return;
  }
  if (descriptor_ >= 0 && finish_ == Finish::rename) {
    // The new file stands in for the old one. Owner and group only where the
    // user may set them; the permissions always.
    [[maybe_unused]] const bool owned =
        fchown(descriptor_, existingOwner_, existingGroup_) == 0 ||
        fchown(descriptor_, static_cast<uid_t>(-1), existingGroup_) == 0;
    [[maybe_unused]] const bool moded = fchmod(descriptor_, existingMode_) == 0;
  }
  if (descriptor_ >= 0 && fsync(descriptor_) != 0 && errno != EINVAL)
    throw OutputFileError("cannot write " + path_ + ": " + describe(errno));
  const bool closed = descriptor_ < 0 || close(descriptor_) == 0;
  descriptor_ = -1;
  if (!closed)
    throw OutputFileError("cannot write " + path_ + ": " + describe(errno));

  const char* temporary = writePath_.c_str();
  const char* target = target_.c_str();
  const auto appeared = [this] {
    return OutputFileError(path_ + " appeared meanwhile and is left as it is");
  };
  switch (finish_) {
  case Finish::inPlace:
    copyInto(target_);
    unlink(temporary);
    break;
  case Finish::rename:
    if (std::rename(temporary, target) != 0) {
      if (errno != EPERM && errno != EACCES)
        throw OutputFileError("cannot name the file " + path_ + ": " + describe(errno));
      copyInto(target_);
      unlink(temporary);
    }
    break;
  case Finish::create:
    if (const int error = nameWithoutReplacing(temporary, target); error != 0) {
      if (error == EEXIST)
        throw appeared();
      throw OutputFileError("cannot name the file " + path_ + ": " + describe(error));
    }
    break;
  case Finish::stream:
    break;
  }
  committed_ = true;
}

bool OutputFile::replacesFile() const {
  return finish_ == Finish::rename || finish_ == Finish::inPlace;
}

std::string OutputFile::keep() {
  if (committed_ || finish_ == Finish::stream || writePath_.empty())
    return {};
  // show.mp4 becomes show-PID.mp4, unless that name is taken.
  const std::string name = nameOf(target_);
  const std::size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string extension = base.size() == name.size() ? "" : name.substr(base.size());
  // Named as the user named the folder: no "./" before a name given alone.
  const std::string folder = target_.find('/') == std::string::npos ? "" : folderOf(target_);
  const std::string pidName = base + "-" + std::to_string(getpid());
  const std::string stem = folder.empty() ? pidName : joined(folder, pidName);
  closeDescriptor();
  for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
    std::string kept = stem;
    if (attempt > 0)
      kept += "-" + std::to_string(attempt);
    kept += extension;
    const int error = nameWithoutReplacing(writePath_.c_str(), kept.c_str());
    if (error == 0) {
      committed_ = true;
      return kept;
    }
    if (error != EEXIST)
      return {};
  }
  return {};
}

void OutputFile::write(const std::string& bytes) {
  try {
    writeAll(descriptor_, bytes.data(), bytes.size());
  } catch (const OutputFileError& error) {
    throw OutputFileError("cannot write " + path_ + ": " + error.what());
  }
}
