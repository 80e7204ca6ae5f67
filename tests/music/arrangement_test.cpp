// The arrangement bar by bar: the voices of one bar agree on its chord, the
// drums and the sub come and go with the sections, and nothing is held over a
// section's end or into the breath before a drop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "music/score.h"

namespace {

const Score& piece() {
  static const Score score = composeScore(pieceSeed);
  return score;
}

int pitchClass(double pitch) {
  return (static_cast<int>(pitch) % 12 + 12) % 12;
}

// Bass below E2: the sub that only kick-driven sections carry.
constexpr double subTop = 40.0;

struct Triad {
  int root; // pitch class
  std::set<int> tones;
};

// The notes starting in each bar, by voice.
struct Bar {
  std::int64_t start = 0, end = 0;
  std::map<Voice, std::vector<const Note*>> voices;
  bool has(Voice v) const { return voices.count(v) > 0; }
  const std::vector<const Note*>& of(Voice v) const {
    static const std::vector<const Note*> none;
    const auto found = voices.find(v);
    return found == voices.end() ? none : found->second;
  }
};

std::vector<Bar> barsOf(const Score& score) {
  std::vector<Bar> bars;
  for (int bar = 0; stepStart(bar * stepsPerBar) < score.frames; ++bar)
    bars.push_back({stepStart(bar * stepsPerBar), stepStart((bar + 1) * stepsPerBar), {}});
  for (const Note& n : score.notes) {
    const auto at = std::upper_bound(bars.begin(), bars.end(), n.start,
                                     [](std::int64_t f, const Bar& b) { return f < b.start; });
    (at - 1)->voices[n.voice].push_back(&n);
  }
  return bars;
}

// The triad the pads hold over the bar, if they play.
std::optional<Triad> padChord(const Bar& bar) {
  const auto& pads = bar.of(Voice::pad);
  if (pads.empty())
    return std::nullopt;
  std::set<int> classes;
  for (const Note* n : pads)
    classes.insert(pitchClass(n->pitch));
  for (const int root : classes)
    for (const int third : {3, 4})
      if (classes == std::set<int>{root, (root + third) % 12, (root + 7) % 12})
        return Triad{root, classes};
  ADD_FAILURE() << "the pads at " << bar.start << " hold no major or minor triad";
  return std::nullopt;
}

// Sections with the bars they hold, first bar of the piece counted as 0.
struct SectionBars {
  std::string name;
  std::size_t first, count;
};

std::vector<SectionBars> sectionBars() {
  std::vector<SectionBars> found;
  for (const SectionSpan& s : sectionSpans()) {
    const auto bar =
        static_cast<std::size_t>(std::llround(static_cast<double>(s.start) / stepFrames)) /
        stepsPerBar;
    const auto end =
        static_cast<std::size_t>(std::llround(static_cast<double>(s.end) / stepFrames)) /
        stepsPerBar;
    found.push_back({s.name, bar, end - bar});
  }
  return found;
}

bool isDrum(Voice v) {
  return v == Voice::kick || v == Voice::clap || v == Voice::snare || v == Voice::closedHat ||
         v == Voice::openHat || v == Voice::shaker;
}

} // namespace

TEST(ArrangementTest, EveryVoiceOfABarPlaysThePadsChord) {
  const std::vector<Bar> bars = barsOf(piece());
  const std::vector<SectionBars> sections = sectionBars();
  int checkedBars = 0, checkedMelody = 0;
  for (const SectionBars& section : sections)
    for (std::size_t b = section.first; b < section.first + section.count; ++b) {
      const Bar& bar = bars[b];
      const std::optional<Triad> chord = padChord(bar);
      if (!chord)
        continue;
      ++checkedBars;
      // Arpeggios and stabs spell the chord and nothing else.
      for (const Note* n : bar.of(Voice::arp))
        ASSERT_TRUE(chord->tones.count(pitchClass(n->pitch)))
            << "arp " << n->pitch << " at " << n->start << " over root " << chord->root;
      // The bass starts each bar on the chord's root, in any octave.
      const auto& bass = bar.of(Voice::bass);
      if (!bass.empty()) {
        EXPECT_EQ(pitchClass(bass.front()->pitch), chord->root) << "bass at " << bar.start;
      }
      // The counter-line is made of chord tones wherever it is not the theme.
      if (section.name != "breakdown") {
        for (const Note* n : bar.of(Voice::counter))
          EXPECT_TRUE(chord->tones.count(pitchClass(n->pitch)))
              << "counter " << n->pitch << " at " << n->start;
      }
      // The theme's notes on the bar line land on the chord.
      if (section.name == "drop" || section.name == "build")
        for (const Voice v : {Voice::lead, Voice::pulse, Voice::bell})
          for (const Note* n : bar.of(v))
            if (n->start == bar.start) {
              ++checkedMelody;
              EXPECT_TRUE(chord->tones.count(pitchClass(n->pitch)))
                  << "melody " << n->pitch << " at " << n->start << " over root " << chord->root;
            }
    }
  // Most bars carry pads; the stripped phrases and the groove do not.
  EXPECT_GT(checkedBars, 200);
  EXPECT_GT(checkedMelody, 50);
}

