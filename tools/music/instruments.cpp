#include "music/instruments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "music/synth_parts.h"

namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;
constexpr double metalRing = 1.2;
constexpr double snareRing = 1.0;
constexpr double bassDrive = 3.0;
constexpr double bassGrit = 0.15;
constexpr double bassLevel = 0.6;
constexpr double pedalLevel = 0.42;

std::int64_t framesOf(double seconds) {
  return static_cast<std::int64_t>(seconds * sampleRate);
}

double seconds(std::int64_t frames) {
  return static_cast<double>(frames) / sampleRate;
}

// Equal-power pan.
struct Pan {
  double left, right;
  explicit Pan(double pan)
      : left(std::cos((pan + 1.0) * std::numbers::pi / 4.0)),
        right(std::sin((pan + 1.0) * std::numbers::pi / 4.0)) {}
};

// Attack, hold for the gate, release.
double gateEnvelope(double t, double gate, double attack, double release) {
  const double rise = t < attack ? t / attack : 1.0;
  return t < gate ? rise : rise * std::exp(-(t - gate) / release);
}

template <typename Sample>
void renderFrames(std::int64_t from, std::int64_t to, float* stereo, Sample sample) {
  for (std::int64_t i = 0; i < to; ++i) {
    double left = 0.0, right = 0.0;
    sample(i, seconds(i), left, right);
    if (i >= from) {
      const auto at = static_cast<std::size_t>(i - from) * 2;
      stereo[at] += static_cast<float>(left);
      stereo[at + 1] += static_cast<float>(right);
    }
  }
}

// The kick settles on the bass's own pitch and, since its sweep adds a whole
// number of cycles, on the bass's phase: the two add up instead of beating.
void kick(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  constexpr double sweep = 100.0, fall = 0.02; // sweep * fall: two whole cycles
  const double low = midiFrequency(n.pitch);
  const double startCycles = low * seconds(n.start);
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    const double cycles = startCycles + low * t + sweep * fall * (1.0 - std::exp(-t / fall));
    const double body =
        std::tanh(1.5 * std::sin(twoPi * (cycles - std::floor(cycles)))) * std::exp(-t / 0.3);
    const double click = hashNoise(n.seed, static_cast<std::uint64_t>(i)) * std::exp(-t / 0.003);
    const double attack = std::min(1.0, t / 0.0015);
    l = r = 0.7 * n.velocity * attack * (body + 0.2 * click);
  });
}

void snare(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  StateVariableFilter left, right;
  left.setCutoff(2150.0, 0.55);
  right.setCutoff(2150.0, 0.55);
  const Pan pan(n.pan);
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    const double tone = 0.5 * std::sin(twoPi * 185.0 * t) * std::exp(-t / 0.05) +
                        0.25 * std::sin(twoPi * 330.0 * t) * std::exp(-t / 0.03);
    // A short ring at 2153 Hz gives the clap its crack, and the picture a dip of red.
    const double ring = snareRing * std::sin(twoPi * 2153.0 * t) * std::exp(-t / 0.1);
    const double decay = std::exp(-t / (0.08 + 0.08 * n.brightness));
    const auto k = static_cast<std::uint64_t>(i);
    const double noiseL = left.process(hashNoise(n.seed, k)).band * decay;
    const double noiseR = right.process(hashNoise(n.seed + 1, k)).band * decay;
    l = 0.6 * n.velocity * (pan.left * (tone + 1.2 * noiseL) + ring);
    r = 0.6 * n.velocity * (pan.right * (tone + 1.2 * noiseR) + ring);
  });
}

// Hats and the crash: high-passed noise of different lengths over a cluster of
// inharmonic partials, the ring of struck metal.
// The partials at 4307 and 6460 Hz are the hue of the hats in the show's
// picture: closed hats lean on the first, open hats on the second.
using MetalWeights = std::array<double, 6>;
constexpr MetalWeights closedHatWeights{0.3, 1.0, 0.25, 0.35, 0.25, 0.2};
constexpr MetalWeights openHatWeights{0.3, 0.35, 0.25, 1.0, 0.3, 0.2};
constexpr MetalWeights crashWeights{0.35, 0.8, 0.3, 0.8, 0.25, 0.2};

