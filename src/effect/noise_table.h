#pragma once

#include <array>
#include <cstdint>

constexpr int noiseTableSize = 2000;
using NoiseTable = std::array<std::int32_t, noiseTableSize>;

// Draws 2000 generator outputs, one per entry in index order: values 0..254.
// Written once at start-up, then only read.
void fillNoiseTable(NoiseTable& table, std::uint32_t& randomState);
