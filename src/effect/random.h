#pragma once
// The show's own linear congruential generator (15-bit outputs). It starts at
// 1 and is never reseeded by the show, so every run draws the same sequence.

#include <cstdint>

constexpr std::uint32_t randomSeed = 1;

// Steps `state` and returns its output, 0..32767.
int nextRandom(std::uint32_t& state);

// Moves `state` on as if nextRandom() had been called `count` times, in
// logarithmic time; it is how a run reaches a given frame without drawing the
// ones before.
void skipRandom(std::uint32_t& state, std::uint64_t count);
