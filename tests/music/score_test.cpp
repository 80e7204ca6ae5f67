// The composer: every note on the swung sixteenth grid and in the key, the
// parts entering and leaving where the arrangement says, and the same piece
// from the same seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "music/score.h"

namespace {

const Score& piece() {
  static const Score score = composeScore(pieceSeed);
  return score;
}

bool pitched(Voice v) {
  return v == Voice::bass || v == Voice::pad || v == Voice::arp || v == Voice::lead ||
         v == Voice::pulse || v == Voice::bell || v == Voice::counter;
}

bool melodic(Voice v) {
  return v == Voice::lead || v == Voice::pulse || v == Voice::bell;
}

// The step a frame falls on, or -1 when it is on no step of the grid.
int stepAt(std::int64_t frame) {
  const auto guess = static_cast<int>(std::floor(static_cast<double>(frame) / stepFrames));
  for (int step = guess - 1; step <= guess + 1; ++step)
    if (stepStart(step) == frame)
      return step;
  return -1;
}

const SectionSpan& sectionOf(std::int64_t frame) {
  static const std::vector<SectionSpan> spans = sectionSpans();
  for (const SectionSpan& s : spans)
    if (frame >= s.start && frame < s.end)
      return s;
  return spans.back();
}

int barOf(std::int64_t frame) {
  return stepAt(frame) >= 0 ? stepAt(frame) / stepsPerBar : -1;
}

std::vector<const Note*> notesIn(std::int64_t from, std::int64_t to, bool (*keep)(Voice)) {
  std::vector<const Note*> found;
  for (const Note& n : piece().notes)
    if (n.start >= from && n.start < to && keep(n.voice))
      found.push_back(&n);
  return found;
}

double spreadOf(const std::vector<double>& values) {
  double mean = 0.0, squares = 0.0;
  for (const double v : values)
    mean += v;
  mean /= static_cast<double>(values.size());
  for (const double v : values)
    squares += (v - mean) * (v - mean);
  return std::sqrt(squares / static_cast<double>(values.size())) / mean;
}

} // namespace

TEST(ScoreTest, TheSameSeedGivesTheSamePieceAndAnotherSeedAnother) {
  const Score again = composeScore(pieceSeed);
  const Score other = composeScore(pieceSeed + 1);
  ASSERT_EQ(again.notes.size(), piece().notes.size());
  bool differs = other.notes.size() != again.notes.size();
  for (std::size_t i = 0; i < again.notes.size(); ++i) {
    const Note &a = again.notes[i], &b = piece().notes[i];
    ASSERT_TRUE(a.voice == b.voice && a.start == b.start && a.length == b.length &&
                a.pitch == b.pitch && a.velocity == b.velocity && a.pan == b.pan &&
                a.seed == b.seed)
        << i;
    if (i < other.notes.size())
      differs = differs || other.notes[i].velocity != a.velocity || other.notes[i].seed != a.seed;
  }
  EXPECT_TRUE(differs);
  EXPECT_EQ(again.kicks, piece().kicks);
}

TEST(ScoreTest, EveryNoteStartsAndEndsOnTheSwungGrid) {
  const Score& score = piece();
  // 296 bars at 124 BPM, the show's 573 seconds.
  EXPECT_EQ(score.frames, stepStart(296 * stepsPerBar));
  EXPECT_NEAR(static_cast<double>(score.frames) / outputFrequency, 572.9, 0.1);
  for (const Note& n : score.notes) {
    ASSERT_GE(stepAt(n.start), 0) << n.start;
    ASSERT_GE(stepAt(n.start + n.length), 0) << n.start << " + " << n.length;
    ASSERT_GT(n.length, 0);
    ASSERT_LE(n.start + n.length, score.frames);
    ASSERT_TRUE(n.velocity > 0.0 && n.velocity <= 1.0) << n.velocity;
    ASSERT_TRUE(n.pan >= -1.0 && n.pan <= 1.0) << n.pan;
  }
  // The off sixteenths lag: swing, and only there.
  EXPECT_NEAR(static_cast<double>(stepStart(1)), (1.0 + swing) * stepFrames, 0.5);
  EXPECT_EQ(stepStart(2), std::llround(2 * stepFrames));
  EXPECT_TRUE(std::is_sorted(score.notes.begin(), score.notes.end(),
                             [](const Note& a, const Note& b) { return a.start < b.start; }));
}

