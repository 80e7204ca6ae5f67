#pragma once
// The output's latency from what a sound server says about our stream: the
// frames it holds, buffered and in the sink, ahead of the newest one written.
//
// SDL writes each buffer to the server piece by piece as the server asks for
// more; the audible clock counts the written frames as running straight at the
// playing rate from each callback. What the server holds saws down as it plays
// and up by a piece at each write, and readings come at any moment of that,
// so the estimate is their median: the level midway between writes. That puts
// the clock about half a piece (a few milliseconds) ahead of the sound, less
// than a frame takes from its spectrum request to the screen. A few wild
// readings do not move the median; a change of the server's buffering does,
// within half the readings kept.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class OutputLatency {
public:
  static constexpr std::size_t readingsKept = 31;
  // More than any real output holds; the sample history keeps more than this.
  static constexpr double maxSeconds = 1.0;

  explicit OutputLatency(std::uint32_t sampleRate);

  // One reading, in seconds. False for one no output can have (negative, not
  // a number), which is left out; longer ones count as maxSeconds.
  bool add(double seconds);

  // Nothing before the first reading.
  std::optional<std::uint32_t> latencyFrames() const;

private:
  const double sampleRate_;
  std::array<double, readingsKept> recent_{};
  std::size_t count_ = 0;
  std::size_t next_ = 0;
};
