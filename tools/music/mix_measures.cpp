#include "music/mix_measures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

#include "audio/real_transform.h"
#include "music/factor_statistics.h"

namespace {

constexpr std::size_t blockSize = 4096;
// Envelopes are 5 ms of power; below 100 Hz that is less than a period, so the
// sub band takes one period of the kick's 43 Hz fundamental, over which its
// squared ripple cancels and the envelope shows the kick's own shape.
constexpr double windowMs = 5.0;
constexpr double subWindowMs = 1000.0 / 43.066;

double decibels(double ratio) {
  return ratio > 0.0 ? 10.0 * std::log10(ratio) : -HUGE_VAL;
}

// A second-order section (RBJ's cookbook), run in double.
class Biquad {
public:
  Biquad(double hz, double rate, bool highPass, double q) {
    const double w = 2.0 * std::numbers::pi * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    const double edge = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
    b0_ = edge / a0;
    b1_ = (highPass ? -2.0 : 2.0) * edge / a0;
    b2_ = edge / a0;
    a1_ = -2.0 * c / a0;
    a2_ = (1.0 - alpha) / a0;
  }

  template <typename It> void run(It begin, It end) const {
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (It i = begin; i != end; ++i) {
      const double x = *i;
      const double y = b0_ * x + b1_ * x1 + b2_ * x2 - a1_ * y1 - a2_ * y2;
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = y;
      *i = y;
    }
  }

private:
  double b0_, b1_, b2_, a1_, a2_;
};

// The mean power, over the listed beats, of `windowMs` centred on each
// millisecond of the beat; `sum` holds the running sum of the band's squares
// from `origin`.
std::vector<double> folded(const std::vector<double>& sum, std::int64_t origin, double rate,
                           const std::vector<std::int64_t>& beats, std::size_t points,
                           double lengthMs) {
  std::vector<double> fold(points, 0.0);
  if (beats.empty())
    return fold;
  const double ms = rate / 1000.0;
  const auto half = std::max<std::int64_t>(1, std::llround(lengthMs / 2.0 * ms));
  const auto last = static_cast<std::int64_t>(sum.size()) - 1;
  for (const std::int64_t beat : beats)
    for (std::size_t j = 0; j < points; ++j) {
      const std::int64_t centre = beat - origin + std::llround(static_cast<double>(j) * ms);
      const std::int64_t from = std::clamp<std::int64_t>(centre - half, 0, last);
      const std::int64_t to = std::clamp<std::int64_t>(centre + half, 0, last);
      fold[j] += (sum[static_cast<std::size_t>(to)] - sum[static_cast<std::size_t>(from)]) /
                 static_cast<double>(2 * half);
    }
  for (double& v : fold)
    v /= static_cast<double>(beats.size());
  return fold;
}

// The median of a fold over [60 %, 95 %) of the beat: the level between kicks.
double between(const std::vector<double>& fold) {
  const auto from = static_cast<std::ptrdiff_t>(0.6 * static_cast<double>(fold.size()));
  const auto to = static_cast<std::ptrdiff_t>(0.95 * static_cast<double>(fold.size()));
  return percentile(std::vector<float>(fold.begin() + from, fold.begin() + to), 0.5);
}

} // namespace

std::vector<double> bandPassed(const std::vector<double>& signal, double rate, double lowHz,
                               double highHz, bool steep) {
  std::vector<double> out = signal;
  std::vector<Biquad> sections;
  // Butterworth's section Qs, fourth and eighth order.
  constexpr std::array<double, 2> fourth{0.5412, 1.3066};
  constexpr std::array<double, 4> eighth{0.5098, 0.6013, 0.9000, 2.5629};
  for (const double q : steep ? std::vector<double>(eighth.begin(), eighth.end())
                              : std::vector<double>(fourth.begin(), fourth.end())) {
    sections.emplace_back(lowHz, rate, true, q);
    sections.emplace_back(highHz, rate, false, q);
  }
  for (const Biquad& section : sections)
    section.run(out.begin(), out.end());
  for (const Biquad& section : sections)
    section.run(out.rbegin(), out.rend());
  return out;
}

