// Preloaded into a program under test, makes its file system behave like
// one the test machine may not have at hand:
//   VSF_FAULT_NO_LINKS          link() fails with EPERM, as on FAT and exFAT;
//   VSF_FAULT_NO_RENAME_FLAGS   renameat2() with flags fails with EINVAL, as
//                               on file systems that do not know them;
//   VSF_FAULT_FULL_AFTER=BYTES  writes to regular files fail with ENOSPC once
//                               that many bytes are written in all.
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

// False when the bytes would not fit on the pretended disk.
bool fits(int descriptor, std::size_t bytes) {
  const char* limit = std::getenv("VSF_FAULT_FULL_AFTER");
  struct stat status {};
  if (limit == nullptr || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
    return true;
  if (written + static_cast<long long>(bytes) > std::atoll(limit)) {
    errno = ENOSPC;
    return false;
  }
  written += static_cast<long long>(bytes);
  return true;
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

ssize_t write(int descriptor, const void* bytes, size_t count) {
  if (!fits(descriptor, count))
    return -1;
  return next<ssize_t (*)(int, const void*, size_t)>("write")(descriptor, bytes, count);
}

ssize_t pwrite64(int descriptor, const void* bytes, size_t count, off64_t offset) {
  if (!fits(descriptor, count))
    return -1;
  return next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64")(descriptor, bytes, count,
                                                                          offset);
}

ssize_t writev(int descriptor, const struct iovec* parts, int count) {
  std::size_t bytes = 0;
  for (int i = 0; i < count; ++i)
    bytes += parts[i].iov_len;
  if (!fits(descriptor, bytes))
    return -1;
  return next<ssize_t (*)(int, const struct iovec*, int)>("writev")(descriptor, parts, count);
}

} // extern "C"
