#include "music/instruments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "music/synth_parts.h"

namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;
constexpr double taperSeconds = 0.004; // every note ends on a short fade, never a step
constexpr double padSine = 0.18;
constexpr double arpSine = 0.25;

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

// A value that falls by a fixed ratio each sample: exp(-t / time) without an
// exp() a sample.
class Decay {
public:
  explicit Decay(double time, double start = 1.0)
      : value_(start), factor_(std::exp(-1.0 / (time * sampleRate))) {}
  double next() {
    const double v = value_;
    value_ *= factor_;
    return v;
  }

private:
  double value_, factor_;
};

// Rises over `attack`, holds until the gate closes, then falls away.
class GateEnvelope {
public:
  GateEnvelope(std::int64_t gate, double attack, double release)
      : gate_(gate), rise_(1.0 / std::max(1.0, attack * sampleRate)), release_(release) {}
  double next(std::int64_t i) {
    level_ = std::min(1.0, level_ + rise_);
    return i < gate_ ? level_ : level_ * release_.next();
  }

private:
  std::int64_t gate_;
  double rise_;
  double level_ = 0.0;
  Decay release_;
};

// Uniform in [low, high), from the note's own seed: each hit sounds a little
// different.
double vary(const Note& n, std::uint64_t salt, double low, double high) {
  return low + (high - low) * 0.5 * (hashNoise(n.seed, ~salt) + 1.0);
}

template <typename Sample>
void renderFrames(const Note& n, std::int64_t from, std::int64_t to, float* stereo, Sample sample) {
  const std::int64_t total = soundingFrames(n);
  const double taper = taperSeconds * sampleRate;
  StateVariableFilter cutLeft, cutRight;
  cutLeft.setCutoff(n.lowCut, 0.0);
  cutRight.setCutoff(n.lowCut, 0.0);
  for (std::int64_t i = 0; i < to; ++i) {
    double left = 0.0, right = 0.0;
    sample(i, left, right);
    if (n.lowCut > 0.0) {
      left = cutLeft.process(left).high;
      right = cutRight.process(right).high;
    }
    if (i >= from) {
      const double fade = std::min(1.0, static_cast<double>(total - i) / taper);
      const auto at = static_cast<std::size_t>(i - from) * 2;
      stereo[at] += static_cast<float>(fade * left);
      stereo[at + 1] += static_cast<float>(fade * right);
    }
  }
}

// A sine swept down onto 43 Hz. The sweep is over within a few milliseconds,
// so the sub lands on the beat rather than after it.
void kick(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  Decay sweep(0.005, 90.0), body(0.22);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    phase += (43.0 + sweep.next()) / sampleRate;
    const double attack = std::min(1.0, static_cast<double>(i) / 60.0);
    l = r = 0.5 * n.velocity * std::sin(twoPi * phase) * body.next() * attack;
  });
}

// The kick's click: a few milliseconds of bright noise and a knock, kept off
// the low end's rounding, which would swallow it.
void kickClick(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  StateVariableFilter filter;
  filter.setCutoff(3100.0, 0.5);
  Decay click(0.005), knock(0.012);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double noise = filter.process(hashNoise(n.seed, static_cast<std::uint64_t>(i))).band;
    const double tone = std::sin(twoPi * 1400.0 * seconds(i));
    l = r = n.velocity * (1.0 * noise * click.next() + 0.08 * tone * knock.next());
  });
}

// The drop's downbeat: a sub boom that falls from 60 to 32 Hz and rings for
// most of a bar.
void impact(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  Decay fall(0.3, 28.0), body(0.7);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    phase += (32.0 + fall.next()) / sampleRate;
    const double attack = std::min(1.0, static_cast<double>(i) / 200.0);
    l = r = 0.5 * n.velocity * std::sin(twoPi * phase) * body.next() * attack;
  });
}

// Three or four quick bursts of band-passed noise and a tail, with the band
// and the spacing drawn anew for each hit. Up in the presence band: the drop's
// air comes from a short, sparse hit rather than from steady hiss.
void clap(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double centre = vary(n, 1, 2600.0, 3600.0);
  const double spacing = vary(n, 2, 0.006, 0.011);
  const int bursts = vary(n, 3, 0.0, 1.0) < 0.5 ? 3 : 4;
  const double tailTime = vary(n, 4, 0.09, 0.16);
  StateVariableFilter left, right;
  left.setCutoff(centre, 0.35);
  right.setCutoff(centre * 1.06, 0.35);
  const Pan pan(n.pan);
  const auto tailStart = framesOf(spacing * bursts);
  Decay tail(tailTime);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    double env;
    if (i < tailStart) {
      const double inBurst = std::fmod(seconds(i), spacing);
      env = std::exp(-inBurst / 0.0035);
    } else {
      env = tail.next();
    }
    const auto k = static_cast<std::uint64_t>(i);
    // One noise on both sides, through slightly different bands: the clap
    // keeps some width and survives a mono sum.
    l = 1.3 * n.velocity * env * pan.left * left.process(hashNoise(n.seed, k)).band;
    r = 1.3 * n.velocity * env * pan.right * right.process(hashNoise(n.seed, k)).band;
  });
}

