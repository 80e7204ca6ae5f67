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
    {Part::outro, 32, 0, 0, 0}, // home to A minor, into the loop's start
}};

struct Step {
  std::int64_t at(int step) const { return stepStart(step); }
  std::int64_t span(int from, int count) const { return at(from + count) - at(from); }
};

// Hi-hat patterns, a character a sixteenth: 'x' an accented closed hat, '.' a
// ghost, 'o' an open hat, '-' nothing (the kick's place, mostly).
constexpr std::array<const char*, 5> hatPatterns{{
    "-.o.-.o.-.o.-.o.",
    "x-o-x-o-x-o-x-o-",
    "-.o..xo.-.o..xo.",
    "-.o.-.o.-.oxx.o.",
    "x.o.x.o.x.oxo.ox",
}};

// How a part plays the theme over one bar.
struct ThemeLine {
  Voice voice;
  int stretch = 1;   // 2: half speed
  int offset = 0;    // steps into the stretched bar this bar starts at
  int transpose = 0; // semitones
  double velocity = 1.0;
  double brightness = 0.5;
  // 1 swaps call and answer and anticipates the beats by a sixteenth, 2 turns
  // long notes into a note and its upper neighbour, 3 anticipates.
  int take = 0;
  bool third = false; // a diatonic third below
  int steps = stepsPerBar;
};

struct ArpLine {
  int pattern = 0;
  double brightness = 0.5;
  double level = 0.5;
  int steps = stepsPerBar;
  int centre = 81;     // the chord tone nearest it is home
  double lowCut = 0.0; // Hz
};

struct PadChord {
  double brightness = 0.5;
  double level = 0.5;
  int steps = stepsPerBar;
  int lowest = 52;     // E3: close voicing from here up
  double lowCut = 0.0; // Hz: thins the chord out of the low mids
};

enum class BassStyle { held, offbeat, pumping, rolling, syncopated };

struct BassLine {
  BassStyle style = BassStyle::held;
  double brightness = 0.5;
  double level = 1.0;
  int steps = stepsPerBar;
  int octaves = 0;  // above the sub's E1..D#2
  double sub = 1.0; // under the kick's sub in the drops, so the kick stands out
};

struct HatLine {
  double level = 1.0;
  int pattern = 0;
  bool open = false; // open hats ring, otherwise they close
  int steps = stepsPerBar;
};

// Where in the piece a bar falls, and what it plays over.
struct BarPlace {
  const Section& section;
  int inSection; // bar of the section, from 0
  int first;     // the bar's first step in the piece
  Chord chord;
  double progress;  // 0..1 through the section
  int barsLeft;     // in the section, this one included
  bool dropFollows; // the next section is a drop
};

// How a drop's floor plays in one of its eight-bar phrases.
enum class Floor {
  full,     // kick, claps, hats and the full pads and arpeggio
  stripped, // a softer kick, ghost hats, quiet bass and lead: the drop breathes
  halfTime  // a kick on one and three, a clap on three
};

// What each eight bars of a drop do. The first states the theme and the
// second restates it over another floor, so the hook comes back; the second
// half takes it over the next cycle of chords, pushed or lifted.
struct DropPhrase {
  Floor floor = Floor::full;
  int take = 0;           // how the theme is taken (see ThemeLine)
  bool lift = false;      // an octave up, over the theme's own octave
  bool nextCycle = false; // over the next cycle of chords
  bool layer = false;     // the drop's own layer plays
  bool counter = false;   // the counter-line plays
};

