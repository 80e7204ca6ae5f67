#include "images/pcx_decoder.h"

#include <algorithm>
#include <array>

#include "images/memory_stream.h"

namespace {

constexpr int pcxHeaderSize = 128;
// A byte with both top bits set starts a run; its low six bits are the length.
constexpr std::uint8_t pcxRunFlag = 0xC0;
constexpr std::uint8_t pcxRunLengthMask = 0x3F;

bool readByte(MemoryStream& stream, std::uint8_t& byte) {
  return stream.read(&byte, 1, 1) == 1;
}

} // namespace

void loadPcxImage(MemoryStream* stream, int width, int height, std::uint32_t* destination) {
  if (stream == nullptr) {
    return;
  }
  // The header is read past, never interpreted: the caller knows the size.
  std::array<std::uint8_t, pcxHeaderSize> header{};
  stream->seek(0, 0);
  stream->read(header.data(), 1, pcxHeaderSize);

  // Two negative sides must not multiply into a positive count.
  const std::int64_t total =
      (width <= 0 || height <= 0) ? 0 : static_cast<std::int64_t>(width) * height;
  std::int64_t count = 0;
  while (count < total) {
    std::uint8_t code = 0;
    if (!readByte(*stream, code)) {
      break;
    }
    if (code >= pcxRunFlag) {
      std::uint8_t value = 0;
      if (!readByte(*stream, value)) {
        break;
      }
      // A run may run on into the next row but is cut at the end of the destination.
      std::int64_t run = code & pcxRunLengthMask;
      if (run > total - count) {
        run = total - count;
      }
      std::fill_n(destination + count, run, std::uint32_t{value});
      count += run;
    } else {
      destination[count++] = code;
    }
  }
  stream->close();
}
