#pragma once
// Where in the stream the listener is now, on a web page: from what the
// AudioWorklet has actually played and the audio context's own output
// timestamp. The worklet reports how many stream frames it has played and the
// context frame just after the last of them; the context says which of its
// frames the output is sounding at a given moment of the page's clock. What
// was handed over but is still queued counts for nothing, so the estimate
// never runs ahead of the sound, and it never moves backwards.
//
// Each timestamp gives the moment of the page's clock at which the context's
// time zero sounds; a browser's timestamps now and then miss by tens of
// milliseconds, so the clock takes the median of the recent ones, as the
// desktop's ServerPosition does with a sound server's readings.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/recent_values.h"

struct WorkletReport {
  std::uint64_t played = 0;   // stream frames the worklet has played
  std::uint64_t endFrame = 0; // the context frame after the last of them
};

struct OutputTimestamp {
  double contextSeconds = 0.0;   // the context time the output is sounding...
  double pageMilliseconds = 0.0; // ... at this moment of the page's clock
};

class WorkletClock {
public:
  static constexpr std::size_t stampsKept = 31;

  explicit WorkletClock(std::uint32_t sampleRate);

  // The index of the first stream frame not yet audible at `nowMilliseconds`,
  // or nothing before anything has been played or while the output has not
  // said where it is.
  std::optional<std::uint64_t> audibleFrame(const WorkletReport& report,
                                            const OutputTimestamp& output, double nowMilliseconds);

private:
  const double sampleRate_;
  std::uint64_t lastReported_ = 0;
  // Page milliseconds at which context time zero sounds, by stamp.
  RecentValues<stampsKept> origins_;
  OutputTimestamp lastStamp_{};
};
