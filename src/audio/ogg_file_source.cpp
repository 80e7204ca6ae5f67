#include "audio/ogg_file_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <ogg/ogg.h>
#include <optional>

namespace {

// The largest Ogg page is 65307 bytes, so a page that ends the file lies
// wholly within this much of its end.
constexpr std::uint64_t tailBytes = std::uint64_t{2} * 65536;
// Damage the library skips over while playing; a longer stretch without a
// page is taken as the end of the music. libvorbisfile itself looks no
// further than 64 KiB for the first page.
constexpr std::uint64_t maxGapBytes = 1 << 20;
// About 35 minutes at 128 kbit/s: far more than the show's music, and little
// enough to read within the time a program may take to start.
constexpr std::uint64_t maxScanBytes = 64u << 20;
constexpr long scanChunkBytes = long{64} * 1024;

struct PageRun {
  bool readFailed = false;
  bool overBudget = false;
  // Just past the last page found; the scan's start when none was.
  std::uint64_t end = 0;
  bool found = false;
};

// Walks the pages from `from` with libogg's own framing and checksums, until
// `to`, a gap of more than maxGapBytes, or more than `budget` bytes read.
PageRun scanPages(std::ifstream& file, std::uint64_t from, std::uint64_t to, std::uint64_t budget) {
  PageRun run;
  run.end = from;
  file.clear();
  file.seekg(static_cast<std::streamoff>(from));
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  std::uint64_t examined = from; // everything before this is a page or skipped
  std::uint64_t fed = from;
  for (;;) {
    ogg_page page;
    const long step = ogg_sync_pageseek(&sync, &page);
    if (step > 0) {
      examined += static_cast<std::uint64_t>(step);
      run.end = examined;
      run.found = true;
      continue;
    }
    if (step < 0) {
      examined += static_cast<std::uint64_t>(-step);
      if (examined - run.end > maxGapBytes)
        break;
      continue;
    }
    if (fed >= to)
      break;
    if (fed - from >= budget) {
      run.overBudget = true;
      break;
    }
    const auto wanted = static_cast<long>(std::min<std::uint64_t>(scanChunkBytes, to - fed));
    char* buffer = ogg_sync_buffer(&sync, wanted);
    if (buffer == nullptr) {
      run.readFailed = true;
      break;
    }
    file.read(buffer, wanted);
    const std::streamsize got = file.gcount();
    if (file.bad() || got <= 0) {
      // A file that shrinks under us counts as unreadable too.
      run.readFailed = true;
      break;
    }
    ogg_sync_wrote(&sync, static_cast<long>(got));
    fed += static_cast<std::uint64_t>(got);
  }
  ogg_sync_clear(&sync);
  return run;
}

} // namespace

const ov_callbacks OggFileSource::callbacks = {&OggFileSource::read, &OggFileSource::seek, nullptr,
                                               &OggFileSource::tell};

std::unique_ptr<OggFileSource> OggFileSource::open(const char* path) {
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(path, error);
  if (error)
    return nullptr;
  std::unique_ptr<OggFileSource> source(new OggFileSource);
  source->file_.open(path, std::ios::binary);
  if (!source->file_.is_open())
    return nullptr;

  // Most files end with their last page: one look at the tail shows it.
  const std::uint64_t tailStart = size > tailBytes ? size - tailBytes : 0;
  const PageRun tail = scanPages(source->file_, tailStart, size, tailBytes);
  if (tail.readFailed)
    return nullptr;
  if (tail.found && tail.end == size) {
    source->length_ = size;
    source->filePosition_ = std::numeric_limits<std::uint64_t>::max(); // the scan moved it
    return source;
  }
  // Something follows the music, or its last page is cut: find where the pages stop.
  const PageRun run = scanPages(source->file_, 0, size, maxScanBytes);
  if (run.readFailed)
    return nullptr;
  source->length_ = run.found && !run.overBudget ? run.end : 0;
  source->filePosition_ = std::numeric_limits<std::uint64_t>::max(); // the scans moved it
  return source;
}

std::size_t OggFileSource::read(void* buffer, std::size_t size, std::size_t count, void* self) {
  auto& source = *static_cast<OggFileSource*>(self);
  if (size == 0 || source.position_ >= source.length_)
    return 0;
  const std::uint64_t wanted =
      std::min<std::uint64_t>(std::uint64_t{size} * count, source.length_ - source.position_);
  const std::uint64_t items = wanted / size;
  if (items == 0)
    return 0;
  if (source.filePosition_ != source.position_ || !source.file_.good()) {
    source.file_.clear();
    source.file_.seekg(static_cast<std::streamoff>(source.position_));
  }
  source.file_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(items * size));
  const auto got = static_cast<std::uint64_t>(source.file_.gcount());
  source.position_ += got;
  source.filePosition_ = source.position_;
  if (got < items * size && errno == 0)
    errno = EIO; // the library tells a read error from the end by errno
  return static_cast<std::size_t>(got / size);
}

int OggFileSource::seek(void* self, ogg_int64_t offset, int whence) {
  auto& source = *static_cast<OggFileSource*>(self);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR)
    base = static_cast<ogg_int64_t>(source.position_);
  else if (whence == SEEK_END)
    base = static_cast<ogg_int64_t>(source.length_);
  else if (whence != SEEK_SET)
    return -1;
  const ogg_int64_t target = base + offset;
  if (target < 0)
    return -1;
  source.position_ = static_cast<std::uint64_t>(target);
  return 0;
}

long OggFileSource::tell(void* self) {
  const auto& source = *static_cast<const OggFileSource*>(self);
  return static_cast<long>(
      std::min<std::uint64_t>(source.position_, std::numeric_limits<long>::max()));
}
