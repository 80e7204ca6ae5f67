#include "music/spectral_balance.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t blockSize = 4096;
constexpr double stereoSplit = 150.0; // Hz

} // namespace

// Hann blocks overlapping by half weigh every sample alike.
SpectralBalance::SpectralBalance(double sampleRate)
    : leftTransform_(blockSize), rightTransform_(blockSize), sampleRate_(sampleRate),
      left_(blockSize), right_(blockSize) {}

void SpectralBalance::add(const float* frames, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const double l = frames[2 * i], r = frames[2 * i + 1];
    sumLeft_ += l;
    sumRight_ += r;
    sumLL_ += l * l;
    sumRR_ += r * r;
    sumLR_ += l * r;
    const double peak = std::max(std::fabs(l), std::fabs(r));
    peak_ = std::max(peak_, peak);
    clipped_ += (std::fabs(l) >= 1.0) + (std::fabs(r) >= 1.0);
    left_[filled_] = static_cast<float>(l);
    right_[filled_] = static_cast<float>(r);
    if (++filled_ == blockSize) {
      analyseBlock();
      std::copy(left_.begin() + blockSize / 2, left_.end(), left_.begin());
      std::copy(right_.begin() + blockSize / 2, right_.end(), right_.begin());
      filled_ = blockSize / 2;
    }
  }
  frames_ += static_cast<std::int64_t>(count);
}

void SpectralBalance::analyseBlock() {
  leftTransform_.transform(left_.data());
  rightTransform_.transform(right_.data());
  leftTransform_.bins(leftBins_);
  rightTransform_.bins(rightBins_);
  const double binHz = sampleRate_ / blockSize;
  for (std::size_t k = 0; k <= blockSize / 2; ++k) {
    const std::complex<float> l = leftBins_[k], r = rightBins_[k];
    const double lr = l.real(), li = l.imag(), rr = r.real(), ri = r.imag();
    const double energy = lr * lr + li * li + rr * rr + ri * ri;
    const double side = (lr - rr) * (lr - rr) + (li - ri) * (li - ri);
    const double mid = (lr + rr) * (lr + rr) + (li + ri) * (li + ri);
    const double hz = static_cast<double>(k) * binHz;
    for (std::size_t b = 0; b < balanceBands.size(); ++b)
      if (hz < balanceBands[b].high && (b == 0 || hz >= balanceBands[b].low))
        bandEnergy_[b] += energy;
    (hz < stereoSplit ? sideLow_ : sideHigh_) += side;
    (hz < stereoSplit ? midLow_ : midHigh_) += mid;
  }
}

BalanceSummary SpectralBalance::summary() const {
  BalanceSummary s;
  double total = 0.0;
  for (const double e : bandEnergy_)
    total += e;
  for (std::size_t b = 0; b < balanceBands.size(); ++b)
    s.shares[b] = total > 0.0 ? bandEnergy_[b] / total : 0.0;
  const double norm = std::sqrt(sumLL_ * sumRR_);
  s.correlation = norm > 0.0 ? sumLR_ / norm : 0.0;
  s.sideShareLow = midLow_ + sideLow_ > 0.0 ? sideLow_ / (midLow_ + sideLow_) : 0.0;
  s.sideShareHigh = midHigh_ + sideHigh_ > 0.0 ? sideHigh_ / (midHigh_ + sideHigh_) : 0.0;
  const double frames = static_cast<double>(std::max<std::int64_t>(frames_, 1));
  s.dcOffset = {sumLeft_ / frames, sumRight_ / frames};
  s.samplePeak = peak_;
  s.clippedSamples = clipped_;
  return s;
}
