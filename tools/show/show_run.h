#pragma once
// The whole show run as the capture runs it (the show's own driver on the
// capture's clock, console and audio back ends), with each presented frame
// measured instead of encoded and the sound track metered.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/show_timing.h"
#include "show/frame_light.h"
#include "show/quarter_light.h"

class LoudnessMeter;

struct ShowRun {
  int fps = showFrameRate;
  double seconds = 0.0;    // of the track played
  double fitGain = 1.0;    // on the spectrum, 1 with no fit
  double loudestFactor = 0.0; // the loudest passages' median strongest factor, before the gain
  std::vector<FrameLight> frames;      // frame n drawn at n x 1000 / fps ms (rounded down)
  std::vector<FrameQuarters> quarters; // the same frames, for the flash thresholds
};

// Runs the show over the music in the current folder (or the installed data
// folder), as the show finds it, or over the track `musicPath` for its
// length, its spectrum fitted as the capture fits it when `fit` is set,
// feeding the sound track to `loudness`. Nothing, with `problem` set, when
// the music cannot be read or the show ends before its last frame.
std::optional<ShowRun> runShowMeasured(int fps, const std::string& musicPath, bool fit,
                                       LoudnessMeter& loudness, std::string& problem);

// The moment of frame n, in milliseconds from the start of the show.
constexpr std::uint64_t frameMoment(std::uint64_t frame, int fps) {
  return frame * 1000 / static_cast<std::uint64_t>(fps);
}
