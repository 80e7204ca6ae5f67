#pragma once
// The music file as libvorbisfile sees it: only as far as its Ogg pages go.
// Opening a seekable file, the library looks for the last page by scanning
// back from the end of the file, in time that grows with the square of
// whatever follows the music. Here that end is found first, reading a
// bounded number of bytes, and nothing after it is ever shown to the library.

#include <cstdint>
#include <fstream>
#include <memory>
#include <vorbis/vorbisfile.h>

class OggFileSource {
public:
  // Nothing when the file cannot be opened or read.
  static std::unique_ptr<OggFileSource> open(const char* path);

  // Up to the end of the last page of the run of Ogg pages at the start of
  // the file; 0 when there is none, or when the run goes on past what may be
  // read at opening (the file is then not playable here).
  std::uint64_t length() const { return length_; }

  // For ov_open_callbacks with this source as the data source; closing is
  // left to the source's owner.
  static const ov_callbacks callbacks;

private:
  OggFileSource() = default;
  static std::size_t read(void* buffer, std::size_t size, std::size_t count, void* self);
  static int seek(void* self, ogg_int64_t offset, int whence);
  static long tell(void* self);

  std::ifstream file_;
  std::uint64_t length_ = 0;
  std::uint64_t position_ = 0;     // where the library reads next
  std::uint64_t filePosition_ = 0; // where file_ stands, so reads in a row need no seek
};