TEST(ScoreTest, EveryPitchIsInTheKeyOfItsSection) {
  // A minor with the borrowed chords' tones (E major's G#, D major's F#,
  // B flat): never C# or D#.
  const std::set<int> allowed{0, 1, 2, 3, 5, 7, 8, 9, 10, 11};
  int melodyNotes = 0, melodyInScale = 0;
  const std::set<int> naturalMinor{0, 2, 3, 5, 7, 8, 10};
  for (const Note& n : piece().notes) {
    if (!pitched(n.voice))
      continue;
    ASSERT_EQ(n.pitch, std::round(n.pitch));
    const int fromA = ((static_cast<int>(n.pitch) - 57 - sectionOf(n.start).key) % 12 + 12) % 12;
    ASSERT_TRUE(allowed.count(fromA)) << n.pitch << " at " << n.start;
    if (melodic(n.voice)) {
      ++melodyNotes;
      melodyInScale += naturalMinor.count(fromA) > 0;
    }
  }
  EXPECT_GT(melodyInScale, 0.85 * melodyNotes);
}

TEST(ScoreTest, KickAndSubEnterWithTheDropAfterABreath) {
  for (const SectionSpan& s : sectionSpans()) {
    const std::string name = s.name;
    if (name == "build") {
      // The kick leaves for the build's last four bars and comes back with the drop.
      const std::int64_t fourBars = stepStart(4 * stepsPerBar);
      EXPECT_FALSE(
          notesIn(s.start, s.end - fourBars, [](Voice v) { return v == Voice::kick; }).empty());
      EXPECT_TRUE(
          notesIn(s.end - fourBars, s.end, [](Voice v) { return v == Voice::kick; }).empty())
          << s.start;
      // The bass plucks an octave over the sub, which waits for the drop.
      for (const Note* n : notesIn(s.start, s.end, [](Voice v) { return v == Voice::bass; }))
        EXPECT_GE(n->pitch, 40.0) << "a sub note in the build at " << n->start;
      // The last half bar before the drop holds its breath.
      const std::int64_t halfBar = stepStart(8);
      EXPECT_TRUE(notesIn(s.end - halfBar, s.end, [](Voice) { return true; }).empty());
    }
    if (name != "drop")
      continue;
    const auto kicks = notesIn(s.start, s.end, [](Voice v) { return v == Voice::kick; });
    ASSERT_FALSE(kicks.empty());
    EXPECT_EQ(kicks.front()->start, s.start);
    std::set<int> kickBars;
    for (const Note* k : kicks)
      kickBars.insert(barOf(k->start));
    // Every bar but one drop-out.
    EXPECT_EQ(kickBars.size(), 31u) << s.start;
  }
}

TEST(ScoreTest, DropsVaryTheirDrumsAndKeepTheLeadAboveThePads) {
  for (const SectionSpan& s : sectionSpans()) {
    if (std::string(s.name) != "drop")
      continue;
    // Hat patterns, bar by bar, and how hard each hit is.
    std::map<int, std::string> patterns;
    std::vector<double> hatLevels, kickLevels;
    for (const Note& n : piece().notes) {
      if (n.start < s.start || n.start >= s.end)
        continue;
      const int step = stepAt(n.start);
      if (n.voice == Voice::closedHat || n.voice == Voice::openHat) {
        std::string& line = patterns[step / stepsPerBar];
        line.resize(stepsPerBar, '-');
        line[static_cast<std::size_t>(step % stepsPerBar)] = n.voice == Voice::openHat ? 'o' : 'x';
        hatLevels.push_back(n.velocity);
      }
      if (n.voice == Voice::kick)
        kickLevels.push_back(n.velocity);
      if (n.voice == Voice::pad) {
        EXPECT_LT(n.pitch, 64.0);
      }
      if (melodic(n.voice)) {
        EXPECT_GE(n.pitch, 64.0);
      }
    }
    std::set<std::string> distinct;
    for (const auto& [bar, line] : patterns)
      distinct.insert(line);
    EXPECT_GE(distinct.size(), 4u) << s.start;
    EXPECT_GE(spreadOf(hatLevels), 0.15) << s.start;
    EXPECT_GE(spreadOf(kickLevels), 0.08) << s.start;
    // The melody passes through A4 or G#4, the picture's 431 Hz.
    const auto melody = notesIn(s.start, s.end, melodic);
    EXPECT_TRUE(std::any_of(melody.begin(), melody.end(),
                            [](const Note* n) { return n->pitch == 68.0 || n->pitch == 69.0; }));
  }
}

TEST(ScoreTest, ThePieceEndsOnAMinorAsItBegins) {
  const Score& score = piece();
  const std::int64_t lastBar = stepStart(295 * stepsPerBar);
  std::set<int> endClasses, startClasses;
  for (const Note& n : score.notes) {
    if (n.voice != Voice::pad)
      continue;
    if (n.start >= lastBar)
      endClasses.insert(static_cast<int>(n.pitch) % 12);
    if (n.start < stepStart(stepsPerBar))
      startClasses.insert(static_cast<int>(n.pitch) % 12);
  }
  EXPECT_EQ(endClasses, (std::set<int>{9, 0, 4}));
  EXPECT_EQ(startClasses, endClasses);
}
