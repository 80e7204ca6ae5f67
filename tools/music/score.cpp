#include "music/score.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "music/harmony.h"
#include "music/melody.h"
#include "music/synth_parts.h"

namespace {

enum class Part { intro, build, drop, breakdown, groove, interlude, outro };

struct Section {
  Part part;
  int bars;
  int progression;
  int key;       // semitones above A minor
  int variation; // which way the section takes the theme
};

// 296 bars at 124 BPM: the show's 573 seconds.
constexpr std::array<Section, 14> sections{{
    {Part::intro, 16, 0, 0, 0},
    {Part::build, 16, 0, 0, 0},
    {Part::drop, 32, 0, 0, 0},
    {Part::breakdown, 16, 4, 0, 0},
    {Part::build, 8, 1, 0, 1},
    {Part::drop, 32, 1, 0, 1},
    {Part::groove, 32, 3, 0, 0},
    {Part::breakdown, 16, 2, 0, 1},
    {Part::build, 8, 2, 0, 2},
    {Part::drop, 32, 2, 0, 2},
    {Part::interlude, 16, 3, 0, 0},
    {Part::build, 8, 0, 2, 3},
    {Part::drop, 32, 0, 2, 3},
    {Part::outro, 32, 0, 2, 0},
}};

struct Step {
  std::int64_t at(int step) const {
    return static_cast<std::int64_t>(std::llround(static_cast<double>(step) * stepFrames));
  }
  std::int64_t span(int from, int count) const { return at(from + count) - at(from); }
};

class Composer {
public:
  explicit Composer(std::uint64_t seed) : random_(seed) {}

  Score compose() {
    int bar = 0;
    for (std::size_t s = 0; s < sections.size(); ++s) {
      const Section& section = sections[s];
      const bool dropFollows = s + 1 < sections.size() && sections[s + 1].part == Part::drop;
      const std::size_t firstNote = score_.notes.size();
      for (int b = 0; b < section.bars; ++b)
        writeBar(section, b, bar + b, dropFollows);
      // The mix rides each section's level: drops full, the rest below them.
      for (std::size_t n = firstNote; n < score_.notes.size(); ++n)
        score_.notes[n].velocity *= sectionLevel(section.part);
      bar += section.bars;
    }
    score_.frames = steps_.at(bar * stepsPerBar);
    std::sort(score_.notes.begin(), score_.notes.end(),
              [](const Note& a, const Note& b) { return a.start < b.start; });
    std::sort(score_.kicks.begin(), score_.kicks.end());
    return std::move(score_);
  }

private:
  static double sectionLevel(Part part) {
    switch (part) {
    case Part::drop:
      return 1.0;
    case Part::build:
    case Part::groove:
      return 0.72;
    case Part::interlude:
      return 0.64;
    default:
      return 0.44;
    }
  }

  void add(Voice voice, int step, int steps, double pitch, double velocity, double pan,
           double brightness) {
    score_.notes.push_back({voice, steps_.at(step), steps_.span(step, steps), pitch, velocity, pan,
                            brightness, random_.next()});
    if (voice == Voice::kick)
      score_.kicks.push_back(steps_.at(step));
  }

  double humanise(double velocity) { return velocity * (0.88 + 0.12 * random_.unit()); }

