#include "audio/worklet_clock.h"

#include <algorithm>
#include <cmath>

WorkletClock::WorkletClock(std::uint32_t sampleRate)
    : sampleRate_(static_cast<double>(sampleRate)) {}

std::optional<std::uint64_t> WorkletClock::audibleFrame(const WorkletReport& report,
                                                        const OutputTimestamp& output,
                                                        double nowMilliseconds) {
  // A context that has not started its output reports a time of zero.
  if (report.played == 0 || !(output.contextSeconds > 0.0) ||
      !std::isfinite(output.pageMilliseconds) || !std::isfinite(nowMilliseconds))
    return std::nullopt;
  // The output timestamp is taken at each output callback, and may name a
  // moment still to come; the output runs at the context's rate around it.
  const double since = (nowMilliseconds - output.pageMilliseconds) / 1000.0;
  const double sounding = std::floor((output.contextSeconds + since) * sampleRate_);
  const double end = static_cast<double>(report.endFrame);
  // Frames the worklet played after the one sounding now, as far as the
  // report goes back.
  const double queued = std::min(std::max(0.0, end - sounding), static_cast<double>(report.played));
  const std::uint64_t audible = report.played - static_cast<std::uint64_t>(queued);
  lastReported_ = std::max(lastReported_, audible);
  return lastReported_;
}
