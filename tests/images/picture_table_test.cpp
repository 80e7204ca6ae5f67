#include "images/picture_table.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::size_t colourEntry = 32;
constexpr std::size_t headerSize = 128;
constexpr std::size_t paletteSize = 769; // 0x0C marker and 256 RGB entries

int word(const PictureEntry& entry, std::size_t at) {
  return entry.bytes[at] | (entry.bytes[at + 1] << 8);
}

// Walks the run-length data line by line, failing on any run that spills over
// a line's end; returns the offset just after the last line.
std::size_t walkLines(const PictureEntry& entry, int lineLength, int lineCount) {
  std::size_t at = headerSize;
  const auto size = static_cast<std::size_t>(entry.size);
  for (int line = 0; line < lineCount; ++line) {
    int x = 0;
    while (x < lineLength) {
      if (at >= size) {
        ADD_FAILURE() << "data ends in line " << line;
        return at;
      }
      const std::uint8_t code = entry.bytes[at++];
      int run = 1;
      if (code >= 0xC0) {
        run = code & 0x3F;
        ++at;
      }
      if (x + run > lineLength) {
        ADD_FAILURE() << "run crosses the end of line " << line;
        return at;
      }
      x += run;
    }
  }
  return at;
}

TEST(PictureTable, HoldsSeventyNinePicturesOfPlausibleSize) {
  ASSERT_EQ(pictureTable.size(), 79u);
  for (std::size_t k = 0; k < pictureTable.size(); ++k) {
    ASSERT_NE(pictureTable[k].bytes, nullptr);
    if (k != colourEntry) {
      EXPECT_GE(pictureTable[k].size, 3613) << "picture " << k;
      EXPECT_LE(pictureTable[k].size, 36224) << "picture " << k;
      EXPECT_GT(pictureTable[colourEntry].size, pictureTable[k].size) << "picture " << k;
    }
  }
}

TEST(PictureTable, RegularPicturesAre640By100GreyRampFiles) {
  for (std::size_t k = 0; k < pictureTable.size(); ++k) {
    if (k == colourEntry) {
      continue;
    }
    const PictureEntry& entry = pictureTable[k];
    SCOPED_TRACE("picture " + std::to_string(k));
    EXPECT_EQ(entry.bytes[0], 10);
    EXPECT_EQ(entry.bytes[1], 5);
    EXPECT_EQ(entry.bytes[2], 1);
    EXPECT_EQ(entry.bytes[3], 8);
    EXPECT_EQ(word(entry, 4), 0);
    EXPECT_EQ(word(entry, 6), 0);
    EXPECT_EQ(word(entry, 8), 639);
    EXPECT_EQ(word(entry, 10), 99);
    EXPECT_EQ(entry.bytes[65], 1);
    EXPECT_EQ(word(entry, 66), 640);
    EXPECT_EQ(word(entry, 68), 2);

    const auto paletteStart = static_cast<std::size_t>(entry.size) - paletteSize;
    EXPECT_EQ(walkLines(entry, 640, 100), paletteStart);
    ASSERT_EQ(entry.bytes[paletteStart], 0x0C);
    for (std::size_t i = 0; i < 256; ++i) {
      for (std::size_t c = 0; c < 3; ++c) {
        ASSERT_EQ(entry.bytes[paletteStart + 1 + 3 * i + c], i) << "palette entry " << i;
      }
    }
  }
}

TEST(PictureTable, TallColourPictureHasThreePlanesAndNoPalette) {
  const PictureEntry& entry = pictureTable[colourEntry];
  EXPECT_EQ(entry.bytes[0], 10);
  EXPECT_EQ(entry.bytes[1], 5);
  EXPECT_EQ(entry.bytes[2], 1);
  EXPECT_EQ(entry.bytes[3], 8);
  EXPECT_EQ(word(entry, 8), 639);
  EXPECT_EQ(word(entry, 10), 479);
  EXPECT_EQ(entry.bytes[65], 3);
  EXPECT_EQ(word(entry, 66), 640);
  // The picture data runs to the last byte: no palette follows.
  EXPECT_EQ(walkLines(entry, 640, 480 * 3), static_cast<std::size_t>(entry.size));
}

} // namespace