// One plan a drop, so no two drops move alike: each quietens at another
// place, and each has a layer of its own (ride, stabs, shaker, ride and
// stabs) that comes and goes on its own schedule.
constexpr std::array<std::array<DropPhrase, 4>, 4> dropPlans{{
    {{{},
      {.floor = Floor::stripped, .layer = true},
      {.take = 1, .nextCycle = true, .layer = true, .counter = true},
      {.take = 3, .lift = true, .nextCycle = true, .layer = true, .counter = true}}},
    {{{.layer = true},
      {.floor = Floor::halfTime},
      {.floor = Floor::stripped, .take = 1, .nextCycle = true},
      {.take = 3, .lift = true, .nextCycle = true, .layer = true, .counter = true}}},
    {{{},
      {.layer = true},
      {.floor = Floor::halfTime, .take = 2, .nextCycle = true, .layer = true},
      {.floor = Floor::stripped, .take = 3, .nextCycle = true, .counter = true}}},
    {{{.layer = true},
      {.counter = true},
      {.floor = Floor::stripped, .take = 1, .lift = true, .nextCycle = true},
      {.floor = Floor::halfTime, .take = 3, .nextCycle = true, .layer = true}}},
}};

// The drop's bar where the floor stops for a breath: the last before a full
// phrase that follows a quieter one.
constexpr int breathBar(int variation) {
  const auto& plan = dropPlans[static_cast<std::size_t>(variation % 4)];
  for (std::size_t p = 1; p < plan.size(); ++p)
    if (plan[p].floor == Floor::full && plan[p - 1].floor != Floor::full)
      return static_cast<int>(p) * themeBars - 1;
  return 2 * themeBars - 1;
}

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
        writeBar(placeOf(section, b, bar + b, dropFollows));
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
    case Part::build: // rises to the drop's level; its last bars pull back
      return 1.0;
    case Part::groove:
      return 0.97;
    case Part::interlude:
      return 0.9;
    case Part::breakdown:
      return 0.72;
    default:
      return 0.85;
    }
  }

  static BarPlace placeOf(const Section& section, int inSection, int bar, bool dropFollows) {
    // Drops take the theme over the next cycle of chords where their plan
    // says; the groove turns to the theme's own chords every other eight bars.
    const int phrase = inSection / themeBars;
    int progression = section.progression;
    if (section.part == Part::drop && dropPlans[static_cast<std::size_t>(section.variation % 4)]
                                               [static_cast<std::size_t>(phrase % 4)]
                                                   .nextCycle)
      progression = (section.progression + 1) % 3;
    if (section.part == Part::groove && phrase % 2 == 1)
      progression = 0;
    Chord chord =
        progressions[static_cast<std::size_t>(progression)][static_cast<std::size_t>(bar % 4)]
            .transposed(section.key);
    // The last two bars pull home, E to A minor, into the start of the loop.
    if (section.part == Part::outro && section.bars - inSection <= 2)
      chord = section.bars - inSection == 2 ? chords::E : chords::Am;
    return {section,
            inSection,
            bar * stepsPerBar,
            chord,
            static_cast<double>(inSection) / section.bars,
            section.bars - inSection,
            dropFollows};
  }

  void writeBar(const BarPlace& at) {
    key_ = at.section.key;
    switch (at.section.part) {
    case Part::intro:
      intro(at);
      break;
    case Part::build:
      build(at);
      break;
    case Part::drop:
      drop(at);
      break;
    case Part::breakdown:
      breakdown(at);
      break;
    case Part::groove:
      groove(at);
      break;
    case Part::interlude:
      interlude(at);
      break;
    case Part::outro:
      outro(at);
      break;
    }
  }

  // The note, for the callers that set its low cut or sub.
  Note& add(Voice voice, int step, int steps, double pitch, double velocity, double pan,
            double brightness) {
    score_.notes.push_back({voice, steps_.at(step), steps_.span(step, steps), pitch, velocity, pan,
                            brightness, random_.next()});
    if (voice == Voice::kick)
      score_.kicks.push_back(steps_.at(step));
    return score_.notes.back();
  }

  double humanise(double velocity) { return velocity * (0.88 + 0.12 * random_.unit()); }

  // A soft kick from the first bar, as a DJ would want to mix in over it.
  void intro(const BarPlace& at) {
    kicks(at.first, 0.35 + 0.55 * at.progress);
    if (at.inSection >= 4)
      hats(at.first, {.level = 0.4 + 0.4 * at.progress,
                      .pattern = at.inSection >= 12 ? 1 : 0,
                      .open = at.inSection >= 12});
    if (at.inSection >= 8) {
      shaker(at.first, 0.3 + 0.3 * at.progress);
      bassLine(
          at.chord, at.first,
          {.style = BassStyle::offbeat, .brightness = 0.25 + 0.3 * at.progress, .level = 0.75});
    }
    pads(at.chord, at.first,
         {.brightness = 0.15 + 0.35 * at.progress, .level = 0.3 + 0.3 * at.progress});
    arp(at.chord, at.first,
        {.pattern = 0, .brightness = 0.15 + 0.35 * at.progress, .level = 0.35 + 0.3 * at.progress});
  }

  // Starts thin and low, with hats, arpeggio and a snare on the backbeat;
  // the filters open, the pads and the roll come in and speed up, and the
  // last half bar holds its breath.
  void build(const BarPlace& at) {
    const Section& section = at.section;
    const double progress = at.progress;
    const int steps = at.barsLeft == 1 && at.dropFollows ? 8 : stepsPerBar;
    const double rise = 0.5 + 0.5 * progress;
    // The last two bars before a drop pull back under the riser and the
    // roll, so the drop lands from below.
    const double held = at.dropFollows && at.barsLeft <= 2 ? 0.35 : 1.0;
    hats(at.first, {.level = held * rise * (0.5 + 0.5 * progress),
                    .pattern = progress >= 0.5 ? 2 : 1,
                    .steps = steps});
    // Round A4 here, where the lead has not come in yet.
    arp(at.chord, at.first,
        {.pattern = section.variation % 3,
         .brightness = 0.1 + 0.8 * progress,
         .level = held * rise * (0.4 + 0.3 * progress),
         .steps = steps,
         .centre = 69,
         .lowCut = 350.0});
    // High, open and thin here; at the drop they step down under the lead.
    // The pads hold on through the pull-back: the picture keeps its colour
    // from them while the drums thin out.
    pads(at.chord, at.first,
         {.brightness = 0.15 + 0.7 * progress,
          .level = rise * 0.75,
          .steps = steps,
          .lowest = 67,
          .lowCut = 380.0});
    // A soft kick, growing, until the last four bars, which leave it out, so
    // that it lands again with the drop; the bass plucks an octave up, its
    // filter opening, and the sub waits for the drop.
    if (at.barsLeft > 4)
      kicks(at.first, 0.5 + 0.2 * progress);
    bassLine(at.chord, at.first,
             {.style = BassStyle::offbeat,
              .brightness = 0.15 + 0.3 * progress,
              .level = held * rise * 0.5,
              .steps = steps,
              .octaves = 1});
    // The theme's call, teased through a filter that opens with the build.
    if (at.inSection >= section.bars / 4)
      themeBar({.voice = Voice::lead,
                .velocity = held * 0.6 * rise,
                .brightness = 0.1 + 0.6 * progress,
                .steps = steps},
               at, at.inSection % 4);
    if (at.inSection < section.bars / 2)
      add(Voice::snare, at.first + 12, 2, 0, humanise(0.45 * rise), 0.0, 0.5);
    else
      snareRoll(at.first, at.barsLeft, steps, held);
    if (at.barsLeft == std::min(section.bars, 8))
      add(Voice::riser, at.first, at.barsLeft * stepsPerBar - (at.dropFollows ? 8 : 0), 0, 0.5, 0,
          1);
  }

  // Every drop lands with an impact and follows its own plan: the theme
  // stated, restated over another floor, then pushed or lifted over the next
  // cycle of chords; a fill closes every eight bars, and the floor stops for
  // a bar before the drop's second landing.
  void drop(const BarPlace& at) {
    const Section& section = at.section;
    const int first = at.first;
    const Chord& chord = at.chord;
    const int phrase = at.inSection / themeBars;
    const int phraseBar = at.inSection % themeBars;
    const DropPhrase& plan = dropPlans[static_cast<std::size_t>(section.variation % 4)]
                                      [static_cast<std::size_t>(phrase)];
    const bool breath = at.inSection == breathBar(section.variation);
    const bool full = plan.floor == Floor::full;
    if (at.inSection == 0) {
      // The landing: a sub boom under a bright crash.
      add(Voice::impact, first, 16, 0, 1.0, 0, 1);
      add(Voice::crash, first, 16, 0, 1.0, -0.2, 1);
    } else if (phraseBar == 0) {
      add(Voice::crash, first, 16, 0, 0.45, -0.3, 0);
    }
    if (!breath)
      dropFloor(plan.floor, first);
    // Through the breath the bass holds, so the floor stops but the ground
    // does not.
    const BassStyle bassStyle = breath                       ? BassStyle::held
                                : section.variation % 2 == 0 ? BassStyle::pumping
                                                             : BassStyle::rolling;
    bassLine(chord, first,
             {.style = bassStyle,
              .brightness = 0.8 + 0.2 * (phrase >= 2 ? 1 : 0),
              .level = breath ? 0.6
                       : full ? 1.0
                              : 0.4,
              .sub = breath ? 1.0 : 0.4});
    if (plan.layer)
      dropLayer(section.variation, chord, first, full ? 1.0 : 0.7);
    if (plan.floor != Floor::stripped) {
      pads(chord, first, {.brightness = 0.6, .level = 0.45});
      // The arpeggio's filter sweeps over sixteen bars.
      arp(chord, first,
          {.pattern = section.variation + phrase,
           .brightness = 0.3 + 0.4 * std::sin(at.inSection * std::numbers::pi / 16.0),
           .level = 0.45 + 0.15 * (phrase >= 2 ? 1 : 0)});
    }
    dropMelody(plan, at, phraseBar);
    if (plan.counter && section.variation != 2)
      counterLine(chord, first, 0.6, 0);
    if (phraseBar == 7)
      fill(first);
  }

  void dropFloor(Floor floor, int first) {
    switch (floor) {
    case Floor::full:
      kicks(first, 1.0);
      claps(first, 1.0);
      hats(first, {.level = 0.55, .pattern = (first / stepsPerBar / 4) % 5, .open = true});
      break;
    case Floor::stripped:
      kicks(first, 0.6);
      hats(first, {.level = 0.45});
      break;
    case Floor::halfTime:
      kickAt(first, 1.0);
      kickAt(first + 8, 0.9);
      add(Voice::clap, first + 8, 2, 0, humanise(0.9), 0.05, 0.8);
      hats(first, {.level = 0.7, .pattern = 3, .open = true});
      break;
    }
  }

  // Each drop's own layer.
  void dropLayer(int variation, const Chord& chord, int first, double level) {
    switch (variation % 4) {
    case 0:
      rides(first, level);
      break;
    case 1:
      stabs(chord, first, 0.7 * level);
      shaker(first, 0.8 * level);
      break;
    case 2:
      shaker(first, 0.9 * level);
      break;
    default:
      rides(first, level);
      stabs(chord, first, 0.5 * level);
      break;
    }
  }

  // Each drop's melody voice and its doubling; quieter over a stripped floor.
  void dropMelody(const DropPhrase& plan, const BarPlace& at, int phraseBar) {
    const int variation = at.section.variation;
    const double voice = plan.floor == Floor::stripped ? 0.55 : 1.0;
    const int lift = plan.lift ? 12 : 0;
    const int take = plan.take;
    switch (variation % 4) {
    case 0:
      themeBar({.voice = Voice::lead,
                .transpose = lift,
                .velocity = 0.9 * voice,
                .brightness = 0.85,
                .take = take},
               at, phraseBar);
      break;
    case 1:
      themeBar({.voice = Voice::pulse,
                .transpose = lift,
                .velocity = 0.9 * voice,
                .brightness = 0.8,
                .take = take},
               at, phraseBar);
      break;
    case 2:
      themeBar({.voice = Voice::bell,
                .transpose = 12,
                .velocity = 0.9 * voice,
                .brightness = 0.9,
                .take = take},
               at, phraseBar);
      if (plan.take != 0)
        themeBar({.voice = Voice::lead, .velocity = 0.55, .brightness = 0.6, .take = take}, at,
                 phraseBar);
      return;
    default:
      themeBar({.voice = Voice::lead,
                .transpose = lift,
                .velocity = 0.95 * voice,
                .brightness = 0.95,
                .take = take},
               at, phraseBar);
      if (plan.take != 0)
        themeBar({.voice = Voice::pulse,
                  .transpose = lift,
                  .velocity = 0.55,
                  .brightness = 0.7,
                  .take = take,
                  .third = true},
                 at, phraseBar);
      break;
    }
    // The lifted phrase keeps the theme's own octave underneath, softer.
    if (lift != 0)
      themeBar({.voice = Voice::lead, .velocity = 0.5 * voice, .brightness = 0.6, .take = take}, at,
               phraseBar);
  }

  void breakdown(const BarPlace& at) {
    if (at.inSection == 0)
      add(Voice::crash, at.first, 16, 0, 0.5, 0.3, 0);
    bassLine(at.chord, at.first, {.style = BassStyle::held, .brightness = 0.1, .level = 0.6});
    // Dark pads, thinned out of the low mids: their upper partials, shared by
    // the cycle's chords, stay low, and the air above them is the noise's.
    pads(at.chord, at.first,
         {.brightness = 0.12 + 0.1 * at.progress, .level = 0.45, .lowCut = 400.0});
    add(Voice::air, at.first, stepsPerBar, 0, 0.6 + 0.4 * at.progress, 0, 1);
    if (at.section.variation == 0) {
      // The theme at half speed on a bell, over the open chords.
      themeBar({.voice = Voice::bell,
                .stretch = 2,
                .offset = (at.inSection % 2) * stepsPerBar,
                .transpose = 12,
                .velocity = 0.32,
                .brightness = 0.5},
               at, at.inSection / 2);
    } else {
      // The answer, then the call, low, soft and at half speed on the
      // hollow voice, long notes stepping to their upper neighbour halfway
      // so that no tone hangs; the arpeggio comes back.
      themeBar({.voice = Voice::counter,
                .stretch = 2,
                .offset = (at.inSection % 2) * stepsPerBar,
                .velocity = 0.3,
                .brightness = 0.6,
                .take = 2},
               at, 4 + at.inSection / 2);
    }
    // The arpeggio stirs from the first bar, so the chords' tails never
    // hang alone, and grows through the section; it turns about a new
    // note every bar, across the four-bar chords, and every third bar drops
    // an octave, out of the register the chords share.
    arp(at.chord, at.first,
        {.pattern = 1,
         .brightness = 0.1 + 0.35 * at.progress,
         .level = 0.12 + 0.48 * at.progress,
         .steps = stepsPerBar,
         .centre = std::array{79, 74, 67}[static_cast<std::size_t>(at.inSection % 3)]});
    if (at.barsLeft <= 4 && at.dropFollows)
      riser(at.first, 1, 0.4);
  }

  // Four eight-bar turns: the syncopated bass and stabs, then the theme's own
  // chords under a ride, the counter-line, and everything together.
  void groove(const BarPlace& at) {
    const int turn = at.inSection / 8;
    kicks(at.first, 0.95);
    claps(at.first, 0.85);
    hats(at.first,
         {.level = 0.8, .pattern = (at.inSection / 4) % 5, .open = at.inSection % 8 >= 4});
    shaker(at.first, 0.7);
    bassLine(at.chord, at.first,
             {.style = turn % 2 == 0 ? BassStyle::syncopated : BassStyle::rolling,
              .brightness = 0.6,
              .level = 1.0});
    if (turn != 1)
      stabs(at.chord, at.first, 0.5 + 0.3 * at.progress);
    if (turn % 2 == 1)
      rides(at.first, 0.7);
    // The arpeggio's filter opens and closes over sixteen bars.
    arp(at.chord, at.first,
        {.pattern = 2 + turn,
         .brightness = 0.35 + 0.3 * std::sin(2.0 * at.progress * std::numbers::pi),
         .level = 0.4});
    if (at.inSection % 8 == 7)
      fill(at.first);
    if (turn >= 2)
      counterLine(at.chord, at.first, 0.6, 12, Voice::pulse);
  }

  // Half time: the floor thins out and the counter-line takes the tune.
  void interlude(const BarPlace& at) {
    kickAt(at.first, 0.8);
    kickAt(at.first + 10, 0.65);
    add(Voice::clap, at.first + 8, 2, 0, humanise(0.6), 0.1, 0.6);
    shaker(at.first, 0.45);
    bassLine(at.chord, at.first, {.style = BassStyle::held, .brightness = 0.35, .level = 0.8});
    pads(at.chord, at.first, {.brightness = 0.6, .level = 0.5});
    counterLine(at.chord, at.first, 0.42, 12, Voice::counter, 4);
    arp(at.chord, at.first, {.pattern = 1, .brightness = 0.3, .level = 0.25});
  }

  // The floor thins out, the bell takes the theme once more, and the last
  // bars sound like the first ones: the loop's join is a bar line.
  void outro(const BarPlace& at) {
    const double progress = at.progress;
    if (at.inSection < 16) {
      kicks(at.first, 0.85 - 0.4 * progress);
      hats(at.first, {.level = 0.6 - 0.3 * progress, .pattern = 1});
      bassLine(at.chord, at.first,
               {.style = BassStyle::offbeat, .brightness = 0.5, .level = 0.8 - 0.3 * progress});
    } else {
      bassLine(at.chord, at.first, {.style = BassStyle::held, .brightness = 0.2, .level = 0.5});
      if (at.inSection < 24)
        themeBar({.voice = Voice::bell, .transpose = 12, .velocity = 0.5, .brightness = 0.4}, at,
                 at.inSection - 16);
    }
    if (at.barsLeft <= 4)
      kicks(at.first, 0.35);
    pads(at.chord, at.first, {.brightness = 0.45 - 0.3 * progress, .level = 0.35});
    arp(at.chord, at.first, {.pattern = 0, .brightness = 0.45 - 0.3 * progress, .level = 0.3});
  }

  // The notes of the theme that fall in one bar of the section, from bar
  // `phraseBar` of the eight; strong beats land on the chord, the rest on
  // the scale.
  void themeBar(const ThemeLine& line, const BarPlace& at, int phraseBar) {
    const Chord& chord = at.chord;
    const int key = at.section.key;
    if (line.take == 1)
      phraseBar += themeBars / 2;
    const int from = (phraseBar % themeBars) * stepsPerBar * line.stretch + line.offset;
    const bool push = line.take == 1 || line.take == 3;
    for (const MelodyNote& n : theme) {
      const int noteAt = n.step * line.stretch;
      if (noteAt < from || noteAt >= from + stepsPerBar)
        continue;
      int step = noteAt - from;
      int length = std::min(n.length * line.stretch, line.steps - step);
      if (length <= 0)
        continue;
      int pitch = n.pitch + key + line.transpose;
      if (line.third)
        pitch -= 3;
      pitch = n.step % 4 == 0 ? nearestChordTone(chord, pitch) : fitToChord(chord, pitch, key);
      if (push && step % 4 == 0 && step > 0) {
        --step;
        ++length;
      }
      const double accent = n.step % 4 == 0 ? 1.0 : 0.85;
      const double v = humanise(line.velocity * accent);
      const double pan = line.voice == Voice::lead ? 0.0 : (line.third ? -0.35 : 0.15);
      if (line.take == 2 && length >= 3 && step + length <= stepsPerBar) {
        const int half = length / 2;
        add(line.voice, at.first + step, half, pitch, v, pan, line.brightness);
        add(line.voice, at.first + step + half, length - half, fitToChord(chord, pitch + 2, key),
            v * 0.85, pan, line.brightness);
      } else {
        add(line.voice, at.first + step, length, pitch, v, pan, line.brightness);
      }
    }
  }

  // Chord tones, `notes` a bar, that move by the smallest step they can.
  void counterLine(const Chord& chord, int first, double velocity, int transpose,
                   Voice voice = Voice::counter, int notes = 2) {
    const int length = stepsPerBar / notes;
    for (int at = 0; at < stepsPerBar; at += length) {
      int target = nearestChordTone(chord, counterPitch_ + ((at / length) % 2 == 0 ? -1 : 2));
      if (target == counterPitch_)
        target = nearestChordTone(chord, counterPitch_ + 3);
      // Folded back by an octave, so it stays a chord tone between G3 and B4.
      while (target > 71)
        target -= 12;
      while (target < 55)
        target += 12;
      counterPitch_ = target;
      add(voice, first + at, length - 1, target + transpose, humanise(velocity), -0.3, 0.5);
    }
  }

  // Four on the floor with an accent curve: the one strongest, the three next.
  void kicks(int first, double velocity, int steps = stepsPerBar) {
    constexpr std::array<double, 4> accents{1.0, 0.8, 0.92, 0.84};
    for (int s = 0; s < steps; s += 4)
      kickAt(first + s, velocity * accents[static_cast<std::size_t>(s / 4)]);
  }

  // The kick's sub and its click, which the mixer treats apart.
  void kickAt(int step, double velocity) {
    add(Voice::kick, step, 2, 0, velocity, 0, 1);
    add(Voice::kickClick, step, 1, 0, velocity, 0, 1);
  }

  // A ride on the off beats, the open top of a drop.
  void rides(int first, double level) {
    for (int s = 2; s < stepsPerBar; s += 4)
      add(Voice::ride, first + s, 2, 0, humanise(level * (s == 10 ? 0.8 : 0.7)), 0.35, 1);
  }

  void claps(int first, double level) {
    add(Voice::clap, first + 4, 2, 0, humanise(0.8 * level), 0.08, 0.8);
    add(Voice::clap, first + 12, 2, 0, humanise(0.85 * level), -0.08, 0.8);
  }

  // One of the hat patterns; `open` lets the open hats ring, otherwise they
  // close. The hats drift across the stereo field over eight bars.
  void hats(int first, const HatLine& hat) {
    const char* line = hatPatterns[static_cast<std::size_t>(hat.pattern) % hatPatterns.size()];
    const double level = hat.level;
    const double drift = 0.35 * std::sin(2.0 * std::numbers::pi * first / (8.0 * stepsPerBar));
    for (int s = 0; s < hat.steps; ++s) {
      switch (line[s]) {
      case 'x':
        add(Voice::closedHat, first + s, 1, 0, humanise(0.55 * level), drift - 0.2, 1);
        break;
      case '.':
        add(Voice::closedHat, first + s, 1, 0, humanise(0.25 * level), drift + 0.3, 1);
        break;
      case 'o':
        add(hat.open ? Voice::openHat : Voice::closedHat, first + s, 2, 0, humanise(0.6 * level),
            0.3 - drift, 1);
        break;
      default:
        break;
      }
    }
  }

  void shaker(int first, double level) {
    for (int s = 0; s < stepsPerBar; ++s)
      add(Voice::shaker, first + s, 1, 0, humanise(level * (s % 2 == 0 ? 0.5 : 0.8)), 0.45, 1);
  }

  void snareRoll(int first, int barsLeft, int steps, double level) {
    const int every = barsLeft > 2 ? 4 : barsLeft == 2 ? 2 : 1;
    for (int s = 0; s < steps; s += every) {
      const double rise = 1.0 - (barsLeft - 1 + 1.0 - s / 16.0) / 8.0;
      add(Voice::snare, first + s, 1, 0, level * (0.35 + 0.55 * std::clamp(rise, 0.0, 1.0)), 0.0,
          0.3 + 0.7 * std::clamp(rise, 0.0, 1.0));
    }
  }

  void riser(int first, int bars, double level) {
    add(Voice::riser, first, bars * stepsPerBar, 0, level, 0, 1);
  }

  // Snare sixteenths over the last half bar, rising, into the next phrase.
  void fill(int first) {
    for (int s = 8; s < stepsPerBar; ++s)
      add(Voice::snare, first + s, 1, 0, humanise(0.3 + 0.06 * (s - 8)), 0, 0.7);
  }

  // Bass notes sit between E1 and D#2 (41 to 78 Hz), under the kick's beat,
  // unless lifted by `octaves`.
  static int bassRoot(const Chord& chord) { return 28 + ((chord.root - 28) % 12 + 12) % 12; }

  void bassLine(const Chord& chord, int first, const BassLine& line) {
    const int root = bassRoot(chord) + 12 * line.octaves;
    const int steps = line.steps;
    const int fifthBelow = root - 5;
    const bool walk = (first / stepsPerBar) % 4 == 3; // leading into the next cycle
    auto note = [&](int s, int pitch, int length, double accent) {
      if (s < steps) {
        add(Voice::bass, first + s, std::min(length, steps - s), pitch,
            humanise(line.level * accent), 0, line.brightness * accent)
            .sub = line.sub;
      }
    };
    switch (line.style) {
    case BassStyle::held:
      note(0, root, 7, 0.9);
      note(8, walk ? fifthBelow + 12 : root, 7, 0.8);
      break;
    case BassStyle::offbeat:
      for (int s = 2; s < stepsPerBar; s += 4)
        note(s, root, 3, 1.0);
      break;
    case BassStyle::pumping:
      for (int s = 2; s < stepsPerBar; s += 4)
        note(s, s == 14 && walk ? root + 7 : root, 2, 1.0);
      break;
    case BassStyle::rolling:
      for (int s = 0; s < stepsPerBar; ++s) {
        if (s % 4 == 0)
          continue; // the kick's place
        // The walk up into the next chord stays on the scale.
        const int pitch = s >= 13 && walk ? fitToChord(chord, root + (s - 12) * 2, key_)
                                          : (s % 8 == 7 ? root + 12 : root);
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
        // The chord's own third, and a seventh from the scale.
        note(s,
             interval == 3    ? root + chord.third() - chord.root
             : interval == 10 ? fitToChord(chord, root + 10, key_)
                              : root + interval,
             length, interval == 0 ? 1.0 : 0.8);
      break;
    }
  }

  // Close voicing from `lowest` up, by default E3 to D#4, under the lead.
  void pads(const Chord& chord, int first, const PadChord& pad) {
    const int lowest = pad.lowest;
    for (const int tone : {chord.root, chord.third(), chord.fifth()}) {
      int pitch = tone;
      while (pitch < lowest)
        pitch += 12;
      while (pitch >= lowest + 12)
        pitch -= 12;
      add(Voice::pad, first, pad.steps, pitch, pad.level, (pitch % 3 - 1) * 0.5, pad.brightness)
          .lowCut = pad.lowCut;
    }
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

  // Sixteenths over the chord, above the lead unless told, returning to the chord's tone
  // nearest `centre` between the others; the pattern changes with the section and
  // the phrase, and the notes swing from side to side, wider as the bar goes.
  void arp(const Chord& chord, int first, const ArpLine& arpLine) {
    const int home = nearestChordTone(chord, arpLine.centre);
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
         {home, low, above[1], home, above[0], home, above[2], low},
         {above[2], home, above[1], home, above[0], home, low, home}}};
    const Line& line = lines[static_cast<std::size_t>(arpLine.pattern % 4)];
    for (int s = 0; s < arpLine.steps; ++s) {
      const int pitch = line[static_cast<std::size_t>(s % 8)];
      const double width = 0.25 + 0.5 * s / stepsPerBar;
      add(Voice::arp, first + s, 1, pitch, humanise(arpLine.level * (s % 4 == 0 ? 1.0 : 0.75)),
          s % 2 == 0 ? width : -width, arpLine.brightness)
          .lowCut = arpLine.lowCut;
    }
  }

  Random random_;
  Step steps_;
  Score score_;
  int counterPitch_ = 64;
  int key_ = 0; // of the section being written
};

} // namespace

std::int64_t stepStart(int step) {
  const double lag = step % 2 != 0 ? swing : 0.0;
  return static_cast<std::int64_t>(std::llround((static_cast<double>(step) + lag) * stepFrames));
}

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
                     steps.at(next * stepsPerBar), section.key});
    bar = next;
  }
  return spans;
}
