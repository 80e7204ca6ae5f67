// The fast composition must give the straight loop's pixels, counters and
// last colour for every input: any factor bits, any counter values, any
// table and picture contents.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "composers.h"
#include "effect/colour_factors.h"
#include "effect/frame_composition.h"
#include "effect/noise_table.h"
#include "effect/pixel.h"
#include "effect/random.h"
#include "effect/row_kernels.h"
#include "images/image_bank.h"
#include "test_effect.h"

namespace {

EffectState& effect = testEffect();

using Frame = std::vector<std::uint32_t>;

struct EffectSnapshot {
  std::uint32_t random;
  std::int32_t frameCount, timeCount, red, green, blue;

  static EffectSnapshot take() {
    return {effect.randomState, effect.frameCursor, effect.timeCursor,
            effect.lastRed,     effect.lastGreen,   effect.lastBlue};
  }
  void restore() const {
    effect.randomState = random;
    effect.frameCursor = frameCount;
    effect.timeCursor = timeCount;
    effect.lastRed = red;
    effect.lastGreen = green;
    effect.lastBlue = blue;
  }
  bool operator==(const EffectSnapshot&) const = default;
};

float specialFactor(std::mt19937& random) {
  constexpr float specials[] = {0.0f,
                                -0.0f,
                                1.0f,
                                -1.0f,
                                1e-40f,
                                -1e-45f,
                                0.999999f,
                                8454660.0f,
                                16909320.5f,
                                -16909320.5f,
                                1e20f,
                                -1e30f,
                                std::numeric_limits<float>::max(),
                                std::numeric_limits<float>::lowest(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                std::numeric_limits<float>::quiet_NaN()};
  switch (random() % 4) {
  case 0:
    return specials[random() % std::size(specials)];
  case 1:
    return std::bit_cast<float>(static_cast<std::uint32_t>(random()));
  case 2:
    return std::uniform_real_distribution<float>(-300.0f, 300.0f)(random);
  default:
    // Products around the 32-bit boundaries of the conversion.
    return std::uniform_real_distribution<float>(-4e7f, 4e7f)(random);
  }
}

std::uint32_t elapsedNearWraps(std::mt19937& random) {
  // effect.timeCursor = elapsed * 2000 turns negative past 1073741 ms and wraps past 2147483 ms.
  constexpr std::uint32_t edges[] = {0, 1073741, 1073742, 2147483, 2147484, 4294967295u};
  switch (random() % 3) {
  case 0:
    return edges[random() % std::size(edges)] + static_cast<std::uint32_t>(random() % 3);
  case 1:
    return static_cast<std::uint32_t>(random() % 600000);
  default:
    return static_cast<std::uint32_t>(random());
  }
}

class FastCompositionTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // Arbitrary picture contents: every value is tinted by the same wrap rules.
    std::mt19937 random(79);
    for (Image& image : effect.imageBank) {
      for (std::uint32_t& value : image) {
        value = random() % 8 == 0 ? static_cast<std::uint32_t>(random())
                                  : static_cast<std::uint32_t>(random() % 3);
      }
    }
  }
  static void TearDownTestSuite() {
    clearImageBank(effect);
    setCompositionKernels(effect, CompositionKernels::best);
  }

  void SetUp() override { resetEffectState(effect); }

  // Composes one frame from the current state with the straight loop and
  // with every fast form, and compares pixels and state.
  void expectSameFrame(const char* what) {
    const EffectSnapshot before = EffectSnapshot::take();
    Frame expected(pixelCount, 0x5A5A5A5Au);
    composeFramePlain(effect, expected.data());
    const EffectSnapshot after = EffectSnapshot::take();
    for (const Composer& composer : fastComposers) {
      if (!composer.select(effect)) {
        continue; // not on this processor
      }
      before.restore();
      Frame actual(pixelCount, 0x5A5A5A5Au);
      composer.compose(effect, actual.data());
      ASSERT_EQ(EffectSnapshot::take(), after) << composer << ", " << what;
      for (std::size_t i = 0; i < pixelCount; ++i) {
        ASSERT_EQ(actual[i], expected[i])
            << composer << ", " << what << ": pixel (" << i % frameWidth << ", " << i / frameWidth
            << ") factors " << effect.colourFactors.redFactor << " "
            << effect.colourFactors.greenFactor << " " << effect.colourFactors.blueFactor
            << " counters " << before.frameCount << " " << before.timeCount;
      }
    }
  }

