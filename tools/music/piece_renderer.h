#pragma once
// Turns the score into sound, one independent stretch at a time, so that
// stretches can be rendered on several threads and still join seamlessly.
// What rings on past the piece's end sounds again at its start, so the file
// loops without a seam.

#include <cstdint>
#include <vector>

#include "music/score.h"

// One stretch as the mixer hands it to the master: the dry mix and what is
// sent on to the reverb and to the echo, each interleaved stereo.
struct MixBuses {
  std::vector<float> dry, reverb, echo;
  explicit MixBuses(std::size_t frames) : dry(2 * frames), reverb(2 * frames), echo(2 * frames) {}
  std::size_t frames() const { return dry.size() / 2; }
};

class PieceRenderer {
public:
  explicit PieceRenderer(const Score& score);
  // `frames` frames from frame `start` of the piece.
  MixBuses render(std::int64_t start, std::int64_t frames) const;

private:
  const Score& score_;
  std::int64_t tailReach_ = 0; // no note rings longer than this after its start
};
