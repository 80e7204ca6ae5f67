#include "music/master_chain.h"

#include <algorithm>

#include "music/score.h"

namespace {

// True peaks stay 3.6 dB under full scale before encoding: the encoder adds
// up to about 3 dB of its own to the bright top.
constexpr double limiterCeiling = 0.66;
constexpr double masterTop = 18000.0;         // Hz, under the encoder's own cut-off
constexpr std::size_t limiterLookahead = 220; // 5 ms
constexpr double limiterRelease = 0.05;       // seconds
constexpr double reverbSeconds = 2.0;
constexpr double echoSteps = 3.0; // a dotted eighth
constexpr double echoFeedback = 0.38;

} // namespace

MasterChain::MasterChain(bool limit)
    : limit_(limit), reverb_(reverbSeconds, sampleRate),
      echo_(echoSteps * stepFrames / sampleRate, echoFeedback, sampleRate),
      lowPasses_{MasterLowPass(masterTop), MasterLowPass(masterTop)},
      limiter_(limiterCeiling, limiterLookahead, limiterRelease, sampleRate) {}

void MasterChain::process(const MixBuses& buses, std::vector<float>& out) {
  const std::size_t frames = buses.frames();
  mixed_.resize(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    float left = buses.dry[2 * i], right = buses.dry[2 * i + 1];
    float echoLeft = 0.0f, echoRight = 0.0f;
    echo_.process(buses.echo[2 * i], buses.echo[2 * i + 1], echoLeft, echoRight);
    // The echoes sit in the room too.
    reverb_.process(buses.reverb[2 * i] + 0.3f * echoLeft,
                    buses.reverb[2 * i + 1] + 0.3f * echoRight, left, right);
    left += echoLeft;
    right += echoRight;
    mixed_[2 * i] = static_cast<float>(lowPasses_[0].process(dcBlockers_[0].process(left)));
    mixed_[2 * i + 1] = static_cast<float>(lowPasses_[1].process(dcBlockers_[1].process(right)));
  }
  if (!limit_) {
    emit(mixed_, out);
    return;
  }
  produced_.clear();
  limiter_.process(mixed_.data(), frames, produced_);
  emit(produced_, out);
}

void MasterChain::finish(std::vector<float>& out) {
  if (!limit_)
    return;
  produced_.clear();
  limiter_.finish(produced_);
  emit(produced_, out);
}

void MasterChain::emit(std::vector<float>& produced, std::vector<float>& out) {
  const std::size_t dropped = std::min(skip_, produced.size() / 2);
  skip_ -= dropped;
  out.insert(out.end(), produced.begin() + static_cast<std::ptrdiff_t>(2 * dropped),
             produced.end());
}