// The build's snare: a short drum body under a crack of noise. The crack is
// band-passed twice around 1.1 kHz, under the bands the picture darkens on,
// so a roll does not strobe it.
void snare(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  std::array<StateVariableFilter, 2> left, right;
  const double centre = vary(n, 1, 1000.0, 1200.0);
  for (std::size_t k = 0; k < 2; ++k) {
    left[k].setCutoff(centre, 0.4);
    right[k].setCutoff(centre * 1.05, 0.4);
  }
  const double pitch = vary(n, 2, 175.0, 200.0);
  Decay body(0.045), noise(0.05 + 0.1 * n.brightness);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double tone = 0.35 * std::sin(twoPi * pitch * seconds(i)) * body.next();
    const double env = noise.next();
    const double hiss = hashNoise(n.seed, static_cast<std::uint64_t>(i));
    l = 0.7 * n.velocity * (tone + 1.5 * env * left[1].process(left[0].process(hiss).band).band);
    r = 0.7 * n.velocity * (tone + 1.5 * env * right[1].process(right[0].process(hiss).band).band);
  });
}

// Hats, shaker, ride and crash: noise, high- or band-passed, each hit with its
// own filter and length. `width` is the share of the noise that differs
// between the sides: mostly one noise, so the top survives a mono sum.
struct NoiseHit {
  double cutoffLow, cutoffHigh; // Hz, drawn per hit
  double decayLow, decayHigh;   // seconds, drawn per hit
  double attack;                // seconds
  double level;
  bool band; // band-passed, otherwise high-passed with a little of the band
  double width;
};

void noiseHit(const Note& n, std::int64_t from, std::int64_t to, float* out, const NoiseHit& hit) {
  StateVariableFilter left, right;
  const double cutoff = vary(n, 1, hit.cutoffLow, hit.cutoffHigh);
  left.setCutoff(cutoff, 0.25);
  right.setCutoff(cutoff * 1.04, 0.25);
  Decay decay(vary(n, 2, hit.decayLow, hit.decayHigh));
  const Pan pan(n.pan);
  const double rise = 1.0 / std::max(1.0, hit.attack * sampleRate);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double env =
        hit.level * n.velocity * decay.next() * std::min(1.0, static_cast<double>(i + 1) * rise);
    const auto k = static_cast<std::uint64_t>(i);
    const double common = hashNoise(n.seed, k);
    const auto a = left.process(common);
    const auto b = right.process((1.0 - hit.width) * common + hit.width * hashNoise(n.seed + 7, k));
    l = env * pan.left * (hit.band ? a.band : a.high + 0.15 * a.band);
    r = env * pan.right * (hit.band ? b.band : b.high + 0.15 * b.band);
  });
}

// A ride: bright noise with two inharmonic partials that ring a little
// longer, the air over a drop's groove.
void ride(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  noiseHit(n, from, to, out,
           {.cutoffLow = 9000.0,
            .cutoffHigh = 10500.0,
            .decayLow = 0.25,
            .decayHigh = 0.35,
            .attack = 0.0005,
            .level = 0.45,
            .band = false,
            .width = 0.2});
  const Pan pan(n.pan);
  Decay ping(0.18);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double t = seconds(i);
    const double tone = std::sin(twoPi * 5170.0 * t) + 0.7 * std::sin(twoPi * 7310.0 * t);
    const double level = 0.035 * n.velocity * ping.next();
    l = level * pan.left * tone;
    r = level * pan.right * tone;
  });
}

// Air for the breakdowns: a wide band of high noise that swells in and out
// over the bar, with the chord's shimmer left to the reverb.
void air(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  StateVariableFilter left, right;
  left.setCutoff(9000.0, 0.3);
  right.setCutoff(9500.0, 0.3);
  const double gate = seconds(n.length);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double t = seconds(i);
    const double swell = 0.5 - 0.5 * std::cos(twoPi * std::min(t / gate, 1.0));
    // Fades in and out, so one bar's air crosses into the next without a seam.
    const double ends = std::min(1.0, t / 0.05) * std::exp(-std::max(0.0, t - gate) / 0.06);
    const auto k = static_cast<std::uint64_t>(i);
    const double env = 0.12 * n.velocity * (0.25 + 0.75 * swell) * ends;
    l = env * left.process(hashNoise(n.seed, k)).band;
    r = env * right.process(hashNoise(n.seed + 5, k)).band;
  });
}

