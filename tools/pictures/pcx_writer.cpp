#include "pcx_writer.h"

#include <cstddef>

namespace {

constexpr std::size_t headerSize = 128;
constexpr int maxRun = 63;
constexpr std::uint8_t runFlag = 0xC0;
constexpr std::uint8_t paletteMarker = 0x0C;

void putWord(std::vector<std::uint8_t>& out, std::size_t at, int value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Runs stop at the end of each line so that a reader working line by line
// never sees one spill over.
void encodeLine(std::vector<std::uint8_t>& out, const std::uint8_t* line, int width) {
  int x = 0;
  while (x < width) {
    const std::uint8_t value = line[x];
    int run = 1;
    while (x + run < width && run < maxRun && line[x + run] == value) {
      ++run;
    }
    // A lone byte below the flag can stand for itself; anything else needs a count.
    if (run > 1 || value >= runFlag) {
      out.push_back(static_cast<std::uint8_t>(runFlag | run));
    }
    out.push_back(value);
    x += run;
  }
}

} // namespace

std::vector<std::uint8_t> encodePcx(const PcxLayout& layout,
                                    const std::vector<std::uint8_t>& planeData) {
  std::vector<std::uint8_t> out(headerSize, 0);
  out[0] = 10; // manufacturer
  out[1] = 5;  // version
  out[2] = 1;  // run-length encoding
  out[3] = 8;  // bits per pixel and plane
  putWord(out, 4, 0);
  putWord(out, 6, 0);
  putWord(out, 8, layout.width - 1);
  putWord(out, 10, layout.height - 1);
  putWord(out, 12, 72); // dots per inch
  putWord(out, 14, 72);
  out[65] = static_cast<std::uint8_t>(layout.planes);
  putWord(out, 66, layout.width); // bytes per line and plane
  putWord(out, 68, layout.greyPalette ? 2 : 1);

  const auto lineCount =
      static_cast<std::size_t>(layout.height) * static_cast<std::size_t>(layout.planes);
  const auto width = static_cast<std::size_t>(layout.width);
  for (std::size_t line = 0; line < lineCount; ++line) {
    encodeLine(out, planeData.data() + line * width, layout.width);
  }

  if (layout.greyPalette) {
    out.push_back(paletteMarker);
    for (int i = 0; i < 256; ++i) {
      for (int channel = 0; channel < 3; ++channel) {
        out.push_back(static_cast<std::uint8_t>(i));
      }
    }
  }
  return out;
}
