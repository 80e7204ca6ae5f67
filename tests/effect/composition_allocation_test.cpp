// Counts heap allocations around frames: composing must not allocate at all.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "composers.h"
#include "effect/colour_factors.h"
#include "effect/pixel.h"
#include "test_effect.h"

namespace {

EffectState& effect = testEffect();
std::atomic<long> allocationCount{0};
} // namespace

// GCC cannot see that the replaced new below is what hands out these blocks.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace {

class CompositionAllocationTest : public ::testing::TestWithParam<Composer> {};

TEST(AllocationCountTest, SeesHeapAllocations) {
  const long before = allocationCount.load();
  const std::vector<int> block(16);
  EXPECT_EQ(allocationCount.load() - before, 1);
}

TEST_P(CompositionAllocationTest, FramesAllocateNothing) {
  if (!GetParam().select(effect)) {
    GTEST_SKIP() << "this processor lacks the instruction set";
  }
  resetEffectState(effect);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(frameWidth) * frameHeight);
  effect.colourFactors = ColourFactors{1.5f, -2.0f, 300.0f};
  GetParam().compose(effect, pixels.data());
  const long before = allocationCount.load();
  for (std::uint32_t elapsed = 0; elapsed < 20; ++elapsed) {
    startFrameCounters(effect, elapsed * 997u);
    GetParam().compose(effect, pixels.data());
  }
  EXPECT_EQ(allocationCount.load() - before, 0);
}

INSTANTIATE_TEST_SUITE_P(AllCompositions, CompositionAllocationTest,
                         ::testing::ValuesIn(allComposers()),
                         [](const ::testing::TestParamInfo<Composer>& param) {
                           return param.param.name;
                         });

} // namespace