// A sine an octave under a saw whose filter snaps shut after each attack:
// round in the sub, with a note on top that small speakers can follow.
void bass(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  SawOscillator saw;
  StateVariableFilter filter;
  GateEnvelope env(n.length, 0.003, 0.02);
  Decay pluck(0.09);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double opening = pluck.next();
    if (i % 16 == 0)
      filter.setCutoff(110.0 + 1500.0 * n.brightness * (opening + 0.1), 0.35);
    phase += f / sampleRate;
    const double tone =
        0.7 * n.sub * std::sin(twoPi * phase) + 0.6 * filter.process(saw.next(f)).low;
    l = r = 0.62 * n.velocity * env.next(i) * tone;
  });
}

// Four detuned saws, two a side, for a wide chord that stays soft, over a
// sine in the middle that holds the chord's pitch steady.
void pad(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  auto cents = [f](double c) { return f * std::exp2(c / 1200.0); };
  const double fa = cents(-9.0), fb = cents(5.0), fc = cents(8.0), fd = cents(-4.0);
  SawOscillator a(0.13 * static_cast<double>(n.seed % 7)), b(0.5), c(0.77), d(0.31);
  StateVariableFilter left, right;
  GateEnvelope env(n.length, 0.25, 0.4);
  const Pan pan(n.pan);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    if (i % 32 == 0) {
      const double t = seconds(i);
      const double cutoff = 300.0 + 3000.0 * n.brightness * (0.8 + 0.2 * std::sin(twoPi * 0.2 * t));
      left.setCutoff(cutoff, 0.15);
      right.setCutoff(cutoff * 1.05, 0.15);
    }
    phase += f / sampleRate;
    if (phase >= 1.0)
      phase -= 1.0;
    const double level = 0.09 * n.velocity * env.next(i);
    const double centre = padSine * std::sin(twoPi * phase);
    l = level * (pan.left * left.process(a.next(fa) + b.next(fb)).low + centre);
    r = level * (pan.right * right.process(c.next(fc) + d.next(fd)).low + centre);
  });
}

// A plucked saw with its octave, each note a few cents off true, as an
// analogue voice drifts: repeated notes never line up into one held partial.
void arp(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch + vary(n, 9, -0.07, 0.07));
  SawOscillator saw, octave(0.25);
  StateVariableFilter filter;
  GateEnvelope env(n.length, 0.002, 0.05);
  Decay body(0.2), opening(0.06);
  const Pan pan(n.pan);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double open = opening.next();
    if (i % 8 == 0)
      filter.setCutoff(400.0 + 4500.0 * n.brightness * open, 0.4);
    phase += f / sampleRate;
    if (phase >= 1.0)
      phase -= 1.0;
    const double tone = filter.process(saw.next(f) + 0.3 * octave.next(2.0 * f)).low +
                        arpSine * std::sin(twoPi * phase);
    const double level = 0.5 * n.velocity * env.next(i) * body.next();
    l = level * pan.left * tone;
    r = level * pan.right * tone;
  });
}

// Three detuned saws, the outer two to either side, with vibrato that grows
// in after the attack.
void lead(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  SawOscillator a, b(0.4), c(0.7);
  StateVariableFilter left, right;
  GateEnvelope env(n.length, 0.006, 0.12);
  Decay opening(0.25);
  const Pan pan(n.pan);
  double vibrato = 1.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double t = seconds(i);
    const double open = opening.next();
    if (i % 8 == 0) {
      const double depth = 0.18 * std::clamp((t - 0.2) / 0.3, 0.0, 1.0);
      vibrato = std::exp2(depth * std::sin(twoPi * 5.3 * t) / 12.0);
      const double cutoff = 1500.0 + 6500.0 * n.brightness * (0.5 + 0.5 * open);
      left.setCutoff(cutoff, 0.3);
      right.setCutoff(cutoff, 0.3);
    }
    const double bent = f * vibrato;
    const double middle = b.next(bent);
    const double level = 0.19 * n.velocity * env.next(i);
    l = level * pan.left * left.process(a.next(bent * 0.994) + 0.8 * middle).low;
    r = level * pan.right * right.process(c.next(bent * 1.006) + 0.8 * middle).low;
  });
}

