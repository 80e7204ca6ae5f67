#include "output/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int withStandardOutputWritten(const char* program, int code) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::ferror(stdout) == 0)
    return code;
  std::fprintf(stderr, "%s: cannot write to standard output%s%s\n", program, error != 0 ? ": " : "",
               error != 0 ? std::strerror(error) : "");
  return code == 0 ? 1 : code;
}