double StretchSpectrum::bandPower(double lowHz, double highHz) const {
  double sum = 0.0;
  for (std::size_t k = 0; k < left.size(); ++k) {
    const double hz = static_cast<double>(k) * binHz;
    if (hz >= lowHz && hz < highHz)
      sum += left[k] + right[k];
  }
  return sum;
}

double StretchSpectrum::totalPower() const {
  double sum = 0.0;
  for (std::size_t k = 0; k < left.size(); ++k)
    sum += left[k] + right[k];
  return sum;
}

double StretchSpectrum::share(double lowHz, double highHz) const {
  const double total = totalPower();
  return total > 0.0 ? bandPower(lowHz, highHz) / total : 0.0;
}

StretchSpectrum stretchSpectrum(const std::vector<float>& interleaved, double rate,
                                std::int64_t from, std::int64_t to) {
  StretchSpectrum s;
  s.binHz = rate / static_cast<double>(blockSize);
  s.left.assign(blockSize / 2 + 1, 0.0);
  s.right.assign(blockSize / 2 + 1, 0.0);
  s.cross.assign(blockSize / 2 + 1, 0.0);
  const auto frames = static_cast<std::int64_t>(interleaved.size() / 2);
  from = std::clamp<std::int64_t>(from, 0, frames);
  to = std::clamp<std::int64_t>(to, from, frames);
  if (to == from)
    return s;
  RealTransform left(blockSize), right(blockSize);
  const auto size = static_cast<std::int64_t>(blockSize);
  std::vector<std::complex<float>> l, r;
  int blocks = 0;
  for (std::int64_t start = from; blocks == 0 || start + size <= to; start += size / 2, ++blocks) {
    for (std::size_t n = 0; n < blockSize; ++n) {
      const std::int64_t i = start + static_cast<std::int64_t>(n);
      const bool inside = i < to;
      left.input()[n] = inside ? interleaved[2 * static_cast<std::size_t>(i)] : 0.0f;
      right.input()[n] = inside ? interleaved[2 * static_cast<std::size_t>(i) + 1] : 0.0f;
    }
    left.transform();
    right.transform();
    left.bins(l);
    right.bins(r);
    for (std::size_t k = 0; k < s.left.size(); ++k) {
      const double lr = l[k].real(), li = l[k].imag(), rr = r[k].real(), ri = r[k].imag();
      s.left[k] += lr * lr + li * li;
      s.right[k] += rr * rr + ri * ri;
      s.cross[k] += lr * rr + li * ri;
    }
  }
  for (std::vector<double>* v : {&s.left, &s.right, &s.cross})
    for (double& x : *v)
      x /= blocks;
  return s;
}

double spectralSlope(const StretchSpectrum& spectrum, double fromHz, double toHz) {
  std::vector<double> xs, ys;
  for (int k = 0;; ++k) {
    const double centre = 1000.0 * std::exp2(k / 3.0);
    if (centre < fromHz * 0.99)
      continue;
    if (centre > toHz * 1.01)
      break;
    const double low = centre * std::exp2(-1.0 / 6.0), high = centre * std::exp2(1.0 / 6.0);
    double sum = 0.0;
    int bins = 0;
    for (std::size_t b = 0; b < spectrum.left.size(); ++b) {
      const double hz = static_cast<double>(b) * spectrum.binHz;
      if (hz >= low && hz < high) {
        sum += spectrum.left[b] + spectrum.right[b];
        ++bins;
      }
    }
    if (bins == 0 || sum <= 0.0)
      continue;
    xs.push_back(std::log2(centre));
    ys.push_back(decibels(sum / bins));
  }
  if (xs.size() < 2)
    return 0.0;
  double mx = 0.0, my = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    mx += xs[i];
    my += ys[i];
  }
  mx /= static_cast<double>(xs.size());
  my /= static_cast<double>(xs.size());
  double sxy = 0.0, sxx = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    sxy += (xs[i] - mx) * (ys[i] - my);
    sxx += (xs[i] - mx) * (xs[i] - mx);
  }
  return sxy / sxx;
}