// A square of varying width, from two saws drifting apart: reedy and nasal.
void pulse(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  SawOscillator a, b(0.3);
  StateVariableFilter filter;
  GateEnvelope env(n.length, 0.004, 0.08);
  Decay opening(0.15);
  const Pan pan(n.pan);
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double open = opening.next();
    if (i % 8 == 0)
      filter.setCutoff(900.0 + 3500.0 * n.brightness * (0.5 + 0.5 * open), 0.25);
    const double tone = filter.process(a.next(f) - b.next(f * 1.0015)).low;
    const double level = 0.125 * n.velocity * env.next(i);
    l = level * pan.left * tone;
    r = level * pan.right * tone;
  });
}

// Two-operator FM: a modulator at twice the pitch whose depth dies away, for
// a struck, glassy attack that settles into a near-sine.
void bell(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch);
  GateEnvelope env(n.length, 0.002, 0.35);
  Decay body(1.1), index(0.25, 2.5);
  const Pan pan(n.pan);
  double phase = 0.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    phase += f / sampleRate;
    if (phase >= 1.0)
      phase -= 1.0;
    const double modulator = (index.next() + 0.9) * std::sin(twoPi * 2.0 * phase);
    const double tone = std::sin(twoPi * phase + modulator);
    const double level = 0.19 * n.velocity * env.next(i) * (0.35 + 0.65 * body.next());
    l = level * pan.left * tone;
    r = level * pan.right * tone;
  });
}

// A square (two saws half a period apart, so only odd harmonics) filtered
// down to its first few, slow to speak: a soft, hollow voice for lines under
// the lead, each note a little off true.
void counter(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double f = midiFrequency(n.pitch + vary(n, 9, -0.06, 0.06));
  SawOscillator saw, shifted(0.5);
  StateVariableFilter filter;
  filter.setCutoff(5.0 * f + 1200.0 * n.brightness, 0.2);
  GateEnvelope env(n.length, 0.05, 0.2);
  const Pan pan(n.pan);
  double vibrato = 1.0;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    // A slow vibrato that grows in, so a long note's partials do not stand still.
    if (i % 8 == 0) {
      const double t = seconds(i);
      const double depth = 0.2 * std::clamp((t - 0.3) / 0.5, 0.0, 1.0);
      vibrato = std::exp2(depth * std::sin(twoPi * 4.7 * t) / 12.0);
    }
    const double tone = filter.process(saw.next(f * vibrato) - shifted.next(f * vibrato)).low;
    const double level = 0.2 * n.velocity * env.next(i);
    l = level * pan.left * tone;
    r = level * pan.right * tone;
  });
}

// Noise through a band that climbs over the note, louder as it goes; past
// the note it turns and falls away, so the build ends on a tail into the
// breath before the drop rather than on a cut.
constexpr double riserTail = 0.18; // seconds for the tail to fall by 1/e

void riser(const Note& n, std::int64_t from, std::int64_t to, float* out) {
  const double gate = seconds(n.length);
  StateVariableFilter left, right;
  renderFrames(n, from, to, out, [&](std::int64_t i, double& l, double& r) {
    const double t = seconds(i);
    const double x = std::min(t / gate, 1.0);
    const double past = std::max(0.0, t - gate);
    if (i % 16 == 0) {
      const double cutoff = 300.0 * std::pow(30.0, x) * std::exp(-past / (2.0 * riserTail));
      left.setCutoff(cutoff, 0.1);
      right.setCutoff(cutoff * 1.08, 0.1);
    }
    // Loudest halfway, then easing off as it climbs: the last bars pull
    // back so the drop lands from below. A wide band, so no one frequency
    // of it stands out for long.
    const double swell = x < 0.5 ? x / 0.5 : 1.0 - 1.4 * (x - 0.5);
    const double env = 0.16 * n.velocity * swell * swell * std::exp(-past / riserTail);
    const auto k = static_cast<std::uint64_t>(i);
    l = env * left.process(hashNoise(n.seed, k)).band;
    r = env * right.process(hashNoise(n.seed + 3, k)).band;
  });
}

} // namespace

std::int64_t soundingFrames(const Note& note) {
  switch (note.voice) {
  case Voice::kick:
    return framesOf(0.6);
  case Voice::clap:
    return framesOf(0.5);
  case Voice::snare:
    return framesOf(0.3);
  case Voice::closedHat:
    return framesOf(0.2);
  case Voice::openHat:
    return framesOf(0.8);
  case Voice::shaker:
    return framesOf(0.25);
  case Voice::crash:
    return framesOf(4.5);
  case Voice::bass:
    return note.length + framesOf(0.1);
  case Voice::pad:
    return note.length + framesOf(1.4);
  case Voice::arp:
    return note.length + framesOf(0.25);
  case Voice::lead:
    return note.length + framesOf(0.5);
  case Voice::pulse:
    return note.length + framesOf(0.35);
  case Voice::bell:
    return note.length + framesOf(1.2);
  case Voice::counter:
    return note.length + framesOf(0.7);
  case Voice::riser:
    return note.length + framesOf(5.0 * riserTail);
  case Voice::kickClick:
    return framesOf(0.06);
  case Voice::impact:
    return framesOf(2.0);
  case Voice::ride:
    return framesOf(1.2);
  case Voice::air:
    return note.length + framesOf(0.3);
  }
  return note.length;
}

