// Rules every composition must keep, checked for the straight loop and for
// each form of the fast one against an independent per-pixel model.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "composers.h"
#include "effect/colour_factors.h"
#include "effect/frame_composition.h"
#include "effect/noise_table.h"
#include "effect/pixel.h"
#include "frame_model.h"
#include "images/image_bank.h"
#include "test_effect.h"

namespace {

EffectState& effect = testEffect();

constexpr std::uint32_t sentinel = 0xDEADBEEFu;
constexpr std::uint32_t samplesPerFrame = 139u * 640u * 3u;

using Frame = std::vector<std::uint32_t>;

bool isNoiseRow(int y) {
  return y >= 102 && y <= 378 && y % 2 == 0;
}
bool isImageRow(int y) {
  return y >= 189 && y <= 267 && y % 2 == 1;
}
bool isRuleRow(int y) {
  return y == 101 || y == 103 || y == 105 || y == 107 || y == 373 || y == 375 || y == 377 ||
         y == 379;
}
bool isPlannedRow(int y) {
  return isNoiseRow(y) || isImageRow(y) || isRuleRow(y);
}

std::uint32_t at(const Frame& frame, int x, int y) {
  return frame[static_cast<std::size_t>(y) * frameWidth + static_cast<std::size_t>(x)];
}

std::uint32_t modelTint(std::int64_t red, std::int64_t green, std::int64_t blue,
                        std::uint32_t value) {
  const auto scaled = [value](std::int64_t channel, int shift) {
    return ((static_cast<std::uint64_t>(channel) * value) & 0xFFFFFFFFu) >> shift;
  };
  return modelPack(static_cast<std::int64_t>(scaled(red, 2)),
                   static_cast<std::int64_t>(scaled(green, 2)),
                   static_cast<std::int64_t>(scaled(blue, 1)));
}

class FrameCompositionTest : public ::testing::TestWithParam<Composer> {
protected:
  void SetUp() override {
    if (!GetParam().select(effect)) {
      GTEST_SKIP() << "this processor lacks the instruction set";
    }
    resetEffectState(effect);
    clearImageBank(effect);
    frame_.assign(static_cast<std::size_t>(frameWidth) * frameHeight, sentinel);
  }
  void TearDown() override {
    clearImageBank(effect);
    setCompositionKernels(effect, CompositionKernels::best);
  }

  // Sets the counters and factors, composes, and returns the model's view of
  // the frame's start.
  FrameStart compose(std::uint32_t frameCount, std::uint32_t timeCount, float red, float green,
                     float blue) {
    effect.frameCursor = static_cast<std::int32_t>(frameCount);
    effect.timeCursor = static_cast<std::int32_t>(timeCount);
    effect.colourFactors = ColourFactors{red, green, blue};
    GetParam().compose(effect, frame_.data());
    return FrameStart{frameCount, timeCount, {red, green, blue}};
  }