StretchSpectrum::Sums StretchSpectrum::sums(double lowHz, double highHz) const {
  Sums s;
  for (std::size_t k = 0; k < left.size(); ++k) {
    const double hz = static_cast<double>(k) * binHz;
    if (hz >= lowHz && hz < highHz) {
      s.left += left[k];
      s.right += right[k];
      s.cross += cross[k];
    }
  }
  return s;
}

BandStereo bandStereo(const StretchSpectrum& spectrum, double lowHz, double highHz) {
  const StretchSpectrum::Sums band = spectrum.sums(lowHz, highHz);
  const double ll = band.left, rr = band.right, lr = band.cross;
  BandStereo s;
  if (ll > 0.0 && rr > 0.0)
    s.correlation = lr / std::sqrt(ll * rr);
  // |L + R|^2 / 4 against (|L|^2 + |R|^2) / 2.
  const double mono = (ll + rr + 2.0 * lr) / 4.0;
  if (ll + rr > 0.0)
    s.monoLoss = mono > 0.0 ? -decibels(mono / ((ll + rr) / 2.0)) : HUGE_VAL;
  return s;
}

KickFigures measureKick(const std::vector<float>& mono, double rate,
                        const std::vector<std::int64_t>& beats,
                        const std::vector<std::int64_t>& clickBeats, double beatFrames) {
  KickFigures k;
  if (beats.empty())
    return k;
  // The stretch the beats cover, with a margin for the filters to settle.
  const auto margin = static_cast<std::int64_t>(rate / 2);
  const auto frames = static_cast<std::int64_t>(mono.size());
  const std::int64_t from =
      std::clamp<std::int64_t>(*std::min_element(beats.begin(), beats.end()) - margin, 0, frames);
  const std::int64_t to = std::clamp<std::int64_t>(*std::max_element(beats.begin(), beats.end()) +
                                                       std::llround(beatFrames) + margin,
                                                   from, frames);
  const std::vector<double> stretch(mono.begin() + from, mono.begin() + to);
  const auto points = static_cast<std::size_t>(beatFrames / (rate / 1000.0));
  auto fold = [&](double lowHz, double highHz, const std::vector<std::int64_t>& over,
                  double lengthMs) {
    const std::vector<double> band = bandPassed(stretch, rate, lowHz, highHz);
    std::vector<double> sum(band.size() + 1, 0.0);
    for (std::size_t i = 0; i < band.size(); ++i)
      sum[i + 1] = sum[i] + band[i] * band[i];
    return folded(sum, from, rate, over, points, lengthMs);
  };
  const std::size_t early = std::min<std::size_t>(150, points);
  const std::vector<double> sub = fold(25.0, 100.0, beats, subWindowMs);
  const auto peak = std::max_element(sub.begin(), sub.begin() + static_cast<std::ptrdiff_t>(early));
  k.subOverFloor = decibels(*peak / between(sub));
  k.subPeakMs = static_cast<double>(peak - sub.begin());
  if (!clickBeats.empty()) {
    const std::vector<double> click = fold(2000.0, 8000.0, clickBeats, windowMs);
    k.clickOverFloor =
        decibels(*std::max_element(click.begin(), click.begin() + 16) / between(click));
  }
  const std::vector<double> body = fold(300.0, 2000.0, beats, windowMs);
  k.pump =
      decibels(between(body) /
               *std::min_element(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(early)));
  return k;
}

