#include "images/image_bank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::size_t colourEntry = 32;

// Static storage, as the show's: too large for a stack.
ImageBank imageBank{};

class ImageBankTest : public ::testing::Test {
protected:
  // Every test starts from an empty bank.
  void SetUp() override {
    for (Image& image : imageBank) {
      image.fill(0);
    }
  }
};

TEST_F(ImageBankTest, LevelTransformMapsGreysToThreeLevels) {
  const std::array<std::pair<std::uint32_t, std::uint32_t>, 8> cases{
      {{19, 2}, {20, 1}, {33, 0}, {255, 0}, {0, 0}, {254, 1}, {253, 2}, {21, 0}}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    imageBank[0][i] = cases[i].first;
    imageBank[78][imageSize - 1 - i] = cases[i].first;
  }
  applyLevelTransform(imageBank);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(imageBank[0][i], cases[i].second) << "value " << cases[i].first;
    EXPECT_EQ(imageBank[78][imageSize - 1 - i], cases[i].second) << "value " << cases[i].first;
  }
}

TEST_F(ImageBankTest, LevelTransformLeavesNothingAboveTwo) {
  for (std::size_t k = 0; k < imageBank.size(); ++k) {
    for (std::size_t i = 0; i < imageSize; ++i) {
      imageBank[k][i] = static_cast<std::uint32_t>((i + k) % 256);
    }
  }
  applyLevelTransform(imageBank);
  for (const Image& image : imageBank) {
    EXPECT_LE(*std::max_element(image.begin(), image.end()), 2u);
  }
}

TEST_F(ImageBankTest, LoadsEveryPictureAsDarkLettersOnWhite) {
  loadImageBank(imageBank);
  for (std::size_t k = 0; k < imageBank.size(); ++k) {
    if (k == colourEntry) {
      continue;
    }
    const Image& image = imageBank[k];
    const auto white = std::count(image.begin(), image.end(), 255u);
    const auto dark = std::count(image.begin(), image.end(), 19u);
    const auto darker = std::count(image.begin(), image.end(), 20u);
    EXPECT_GT(white, imageSize * 85 / 100) << "picture " << k;
    EXPECT_LT(white, imageSize * 96 / 100) << "picture " << k;
    EXPECT_GT(dark, 500) << "picture " << k;
    EXPECT_GT(darker, 500) << "picture " << k;
    // Letter bodies are the darkest values; everything else is an edge grey.
    EXPECT_GE(*std::min_element(image.begin(), image.end()), 19u) << "picture " << k;
    // White borders: the name is centred and never touches the frame.
    for (std::size_t x = 0; x < imageWidth; ++x) {
      ASSERT_EQ(image[x], 255u) << "picture " << k << " top row";
      ASSERT_EQ(image[(imageHeight - 1) * imageWidth + x], 255u) << "picture " << k;
    }
  }
}

TEST_F(ImageBankTest, TallColourPictureShowsAsEmpty) {
  loadImageBank(imageBank);
  const Image& image = imageBank[colourEntry];
  EXPECT_EQ(std::count(image.begin(), image.end(), 255u), imageSize);
  applyLevelTransform(imageBank);
  EXPECT_EQ(std::count(image.begin(), image.end(), 0u), imageSize);
}

TEST_F(ImageBankTest, TransformedPicturesSpeckleTheLettering) {
  loadImageBank(imageBank);
  applyLevelTransform(imageBank);
  for (std::size_t k = 0; k < imageBank.size(); ++k) {
    if (k == colourEntry) {
      continue;
    }
    const Image& image = imageBank[k];
    EXPECT_GT(std::count(image.begin(), image.end(), 1u), 500) << "picture " << k;
    EXPECT_GT(std::count(image.begin(), image.end(), 2u), 500) << "picture " << k;
    EXPECT_LE(*std::max_element(image.begin(), image.end()), 2u) << "picture " << k;
  }
}

} // namespace