  void writeBar(const Section& section, int barInSection, int bar, bool dropFollows) {
    const Chord chord = progressions[static_cast<std::size_t>(section.progression)]
                                    [static_cast<std::size_t>(bar % 4)]
                                        .transposed(section.key);
    const int first = bar * stepsPerBar;
    const double progress = static_cast<double>(barInSection) / section.bars; // 0..1 through it
    const int barsLeft = section.bars - barInSection;

    switch (section.part) {
    case Part::intro:
      // A soft kick from the first bar, as a DJ would want to mix in over it.
      kicks(first, 0.35 + 0.55 * progress);
      if (barInSection >= 4)
        hats(first, 0.4 + 0.4 * progress, false);
      if (barInSection >= 8) {
        shaker(first, 0.3 + 0.3 * progress);
        bassLine(chord, first, BassStyle::offbeat, 0.25 + 0.3 * progress, 0.75);
      }
      pads(chord, first, 0.15 + 0.35 * progress, 0.3 + 0.3 * progress);
      arp(chord, first, 0, 0.15 + 0.35 * progress, 0.35 + 0.3 * progress);
      break;
    case Part::build:
      writeBuild(section, chord, first, barInSection, barsLeft, progress, dropFollows);
      break;
    case Part::drop:
      writeDrop(section, chord, first, barInSection);
      break;
    case Part::breakdown:
      if (barInSection == 0)
        add(Voice::crash, first, 16, 0, 0.5, 0.3, 0.6);
      bassLine(chord, first, BassStyle::held, 0.1, 0.6);
      pads(chord, first, 0.35 + 0.3 * progress, 0.3);
      if (section.variation == 0) {
        // The theme at half speed on a bell, over the open chords.
        themeBar(Voice::bell, chord, section, barInSection / 2, first, 2,
                 (barInSection % 2) * stepsPerBar, 12, 0.45, 0.5);
      } else {
        // The answer, low and slow, on the hollow voice; the arpeggio comes back.
        themeBar(Voice::counter, chord, section, 4 + barInSection / 4, first, 4,
                 (barInSection % 4) * stepsPerBar, -12, 0.8, 0.5);
        counterLine(chord, first, 0.35, 12);
      }
      if (barInSection >= 8)
        arp(chord, first, 1, 0.15 + 0.3 * progress, 0.25 + 0.35 * progress);
      if (barsLeft <= 4 && dropFollows)
        riser(first, 1, 0.4);
      break;
    case Part::groove: {
      kicks(first, 0.95);
      claps(first, 0.85);
      hats(first, 0.8, barInSection % 8 >= 4);
      shaker(first, 0.7);
      bassLine(chord, first, BassStyle::syncopated, 0.6, 1.0);
      stabs(chord, first, 0.5 + 0.3 * progress);
      arp(chord, first, 2, 0.35 + 0.3 * std::sin(progress * std::numbers::pi), 0.4);
      if (barInSection >= 16)
        counterLine(chord, first, 0.6, 12, Voice::pulse);
      break;
    }
    case Part::interlude:
      // Half time: the floor thins out and the counter-line takes the tune.
      add(Voice::kick, first, 2, 0, 0.8, 0, 1);
      add(Voice::kick, first + 10, 2, 0, 0.65, 0, 1);
      add(Voice::clap, first + 8, 2, 0, humanise(0.6), 0.1, 0.6);
      shaker(first, 0.45);
      bassLine(chord, first, BassStyle::held, 0.35, 0.8);
      pads(chord, first, 0.4, 0.35);
      counterLine(chord, first, 0.7, 12);
      arp(chord, first, 1, 0.3, 0.25);
      break;
    case Part::outro: {
      const double fade = barsLeft <= 12 ? static_cast<double>(barsLeft) / 12.0 : 1.0;
      if (barInSection < 16) {
        kicks(first, 0.85 - 0.4 * progress);
        hats(first, 0.6 - 0.3 * progress, false);
        bassLine(chord, first, BassStyle::offbeat, 0.5, 0.8 - 0.3 * progress);
      } else {
        bassLine(chord, first, BassStyle::held, 0.2, 0.6 * fade);
        if (barInSection < 24)
          themeBar(Voice::bell, chord, section, barInSection - 16, first, 1, 0, 12, 0.5 * fade,
                   0.4);
      }
      pads(chord, first, 0.45 - 0.3 * progress, 0.45 * fade);
      if (barsLeft > 2)
        arp(chord, first, 0, 0.45 - 0.3 * progress, 0.3 * fade);
      break;
    }
    }
  }