void metal(const Note& n, std::int64_t from, std::int64_t to, float* out, double cutoff,
           double decay, double level, const MetalWeights& weights, double ringLevel) {
  constexpr std::array<double, 6> partials{3150.0, 4307.0, 5120.0, 6460.0, 7870.0, 9320.0};
  // Each partial is a point turning on the unit circle: far cheaper than a sine a sample.
  std::array<double, 6> x{}, y{}, turnCos{}, turnSin{};
  for (std::size_t p = 0; p < partials.size(); ++p) {
    x[p] = std::cos(static_cast<double>(p));
    y[p] = std::sin(static_cast<double>(p));
    turnCos[p] = std::cos(twoPi * partials[p] / sampleRate);
    turnSin[p] = std::sin(twoPi * partials[p] / sampleRate);
  }
  StateVariableFilter left, right;
  left.setCutoff(cutoff, 0.35);
  right.setCutoff(cutoff, 0.35);
  const Pan pan(n.pan);
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    const double env = level * n.velocity * std::exp(-t / decay) * std::min(1.0, t / 0.0005);
    double ring = 0.0;
    for (std::size_t p = 0; p < partials.size(); ++p) {
      ring += weights[p] * y[p];
      const double turnedX = x[p] * turnCos[p] - y[p] * turnSin[p];
      y[p] = x[p] * turnSin[p] + y[p] * turnCos[p];
      x[p] = turnedX;
    }
    const auto k = static_cast<std::uint64_t>(i);
    l = env * pan.left * (left.process(hashNoise(n.seed, k)).high + ringLevel * ring);
    r = env * pan.right * (right.process(hashNoise(n.seed + 7, k)).high + ringLevel * ring);
  });
}

// A sub bass between 32 and 55 Hz: a sine driven towards a square, whose
// fundamental carries more than its peak, with a filtered saw on top so that
// the line can be followed on small speakers too. Its phase runs from the start
// of the piece and its edges are short linear ramps, so that back-to-back notes
// of one pitch join without a dip.
void bass(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  constexpr double ramp = 0.005;
  const double f = midiFrequency(n.pitch);
  const double gate = seconds(n.length);
  const double startPhase = f * seconds(n.start);
  SawOscillator saw(startPhase - std::floor(startPhase));
  StateVariableFilter filter;
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    if (i % 16 == 0)
      filter.setCutoff(90.0 + 900.0 * n.brightness * (std::exp(-t / 0.09) + 0.15), 0.4);
    const double cycles = startPhase + f * t;
    const double sub = std::tanh(bassDrive * std::sin(twoPi * (cycles - std::floor(cycles)))) /
                       std::tanh(bassDrive);
    const double tone = sub + bassGrit * filter.process(saw.next(f)).low;
    const double env = std::clamp(std::min(t / ramp, (gate + ramp - t) / ramp), 0.0, 1.0);
    l = r = bassLevel * n.velocity * env * tone;
  });
}

// A held tone near A4, the pitch the show's picture is brightest on: a sine
// with a quieter, slightly detuned twin for a slow shimmer, and a touch of its
// octave.
void pedal(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  const double gate = seconds(n.length);
  const double attack = 0.004 + 0.08 * (1.0 - n.brightness);
  // Phase from the start of the piece, so that gated notes join seamlessly.
  const double startCycles = f * seconds(n.start);
  auto turn = [](double cycles) { return twoPi * (cycles - std::floor(cycles)); };
  renderFrames(from, to, out, [&](std::int64_t, double t, double& l, double& r) {
    const double cycles = startCycles + f * t;
    const double body = std::sin(turn(cycles)) + 0.3 * std::sin(turn(1.0025 * cycles) + 1.0);
    const double octave = 0.18 * std::sin(turn(2.0 * cycles) + 0.5);
    const double env =
        pedalLevel * n.velocity * gateEnvelope(t, gate, attack, 0.05 + 0.2 * (1.0 - n.brightness));
    l = env * (body + octave) * (1.0 - 0.15 * n.pan);
    r = env * (body + octave) * (1.0 + 0.15 * n.pan);
  });
}

void pad(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  const double gate = seconds(n.length);
  // Three detuned saws, spread across the stereo field.
  SawOscillator low(0.13 * static_cast<double>(n.seed % 7)), mid(0.5), high(0.77);
  const double fLow = f * std::exp2(-9.0 / 1200.0), fHigh = f * std::exp2(8.0 / 1200.0);
  StateVariableFilter left, right;
  const Pan pan(n.pan);
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    if (i % 32 == 0) {
      const double cutoff =
          250.0 + 3200.0 * n.brightness * (0.8 + 0.2 * std::sin(twoPi * 0.25 * t));
      left.setCutoff(cutoff, 0.15);
      right.setCutoff(cutoff, 0.15);
    }
    const double a = low.next(fLow), b = mid.next(f), c = high.next(fHigh);
    const double env = 0.1 * n.velocity * gateEnvelope(t, gate, 0.09, 0.35);
    l = env * pan.left * 1.4 * left.process(a + 0.6 * b).low;
    r = env * pan.right * 1.4 * right.process(c + 0.6 * b).low;
  });
}

