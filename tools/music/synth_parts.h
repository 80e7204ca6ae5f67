#pragma once
// Small building blocks of the synthesiser: an integer-seeded random source,
// hashed noise, band-limited oscillators and a state-variable filter.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "driver/show_timing.h"

inline constexpr double sampleRate = outputFrequency;

// SplitMix64: the whole piece follows from one integer seed, never from the clock.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= result < count
  int below(int count) { return static_cast<int>(next() % static_cast<std::uint64_t>(count)); }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  bool chance(double p) { return unit() < p; }

private:
  std::uint64_t state_;
};

// White noise in [-1, 1) as a pure function of (seed, index), so that any
// stretch of a note can be rendered on its own.
inline double hashNoise(std::uint64_t seed, std::uint64_t index) {
  Random r(seed * 0x100000001B3ull ^ index);
  return static_cast<double>(r.next() >> 11) * 0x1.0p-52 - 1.0;
}

inline double midiFrequency(double note) {
  return 440.0 * std::exp2((note - 69.0) / 12.0);
}

// Naive saw with its step smoothed (polyBLEP), so high notes do not alias harshly.
class SawOscillator {
public:
  explicit SawOscillator(double startPhase = 0.0) : phase_(startPhase) {}
  double next(double frequency) {
    const double step = frequency / sampleRate;
    double value = 2.0 * phase_ - 1.0 - blep(phase_, step);
    phase_ += step;
    if (phase_ >= 1.0)
      phase_ -= 1.0;
    return value;
  }

private:
  static double blep(double t, double dt) {
    if (t < dt) {
      t /= dt;
      return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
      t = (t - 1.0) / dt;
      return t * t + t + t + 1.0;
    }
    return 0.0;
  }
  double phase_;
};

// One-pole high-pass a few hertz up: takes out any offset the mix carries.
class DcBlocker {
public:
  double process(double in) {
    const double out = in - previousIn_ + pole_ * previousOut_;
    previousIn_ = in;
    previousOut_ = out;
    return out;
  }

private:
  static constexpr double pole_ = 1.0 - 2.0 * std::numbers::pi * 5.0 / sampleRate;
  double previousIn_ = 0.0, previousOut_ = 0.0;
};

// Two-pole Butterworth low-pass (bilinear transform): the master keeps nothing
// above the band the encoder keeps, so encoding cannot move its peaks much.
class MasterLowPass {
public:
  explicit MasterLowPass(double cutoff) {
    const double k = std::tan(std::numbers::pi * cutoff / sampleRate);
    const double norm = 1.0 / (1.0 + std::numbers::sqrt2 * k + k * k);
    b0_ = k * k * norm;
    a1_ = 2.0 * (k * k - 1.0) * norm;
    a2_ = (1.0 - std::numbers::sqrt2 * k + k * k) * norm;
  }
  double process(double in) {
    const double out = b0_ * (in + 2.0 * x1_ + x2_) - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = in;
    y2_ = y1_;
    y1_ = out;
    return out;
  }

private:
  double b0_, a1_, a2_;
  double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

// Zero-delay-feedback state-variable filter (trapezoidal integration): stable
// under fast cutoff sweeps.
class StateVariableFilter {
public:
  struct Outputs {
    double low, band, high;
  };
  void setCutoff(double frequency, double resonance) {
    const double f = std::clamp(frequency, 20.0, 0.45 * sampleRate);
    g_ = std::tan(std::numbers::pi * f / sampleRate);
    k_ = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.95);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
  }
  Outputs process(double in) {
    const double v3 = in - ic2_;
    const double v1 = a1_ * ic1_ + g_ * a1_ * v3;
    const double v2 = ic2_ + g_ * v1;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, in - k_ * v1 - v2};
  }

private:
  double g_ = 0.1, k_ = 1.4, a1_ = 1.0;
  double ic1_ = 0.0, ic2_ = 0.0;
};
