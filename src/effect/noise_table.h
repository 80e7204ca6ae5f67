#pragma once

#include <array>
#include <cstdint>

constexpr int noiseTableSize = 2000;
using NoiseTable = std::array<std::int32_t, noiseTableSize>;

// Values 0..254 once filled; written once at start-up, then only read.
extern NoiseTable noiseTable;

// Draws 2000 generator outputs, one per entry in index order.
void fillNoiseTable();
