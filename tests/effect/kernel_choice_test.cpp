// The start-up choice of row kernels: the set with the shortest best time,
// the widest set when frames cannot be timed, and only sets the processor runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "effect/frame_composition.h"
#include "effect/kernel_choice.h"
#include "effect/row_kernels.h"
#include "test_effect.h"

namespace {

constexpr std::array<const char*, 5> candidateNames = {"a", "b", "c", "d", "e"};

// Sets told apart by name alone: the chooser only hands them to the timer.
std::vector<RowKernels> namedCandidates(std::size_t count) {
  std::vector<RowKernels> candidates;
  for (std::size_t i = 0; i < count; ++i) {
    RowKernels kernels = portableRowKernels();
    kernels.name = candidateNames[i];
    candidates.push_back(kernels);
  }
  return candidates;
}

std::size_t indexOf(const std::vector<RowKernels>& candidates, const RowKernels& kernels) {
  return static_cast<std::size_t>(std::find(candidates.begin(), candidates.end(), kernels) -
                                  candidates.begin());
}

bool contains(const std::vector<RowKernels>& candidates, const RowKernels& kernels) {
  return indexOf(candidates, kernels) < candidates.size();
}

TEST(KernelChoiceTest, KeepsTheShortestBestTimeWhateverTheBusyRounds) {
  // Each set has a true frame time; every round but one of its own may be
  // slowed by a busy machine, by up to four times.
  std::mt19937 random(23);
  for (int trial = 0; trial < 1000; ++trial) {
    const std::size_t count = 1 + random() % candidateNames.size();
    const int rounds = 2 + static_cast<int>(random() % 3);
    const std::vector<RowKernels> candidates = namedCandidates(count);
    std::vector<double> trueTimes;
    std::vector<int> cleanRound;
    for (std::size_t i = 0; i < count; ++i) {
      trueTimes.push_back(std::uniform_real_distribution<double>(50e-6, 500e-6)(random));
      cleanRound.push_back(static_cast<int>(random() % static_cast<unsigned>(rounds)));
    }
    std::vector<int> timed(count, 0);
    std::string order;
    const FrameTimer timer = [&](const RowKernels& kernels) {
      const std::size_t i = indexOf(candidates, kernels);
      const int round = timed[i]++;
      order += kernels.name;
      const double busy = std::uniform_real_distribution<double>(1.0, 4.0)(random);
      return round == cleanRound[i] ? trueTimes[i] : trueTimes[i] * busy;
    };
    const RowKernels chosen = chooseFastestKernels(candidates, timer, rounds);
    const auto fastest = std::min_element(trueTimes.begin(), trueTimes.end()) - trueTimes.begin();
    ASSERT_STREQ(chosen.name, candidateNames[static_cast<std::size_t>(fastest)]) << "trial " << trial;
    // Taking turns, so that one busy moment does not fall on one set alone.
    std::string turns;
    for (int round = 0; round < rounds; ++round) {
      for (const RowKernels& kernels : candidates) {
        turns += kernels.name;
      }
    }
    ASSERT_EQ(order, turns) << "trial " << trial;
  }
}

TEST(KernelChoiceTest, FallsBackToTheWidestSupportedSetWhenFramesCannotBeTimed) {
  const std::vector<RowKernels> supported = supportedRowKernels();
  ASSERT_TRUE(supported.front() == widestRowKernels());
  std::vector<RowKernels> withoutAvx512;
  if (const auto avx2 = avx2RowKernelsIfSupported()) {
    withoutAvx512.push_back(*avx2);
  }
  withoutAvx512.push_back(portableRowKernels());
  // This processor, one without AVX-512, and one without AVX2.
  const std::vector<std::vector<RowKernels>> processors = {
      supported, withoutAvx512, {portableRowKernels()}};
  for (const std::vector<RowKernels>& candidates : processors) {
    // A clock that never moves, and one that fails on the last frame only:
    // rankings from the frames before it are not trusted either.
    for (const std::size_t frozenFrom : {std::size_t{0}, candidates.size() * 3 - 1}) {
      std::size_t frames = 0;
      const FrameTimer timer = [&](const RowKernels& kernels) {
        // The slowest-looking set is the first, so a choice by time would not pick it.
        const double seconds = kernels == candidates.front() ? 900e-6 : 100e-6;
        return frames++ < frozenFrom ? seconds : 0.0;
      };
      const RowKernels chosen = chooseFastestKernels(candidates, timer, 3);
      EXPECT_TRUE(chosen == candidates.front())
          << chosen.name << " instead of " << candidates.front().name;
    }
  }
}

TEST(KernelChoiceTest, TheShowDrawsWithATimedSupportedSet) {
  const std::vector<RowKernels> supported = supportedRowKernels();
  // Timed on scratch frames for real: only a set offered comes back.
  EXPECT_TRUE(contains(supported, measureFastestRowKernels(supported)));
  EXPECT_TRUE(measureFastestRowKernels(std::vector{portableRowKernels()}) == portableRowKernels());

  EffectState& effect = testEffect();
  ASSERT_TRUE(setCompositionKernels(effect, CompositionKernels::portable));
  ASSERT_TRUE(setCompositionKernels(effect, CompositionKernels::best));
  EXPECT_TRUE(effect.kernels == fastestRowKernels()) << effect.kernels.name;
  EXPECT_TRUE(contains(supported, effect.kernels)) << effect.kernels.name;
}

} // namespace
