#pragma once
// A track as the tools read it: exactly the local file named, opened once.
// Everything after the opening reads through that one descriptor (or names it
// in /proc/self/fd), so a name that looks like a URL, a link swapped meanwhile
// or a file renamed over it cannot change what is read; and the file is
// checked to be as it was when opened once the reading is done.

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

class TrackFile {
public:
  // Nothing, with `problem` saying why, when the name leads to no readable,
  // non-empty regular file.
  static std::optional<TrackFile> open(const std::string& path, std::string& problem);
  ~TrackFile();
  TrackFile(TrackFile&& other) noexcept;
  TrackFile& operator=(TrackFile&&) = delete;
  TrackFile(const TrackFile&) = delete;
  TrackFile& operator=(const TrackFile&) = delete;

  int descriptor() const { return descriptor_; }
  std::uint64_t size() const { return static_cast<std::uint64_t>(opened_.st_size); }
  // A name for this very file, for a library that opens files by name.
  std::string openedName() const;
  // True while the file holds what it held when opened: same size, not
  // written since.
  bool unchanged() const;

  // Where the sound of a WAV or AIFF file ends by its own headers, in bytes
  // from the start of the file, and its bytes per second; nothing for other
  // formats or headers that leave the length open (a stream being written).
  struct PcmExtent {
    std::uint64_t dataEnd = 0;
    double bytesPerSecond = 0.0;
  };
  std::optional<PcmExtent> pcmExtent() const;

private:
  TrackFile(int descriptor, const struct stat& opened) : descriptor_(descriptor), opened_(opened) {}

  int descriptor_ = -1;
  struct stat opened_ {};
};
