#include "music/space_effects.h"

#include <cmath>
#include <numbers>

namespace {

// Mutually prime lengths near 30-60 ms, so the echoes never line up.
constexpr std::array<std::size_t, 8> lineLengths{1327, 1559, 1741, 1913, 2113, 2287, 2437, 2621};
constexpr double preDelaySeconds = 0.02;
constexpr double lowCutHz = 250.0;   // the low end stays dry and mono
constexpr double dampingHz = 6000.0; // the tail darkens as it dies

float onePole(double hz, double rate) {
  return static_cast<float>(1.0 - std::exp(-2.0 * std::numbers::pi * hz / rate));
}

} // namespace

Reverb::Reverb(double seconds, double sampleRate)
    : preDelay_(static_cast<std::size_t>(preDelaySeconds * sampleRate)),
      lowCut_(onePole(lowCutHz, sampleRate)), damping_(onePole(dampingHz, sampleRate)) {
  for (std::size_t i = 0; i < lines; ++i) {
    delay_[i].assign(lineLengths[i], 0.0f);
    // Each pass through a line loses its share of 60 dB over `seconds`.
    feedback_[i] = static_cast<float>(
        std::pow(10.0, -3.0 * static_cast<double>(lineLengths[i]) / (seconds * sampleRate)));
  }
}

void Reverb::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  float in = preDelay_[preAt_];
  preDelay_[preAt_] = 0.5f * (inLeft + inRight);
  if (++preAt_ == preDelay_.size())
    preAt_ = 0;
  lowCutState_ += lowCut_ * (in - lowCutState_);
  in -= lowCutState_;

  std::array<float, lines> taps{};
  float sum = 0.0f;
  for (std::size_t i = 0; i < lines; ++i) {
    taps[i] = delay_[i][at_[i]];
    sum += taps[i];
  }
  // Householder feedback: every line feeds every other, energy kept.
  const float mix = 2.0f / static_cast<float>(lines) * sum;
  for (std::size_t i = 0; i < lines; ++i) {
    const float fed = (taps[i] - mix) * feedback_[i];
    damped_[i] += damping_ * (fed - damped_[i]);
    delay_[i][at_[i]] = damped_[i] + (i % 2 == 0 ? in : -in);
    // A compare, not a division, in the master's one serial loop.
    if (++at_[i] == delay_[i].size())
      at_[i] = 0;
  }
  outLeft += 0.5f * (taps[0] - taps[2] + taps[4] - taps[6]);
  outRight += 0.5f * (taps[1] - taps[3] + taps[5] - taps[7]);
}

PingPongEcho::PingPongEcho(double delaySeconds, double feedback, double sampleRate)
    : left_(static_cast<std::size_t>(std::lround(delaySeconds * sampleRate))), right_(left_.size()),
      feedback_(static_cast<float>(feedback)), tone_(onePole(3500.0, sampleRate)) {}

void PingPongEcho::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  const float fromLeft = left_[at_], fromRight = right_[at_];
  // Each repeat crosses to the other side and loses some top.
  toneLeft_ += tone_ * (fromRight - toneLeft_);
  toneRight_ += tone_ * (fromLeft - toneRight_);
  left_[at_] = 0.5f * (inLeft + inRight) + feedback_ * toneLeft_;
  right_[at_] = feedback_ * toneRight_;
  if (++at_ == left_.size())
    at_ = 0;
  outLeft += fromLeft;
  outRight += fromRight;
}
