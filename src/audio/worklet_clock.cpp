#include "audio/worklet_clock.h"

#include <algorithm>
#include <cmath>

WorkletClock::WorkletClock(std::uint32_t sampleRate)
    : sampleRate_(static_cast<double>(sampleRate)) {}

std::optional<std::uint64_t> WorkletClock::audibleFrame(const WorkletReport& report,
                                                        const OutputTimestamp& output,
                                                        double nowMilliseconds) {
  // A context that has not started its output reports a time of zero.
  if (output.contextSeconds > 0.0 && std::isfinite(output.pageMilliseconds) &&
      (output.contextSeconds != lastStamp_.contextSeconds ||
       output.pageMilliseconds != lastStamp_.pageMilliseconds)) {
    // Each stamp once: it is repeated until the next output callback.
    lastStamp_ = output;
    origins_.add(output.pageMilliseconds - output.contextSeconds * 1000.0);
  }
  const std::optional<double> origin = origins_.median();
  if (report.played == 0 || !origin || !std::isfinite(nowMilliseconds))
    return std::nullopt;
  // The output runs at the context's rate from the moment its time zero sounded.
  const double sounding = std::floor((nowMilliseconds - *origin) / 1000.0 * sampleRate_);
  const double endFrame = static_cast<double>(report.endFrame);
  // Frames the worklet played after the one sounding now, as far as the
  // report goes back.
  const double queued =
      std::min(std::max(0.0, endFrame - sounding), static_cast<double>(report.played));
  const std::uint64_t audible = report.played - static_cast<std::uint64_t>(queued);
  lastReported_ = std::max(lastReported_, audible);
  return lastReported_;
}
