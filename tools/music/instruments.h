#pragma once
// How each voice of the score sounds. A note is rendered from its own start,
// so any stretch of it comes out the same whichever block it falls in.

#include <cstdint>

#include "music/score.h"

// Frames from the note's start until it has died away.
std::int64_t soundingFrames(const Note& note);

// How far the voice gives way at each kick (the pumping of the pads and
// bass): 0 not at all, 1 to silence.
double duckDepth(Voice voice);

// How much of the voice goes to the reverb and to the tempo-synced echo.
struct Sends {
  double reverb, echo;
};
Sends sendsOf(Voice voice);

// Whether the voice belongs to the low end (kick and bass), which is shaped on
// its own before it meets the rest of the mix.
bool isLowEnd(Voice voice);

// Adds the note's frames [from, to) (counted from its start) to `stereo`,
// interleaved, stereo[0] being frame `from`.
void renderNote(const Note& note, std::int64_t from, std::int64_t to, float* stereo);
