// The page can time the show's frame composition on its own machine: the
// tests call this from the page and report the figure beside the native one.
#include <emscripten.h>

#include <cstdint>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/noise_table.h"
#include "effect/pixel.h"

// Mean milliseconds per frame over `frames` frames composed the way the frame
// loop drives them, on a state of its own so the running show is untouched.
extern "C" EMSCRIPTEN_KEEPALIVE double vsfCompositionMilliseconds(int frames) {
  static EffectState effect;
  static bool prepared = false;
  if (!prepared) {
    fillNoiseTable(effect.noiseTable, effect.randomState);
    prepared = true;
  }
  std::vector<std::uint32_t> surface(static_cast<std::size_t>(frameWidth) * frameHeight);
  std::uint32_t elapsed = 31000;
  const double start = emscripten_get_now();
  for (int frame = 0; frame < frames; ++frame) {
    const float swing = static_cast<float>(elapsed % 1000) / 1000.0f;
    effect.colourFactors = ColourFactors{0.4f + swing, 1.3f - swing, 0.2f + swing * 0.5f};
    startFrameCounters(effect, elapsed);
    composeFrame(effect, surface.data());
    elapsed += 16;
  }
  return frames > 0 ? (emscripten_get_now() - start) / frames : 0.0;
}
