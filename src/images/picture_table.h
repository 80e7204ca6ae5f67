#pragma once
// The embedded PCX files, in their fixed order.

#include <array>
#include <cstdint>

#include "images/image_bank.h"

struct PictureEntry {
  const std::uint8_t* bytes;
  std::int32_t size;
};

extern const std::array<PictureEntry, imageCount> pictureTable;
