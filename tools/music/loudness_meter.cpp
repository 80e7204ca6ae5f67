#include "music/loudness_meter.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <stdexcept>

namespace {

void check(int error) {
  if (error != EBUR128_SUCCESS)
    throw std::runtime_error("libebur128 failed");
}

} // namespace

LoudnessMeter::LoudnessMeter(unsigned channels, unsigned long sampleRate)
    : state_(ebur128_init(channels, sampleRate,
                          EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_S | EBUR128_MODE_M |
                              EBUR128_MODE_TRUE_PEAK)),
      channels_(channels), hop_(static_cast<std::int64_t>(sampleRate / 10)), untilHop_(hop_) {
  if (state_ == nullptr)
    throw std::runtime_error("libebur128 refused the format");
}

LoudnessMeter::~LoudnessMeter() {
  ebur128_destroy(&state_);
}

void LoudnessMeter::add(const float* frames, std::size_t count) {
  while (count > 0) {
    const std::size_t n = std::min(count, static_cast<std::size_t>(untilHop_));
    check(ebur128_add_frames_float(state_, frames, n));
    frames += n * channels_;
    count -= n;
    untilHop_ -= static_cast<std::int64_t>(n);
    if (untilHop_ == 0) {
      double loudness = 0.0;
      check(ebur128_loudness_shortterm(state_, &loudness));
      shortTerm_.push_back(loudness);
      check(ebur128_loudness_momentary(state_, &loudness));
      momentary_.push_back(loudness);
      untilHop_ = hop_;
    }
  }
}

double LoudnessMeter::integrated() const {
  double loudness = 0.0;
  check(ebur128_loudness_global(state_, &loudness));
  return loudness;
}

double LoudnessMeter::range() const {
  double range = 0.0;
  check(ebur128_loudness_range(state_, &range));
  return range;
}

double LoudnessMeter::truePeak() const {
  double peak = 0.0;
  for (unsigned c = 0; c < channels_; ++c) {
    double channelPeak = 0.0;
    check(ebur128_true_peak(state_, c, &channelPeak));
    peak = std::max(peak, channelPeak);
  }
  return peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
}

double gatedLoudness(const std::vector<double>& momentary) {
  const auto meanAbove = [&](double gate) {
    double energy = 0.0;
    int blocks = 0;
    for (const double l : momentary)
      if (std::isfinite(l) && l > gate) {
        energy += std::pow(10.0, (l + 0.691) / 10.0);
        ++blocks;
      }
    return blocks > 0 ? -0.691 + 10.0 * std::log10(energy / blocks) : -HUGE_VAL;
  };
  const double ungated = meanAbove(-70.0);
  return std::isfinite(ungated) ? meanAbove(std::max(-70.0, ungated - 10.0)) : -HUGE_VAL;
}
