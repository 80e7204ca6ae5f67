#include "audio/audible_clock.h"

#include <algorithm>

AudibleClock::AudibleClock(std::uint32_t sampleRate, std::uint64_t tickFrequency)
    : framesPerTick_(static_cast<double>(sampleRate) / static_cast<double>(tickFrequency)),
      server_(sampleRate, tickFrequency) {}

void AudibleClock::handedOver(std::uint64_t frames, std::uint64_t ticks) {
  const std::uint64_t before = handedSoFar_;
  handedSoFar_ += frames;
  handover_.store(Handover{true, before, handedSoFar_, ticks});
}

std::optional<std::uint64_t> AudibleClock::audibleFrame(std::uint64_t nowTicks,
                                                        std::uint32_t latencyFrames) {
  const Handover latest = handover_.load();
  if (!latest.started)
    return std::nullopt;

  std::uint64_t audible = 0;
  if (const std::optional<double> heard = server_.heardFrame(nowTicks)) {
    const double within = std::clamp(*heard, 0.0, static_cast<double>(latest.handedAfter));
    audible = static_cast<std::uint64_t>(within);
  } else {
    const std::uint64_t ticksSince =
        nowTicks > latest.callbackTicks ? nowTicks - latest.callbackTicks : 0;
    // The limit keeps the conversion in range however long the callbacks stop.
    const double framesSince = std::min(static_cast<double>(ticksSince) * framesPerTick_,
                                        static_cast<double>(latest.handedAfter));
    const std::uint64_t played = latest.handedBefore + static_cast<std::uint64_t>(framesSince);
    const std::uint64_t estimate = std::min(played, latest.handedAfter);
    audible = estimate > latencyFrames ? estimate - latencyFrames : 0;
  }

  lastReported_ = std::max(lastReported_, audible);
  return lastReported_;
}

std::uint64_t AudibleClock::framesHandedOver() const {
  return handover_.load().handedAfter;
}

void AudibleClock::serverHeld(double heldSeconds, std::uint64_t ticks) {
  server_.add(heldSeconds, handover_.load().handedAfter, ticks);
}
