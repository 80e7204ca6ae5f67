#include "effect/random.h"

namespace {

constexpr std::uint32_t randomMultiplier = 214013;
constexpr std::uint32_t randomIncrement = 2531011;
constexpr std::uint32_t randomOutputMask = 0x7FFF;

} // namespace

int nextRandom(std::uint32_t& state) {
  state = state * randomMultiplier + randomIncrement;
  return static_cast<int>((state >> 16) & randomOutputMask);
}

void skipRandom(std::uint32_t& state, std::uint64_t count) {
  // Composes the affine step x -> a*x + c with itself by squaring; every
  // product wraps modulo 2^32 exactly as the single step does.
  std::uint32_t stepMultiplier = randomMultiplier;
  std::uint32_t stepIncrement = randomIncrement;
  std::uint32_t totalMultiplier = 1;
  std::uint32_t totalIncrement = 0;
  while (count != 0) {
    if ((count & 1u) != 0) {
      totalMultiplier *= stepMultiplier;
      totalIncrement = totalIncrement * stepMultiplier + stepIncrement;
    }
    stepIncrement = stepIncrement * stepMultiplier + stepIncrement;
    stepMultiplier *= stepMultiplier;
    count >>= 1;
  }
  state = state * totalMultiplier + totalIncrement;
}
