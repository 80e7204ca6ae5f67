#include "driver/frame_loop.h"

#include <array>
#include <cstdint>

#include "driver/show_options.h"
#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "platform/clock.h"

FrameLoopExit runFrameLoop(ptc::Console& console, ptc::Surface& surface, HSTREAM stream,
                           DWORD startTime, EffectState& effect) {
  // Silent until the music delivers its first spectrum; a failed request
  // leaves the previous one in place.
  std::array<float, 1024> spectrum{};

  for (;;) {
    if (console.key())
      return FrameLoopExit::keyPending;

    const DWORD elapsed = timeGetTime() - startTime;
    BASS_ChannelGetData(stream, spectrum.data(), spectrumRequest1024);
    effect.colourFactors = computeColourFactors(spectrum.data());

    startFrameCounters(effect, elapsed);

    composeFrame(effect, static_cast<std::uint32_t*>(surface.lock()));
    surface.unlock();
    surface.copy(console);
    console.update();

    while (console.key()) {
      if (console.read().code() == ptc::keyCodeEscape)
        return FrameLoopExit::escape;
    }

    if (!showOptions.loop &&
        static_cast<std::int32_t>(elapsed) > static_cast<std::int32_t>(showDuration))
      return FrameLoopExit::timeLimit;
  }
}
