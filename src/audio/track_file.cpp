#include "audio/track_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A WAV file's chunks before its sound: a handful in practice.
constexpr int maxChunks = 64;
constexpr std::uint32_t unknownSize = 0xFFFFFFFFu;
constexpr std::uint64_t riffStart = 12;
constexpr std::size_t chunkHeader = 8;
constexpr std::size_t formatFields = 16;
constexpr std::size_t byteRateAt = 8;

std::uint32_t littleEndian32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool readAt(int descriptor, std::uint64_t offset, unsigned char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got =
        pread(descriptor, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::optional<TrackFile> TrackFile::open(const std::string& path, std::string& problem) {
  // Not blocking on a pipe, and never a terminal of ours.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) {
    problem = std::string("cannot read it: ") + std::strerror(errno);
    return std::nullopt;
  }
  struct stat status {};
  const int flags = fcntl(descriptor, F_GETFL);
  if (fstat(descriptor, &status) != 0 || flags < 0 ||
      (S_ISREG(status.st_mode) && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0))
    problem = std::string("cannot read it: ") + std::strerror(errno);
  else if (S_ISDIR(status.st_mode))
    problem = "a folder, not a music file";
  else if (!S_ISREG(status.st_mode))
    problem = "not a regular file";
  else if (status.st_size == 0)
    problem = "the file is empty";
  if (!problem.empty()) {
    close(descriptor);
    return std::nullopt;
  }
  return TrackFile(descriptor, status);
}

TrackFile::~TrackFile() {
  if (descriptor_ >= 0)
    close(descriptor_);
}

TrackFile::TrackFile(TrackFile&& other) noexcept
    : descriptor_(other.descriptor_), opened_(other.opened_) {
  other.descriptor_ = -1;
}

std::string TrackFile::openedName() const {
  return "/proc/self/fd/" + std::to_string(descriptor_);
}

bool TrackFile::unchanged() const {
  struct stat now {};
  return fstat(descriptor_, &now) == 0 && now.st_size == opened_.st_size &&
         sameTime(now.st_mtim, opened_.st_mtim);
}

std::optional<TrackFile::PcmExtent> TrackFile::pcmExtent() const {
  std::array<unsigned char, riffStart> riff{};
  if (!readAt(descriptor_, 0, riff.data(), riff.size()) ||
      std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
    return std::nullopt;
  double bytesPerSecond = 0.0;
  std::uint64_t at = riffStart;
  for (int chunk = 0; chunk < maxChunks; ++chunk) {
    std::array<unsigned char, chunkHeader + formatFields> header{};
    if (!readAt(descriptor_, at, header.data(), chunkHeader))
      return std::nullopt;
    const std::uint32_t size = littleEndian32(header.data() + 4);
    const std::uint64_t data = at + chunkHeader;
    if (std::memcmp(header.data(), "fmt ", 4) == 0 && size >= formatFields) {
      if (!readAt(descriptor_, data, header.data() + chunkHeader, formatFields))
        return std::nullopt;
      bytesPerSecond = littleEndian32(header.data() + chunkHeader + byteRateAt);
    } else if (std::memcmp(header.data(), "data", 4) == 0) {
      // A writer that could not seek back leaves the size open.
      if (size == 0 || size == unknownSize || bytesPerSecond <= 0.0)
        return std::nullopt;
      return PcmExtent{data + size, bytesPerSecond};
    }
    at = data + size + (size & 1u); // chunks are padded to even sizes
  }
  return std::nullopt;
}
