#include "show_fixture.h"

#include "colour_bin_levels.h"
#include "effect/colour_factors.h"
#include "effect/frame_composition.h"

namespace {

constexpr DWORD start = 5000;

// The clock reads the start time, then one reading per frame.
void scriptElapsed(std::initializer_list<DWORD> elapsed) {
  auto& times = fake::platform().times;
  times = {start};
  for (const DWORD ms : elapsed)
    times.push_back(start + ms);
}

} // namespace

TEST_F(ShowTest, RunsOneMoreFrameAtExactlyTheTimeLimit) {
  scriptElapsed({showDuration - 1, showDuration, showDuration + 1, 600000});

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().updates, 3);
  const std::vector<std::string> exit = {"Console.key", "Console.close", "BASS_Stop",
                                         "BASS_Free",   "~Surface",      "~Console"};
  EXPECT_EQ(std::vector<std::string>(log().end() - 6, log().end()), exit);
}

TEST_F(ShowTest, LoopRunsPastTheTimeLimitUntilAKey) {
  fake::platform().dialogCommands = {1002, IDOK};
  scriptElapsed({0, showDuration + 1, 1000000, 4000000});
  pressAfterFrame(4, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_TRUE(showOptions.loop);
  EXPECT_EQ(fake::display().updates, 4);
  EXPECT_TRUE(logged("BASS_Stop"));
}

TEST_F(ShowTest, ElapsedTimeWrapsWithTheClock) {
  // The clock passes 2^32 during the show: elapsed stays small.
  fake::platform().times = {0xFFFFFF00u, 0xFFFFFFF0u, 0x00000100u, 0x00000200u};
  pressAfterFrame(3, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().updates, 3);
  EXPECT_EQ(showEffect.timeCursor, static_cast<std::int32_t>(0x300u * 2000u + 266880u));
}

TEST_F(ShowTest, OtherKeysAreDiscardedAndEscapeEndsAtOnce) {
  int reads = 0;
  fake::display().beforeCall = [&](const std::string& operation, int call) {
    if (operation == "Console.read")
      ++reads;
    if (operation == "Console.update" && call == 1)
      fake::display().keys = {'a', 'b', ptc::keyCodeEnter};
    if (operation == "Console.update" && call == 2)
      fake::display().keys = {ptc::keyCodeEscape, 'c'};
  };

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().updates, 2);
  EXPECT_EQ(reads, 4);
  EXPECT_EQ(fake::display().keys.size(), 1u); // the key after Escape stays unread
  EXPECT_TRUE(logged("Console.close"));
}

TEST_F(ShowTest, KeyPendingAtTheTopOfAFrameEndsWithoutClosing) {
  // The third key check is the top of frame 2: a key arriving there ends the show.
  fake::display().beforeCall = [](const std::string& operation, int call) {
    if (operation == "Console.key" && call == 3)
      fake::display().keys.push_back('q');
  };

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().updates, 1);
  EXPECT_EQ(std::vector<std::string>(log().end() - 3, log().end()),
            (std::vector<std::string>{"Console.key", "~Surface", "~Console"}));
  EXPECT_FALSE(logged("Console.close"));
  EXPECT_FALSE(logged("BASS_Stop"));
  EXPECT_FALSE(logged("BASS_Free"));
}

TEST_F(ShowTest, FactorsAndCountersFollowTheSpectrumAndTheClock) {
  fake::audio().spectrum = [](float* s) {
    std::fill(s, s + 512, 0.0f);
    setColourBins(s, {0.5f, 0.25f, 1.0f, 0.125f, 2.0f, 0.75f, 0.0625f});
    return true;
  };
  scriptElapsed({31000});
  pressAfterFrame(1, ptc::keyCodeEscape);

  runShow(nullptr);

  EXPECT_FLOAT_EQ(showEffect.colourFactors.redFactor, 0.25f + 0.5f - 0.125f + 0.0625f);
  EXPECT_FLOAT_EQ(showEffect.colourFactors.greenFactor,
                  (1.0f + 0.25f) * 0.5f + 0.5f - 0.75f + 0.0625f);
  EXPECT_FLOAT_EQ(showEffect.colourFactors.blueFactor, 0.25f + 0.5f - 2.0f + 0.0625f);
  // Counters start at 0 and 62,000,000 and advance by one frame's samples.
  EXPECT_EQ(showEffect.frameCursor, 266880);
  EXPECT_EQ(showEffect.timeCursor, 62000000 + 266880);
}

TEST_F(ShowTest, SilentUntilTheFirstSpectrumThenKeepsTheLastOne) {
  int request = 0;
  fake::audio().spectrum = [&](float* s) {
    if (++request != 2)
      return false;
    std::fill(s, s + 512, 0.0f);
    s[10] = 1.0f;
    return true;
  };
  std::vector<float> redPerFrame;
  fake::display().beforeCall = [&](const std::string& operation, int call) {
    if (operation == "Surface.lock")
      redPerFrame.push_back(showEffect.colourFactors.redFactor);
    if (operation == "Console.update" && call == 3)
      fake::display().keys.push_back(ptc::keyCodeEscape);
  };

  runShow(nullptr);

  EXPECT_EQ(redPerFrame, (std::vector<float>{0.0f, 1.0f, 1.0f}));
}

TEST_F(ShowTest, PresentsTheComposedFrame) {
  pressAfterFrame(1, ptc::keyCodeEscape);

  runShow(nullptr);

  const auto& picture = fake::display().shownPicture;
  ASSERT_EQ(picture.size(), 640u * 480u);
  // Grey rule line at row 379, silent noise at row 378, untouched row 0.
  EXPECT_NE(picture[379 * 640], 0u);
  EXPECT_EQ(picture[378 * 640], 0u);
  EXPECT_EQ(picture[0], 0u);
}