void arp(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  const double gate = seconds(n.length);
  SawOscillator saw, octave(0.25);
  StateVariableFilter filter;
  const Pan pan(n.pan);
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    if (i % 8 == 0)
      filter.setCutoff(350.0 + 4200.0 * n.brightness * std::exp(-t / 0.07), 0.45);
    const double tone = filter.process(saw.next(f) + 0.3 * octave.next(2.0 * f)).low;
    const double env = 0.32 * n.velocity * gateEnvelope(t, gate, 0.002, 0.06) * std::exp(-t / 0.2);
    l = env * pan.left * tone;
    r = env * pan.right * tone;
  });
}

void lead(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  const double gate = seconds(n.length);
  SawOscillator a, b(0.4);
  StateVariableFilter filter;
  const Pan pan(n.pan);
  double phase = 0.0;
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    // Vibrato grows in after the attack.
    const double depth = 0.2 * std::clamp((t - 0.18) / 0.3, 0.0, 1.0);
    const double bent = f * std::exp2(depth * std::sin(twoPi * 5.5 * t) / 12.0);
    if (i % 8 == 0)
      filter.setCutoff(900.0 + 4800.0 * n.brightness * (0.35 + 0.65 * std::exp(-t / 0.22)), 0.3);
    phase += bent / sampleRate;
    const double tone = filter.process(a.next(bent * 1.0035) + b.next(bent * 0.9965)).low +
                        0.35 * std::sin(twoPi * phase);
    const double env = 0.2 * n.velocity * gateEnvelope(t, gate, 0.006, 0.1);
    l = env * pan.left * tone;
    r = env * pan.right * tone;
  });
}

void riser(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double gate = seconds(n.length);
  StateVariableFilter left, right;
  renderFrames(from, to, out, [&](std::int64_t i, double t, double& l, double& r) {
    const double x = std::min(t / gate, 1.0);
    if (i % 16 == 0) {
      const double cutoff = 300.0 * std::pow(30.0, x);
      left.setCutoff(cutoff, 0.6);
      right.setCutoff(cutoff, 0.6);
    }
    const double env = 0.45 * n.velocity * x * x * (t < gate ? 1.0 : std::exp(-(t - gate) / 0.03));
    const auto k = static_cast<std::uint64_t>(i);
    l = env * left.process(hashNoise(n.seed, k)).band;
    r = env * right.process(hashNoise(n.seed + 3, k)).band;
  });
}

} // namespace

std::int64_t soundingFrames(const Note& note) {
  switch (note.voice) {
  case Voice::kick:
    return framesOf(0.7);
  case Voice::snare:
    return framesOf(0.45);
  case Voice::closedHat:
    return framesOf(0.15);
  case Voice::openHat:
    return framesOf(0.6);
  case Voice::crash:
    return framesOf(4.0);
  case Voice::bass:
    return note.length + framesOf(0.005) + 1;
  case Voice::pad:
    return note.length + framesOf(1.6);
  case Voice::pedal:
    return note.length + framesOf(1.4);
  case Voice::arp:
    return note.length + framesOf(0.35);
  case Voice::lead:
    return note.length + framesOf(0.6);
  case Voice::riser:
    return note.length + framesOf(0.2);
  }
  return note.length;
}

bool isDucked(Voice voice) {
  return voice == Voice::bass || voice == Voice::pad || voice == Voice::arp;
}

bool isLowEnd(Voice voice) {
  return voice == Voice::kick || voice == Voice::bass;
}

void renderNote(const Note& note, std::int64_t from, std::int64_t to, float* stereo) {
  switch (note.voice) {
  case Voice::kick:
    kick(note, from, to, stereo);
    break;
  case Voice::snare:
    snare(note, from, to, stereo);
    break;
  case Voice::closedHat:
    metal(note, from, to, stereo, 7500.0, 0.035, 0.4, closedHatWeights, metalRing);
    break;
  case Voice::openHat:
    metal(note, from, to, stereo, 6500.0, 0.16, 0.3, openHatWeights, metalRing);
    break;
  case Voice::crash:
    metal(note, from, to, stereo, 4500.0, 1.1, 0.22, crashWeights, metalRing);
    break;
  case Voice::bass:
    bass(note, from, to, stereo);
    break;
  case Voice::pad:
    pad(note, from, to, stereo);
    break;
  case Voice::pedal:
    pedal(note, from, to, stereo);
    break;
  case Voice::arp:
    arp(note, from, to, stereo);
    break;
  case Voice::lead:
    lead(note, from, to, stereo);
    break;
  case Voice::riser:
    riser(note, from, to, stereo);
    break;
  }
}
