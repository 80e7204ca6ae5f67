#include "show/frame_light.h"

#include <algorithm>
#include <cmath>

#include "effect/band_layout.h"

namespace {

// Rec. 709 weights of red, green and blue.
constexpr double redWeight = 0.2126;
constexpr double greenWeight = 0.7152;
constexpr double blueWeight = 0.0722;

struct RowSums {
  std::uint64_t red = 0, green = 0, blue = 0, pixels = 0;

  void add(const std::uint32_t* row) {
    for (int x = 0; x < frameWidth; ++x) {
      red += (row[x] >> 16) & 0xFFu;
      green += (row[x] >> 8) & 0xFFu;
      blue += row[x] & 0xFFu;
    }
    pixels += frameWidth;
  }
  double mean(std::uint64_t sum) const {
    return static_cast<double>(sum) / static_cast<double>(pixels);
  }
  double luma() const {
    return redWeight * mean(red) + greenWeight * mean(green) + blueWeight * mean(blue);
  }
};

} // namespace

FrameLight measureFrame(const std::uint32_t* pixels) {
  RowSums band, text;
  const auto row = [pixels](int y) { return pixels + static_cast<std::ptrdiff_t>(y) * frameWidth; };
  for (int y = topNoiseRow; y <= bottomNoiseRow; y += 2) {
    band.add(row(y));
    if (rowHasImageBelow(y))
      text.add(row(y + 1));
  }
  return FrameLight{band.luma(), text.luma(), band.mean(band.red), band.mean(band.green),
                    band.mean(band.blue)};
}

std::optional<Tint> tintOf(double red, double green, double blue) {
  const double high = std::max({red, green, blue});
  const double chroma = high - std::min({red, green, blue});
  if (chroma <= 0.0)
    return std::nullopt;
  double sixths = 0.0; // the hexcone's sector, in sixths of a turn
  if (high == red)
    sixths = std::fmod((green - blue) / chroma + 6.0, 6.0);
  else if (high == green)
    sixths = (blue - red) / chroma + 2.0;
  else
    sixths = (red - green) / chroma + 4.0;
  return Tint{sixths * 60.0, chroma};
}
