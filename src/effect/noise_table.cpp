#include "effect/noise_table.h"

#include "effect/random.h"

void fillNoiseTable(NoiseTable& table, std::uint32_t& randomState) {
  for (std::int32_t& entry : table) {
    entry = nextRandom(randomState) % 255;
  }
}