  // Starts with hats, arpeggio and a snare on the backbeat; the kick and bass
  // come in, the filters open, the roll speeds up and the floor drops out for
  // the last half bar.
  void writeBuild(const Section& section, const Chord& chord, int first, int barInSection,
                  int barsLeft, double progress, bool dropFollows) {
    const int thin = section.bars / 4;
    const int floorSteps = barsLeft == 1 && dropFollows ? 8 : stepsPerBar;
    hats(first, 0.5 + 0.5 * progress, progress > 0.5);
    arp(chord, first, section.variation % 3, 0.2 + 0.7 * progress, 0.35 + 0.3 * progress);
    pads(chord, first, 0.2 + 0.6 * progress, 0.5 + 0.3 * progress);
    if (barInSection >= thin) {
      kicks(first, 0.8 + 0.2 * progress, floorSteps);
      bassLine(chord, first, barsLeft <= 4 ? BassStyle::rolling : BassStyle::offbeat,
               0.2 + 0.6 * progress, 0.9, floorSteps);
    }
    if (barInSection < section.bars / 2)
      add(Voice::snare, first + 12, 2, 0, humanise(0.45), 0.0, 0.5);
    else
      snareRoll(first, barsLeft);
    if (barsLeft == std::min(section.bars, 8))
      riser(first, barsLeft, 0.5);
  }

  // Every drop has the full floor and its own take on the theme; the second
  // half brings in the counter-line.
  void writeDrop(const Section& section, const Chord& chord, int first, int barInSection) {
    const int phraseBar = barInSection % themeBars;
    if (barInSection % 8 == 0)
      add(Voice::crash, first, 16, 0, barInSection == 0 ? 0.8 : 0.45, -0.3, 1);
    kicks(first, 1.0);
    claps(first, 1.0);
    hats(first, 1.0, true);
    const bool secondHalf = barInSection >= section.bars / 2;
    bassLine(chord, first, section.variation % 2 == 0 ? BassStyle::pumping : BassStyle::rolling,
             0.8 + 0.2 * (secondHalf ? 1 : 0), 1.0);
    pads(chord, first, 0.6, 0.85);
    arp(chord, first, section.variation, 0.6 + 0.2 * (secondHalf ? 1 : 0), 0.35);
    const int lift = barInSection >= section.bars - 8 && section.variation != 2 ? 12 : 0;
    switch (section.variation) {
    case 0:
      themeBar(Voice::lead, chord, section, phraseBar, first, 1, 0, lift, 0.9, 0.85);
      break;
    case 1:
      themeBar(Voice::pulse, chord, section, phraseBar, first, 1, 0, lift, 0.9, 0.8, true);
      break;
    case 2:
      themeBar(Voice::bell, chord, section, phraseBar, first, 1, 0, 12, 0.9, 0.9);
      if (secondHalf)
        themeBar(Voice::lead, chord, section, phraseBar, first, 1, 0, 0, 0.55, 0.6);
      break;
    default:
      themeBar(Voice::lead, chord, section, phraseBar, first, 1, 0, lift, 0.95, 0.95);
      if (secondHalf)
        themeBar(Voice::pulse, chord, section, phraseBar, first, 1, 0, lift, 0.55, 0.7, false,
                 true);
      break;
    }
    if (secondHalf && section.variation != 2)
      counterLine(chord, first, 0.6, 0);
    if (barInSection == section.bars - 1)
      fill(first);
  }

  // The notes of the theme that fall in one bar of the section. `stretch`
  // slows the theme down (2: half speed), `offset` says which part of the
  // stretched bar this is; strong beats land on the chord, the rest on the
  // scale. `push` anticipates the beats by a sixteenth; `third` plays a
  // diatonic third below, as a harmony.
  void themeBar(Voice voice, const Chord& chord, const Section& section, int phraseBar, int first,
                int stretch, int offset, int transpose, double velocity, double brightness,
                bool push = false, bool third = false) {
    const int from = (phraseBar % themeBars) * stepsPerBar * stretch + offset;
    for (const MelodyNote& n : theme) {
      const int at = n.step * stretch;
      if (at < from || at >= from + stepsPerBar)
        continue;
      int step = at - from;
      int length = n.length * stretch;
      int pitch = n.pitch + section.key + transpose;
      if (third)
        pitch -= 3;
      pitch =
          n.step % 4 == 0 ? nearestChordTone(chord, pitch) : fitToChord(chord, pitch, section.key);
      if (push && step % 4 == 0 && step > 0) {
        --step;
        ++length;
      }
      const double accent = n.step % 4 == 0 ? 1.0 : 0.85;
      const double v = humanise(velocity * accent);
      const double pan = voice == Voice::lead ? 0.0 : (third ? -0.35 : 0.15);
      add(voice, first + step, length, pitch, v, pan, brightness);
      // Dotted-eighth echoes, left and right.
      if (stretch == 1 && voice != Voice::counter) {
        add(voice, first + step + 3, length, pitch, v * 0.3, -0.7, brightness * 0.6);
        add(voice, first + step + 6, length, pitch, v * 0.15, 0.7, brightness * 0.4);
      }
    }
  }

