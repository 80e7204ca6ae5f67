#include "music/score.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "music/synth_parts.h"

namespace {

enum class Part { intro, build, drop, breakdown, groove, interlude, outro };

struct Section {
  Part part;
  int bars;
  int progression;
  int motif; // which lead motif a drop plays
};

// 296 bars at 124 BPM: the show's 573 seconds.
constexpr std::array<Section, 14> sections{{
    {Part::intro, 16, 0, 0},
    {Part::build, 16, 0, 0},
    {Part::drop, 32, 0, 0},
    {Part::breakdown, 16, 2, 0},
    {Part::build, 8, 1, 0},
    {Part::drop, 32, 3, 1},
    {Part::groove, 32, 1, 0},
    {Part::breakdown, 16, 2, 1},
    {Part::build, 8, 0, 0},
    {Part::drop, 32, 0, 2},
    {Part::interlude, 16, 3, 0},
    {Part::build, 8, 1, 0},
    {Part::drop, 32, 1, 3},
    {Part::outro, 32, 0, 0},
}};

// Chord roots (MIDI, octave 3) and whether the third is major, one chord a bar.
struct Chord {
  int root;
  bool major;
};
constexpr int A = 57, C = 60, D = 62, E = 64, F = 53, G = 55;
constexpr std::array<std::array<Chord, 4>, 4> progressions{{
    {{{A, false}, {F, true}, {C, true}, {G, true}}},
    {{{F, true}, {G, true}, {A, false}, {A, false}}},
    {{{D, false}, {A, false}, {F, true}, {E, true}}},
    {{{A, false}, {E, false}, {F, true}, {G, true}}},
}};

// A natural minor, over two octaves from A4, for the lead and its motifs.
constexpr std::array<int, 15> leadScale{69, 71, 72, 74, 76, 77, 79, 81, 83, 84, 86, 88, 89, 91, 93};

struct Step {
  std::int64_t at(int step) const {
    return static_cast<std::int64_t>(std::llround(static_cast<double>(step) * stepFrames));
  }
  std::int64_t span(int from, int count) const { return at(from + count) - at(from); }
};

class Composer {
public:
  explicit Composer(std::uint64_t seed) : random_(seed) {
    for (auto& motif : motifs_)
      motif = makeMotif();
  }

  Score compose() {
    int bar = 0;
    for (std::size_t s = 0; s < sections.size(); ++s) {
      const Section& section = sections[s];
      const bool dropFollows = s + 1 < sections.size() && sections[s + 1].part == Part::drop;
      for (int b = 0; b < section.bars; ++b)
        writeBar(section, b, bar + b, dropFollows);
      bar += section.bars;
    }
    score_.frames = steps_.at(bar * stepsPerBar);
    std::sort(score_.notes.begin(), score_.notes.end(),
              [](const Note& a, const Note& b) { return a.start < b.start; });
    return std::move(score_);
  }

private:
  // A two-bar phrase: (step, scale degree, length in steps), degree -1 a rest.
  struct MotifNote {
    int step, degree, length;
  };
  using Motif = std::vector<MotifNote>;

  Motif makeMotif() {
    Motif motif;
    int degree = 4 + random_.below(3);
    for (int step = 0; step < 2 * stepsPerBar;) {
      const int length = std::array{2, 2, 2, 3, 4, 1}[static_cast<std::size_t>(random_.below(6))];
      if (step % 8 != 0 && random_.chance(0.18)) {
        step += length;
        continue;
      }
      // Mostly steps, sometimes a leap, drawn back towards the middle.
      const int move =
          std::array{-1, 1, -1, 1, -2, 2, 0, 3, -3}[static_cast<std::size_t>(random_.below(9))];
      degree = std::clamp(degree + move + (degree > 9 ? -1 : degree < 2 ? 1 : 0), 0, 11);
      motif.push_back({step, degree, std::min(length, 2 * stepsPerBar - step)});
      step += length;
    }
    return motif;
  }

  void add(Voice voice, int step, int steps, double pitch, double velocity, double pan,
           double brightness) {
    score_.notes.push_back({voice, steps_.at(step), steps_.span(step, steps), pitch, velocity, pan,
                            brightness, random_.next()});
    if (voice == Voice::kick)
      score_.kicks.push_back(steps_.at(step));
  }

  double humanise(double velocity) { return velocity * (0.9 + 0.1 * random_.unit()); }

  // The chord tone of `chord` (or `extra`, in any octave) nearest to `pitch`.
  static int nearestChordTone(const Chord& chord, int pitch, int extra = -1) {
    const std::array<int, 4> tones{0, chord.major ? 4 : 3, 7, extra < 0 ? 0 : extra - chord.root};
    int best = pitch;
    int bestDistance = 99;
    for (int octave = -4; octave <= 4; ++octave)
      for (const int tone : tones) {
        const int candidate = chord.root + tone + 12 * octave;
        if (std::abs(candidate - pitch) < bestDistance) {
          best = candidate;
          bestDistance = std::abs(candidate - pitch);
        }
      }
    return best;
  }

