#pragma once
// A look-ahead true-peak limiter for the master: the gain comes down smoothly
// before a peak arrives and recovers slowly after it. Peaks are found between
// the samples too (at four times the rate), since a signal can swing well past
// its samples once a player or an encoder rebuilds it. Output lags input;
// finish() releases the last frames.

#include <array>
#include <cstddef>
#include <deque>
#include <vector>

class PeakLimiter {
public:
  PeakLimiter(double ceiling, std::size_t lookahead, double releaseSeconds, double sampleRate);

  // Interleaved stereo in; appends the frames that have cleared the look-ahead.
  void process(const float* in, std::size_t frames, std::vector<float>& out);
  // Appends the frames still held back.
  void finish(std::vector<float>& out);
  // Appends the gain of every frame that leaves from now on (nullptr: none).
  void logGains(std::vector<float>* gains) { gains_ = gains; }

  // The largest magnitude of the band-limited signal between frame `at` of
  // `frames` (interleaved stereo) and the next, the frame itself included;
  // frames at-5 .. at+6 must exist. For the tests as much as for the limiter.
  static double truePeak(const double* frames, std::size_t at);
  static constexpr std::size_t reach = 6; // frames needed after the one measured

private:
  void measure(double left, double right, std::vector<float>& out);
  void push(double left, double right, double peak, std::vector<float>& out);

  double ceiling_;
  std::size_t lookahead_;
  double releaseStep_;
  std::array<double, 2 * (2 * reach)> history_{}; // the last 12 frames, oldest first
  std::size_t measured_ = 0;
  std::vector<double> delayed_;                        // the last lookahead frames, stereo
  std::vector<double> recent_;                         // the last lookahead gains after release
  std::deque<std::pair<std::size_t, double>> minimum_; // falling gains in the window
  std::size_t index_ = 0;
  double released_ = 1.0;
  double recentSum_ = 0.0;
  std::vector<float>* gains_ = nullptr;
};