  // Two notes a bar, chord tones that move by the smallest step they can.
  void counterLine(const Chord& chord, int first, double velocity, int transpose,
                   Voice voice = Voice::counter) {
    for (const int half : {0, 8}) {
      int target = nearestChordTone(chord, counterPitch_ + (half == 0 ? -1 : 2));
      if (target == counterPitch_)
        target = nearestChordTone(chord, counterPitch_ + 3);
      target = std::clamp(target, 55, 71);
      counterPitch_ = target;
      add(voice, first + half, 7, target + transpose, humanise(velocity), -0.3, 0.5);
    }
  }

  void kicks(int first, double velocity, int steps = stepsPerBar) {
    for (int s = 0; s < steps; s += 4)
      add(Voice::kick, first + s, 2, 0, velocity, 0, 1);
  }

  void claps(int first, double level) {
    add(Voice::clap, first + 4, 2, 0, humanise(0.8 * level), 0.08, 0.8);
    add(Voice::clap, first + 12, 2, 0, humanise(0.85 * level), -0.08, 0.8);
  }

  void hats(int first, double level, bool sixteenths) {
    for (int s = 0; s < stepsPerBar; ++s) {
      if (s % 4 == 2) {
        add(sixteenths ? Voice::openHat : Voice::closedHat, first + s, 2, 0, humanise(0.6 * level),
            0.3, 1);
      } else if (s % 4 != 0 && sixteenths) {
        add(Voice::closedHat, first + s, 1, 0, humanise(0.3 * level), -0.3, 1);
      } else if (s % 4 == 0) {
        add(Voice::closedHat, first + s, 1, 0, humanise(0.4 * level), -0.2, 1);
      }
    }
  }

  void shaker(int first, double level) {
    for (int s = 0; s < stepsPerBar; ++s)
      add(Voice::shaker, first + s, 1, 0, humanise(level * (s % 2 == 0 ? 0.5 : 0.8)), 0.45, 1);
  }

  void snareRoll(int first, int barsLeft) {
    const int every = barsLeft > 2 ? 4 : barsLeft == 2 ? 2 : 1;
    for (int s = 0; s < stepsPerBar; s += every) {
      const double rise = 1.0 - (barsLeft - 1 + 1.0 - s / 16.0) / 8.0;
      add(Voice::snare, first + s, 1, 0, 0.35 + 0.55 * std::clamp(rise, 0.0, 1.0), 0.0,
          0.3 + 0.7 * std::clamp(rise, 0.0, 1.0));
    }
  }

  void riser(int first, int bars, double level) {
    add(Voice::riser, first, bars * stepsPerBar, 0, level, 0, 1);
  }

  void fill(int first) {
    for (int s = 8; s < stepsPerBar; ++s)
      add(Voice::snare, first + s, 1, 0, 0.3 + 0.05 * (s - 8), 0, 0.7);
  }

  // Bass notes sit between E1 and D#2 (41 to 78 Hz), under the kick's beat.
  static int bassRoot(const Chord& chord) { return 28 + ((chord.root - 28) % 12 + 12) % 12; }

  enum class BassStyle { held, offbeat, pumping, rolling, syncopated };