  void writeBar(const Section& section, int barInSection, int bar, bool dropFollows) {
    const Chord chord = progressions[static_cast<std::size_t>(section.progression)]
                                    [static_cast<std::size_t>(bar % 4)];
    const int first = bar * stepsPerBar;
    const double progress = static_cast<double>(barInSection) / section.bars; // 0..1 through it
    const int barsLeft = section.bars - barInSection;
    const double arch = std::sin(progress * std::numbers::pi);

    switch (section.part) {
    case Part::intro:
      // A soft kick from the first bar, as a DJ would want to mix in over it.
      kicks(chord, first, 0.5 + 0.4 * progress);
      pads(chord, first, 0.2 + 0.3 * progress, 0.45 + 0.4 * progress);
      arp(chord, first, 0.3 + 0.3 * progress, 0.3 + 0.3 * progress);
      if (barInSection >= 4)
        pedal(chord, first, 0.3 + 0.5 * progress, false);
      if (barInSection >= 8)
        bassLine(chord, first, 0, 0.2, 0.3 + 0.5 * progress);
      if (barInSection >= 4)
        hats(first, 0.4 + 0.3 * progress, false);
      if (barInSection >= 12)
        add(Voice::snare, first + 12, 2, 0, 0.5, 0.05, 0.6);
      break;
    case Part::build: {
      // The floor drops out for the last half bar, leaving the snare roll alone.
      const int floorSteps = barsLeft == 1 && dropFollows ? 8 : stepsPerBar;
      kicks(chord, first, 1.0, floorSteps);
      hats(first, 0.6 + 0.4 * progress, progress > 0.5);
      bassLine(chord, first, barsLeft <= 4 ? 2 : 1, 0.3 + 0.5 * progress, 0.9, floorSteps);
      pads(chord, first, 0.3 + 0.6 * progress, 0.45);
      pedal(chord, first, 0.6 + 0.3 * progress, barsLeft <= 4);
      arp(chord, first, 0.4 + 0.5 * progress, 0.3);
      if (barInSection >= section.bars / 2 || section.bars <= 8)
        snareRoll(first, barsLeft);
      if (barsLeft == std::min(section.bars, 8))
        riser(first, barsLeft);
      break;
    }
    case Part::drop:
      if (barInSection == 0)
        add(Voice::crash, first, 16, 0, 0.8, 0, 1);
      kicks(chord, first, 1.0);
      claps(first);
      hats(first, 1.0, true);
      bassLine(chord, first, 2, 0.9, 1.0);
      pads(chord, first, 0.9, 0.5);
      pedal(chord, first, 0.9, section.motif % 2 == 1 || barInSection >= section.bars / 2);
      if (section.motif >= 2)
        arp(chord, first, 0.8, 0.2);
      lead(chord, section, barInSection, first, 0.9);
      if (barInSection == section.bars - 1 && !dropFollows)
        fill(first);
      break;
    case Part::breakdown:
      if (barInSection == 0)
        add(Voice::crash, first, 16, 0, 0.5, 0, 0.6);
      // A quiet sub under the pads keeps the floor from dropping away.
      bassLine(chord, first, 0, 0.1, 0.45 + 0.15 * arch);
      pads(chord, first, 0.5 + 0.2 * arch, 0.8);
      pedal(chord, first, 0.5 + 0.3 * progress, false);
      arp(chord, first, 0.45 + 0.4 * progress, 0.6);
      breakdownMelody(chord, barInSection, first);
      if (barsLeft <= 4 && dropFollows)
        riser(first, 1);
      break;
    case Part::groove:
      kicks(chord, first, 0.95);
      claps(first);
      hats(first, 0.85, barInSection % 8 >= 4);
      bassLine(chord, first, 3, 0.7, 1.0);
      pads(chord, first, 0.35, 0.3);
      pedal(chord, first, 0.7, true);
      arp(chord, first, 0.6 + 0.3 * arch, 0.35);
      break;
    case Part::interlude:
      add(Voice::kick, first, 2, bassRoot(chord), 0.9, 0, 1);
      add(Voice::kick, first + 10, 2, bassRoot(chord), 0.7, 0, 1);
      add(Voice::snare, first + 8, 2, 0, 0.6, 0.1, 0.6);
      hats(first, 0.5, false);
      bassLine(chord, first, 0, 0.4, 0.8);
      pads(chord, first, 0.55, 0.5);
      pedal(chord, first, 0.6, false);
      arp(chord, first, 0.5, 0.3);
      break;
    case Part::outro: {
      const double fade = barsLeft <= 8 ? static_cast<double>(barsLeft) / 8.0 : 1.0;
      if (barInSection < 16) {
        kicks(chord, first, 0.9);
        hats(first, 0.7 - 0.3 * progress, false);
        bassLine(chord, first, 1, 0.5, 0.9);
      } else {
        bassLine(chord, first, 0, 0.2, 0.6 * fade);
      }
      pads(chord, first, 0.5 - 0.35 * progress, 0.5 * fade);
      pedal(chord, first, 0.6 - 0.4 * progress, false, fade);
      if (barsLeft > 2)
        arp(chord, first, 0.5 - 0.3 * progress, 0.3 * fade);
      break;
    }
    }
  }

