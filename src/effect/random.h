#pragma once
// The show's own linear congruential generator (15-bit outputs). It starts at
// 1 and is never reseeded by the show, so every run draws the same sequence.

#include <cstdint>

extern std::uint32_t randomState;

int nextRandom();

// Moves the state on as if nextRandom() had been called `count` times, in
// logarithmic time; the developer tools use it to reach a given frame.
void skipRandom(std::uint64_t count);
