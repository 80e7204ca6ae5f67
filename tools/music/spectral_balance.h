#pragma once
// Where a stereo stream's energy lies: shares of frequency bands, how wide the
// stereo image is below and above 150 Hz, the DC offset and clipped samples.

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/real_transform.h"

struct Band {
  const char* name;
  double low, high; // Hz; the lowest band takes everything down to 0 Hz
};
inline constexpr std::array<Band, 5> balanceBands{{{"below 60 Hz", 0.0, 60.0},
                                                   {"60-250 Hz", 60.0, 250.0},
                                                   {"250-2000 Hz", 250.0, 2000.0},
                                                   {"2-6 kHz", 2000.0, 6000.0},
                                                   {"6-20 kHz", 6000.0, 20000.0}}};

struct BalanceSummary {
  std::array<double, balanceBands.size()> shares{}; // of all energy, 0..1
  double correlation = 0.0;                         // of left and right, -1..1
  double sideShareLow = 0.0;                        // side (L-R) energy share below 150 Hz, 0 mono
  double sideShareHigh = 0.0;                       // the same above 150 Hz
  std::array<double, 2> dcOffset{};
  double samplePeak = 0.0;         // largest magnitude
  std::int64_t clippedSamples = 0; // at or beyond full scale
};

class SpectralBalance {
public:
  explicit SpectralBalance(double sampleRate);

  // Interleaved stereo frames.
  void add(const float* frames, std::size_t count);
  BalanceSummary summary() const;

private:
  void analyseBlock();

  RealTransform leftTransform_, rightTransform_;
  std::vector<std::complex<float>> leftBins_, rightBins_;
  double sampleRate_;
  std::vector<float> left_, right_; // the current block, half of it carried over
  std::size_t filled_ = 0;
  std::array<double, balanceBands.size()> bandEnergy_{};
  double midLow_ = 0.0, sideLow_ = 0.0, midHigh_ = 0.0, sideHigh_ = 0.0;
  double sumLeft_ = 0.0, sumRight_ = 0.0, sumLL_ = 0.0, sumRR_ = 0.0, sumLR_ = 0.0;
  std::int64_t frames_ = 0;
  double peak_ = 0.0;
  std::int64_t clipped_ = 0;
};
