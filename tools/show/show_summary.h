#pragma once
// The figures of a measured show, section by section and as a whole: how
// bright the band and the text are, how the band pulses with the beat, how
// its hue moves, and how loud the music is meanwhile.

#include <cstdint>
#include <string>
#include <vector>

#include "music/score.h"
#include "show/flash_count.h"
#include "show/show_run.h"

struct SectionFigures {
  std::string name;
  double from = 0.0, to = 0.0; // seconds
  std::size_t frames = 0;
  double band = 0.0, text = 0.0; // mean luma
  double pulse = 0.0;            // band luma against itself one beat later
  double hue = 0.0;              // of the section's mean colour
  double hueSpread = 0.0;        // degrees, see hueSpread()
  double loudness = 0.0;         // median short-term loudness, LUFS; -inf when silent
};

struct ShowFigures {
  std::vector<SectionFigures> sections;
  double band = 0.0, text = 0.0; // means over the whole show
  // Over the settled span, 30 to 540 s: the median frame and the brightest
  // and darkest 10 s (their mean luma and the second they start at).
  double bandMedian = 0.0;
  double brightest = 0.0, brightestFrom = 0.0;
  double darkest = 0.0, darkestFrom = 0.0;
  double dropPulse = 0.0;            // over every drop, each about its own mean
  double hue = 0.0, hueSpread = 0.0; // as for a section
  FlashFigures flashes;              // over the quarter windows of every frame
};

inline constexpr double settledFrom = 30.0, settledTo = 540.0, stretchSeconds = 10.0;

// `positionRate`: the sample rate of the sections' positions and of the
// loudness readings; reading k ends at frame (k + 1) x `loudnessHop`.
ShowFigures summariseShow(const ShowRun& run, const std::vector<SectionSpan>& spans,
                          std::uint32_t positionRate, const std::vector<double>& shortTerm,
                          std::int64_t loudnessHop);

// The frames one beat of the piece apart at `fps`.
std::size_t beatFrames(int fps);

// The short-term loudness reading current at frame `frame`: the last one that
// ends at or before its moment; -inf before the first.
double loudnessAt(std::uint64_t frame, const ShowRun& run, std::uint32_t positionRate,
                  const std::vector<double>& shortTerm, std::int64_t loudnessHop);