KickBody measureKickBody(const std::vector<float>& mono, double rate,
                         const std::vector<std::int64_t>& beats, double beatFrames) {
  KickBody k;
  const auto frames = static_cast<std::int64_t>(mono.size());
  const auto length = static_cast<std::int64_t>(beatFrames);
  std::vector<std::int64_t> whole;
  for (const std::int64_t beat : beats)
    if (beat >= 0 && beat + length <= frames)
      whole.push_back(beat);
  if (whole.empty() || length < 2)
    return k;
  std::vector<double> average(static_cast<std::size_t>(length), 0.0);
  for (const std::int64_t beat : whole)
    for (std::int64_t j = 0; j < length; ++j)
      average[static_cast<std::size_t>(j)] += mono[static_cast<std::size_t>(beat + j)];
  // The body after the pitch's sweep: 15-115 ms, Hann-windowed, read on a
  // fine grid of frequencies between 30 and 100 Hz.
  const auto first = std::min<std::int64_t>(length - 1, std::llround(0.015 * rate));
  const auto last = std::min<std::int64_t>(length, std::llround(0.115 * rate));
  double loudest = -1.0;
  for (double hz = 30.0; hz <= 100.0; hz += 0.05) {
    double re = 0.0, im = 0.0;
    for (std::int64_t j = first; j < last; ++j) {
      const double w =
          0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(j - first) /
                               static_cast<double>(last - first));
      const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(j) / rate;
      re += w * average[static_cast<std::size_t>(j)] * std::cos(phase);
      im -= w * average[static_cast<std::size_t>(j)] * std::sin(phase);
    }
    if (re * re + im * im > loudest) {
      loudest = re * re + im * im;
      k.pitchHz = hz;
    }
  }

  const auto margin = static_cast<std::int64_t>(rate / 2);
  const std::int64_t from = std::max<std::int64_t>(0, whole.front() - margin);
  const std::int64_t to = std::min(frames, whole.back() + length + margin);
  const std::vector<double> band =
      bandPassed(std::vector<double>(mono.begin() + from, mono.begin() + to), rate,
                 0.85 * k.pitchHz, 1.15 * k.pitchHz, true);
  std::vector<double> sum(band.size() + 1, 0.0);
  for (std::size_t i = 0; i < band.size(); ++i)
    sum[i + 1] = sum[i] + band[i] * band[i];
  // Only the beats a kick sounds on: their band's first 60 ms within 10 dB of
  // the loudest beats'.
  const auto early = std::llround(0.06 * rate);
  std::vector<float> starts;
  starts.reserve(whole.size());
  for (const std::int64_t beat : whole)
    starts.push_back(static_cast<float>(sum[static_cast<std::size_t>(beat - from + early)] -
                                        sum[static_cast<std::size_t>(beat - from)]));
  const double strong = 0.1 * percentile(starts, 0.9);
  std::vector<std::int64_t> kicked;
  for (std::size_t b = 0; b < whole.size(); ++b)
    if (starts[b] >= strong)
      kicked.push_back(whole[b]);
  const auto points = static_cast<std::size_t>(beatFrames / (rate / 1000.0));
  const std::vector<double> envelope = folded(sum, from, rate, kicked, points, 1000.0 / k.pitchHz);
  const std::size_t reach = std::min<std::size_t>(150, points);
  const auto peak =
      std::max_element(envelope.begin(), envelope.begin() + static_cast<std::ptrdiff_t>(reach));
  k.offBeatUnderPeak = -decibels(envelope[points / 2] / *peak);

  const auto fallen =
      std::find_if(peak, envelope.end(), [&](double v) { return v <= 0.01 * *peak; });
  k.fallMs = static_cast<double>(fallen - envelope.begin());
  return k;
}

std::vector<double> barBandProfile(const std::vector<float>& interleaved, double rate,
                                   const std::vector<std::int64_t>& barStarts) {
  constexpr std::array<double, 7> edges{0.0, 60.0, 250.0, 1000.0, 3000.0, 8000.0, 20000.0};
  constexpr std::size_t bands = edges.size() - 1;
  const std::size_t bars = barStarts.size() > 1 ? barStarts.size() - 1 : 0;
  std::vector<double> profile(bars * bands, 0.0);
  for (std::size_t b = 0; b < bars; ++b) {
    const StretchSpectrum s = stretchSpectrum(interleaved, rate, barStarts[b], barStarts[b + 1]);
    for (std::size_t k = 0; k < bands; ++k)
      profile[b * bands + k] = 10.0 * std::log10(s.bandPower(edges[k], edges[k + 1]) + 1e-12);
  }
  for (std::size_t k = 0; k < bands && bars > 0; ++k) {
    double mean = 0.0;
    for (std::size_t b = 0; b < bars; ++b)
      mean += profile[b * bands + k];
    mean /= static_cast<double>(bars);
    for (std::size_t b = 0; b < bars; ++b)
      profile[b * bands + k] -= mean;
  }
  return profile;
}
