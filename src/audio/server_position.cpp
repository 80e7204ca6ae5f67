#include "audio/server_position.h"

#include <algorithm>
#include <cmath>
#include <limits>

ServerPosition::ServerPosition(std::uint32_t sampleRate, std::uint64_t tickFrequency)
    : sampleRate_(static_cast<double>(sampleRate)),
      framesPerTick_(static_cast<double>(sampleRate) / static_cast<double>(tickFrequency)),
      level_(std::numeric_limits<double>::quiet_NaN()) {}

void ServerPosition::add(double heldSeconds, std::uint64_t handedFrames, std::uint64_t ticks) {
  if (!(heldSeconds >= 0.0)) // also NaN
    return;
  const double held = std::min(heldSeconds, maxHeldSeconds) * sampleRate_;
  atZero_.add(static_cast<double>(handedFrames) - held -
              static_cast<double>(ticks) * framesPerTick_);
  level_.store(*atZero_.midhinge());
}

std::optional<double> ServerPosition::heardFrame(std::uint64_t nowTicks) const {
  const double atZero = level_.load();
  if (std::isnan(atZero))
    return std::nullopt;
  return atZero + static_cast<double>(nowTicks) * framesPerTick_;
}