  void kicks(const Chord& chord, int first, double velocity, int steps = stepsPerBar) {
    for (int s = 0; s < steps; s += 4)
      add(Voice::kick, first + s, 2, bassRoot(chord), velocity, 0, 1);
  }

  void claps(int first) {
    add(Voice::snare, first + 4, 2, 0, humanise(0.8), 0.05, 0.8);
    add(Voice::snare, first + 12, 2, 0, humanise(0.85), 0.05, 0.8);
  }

  void hats(int first, double level, bool sixteenths) {
    for (int s = 0; s < stepsPerBar; ++s) {
      const bool offbeat = s % 4 == 2;
      if (offbeat && sixteenths) {
        add(Voice::openHat, first + s, 2, 0, humanise(0.55 * level), 0.3, 1);
      } else if (s % 2 == 0 || sixteenths) {
        const double accent = s % 2 == 0 ? 0.6 : 0.35;
        add(Voice::closedHat, first + s, 1, 0, humanise(accent * level), -0.35, 1);
      }
    }
  }

  void snareRoll(int first, int barsLeft) {
    const int every = barsLeft > 2 ? 4 : barsLeft == 2 ? 2 : 1;
    for (int s = 0; s < stepsPerBar; s += every) {
      const double rise = 1.0 - (barsLeft - 1 + 1.0 - s / 16.0) / 8.0;
      add(Voice::snare, first + s, 1, 0, 0.35 + 0.55 * std::clamp(rise, 0.0, 1.0), 0.0, 0.5);
    }
  }

  void riser(int first, int bars) { add(Voice::riser, first, bars * stepsPerBar, 0, 0.5, 0, 1); }

  void fill(int first) {
    for (int s = 8; s < stepsPerBar; ++s)
      add(Voice::snare, first + s, 1, 0, 0.3 + 0.04 * (s - 8), 0, 0.7);
  }

  // The bass sits in the lowest octave, 32 to 55 Hz, where the picture takes
  // its brightness. style 0: held roots, 1: offbeat eighths, 2: rolling
  // sixteenths, 3: syncopated octaves.
  static int bassRoot(const Chord& chord) { return 24 + (chord.root - 24) % 12; }

  void bassLine(const Chord& chord, int first, int style, double brightness, double level,
                int steps = stepsPerBar) {
    const int root = bassRoot(chord);
    switch (style) {
    case 0:
      add(Voice::bass, first, steps, root, level, 0, brightness);
      break;
    case 1:
      for (int s = 2; s < steps; s += 4)
        add(Voice::bass, first + s, 2, root, level, 0, brightness);
      break;
    case 2:
      for (int s = 0; s < steps; ++s) {
        if (s % 4 == 0)
          continue; // the kick's place
        const bool accent = s % 4 == 2;
        // The last beat of every other bar steps up an octave for a turn.
        const bool turn = s >= 12 && s % 2 == 1 && (first / stepsPerBar) % 2 == 1;
        add(Voice::bass, first + s, 1, root + (turn ? 12 : 0), level * (accent ? 1.0 : 0.85), 0,
            brightness * (accent ? 1.0 : 0.7));
      }
      break;
    default:
      for (const auto& [s, octave, len] : {std::array{0, 0, 3},
                                           {3, 12, 1},
                                           {4, 0, 2},
                                           {6, 0, 3},
                                           {10, 12, 1},
                                           {11, 0, 1},
                                           {12, 0, 2},
                                           {14, 7, 2}})
        add(Voice::bass, first + s, len, root + octave, level, 0, brightness);
    }
  }

  // The held A4 (G#4 over E major) that the chords move around.
  static int pedalPitch(const Chord& chord) {
    return (chord.root + (chord.major ? 4 : 3)) % 12 == 8 ? 68 : 69;
  }