  void bassLine(const Chord& chord, int first, BassStyle style, double brightness, double level,
                int steps = stepsPerBar) {
    const int root = bassRoot(chord);
    const int fifthBelow = root - 5;
    const bool walk = (first / stepsPerBar) % 4 == 3; // leading into the next cycle
    auto note = [&](int s, int pitch, int length, double accent) {
      if (s < steps)
        add(Voice::bass, first + s, std::min(length, steps - s), pitch, humanise(level * accent), 0,
            brightness * accent);
    };
    switch (style) {
    case BassStyle::held:
      note(0, root, 7, 0.9);
      note(8, walk ? fifthBelow + 12 : root, 7, 0.8);
      break;
    case BassStyle::offbeat:
      for (int s = 2; s < stepsPerBar; s += 4)
        note(s, root, 2, 1.0);
      break;
    case BassStyle::pumping:
      for (int s = 2; s < stepsPerBar; s += 4)
        note(s, s == 14 && walk ? root + 7 : root, 2, 1.0);
      break;
    case BassStyle::rolling:
      for (int s = 0; s < stepsPerBar; ++s) {
        if (s % 4 == 0)
          continue; // the kick's place
        const int pitch = s >= 13 && walk ? root + (s - 12) * 2 : (s % 8 == 7 ? root + 12 : root);
        note(s, pitch, 1, s % 4 == 2 ? 1.0 : 0.8);
      }
      break;
    case BassStyle::syncopated:
      for (const auto& [s, interval, length] : {std::array{0, 0, 3},
                                                {3, 12, 1},
                                                {6, 0, 2},
                                                {8, 7, 1},
                                                {10, 12, 1},
                                                {11, 0, 2},
                                                {14, walk ? 10 : 3, 2}})
        note(s, root + interval, length, interval == 0 ? 1.0 : 0.8);
      break;
    }
  }

  // Close voicing between E4 and D#5, plus the root an octave below: each
  // chord keeps a tone between G4 and A#4, voiced a little above the rest.
  void pads(const Chord& chord, int first, double brightness, double level) {
    const int home = nearestChordTone(chord, 69);
    for (const int tone : {chord.root, chord.third(), chord.fifth()}) {
      int pitch = tone;
      while (pitch < 64)
        pitch += 12;
      while (pitch >= 76)
        pitch -= 12;
      const double weight = pitch == home ? 1.6 : 1.0;
      add(Voice::pad, first, stepsPerBar, pitch, level * weight, (pitch % 3 - 1) * 0.5, brightness);
    }
    add(Voice::pad, first, stepsPerBar, 52 + ((chord.root - 52) % 12 + 12) % 12, level * 0.6, 0,
        brightness);
  }

  // Off-beat chord stabs, short and bright.
  void stabs(const Chord& chord, int first, double level) {
    for (const int s : {2, 7, 10}) {
      for (const int tone : {chord.root, chord.third(), chord.fifth()}) {
        const int pitch = tone < 64 ? tone + 12 : tone;
        add(Voice::arp, first + s, 1, pitch, humanise(level * 0.6), (pitch % 2) * 0.6 - 0.3, 0.8);
      }
    }
  }

  // Sixteenths over the chord, returning to the chord's tone nearest A4
  // between the others; the pattern changes with the section.
  void arp(const Chord& chord, int first, int pattern, double brightness, double level) {
    const int home = nearestChordTone(chord, 69);
    std::array<int, 3> above{};
    int n = 0;
    for (const int tone : {chord.root, chord.third(), chord.fifth()}) {
      int pitch = tone;
      while (pitch <= home)
        pitch += 12;
      while (pitch > home + 12)
        pitch -= 12;
      above[static_cast<std::size_t>(n++)] = pitch;
    }
    std::sort(above.begin(), above.end());
    const int low = home - 12 + (above[0] - home);
    using Line = std::array<int, 8>;
    const std::array<Line, 4> lines{
        {{home, above[0], home, above[1], home, above[2], home, above[1]},
         {home, above[0], above[1], home, above[2], above[1], home, low},
         {home, home + 12, above[1], home, above[0], home, above[2], home},
         {above[2], home, above[1], home, above[0], home, low, home}}};
    const Line& line = lines[static_cast<std::size_t>(pattern % 4)];
    for (int s = 0; s < stepsPerBar; ++s) {
      const int pitch = line[static_cast<std::size_t>(s % 8)];
      add(Voice::arp, first + s, 1, pitch, humanise(level * (s % 4 == 0 ? 1.0 : 0.8)),
          s % 2 == 0 ? 0.5 : -0.5, brightness);
    }
  }

  Random random_;
  Step steps_;
  Score score_;
  int counterPitch_ = 64;
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
