#pragma once

#include <array>
#include <cstdint>

constexpr int imageCount = 79;
constexpr int imageWidth = 640;
constexpr int imageHeight = 100;
constexpr int imageSize = imageWidth * imageHeight;

using Image = std::array<std::uint32_t, imageSize>;
using ImageBank = std::array<Image, imageCount>;

// Decodes every embedded picture, in table order, through a memory stream:
// palette indices 0..255.
void loadImageBank(ImageBank& bank);
// v becomes (255 - v) mod 3 on unsigned values: white 0, the lettering 1 and 2.
void applyLevelTransform(ImageBank& bank);