double duckDepth(Voice voice) {
  switch (voice) {
  // The bass gets out of the kick's way, so the kick's sub stands alone on
  // the beat; pads and arpeggio pump with it.
  case Voice::bass:
  case Voice::pad:
  case Voice::arp:
  case Voice::counter:
    return 0.9;
  case Voice::lead:
    return 0.7; // the melody breathes with the beat, but stays in front
  case Voice::pulse:
  case Voice::bell:
    return 0.8;
  default:
    return 0.0;
  }
}

Sends sendsOf(Voice voice) {
  switch (voice) {
  case Voice::lead:
  case Voice::pulse:
    return {0.22, 0.3};
  case Voice::bell:
    return {0.35, 0.25};
  case Voice::pad:
  case Voice::counter:
    return {0.4, 0.0};
  case Voice::clap:
  case Voice::snare:
    return {0.25, 0.0};
  case Voice::arp:
    return {0.1, 0.0};
  case Voice::openHat:
  case Voice::crash:
  case Voice::riser:
  case Voice::ride:
    return {0.15, 0.0};
  case Voice::air:
    return {0.3, 0.0};
  default:
    return {0.0, 0.0};
  }
}

bool isLowEnd(Voice voice) {
  return voice == Voice::kick || voice == Voice::bass;
}

void renderNote(const Note& note, std::int64_t from, std::int64_t to, float* stereo) {
  switch (note.voice) {
  case Voice::kick:
    kick(note, from, to, stereo);
    break;
  case Voice::clap:
    clap(note, from, to, stereo);
    break;
  case Voice::snare:
    snare(note, from, to, stereo);
    break;
  case Voice::closedHat:
    noiseHit(note, from, to, stereo,
             {.cutoffLow = 7500.0,
              .cutoffHigh = 10000.0,
              .decayLow = 0.022,
              .decayHigh = 0.05,
              .attack = 0.0004,
              .level = 0.85,
              .band = false,
              .width = 0.25});
    break;
  case Voice::openHat:
    noiseHit(note, from, to, stereo,
             {.cutoffLow = 7000.0,
              .cutoffHigh = 9000.0,
              .decayLow = 0.12,
              .decayHigh = 0.2,
              .attack = 0.0008,
              .level = 0.7,
              .band = false,
              .width = 0.25});
    break;
  case Voice::shaker:
    noiseHit(note, from, to, stereo,
             {.cutoffLow = 8000.0,
              .cutoffHigh = 11000.0,
              .decayLow = 0.035,
              .decayHigh = 0.06,
              .attack = 0.006,
              .level = 1.0,
              .band = true,
              .width = 0.25});
    break;
  case Voice::crash:
    // Brighter and louder on a drop's downbeat, where it is the impact's top.
    noiseHit(note, from, to, stereo,
             {.cutoffLow = 3000.0 + 3000.0 * note.brightness,
              .cutoffHigh = 4500.0 + 3000.0 * note.brightness,
              .decayLow = 1.0,
              .decayHigh = 1.5,
              .attack = 0.001,
              .level = 0.2 + 0.2 * note.brightness,
              .band = false,
              .width = 0.5});
    break;
  case Voice::bass:
    bass(note, from, to, stereo);
    break;
  case Voice::pad:
    pad(note, from, to, stereo);
    break;
  case Voice::arp:
    arp(note, from, to, stereo);
    break;
  case Voice::lead:
    lead(note, from, to, stereo);
    break;
  case Voice::pulse:
    pulse(note, from, to, stereo);
    break;
  case Voice::bell:
    bell(note, from, to, stereo);
    break;
  case Voice::counter:
    counter(note, from, to, stereo);
    break;
  case Voice::riser:
    riser(note, from, to, stereo);
    break;
  case Voice::kickClick:
    kickClick(note, from, to, stereo);
    break;
  case Voice::impact:
    impact(note, from, to, stereo);
    break;
  case Voice::ride:
    ride(note, from, to, stereo);
    break;
  case Voice::air:
    air(note, from, to, stereo);
    break;
  }
}
