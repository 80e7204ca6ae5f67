#pragma once
// The line a capture keeps up to date on a terminal: frames done of the
// total, frames per second and the time left. Silent when told so.

#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressLine {
public:
  ProgressLine(std::FILE* stream, bool shown, std::uint64_t total);
  // Redraws at most a few times a second.
  void update(std::uint64_t done);
  // Leaves the line as it is and moves to the next one.
  void end();

private:
  using Clock = std::chrono::steady_clock;

  std::FILE* stream_;
  bool shown_;
  std::uint64_t total_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastDrawn_{};
  bool drawn_ = false;
};
