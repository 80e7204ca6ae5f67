#pragma once
// Where the listener is, from what a sound server says it holds of our
// stream (buffered and in the sink). Each reading, taken with the frames
// handed over by then and the time, places the frame being heard at that
// moment; from there it runs at the playing rate. That does not depend on
// when the callbacks come (SDL hands the server whole buffers as it asks for
// more, in pairs as often as not). The server takes our frames in blocks,
// so the readings swing between two levels by where in a block they fall,
// in a proportion that drifts: the estimate is the middle of the swing, the
// midhinge of the last readings. Fewer than a quarter of wild readings (an
// answer delayed past a write) do not move it; a change of the server's
// buffering does, within three quarters of the readings kept. Written by one
// thread, read by another.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "audio/recent_values.h"

class ServerPosition {
public:
  static constexpr std::size_t readingsKept = 31;
  // More than any real output holds; the sample history keeps more than this.
  static constexpr double maxHeldSeconds = 3.0;

  ServerPosition(std::uint32_t sampleRate, std::uint64_t tickFrequency);

  // The server held `heldSeconds` at `ticks`, when `handedFrames` had been
  // handed over. A reading no output can give (negative, not a number) is
  // left out; longer ones count as maxHeldSeconds.
  void add(double heldSeconds, std::uint64_t handedFrames, std::uint64_t ticks);

  // The frame heard at `nowTicks` (may be negative or past what was handed
  // over); nothing before the first reading.
  std::optional<double> heardFrame(std::uint64_t nowTicks) const;

private:
  const double sampleRate_;
  const double framesPerTick_;
  // The frame heard at tick 0 by each reading; the writer's alone.
  RecentValues<readingsKept> atZero_;
  std::atomic<double> level_; // the midhinge, published for the reader
  static_assert(std::atomic<double>::is_always_lock_free);
};