  static constexpr std::size_t pixelCount = static_cast<std::size_t>(frameWidth) * frameHeight;
};

TEST_F(FastCompositionTest, MatchesPlainForShowLikeFrames) {
  // Frames as the loop drives them, from the seeded sequence on.
  std::mt19937 random(1);
  for (int frame = 0; frame < 16; ++frame) {
    startFrameCounters(effect, elapsedNearWraps(random));
    effect.colourFactors =
        ColourFactors{std::uniform_real_distribution<float>(-2.0f, 3.0f)(random),
                      std::uniform_real_distribution<float>(-2.0f, 3.0f)(random),
                      std::uniform_real_distribution<float>(-2.0f, 3.0f)(random)};
    expectSameFrame("show-like frame");
  }
}

TEST_F(FastCompositionTest, MatchesPlainForExtremeFactorsAndCounters) {
  std::mt19937 random(2);
  for (int frame = 0; frame < 24; ++frame) {
    if (frame % 2 == 0) {
      startFrameCounters(effect, elapsedNearWraps(random));
    } else {
      effect.frameCursor = static_cast<std::int32_t>(random());
      effect.timeCursor = static_cast<std::int32_t>(random());
    }
    effect.colourFactors =
        ColourFactors{specialFactor(random), specialFactor(random), specialFactor(random)};
    expectSameFrame("extreme frame");
  }
}

TEST_F(FastCompositionTest, MatchesPlainAfterHoursOfRunning) {
  // One frame after another keeps the counters and last colour flowing from
  // frame to frame, as when the loop runs for longer than the wrap.
  std::mt19937 random(3);
  std::uint32_t elapsed = 2147480;
  for (int frame = 0; frame < 8; ++frame, elapsed += 1) {
    startFrameCounters(effect, elapsed);
    effect.colourFactors = ColourFactors{specialFactor(random), 1.5f, -0.75f};
    expectSameFrame("frame near the wrap");
  }
}

TEST_F(FastCompositionTest, MatchesPlainForAnyTableContents) {
  // A filled table holds 0..254; other values must not break the fast path.
  std::mt19937 random(4);
  for (int frame = 0; frame < 4; ++frame) {
    for (std::int32_t& entry : effect.noiseTable) {
      entry = random() % 4 == 0 ? static_cast<std::int32_t>(random())
                                : static_cast<std::int32_t>(random() % 255);
    }
    startFrameCounters(effect, elapsedNearWraps(random));
    effect.colourFactors =
        ColourFactors{specialFactor(random), specialFactor(random), specialFactor(random)};
    expectSameFrame("arbitrary table");
  }
}

TEST(DivisionFreeSampleIndex, MatchesTheTruncatedRemainder) {
  // The quotient estimates are off by one exactly next to whole multiples of
  // 2000, so those are swept on both sides of zero, with random products and
  // the largest magnitudes. (All 2^32 products were checked once by hand.)
  std::vector<std::uint32_t> products = {0u,          1u,          1999u,      2000u,
                                         0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
  constexpr std::uint32_t multiples = 0x80000000u / 2000u;
  for (std::uint32_t multiple = 0; multiple <= multiples; multiple += 97) {
    for (const std::uint32_t base : {multiple * 2000u, 0u - multiple * 2000u}) {
      for (std::uint32_t delta = 0; delta < 3; ++delta) {
        products.push_back(base + delta);
        products.push_back(base - delta);
      }
    }
  }
  std::mt19937 random(5);
  for (int i = 0; i < 200000; ++i) {
    products.push_back(static_cast<std::uint32_t>(random()));
  }
  for (const std::uint32_t product : products) {
    ASSERT_EQ(sampleIndexByQuotient(product), sampleIndex(product)) << product;
    ASSERT_EQ(sampleIndexBySignedQuotient(product), sampleIndex(product)) << product;
  }
}

} // namespace
