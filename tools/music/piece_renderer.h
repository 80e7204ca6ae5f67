#pragma once
// Turns the score into sound, one independent stretch at a time, so that
// stretches can be rendered on several threads and still join seamlessly.

#include <cstdint>

#include "music/score.h"

class PieceRenderer {
public:
  explicit PieceRenderer(const Score& score) : score_(score) {}
  // `frames` interleaved stereo frames from frame `start` of the piece.
  void render(std::int64_t start, std::int64_t frames, float* stereo) const;

private:
  const Score& score_;
};
