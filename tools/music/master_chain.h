#pragma once
// The master, in order over the whole piece: the reverb and echo returns
// joined to the dry mix, an offset blocker, a low-pass under the encoder's
// cut-off and the true-peak limiter. Output lags input by the limiter's
// look-ahead; finish() releases the rest.

#include <array>
#include <cstddef>
#include <vector>

#include "music/peak_limiter.h"
#include "music/piece_renderer.h"
#include "music/space_effects.h"
#include "music/synth_parts.h"

class MasterChain {
public:
  // `limit` false leaves the limiter out, for measuring parts of the mix.
  explicit MasterChain(bool limit = true);

  void process(const MixBuses& buses, std::vector<float>& out);
  void finish(std::vector<float>& out);
  // The next `frames` output frames are dropped: a pre-roll that only sets
  // the effects' state.
  void skip(std::size_t frames) { skip_ += frames; }
  // The limiter's gain for every frame that leaves it, skipped ones included.
  void logGains(std::vector<float>* gains) { limiter_.logGains(gains); }

private:
  void emit(std::vector<float>& produced, std::vector<float>& out);

  bool limit_;
  Reverb reverb_;
  PingPongEcho echo_;
  std::array<DcBlocker, 2> dcBlockers_{};
  std::array<MasterLowPass, 2> lowPasses_;
  PeakLimiter limiter_;
  std::vector<float> mixed_, produced_;
  std::size_t skip_ = 0;
};
