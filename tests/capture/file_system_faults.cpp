// Preloaded into a program under test, makes its file system behave like
// one the test machine may not have at hand:
//   VSF_FAULT_NO_LINKS          link() fails with EPERM, as on FAT and exFAT;
//   VSF_FAULT_NO_RENAME_FLAGS   renameat2() with flags fails with EINVAL, as
//                               on file systems that do not know them;
//   VSF_FAULT_FULL_AFTER=BYTES  writes to regular files fail with ENOSPC once
//                               that many bytes are taken in all: what a write
//                               or fallocate adds past a file's end and past
//                               room already reserved for it;
//   VSF_FAULT_CUT_WHILE_READ=NAME  the file NAME is cut to 97 % of its length
//                               once a read of it passes its middle, as
//                               another program may cut it while it is read.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

template <typename Function> Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool enabled(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' && *value != '0';
}

long long written = 0;

// Room set aside with fallocate, by file: writes inside it take no more.
struct Reservation {
  dev_t device;
  ino_t inode;
  long long end;
};
Reservation reservations[64];
std::size_t reservationCount = 0;

Reservation* reservationOf(const struct stat& status) {
  for (std::size_t i = 0; i < reservationCount; ++i)
    if (reservations[i].device == status.st_dev && reservations[i].inode == status.st_ino)
      return &reservations[i];
  if (reservationCount == sizeof reservations / sizeof reservations[0])
    return nullptr;
  reservations[reservationCount] = {status.st_dev, status.st_ino, 0};
  return &reservations[reservationCount++];
}

// False when bytes [offset, offset + count) would not fit on the pretended
// disk: what lies past the file's end and past its reservation takes room.
// An offset of -1 is the descriptor's own position.
bool fits(int descriptor, long long offset, std::size_t count) {
  const char* limit = std::getenv("VSF_FAULT_FULL_AFTER");
  struct stat status {};
  if (limit == nullptr || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
    return true;
  if (offset < 0)
    offset = (fcntl(descriptor, F_GETFL) & O_APPEND) != 0
                 ? static_cast<long long>(status.st_size)
                 : static_cast<long long>(lseek(descriptor, 0, SEEK_CUR));
  const Reservation* reserved = reservationOf(status);
  const long long have =
      std::max(static_cast<long long>(status.st_size), reserved == nullptr ? 0 : reserved->end);
  const long long taken = std::max(0LL, offset + static_cast<long long>(count) - have);
  if (written + taken > std::atoll(limit)) {
    errno = ENOSPC;
    return false;
  }
  written += taken;
  return true;
}

int reserve(int descriptor, long long offset, long long length) {
  struct stat status {};
  if (!fits(descriptor, offset, static_cast<std::size_t>(length)))
    return ENOSPC;
  if (fstat(descriptor, &status) == 0)
    if (Reservation* reserved = reservationOf(status))
      reserved->end = std::max(reserved->end, offset + length);
  return 0;
}

} // namespace

extern "C" {

int link(const char* from, const char* to) {
  if (enabled("VSF_FAULT_NO_LINKS")) {
    errno = EPERM;
    return -1;
  }
  return next<int (*)(const char*, const char*)>("link")(from, to);
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
  if (enabled("VSF_FAULT_NO_LINKS")) {
    errno = EPERM;
    return -1;
  }
  return next<int (*)(int, const char*, int, const char*, int)>("linkat")(fromFolder, from,
                                                                          toFolder, to, flags);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
  if (flags != 0 && enabled("VSF_FAULT_NO_RENAME_FLAGS")) {
    errno = EINVAL;
    return -1;
  }
  return next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(
      fromFolder, from, toFolder, to, flags);
}

ssize_t read(int descriptor, void* bytes, size_t count) {
  static bool cut = false;
  const char* name = std::getenv("VSF_FAULT_CUT_WHILE_READ");
  struct stat opened {
  }, named{};
  if (name != nullptr && !cut && fstat(descriptor, &opened) == 0 && stat(name, &named) == 0 &&
      opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
      lseek(descriptor, 0, SEEK_CUR) > named.st_size / 2) {
    cut = true;
    if (truncate(name, named.st_size / 100 * 97) != 0)
      return -1;
  }
  return next<ssize_t (*)(int, void*, size_t)>("read")(descriptor, bytes, count);
}

ssize_t write(int descriptor, const void* bytes, size_t count) {
  if (!fits(descriptor, -1, count))
    return -1;
  return next<ssize_t (*)(int, const void*, size_t)>("write")(descriptor, bytes, count);
}

ssize_t pwrite64(int descriptor, const void* bytes, size_t count, off64_t offset) {
  if (!fits(descriptor, offset, count))
    return -1;
  return next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64")(descriptor, bytes, count,
                                                                          offset);
}

ssize_t writev(int descriptor, const struct iovec* parts, int count) {
  std::size_t bytes = 0;
  for (int i = 0; i < count; ++i)
    bytes += parts[i].iov_len;
  if (!fits(descriptor, -1, bytes))
    return -1;
  return next<ssize_t (*)(int, const struct iovec*, int)>("writev")(descriptor, parts, count);
}

// On the pretended disk a reservation only counts; the real one is not asked.
int fallocate(int descriptor, int mode, off_t offset, off_t length) {
  if (std::getenv("VSF_FAULT_FULL_AFTER") == nullptr)
    return next<int (*)(int, int, off_t, off_t)>("fallocate")(descriptor, mode, offset, length);
  const int refused = reserve(descriptor, offset, length);
  errno = refused;
  return refused == 0 ? 0 : -1;
}

int fallocate64(int descriptor, int mode, off64_t offset, off64_t length) {
  return fallocate(descriptor, mode, offset, length);
}

} // extern "C"