TEST(ArrangementTest, DrumsAndSubComeAndGoWithTheSections) {
  const std::vector<Bar> bars = barsOf(piece());
  for (const SectionBars& section : sectionBars()) {
    const std::string& name = section.name;
    std::vector<std::size_t> breaths; // drop bars without a kick
    for (std::size_t i = 0; i < section.count; ++i) {
      const Bar& bar = bars[section.first + i];
      bool sub = false;
      for (const Note* n : bar.of(Voice::bass))
        sub = sub || n->pitch < subTop;
      if (name == "breakdown") {
        // No floor at all: the crash on its first beat and the riser only.
        for (const auto& [voice, notes] : bar.voices)
          EXPECT_FALSE(isDrum(voice))
              << static_cast<int>(voice) << " in the breakdown at " << bar.start;
      }
      if (name == "build") {
        EXPECT_FALSE(sub) << "sub in the build at " << bar.start;
      }
      if (name == "drop") {
        // Kick and sub together in every bar but the breath, which keeps the sub.
        if (!bar.has(Voice::kick))
          breaths.push_back(i);
        EXPECT_TRUE(sub) << "no sub in the drop at " << bar.start;
      }
      if (name == "interlude") {
        // Half time: a kick on the one and one off the beat, never four on the floor.
        std::vector<std::int64_t> kicks;
        for (const Note* n : bar.of(Voice::kick))
          kicks.push_back(n->start);
        EXPECT_EQ(kicks,
                  (std::vector<std::int64_t>{
                      bar.start, stepStart(static_cast<int>((section.first + i) * 16 + 10))}));
      }
    }
    if (name == "drop") {
      // One breath a drop, in the last bar of a phrase once the hook has been
      // stated and restated: the floor comes back with the next phrase.
      ASSERT_EQ(breaths.size(), 1u) << section.first;
      EXPECT_EQ(breaths.front() % 8, 7u) << section.first;
      EXPECT_GE(breaths.front(), 15u) << section.first;
      // The drop lands at once: an impact, crash, kick and sub on its first beat.
      EXPECT_TRUE(bars[section.first].has(Voice::impact)) << section.first;
      const Bar& first = bars[section.first];
      const std::int64_t beat = stepStart(static_cast<int>(section.first) * stepsPerBar + 4);
      ASSERT_TRUE(first.has(Voice::crash) && first.has(Voice::kick) && first.has(Voice::bass));
      EXPECT_EQ(first.of(Voice::crash).front()->start, first.start);
      EXPECT_EQ(first.of(Voice::kick).front()->start, first.start);
      EXPECT_LT(first.of(Voice::bass).front()->start, beat);
      EXPECT_LT(first.of(Voice::bass).front()->pitch, subTop);
    }
  }
}

TEST(ArrangementTest, TheSidechainFollowsEveryKick) {
  std::vector<std::int64_t> kicks;
  for (const Note& n : piece().notes)
    if (n.voice == Voice::kick)
      kicks.push_back(n.start);
  EXPECT_EQ(piece().kicks, kicks);
}

TEST(ArrangementTest, NothingIsHeldPastItsSectionOrIntoTheBreathBeforeADrop) {
  const std::vector<SectionSpan> spans = sectionSpans();
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const bool dropFollows = s + 1 < spans.size() && std::string(spans[s + 1].name) == "drop";
    // The last half bar before a drop is silence.
    const auto endStep =
        static_cast<int>(std::llround(static_cast<double>(spans[s].end) / stepFrames));
    const std::int64_t quietFrom = dropFollows ? stepStart(endStep - 8) : spans[s].end;
    for (const Note& n : piece().notes) {
      if (n.start < spans[s].start || n.start >= spans[s].end)
        continue;
      EXPECT_LE(n.start + n.length, quietFrom)
          << static_cast<int>(n.voice) << " at " << n.start << " in " << spans[s].name;
    }
  }
}
