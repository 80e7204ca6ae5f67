#include "effect/noise_table.h"

#include "effect/random.h"

NoiseTable noiseTable{};

void fillNoiseTable() {
  for (std::int32_t& entry : noiseTable) {
    entry = nextRandom() % 255;
  }
}