  Frame frame_;
};

TEST_P(FrameCompositionTest, RowsOutsideThePlanAreNeverWritten) {
  for (int i = 0; i < 3; ++i) {
    compose(0, 31000u * 2000u * static_cast<std::uint32_t>(i), 117.5f, -3.25f, 1e6f);
  }
  for (int y = 0; y < frameHeight; ++y) {
    if (isPlannedRow(y)) {
      continue;
    }
    for (int x = 0; x < frameWidth; ++x) {
      ASSERT_EQ(at(frame_, x, y), sentinel) << "pixel (" << x << ", " << y << ")";
    }
  }
}

TEST_P(FrameCompositionTest, ZeroFactorsGiveBlackNoiseAndPictures) {
  for (Image& image : effect.imageBank) {
    for (std::size_t i = 0; i < image.size(); ++i) {
      image[i] = static_cast<std::uint32_t>(i % 3);
    }
  }
  compose(0, 0, 0.0f, 0.0f, 0.0f);
  for (int y = 0; y < frameHeight; ++y) {
    if (!isNoiseRow(y) && !isImageRow(y)) {
      continue;
    }
    for (int x = 0; x < frameWidth; ++x) {
      ASSERT_EQ(at(frame_, x, y), 0u) << "pixel (" << x << ", " << y << ")";
    }
  }
  EXPECT_EQ(effect.lastRed, 0);
  EXPECT_EQ(effect.lastGreen, 0);
  EXPECT_EQ(effect.lastBlue, 0);
}

TEST_P(FrameCompositionTest, RuleLinesFollowTheImageIndex) {
  // Frames 1..5 show images 28, 14, 30, 1, 71. Entries 0 and 16 are greys 2
  // and 11; entries 1 and 17 greys 6 and 13.
  constexpr std::uint32_t grey2 = 0x020202, grey6 = 0x060606, grey11 = 0x0B0B0B, grey13 = 0x0D0D0D;
  struct Expected {
    std::uint32_t lowerDash0, lowerDash1, upperDash0, upperDash1;
  };
  const std::array<Expected, 5> expected{{
      {grey11, grey2, grey11, grey2}, // 28: bit 4 set
      {grey2, grey11, grey2, grey11}, // 14
      {grey11, grey2, grey11, grey2}, // 30
      {grey2, grey11, grey6, grey13}, // 1: odd, entries 1 and 17 above
      {grey2, grey11, grey6, grey13}, // 71 = 64 + 7
  }};
  for (const Expected& lines : expected) {
    compose(0, 0, 0.0f, 0.0f, 0.0f);
    for (int k = 0; k < 4; ++k) {
      for (int x = 0; x < frameWidth; ++x) {
        const bool secondDash = (x / 16) % 2 == 1;
        ASSERT_EQ(at(frame_, x, 379 - 2 * k), secondDash ? lines.lowerDash1 : lines.lowerDash0)
            << "x " << x << " line " << k;
        ASSERT_EQ(at(frame_, x, 107 - 2 * k), secondDash ? lines.upperDash1 : lines.upperDash0)
            << "x " << x << " line " << k;
      }
    }
  }
}

TEST_P(FrameCompositionTest, RuleLinesLeaveTheCountersAlone) {
  compose(5, 7, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(effect.frameCursor, static_cast<std::int32_t>(5u + samplesPerFrame));
  EXPECT_EQ(effect.timeCursor, static_cast<std::int32_t>(7u + samplesPerFrame));
}

struct StartCase {
  std::uint32_t frameCount;
  std::uint32_t timeCount;
  float red, green, blue;
};

TEST_P(FrameCompositionTest, NoisePixelsFollowTheCountersAndFactors) {
  const StartCase cases[] = {
      {0, 0, 1.0f, 1.0f, 1.0f},                         // first frame: n * n
      {0, 31000u * 2000u, 0.75f, -2.5f, 3.0f},          // a typical frame
      {0, 1073742u * 2000u, 1e6f, -1e7f, 0.001f},       // effect.timeCursor negative
      {0, 2147483u * 2000u, 1e9f, 4e9f, -4e9f},         // close to the 32-bit wrap
      {0, 2147484u * 2000u, 1e30f, -1.0f, 1e-40f},      // just past the wrap
      {0xFFFFFF00u, 0xFFFFFFFEu, 2.0f, -1.0f, 0.5f},    // counters wrap in the frame
      {123456789u, 987654321u, -0.0f, 250.0f, -250.0f}, // unrelated start values
  };
  for (const StartCase& c : cases) {
    const FrameStart start = compose(c.frameCount, c.timeCount, c.red, c.green, c.blue);
    for (int y = 102; y <= 378; y += 2) {
      for (int x = (y * 7) % 13; x < frameWidth; x += 13) {
        ASSERT_EQ(at(frame_, x, y), modelNoisePixel(start, x, y))
            << "pixel (" << x << ", " << y << ") from " << c.frameCount << ", " << c.timeCount;
      }
    }
    for (int x = 0; x < frameWidth; ++x) {
      ASSERT_EQ(at(frame_, x, 378), modelNoisePixel(start, x, 378)) << "x " << x;
      ASSERT_EQ(at(frame_, x, 102), modelNoisePixel(start, x, 102)) << "x " << x;
    }
    const std::uint64_t last = modelPixelSample(0, 102);
    EXPECT_EQ(effect.lastRed, modelSample(start, last, 0));
    EXPECT_EQ(effect.lastGreen, modelSample(start, last + 1, 1));
    EXPECT_EQ(effect.lastBlue, modelSample(start, last + 2, 2));
    EXPECT_EQ(effect.frameCursor, static_cast<std::int32_t>(c.frameCount + samplesPerFrame));
    EXPECT_EQ(effect.timeCursor, static_cast<std::int32_t>(c.timeCount + samplesPerFrame));
  }
}

TEST_P(FrameCompositionTest, ImageRowsTakeTheColourOfTheNoisePixelBeforeThem) {
  // Values beyond 2 are not in a transformed bank but still follow the rule.
  for (Image& image : effect.imageBank) {
    for (std::size_t i = 0; i < image.size(); ++i) {
      image[i] = static_cast<std::uint32_t>((i * 7) % 5);
    }
    image[1] = 0xFFFFFFFFu;
  }
  const FrameStart start = compose(0, 31000u * 2000u, 180.5f, -3.0f, 95.25f);
  const Image& image = effect.imageBank[28];
  for (int y = 189; y <= 267; y += 2) {
    const std::uint64_t k = modelPixelSample(0, y - 1);
    const std::int64_t red = modelSample(start, k, 0);
    const std::int64_t green = modelSample(start, k + 1, 1);
    const std::int64_t blue = modelSample(start, k + 2, 2);
    for (int x = 0; x < frameWidth; ++x) {
      const std::uint32_t value =
          image[static_cast<std::size_t>(y - 189) * 640 + static_cast<std::size_t>(x)];
      ASSERT_EQ(at(frame_, x, y), modelTint(red, green, blue, value)) << "pixel " << x << ", " << y;
    }
  }
}

TEST_P(FrameCompositionTest, NegativeLastRedSpillsIntoTheTopByte) {
  // Every readable red sample is 100 x -10 = -1000; green and blue are 0.
  effect.noiseTable.fill(100);
  effect.imageBank[28].fill(1);
  std::uint32_t elapsed = 0;
  FrameStart probe;
  probe.factors[0] = 1.0f;
  while (true) {
    probe.timeCount = elapsed * 2000u;
    if (modelSample(probe, modelPixelSample(0, 266), 0) != 0) {
      break;
    }
    ++elapsed;
  }
  compose(0, elapsed * 2000u, -10.0f, 0.0f, 0.0f);
  EXPECT_EQ(effect.lastRed, modelSample(FrameStart{0, elapsed * 2000u, {-10.0f, 0.0f, 0.0f}},
                                        modelPixelSample(0, 102), 0));
  for (int x = 0; x < frameWidth; ++x) {
    // red (-1000 * 1) >> 2 unsigned = 0x3FFFFF06: 0x06 in red, the rest in the top byte.
    ASSERT_EQ(at(frame_, x, 267), 0xFF060000u) << "x " << x;
  }
}

TEST_P(FrameCompositionTest, NegativeBlueSetsEveryHigherBit) {
  effect.noiseTable.fill(1);
  compose(0, 0, 0.0f, 0.0f, -1.0f);
  const FrameStart start{0, 0, {0.0f, 0.0f, -1.0f}};
  int spilled = 0;
  for (int x = 0; x < frameWidth; ++x) {
    const std::uint32_t pixel = at(frame_, x, 102);
    if (modelSample(start, modelPixelSample(x, 102) + 2, 2) == -1) {
      ASSERT_EQ(pixel, 0xFFFFFFFFu) << "x " << x;
      ++spilled;
    } else {
      ASSERT_EQ(pixel, 0u) << "x " << x;
    }
  }
  EXPECT_GT(spilled, 0);
}

INSTANTIATE_TEST_SUITE_P(AllCompositions, FrameCompositionTest, ::testing::ValuesIn(allComposers()),
                         [](const ::testing::TestParamInfo<Composer>& param) {
                           return param.param.name;
                         });

} // namespace