  // Held for the bar, or cut into a trance gate of sixteenths.
  void pedal(const Chord& chord, int first, double level, bool gated, double fade = 1.0) {
    const int pitch = pedalPitch(chord);
    if (!gated) {
      add(Voice::pedal, first, stepsPerBar, pitch, level * fade, 0.0, 0.2);
      return;
    }
    constexpr std::array<int, 16> gate{1, 1, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 0, 1, 0};
    for (int s = 0; s < stepsPerBar; ++s)
      if (gate[static_cast<std::size_t>(s)] != 0)
        add(Voice::pedal, first + s, 1, pitch, level * fade * (s % 4 == 0 ? 1.0 : 0.85), 0.0, 1.0);
  }

  // Close voicing near the middle of the keyboard, plus the root an octave down.
  void pads(const Chord& chord, int first, double brightness, double level) {
    const int third = chord.root + (chord.major ? 4 : 3);
    const int fifth = chord.root + 7;
    for (const int tone : {chord.root, third, fifth}) {
      const int pitch = tone > 64 ? tone - 12 : tone;
      add(Voice::pad, first, stepsPerBar, pitch, level, (pitch % 3 - 1) * 0.4, brightness);
    }
    add(Voice::pad, first, stepsPerBar, chord.root - 12, level * 0.7, 0, brightness);
  }

  // Chord tones above the pedal, turning back to it every few notes.
  void arp(const Chord& chord, int first, double brightness, double level) {
    const int home = pedalPitch(chord);
    std::array<int, 3> tones{};
    const std::array<int, 3> steps{0, chord.major ? 4 : 3, 7};
    for (std::size_t t = 0; t < 3; ++t) {
      int pitch = chord.root + steps[t];
      while (pitch <= home)
        pitch += 12;
      tones[t] = pitch;
    }
    std::sort(tones.begin(), tones.end());
    const std::array<int, 8> line{home,     tones[0], tones[1],  home,
                                  tones[2], tones[1], home + 12, tones[0]};
    for (int s = 0; s < stepsPerBar; ++s) {
      const int pitch = line[static_cast<std::size_t>(s % 8)];
      add(Voice::arp, first + s, 1, pitch, humanise(level), s % 2 == 0 ? 0.45 : -0.45, brightness);
    }
  }

  void lead(const Chord& chord, const Section& section, int barInSection, int first,
            double brightness) {
    const Motif& motif = motifs_[static_cast<std::size_t>(section.motif)];
    const int half = barInSection % 2; // which bar of the two-bar phrase
    // Second half of a drop climbs an octave for its lift; every eighth bar answers.
    const int lift = barInSection >= section.bars / 2 && section.motif % 2 == 0 ? 7 : 0;
    const bool answer = barInSection % 8 >= 6;
    for (const MotifNote& n : motif) {
      if (n.step / stepsPerBar != half)
        continue;
      int degree =
          std::clamp(n.degree + lift + (answer ? 2 : 0), 0, static_cast<int>(leadScale.size()) - 1);
      int pitch = leadScale[static_cast<std::size_t>(degree)];
      if (n.step % 4 == 0)
        pitch = nearestChordTone(chord, pitch, pedalPitch(chord)); // strong beats sit on the chord
      const int step = first + n.step % stepsPerBar;
      const double velocity = humanise(n.step % 4 == 0 ? 0.85 : 0.7);
      add(Voice::lead, step, n.length, pitch, velocity, 0.0, brightness);
      // Dotted-eighth echoes, left and right.
      add(Voice::lead, step + 3, n.length, pitch, velocity * 0.35, -0.6, brightness * 0.6);
      add(Voice::lead, step + 6, n.length, pitch, velocity * 0.15, 0.6, brightness * 0.4);
    }
  }

  // Long notes over the breakdown's chords: the motif slowed down.
  void breakdownMelody(const Chord& chord, int barInSection, int first) {
    if (barInSection < 4)
      return;
    const int pitch =
        nearestChordTone(chord, 81 + (barInSection % 4 == 3 ? -4 : 0), pedalPitch(chord) + 12);
    add(Voice::lead, first, 10, pitch, 0.55, 0.0, 0.35);
    add(Voice::lead, first + 10, 6, nearestChordTone(chord, pitch + 3), 0.5, 0.0, 0.35);
    add(Voice::lead, first + 13, 6, pitch, 0.18, -0.6, 0.2);
  }

  Random random_;
  Step steps_;
  Score score_;
  std::array<Motif, 4> motifs_;
};

} // namespace

Score composeScore(std::uint64_t seed) {
  return Composer(seed).compose();
}

std::vector<SectionSpan> sectionSpans() {
  constexpr std::array<const char*, 7> names{"intro",  "build",     "drop", "breakdown",
                                             "groove", "interlude", "outro"};
  const Step steps;
  std::vector<SectionSpan> spans;
  int bar = 0;
  for (const Section& section : sections) {
    const int next = bar + section.bars;
    spans.push_back({names[static_cast<std::size_t>(section.part)], steps.at(bar * stepsPerBar),
                     steps.at(next * stepsPerBar)});
    bar = next;
  }
  return spans;
}
