#pragma once
// Photosensitive flashes in a per-frame series: a flash is a pair of opposing
// changes of at least a threshold, each from one turning point of the series
// to the next. More than three in any one second is what may set off a seizure.

#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "show/quarter_light.h"

// General flashes: changes of 0.1 in relative luminance, the darker side
// below 0.8. Red flashes: changes of 20 in redness (see rednessOf()).
inline constexpr double generalFlashStep = 0.1;
inline constexpr double generalFlashDarkerBelow = 0.8;
inline constexpr double redFlashStep = 20.0;

// The frames at which the series' transitions reach the threshold: a change
// counts once, when it gets that far from the last turning point; smaller
// wiggles are not turns. With `darkerBelow`, only transitions whose darker
// end lies below it count (a fall may get there after the threshold).
std::vector<std::size_t>
transitionFrames(std::span<const double> values, double threshold,
                 double darkerBelow = std::numeric_limits<double>::infinity());

// The second with the most flashes (whole pairs of transitions) in it, of
// `framesPerSecond` consecutive frames; the earliest of equals.
struct BusiestSecond {
  int flashes = 0;
  std::size_t first = 0; // the frame of its first transition
};
BusiestSecond busiestSecond(std::span<const std::size_t> transitions, std::size_t framesPerSecond);

struct FlashFigures {
  BusiestSecond general, red;    // over every window
  double highestLuminance = 0.0; // the brightest window of any frame
};
FlashFigures countFlashes(std::span<const FrameQuarters> frames, int fps);
