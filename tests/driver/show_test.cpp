#include "show_fixture.h"

#include "effect/noise_table.h"
#include "images/image_bank.h"

#include <functional>
#include <new>
#include <system_error>

namespace {

using Calls = std::vector<std::string>;

bool anyAbove(const Image& image, std::uint32_t level) {
  return std::any_of(image.begin(), image.end(), [=](std::uint32_t v) { return v > level; });
}

} // namespace

TEST_F(ShowTest, StartsUpInOrderAndEndsOnEscape) {
  pressAfterFrame(1, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  const Calls expected = {
      "BASS_GetVersion", "BASS_Init(-1," + std::to_string(outputFrequency) + ",0)",
      "BASS_StreamCreateFile(0,0,0,0)", "DialogBoxParamA(101)", "Console", "Console.option",
      "Console.option", "Console.open", "Surface", "BASS_Start", "BASS_StreamPlay(65537,0,4)",
      // the one frame
      "Console.key", "Surface.lock", "Surface.unlock", "Surface.copy", "Console.update",
      "Console.key", "Console.read",
      // the Escape exit
      "Console.close", "BASS_Stop", "BASS_Free", "~Surface", "~Console"};
  EXPECT_EQ(log(), expected);
  EXPECT_EQ(fake::display().options, (Calls{"fullscreen output", "hide cursor"}));
  EXPECT_EQ(fake::display().title, "velvetstaticfog_1");
  EXPECT_EQ(fake::audio().fileName, "qx-731_030321_4_tessellated.ogg");
  EXPECT_TRUE(fake::platform().messageBoxes.empty());
}

TEST_F(ShowTest, PreparesPicturesAndNoiseAtTheirSteps) {
  // Pictures decode before audio starts; levels and noise only once the console is open.
  bool loadedBeforeAudio = false, rawAtOpen = false, untouchedGeneratorAtOpen = false;
  bool levelsAtPlay = false, tableAtPlay = false;
  fake::onRecord() = [&](const std::string& call) {
    if (call == "BASS_GetVersion")
      loadedBeforeAudio = anyAbove(showEffect.imageBank[0], 2);
    if (call == "Console.open") {
      rawAtOpen = anyAbove(showEffect.imageBank[0], 2);
      untouchedGeneratorAtOpen = showEffect.randomState == 1;
    }
    if (call == "BASS_Start") {
      levelsAtPlay = std::none_of(showEffect.imageBank.begin(), showEffect.imageBank.end(),
                                  [](const Image& image) { return anyAbove(image, 2); });
      tableAtPlay = showEffect.noiseTable[0] == 41 && showEffect.noiseTable[1] == 107 &&
                    showEffect.noiseTable[2] == 214;
    }
  };
  pressAfterFrame(1, ptc::keyCodeEscape);

  runShow(nullptr);

  EXPECT_TRUE(loadedBeforeAudio);
  EXPECT_TRUE(rawAtOpen);
  EXPECT_TRUE(untouchedGeneratorAtOpen);
  EXPECT_TRUE(levelsAtPlay);
  EXPECT_TRUE(tableAtPlay);
}

TEST_F(ShowTest, WrongAudioVersionShowsOnlyItsBox) {
  fake::audio().version = 0x00080001;

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(log(), (Calls{"BASS_GetVersion", "MessageBoxA(Incorrect BASS.DLL)"}));
  ASSERT_EQ(fake::platform().messageBoxes.size(), 1u);
  EXPECT_EQ(fake::platform().messageBoxes[0].text, "BASS version 1.7 was not loaded");
}

TEST_F(ShowTest, AudioInitFailureShowsItsCodeAndTheShowGoesOn) {
  fake::audio().deviceOpens = false;
  pressAfterFrame(2, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  ASSERT_EQ(fake::platform().messageBoxes.size(), 1u);
  EXPECT_EQ(fake::platform().messageBoxes[0].caption, "Error");
  EXPECT_EQ(fake::platform().messageBoxes[0].text,
            "Can't initialize digital sound system\n(error code: 1)");
  EXPECT_LT(position("MessageBoxA(Error)"), position("BASS_StreamCreateFile(0,0,0,0)"));
  EXPECT_LT(position("MessageBoxA(Error)"), position("DialogBoxParamA(101)"));
  EXPECT_EQ(fake::display().updates, 2);
}

TEST_F(ShowTest, CancelledDialogEndsWithOneAndNoDisplay) {
  fake::platform().dialogCommands = {IDCANCEL};

  EXPECT_EQ(runShow(nullptr), 1);

  EXPECT_EQ(log().back(), "DialogBoxParamA(101)");
  EXPECT_FALSE(logged("Console"));
  EXPECT_FALSE(logged("BASS_Stop"));
  EXPECT_FALSE(logged("BASS_Free"));
}

TEST_F(ShowTest, DialogThatCannotOpenKeepsTheDefaults) {
  fake::platform().dialogFails = true;
  pressAfterFrame(1, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().options, (Calls{"fullscreen output", "hide cursor"}));
  EXPECT_FALSE(logged("BASS_SetVolume(0)"));
}

TEST_F(ShowTest, OptionsFromTheDialogTakeEffect) {
  fake::platform().dialogCommands = {1000, 1001, IDOK}; // sound and fullscreen off
  pressAfterFrame(1, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_EQ(fake::display().options, (Calls{"windowed output", "hide cursor"}));
  EXPECT_LT(position("DialogBoxParamA(101)"), position("BASS_SetVolume(0)"));
  EXPECT_LT(position("BASS_SetVolume(0)"), position("Console"));
  EXPECT_EQ(fake::audio().volume, 0u);
  EXPECT_TRUE(logged("BASS_StreamPlay(65537,0,4)")); // muted music still plays
}

TEST_F(ShowTest, FailedStreamStillRunsTheShowSilently) {
  fake::audio().streamError = audioErrorFileOpen;
  pressAfterFrame(3, ptc::keyCodeEscape);

  EXPECT_EQ(runShow(nullptr), 0);

  EXPECT_TRUE(logged("BASS_StreamPlay(0,0,4)"));
  EXPECT_EQ(fake::audio().spectrumRequests, 3);
}

// A display failure at any guarded step is reported once and ends with 0;
// what was built is torn down in reverse and audio is left to the process.
struct GuardedStep {
  const char* operation;
  Calls destroyed;
};

class DisplayFailureTest : public ShowTest, public ::testing::WithParamInterface<GuardedStep> {};

TEST_P(DisplayFailureTest, ReportsAndExitsWithZero) {
  const GuardedStep& step = GetParam();
  fake::display().failOn = step.operation;
  fake::display().failOnCall = std::string(step.operation) == "Console.option" ? 2 : 1;
  // A key for the read to fail on, Escape for the close to fail on.
  pressAfterFrame(1, std::string(step.operation) == "Console.close" ? ptc::keyCodeEscape : 'x');

  EXPECT_EQ(runShow(nullptr), 0);

  ASSERT_EQ(fake::platform().messageBoxes.size(), 1u);
  EXPECT_EQ(fake::platform().messageBoxes[0].caption, "Error");
  EXPECT_NE(fake::platform().messageBoxes[0].text.find(step.operation), std::string::npos);
  const auto failed = std::find(log().rbegin(), log().rend(), step.operation).base();
  const Calls afterFailure(failed, log().end());
  Calls expected = step.destroyed;
  expected.push_back("MessageBoxA(Error)");
  EXPECT_EQ(afterFailure, expected);
  EXPECT_FALSE(logged("BASS_Stop"));
}

INSTANTIATE_TEST_SUITE_P(EveryGuardedStep, DisplayFailureTest,
                         ::testing::Values(GuardedStep{"Console", {}},
                                           GuardedStep{"Console.option", {"~Console"}},
                                           GuardedStep{"Console.open", {"~Console"}},
                                           GuardedStep{"Surface", {"~Console"}},
                                           GuardedStep{"Surface.lock", {"~Surface", "~Console"}},
                                           GuardedStep{"Surface.unlock", {"~Surface", "~Console"}},
                                           GuardedStep{"Surface.copy", {"~Surface", "~Console"}},
                                           GuardedStep{"Console.update", {"~Surface", "~Console"}},
                                           GuardedStep{"Console.key", {"~Surface", "~Console"}},
                                           GuardedStep{"Console.read", {"~Surface", "~Console"}},
                                           GuardedStep{"Console.close", {"~Surface", "~Console"}}),
                         [](const ::testing::TestParamInfo<GuardedStep>& step) {
                           std::string name = step.param.operation;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Failures other than the display's (no memory, no thread) end the show with
// a box, after what was built is torn down, instead of terminating the process.
TEST_F(ShowTest, OtherFailuresEndWithABoxAndZero) {
  const struct {
    std::string failingCall;
    std::function<void()> fail;
    std::string text;
    Calls destroyed;
  } cases[] = {
      {"BASS_StreamCreateFile(0,0,0,0)", [] { throw std::bad_alloc(); }, "std::bad_alloc", {}},
      {"DialogBoxParamA(101)", [] { throw 42; }, "unknown failure", {}},
      {"Console",
       [] {
         throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
       },
       "Resource temporarily unavailable",
       {}},
      {"Surface.lock", [] { throw std::bad_alloc(); }, "std::bad_alloc", {"~Surface", "~Console"}},
  };
  for (const auto& c : cases) {
    fake::resetAll();
    fake::platform().dialogCommands = {IDOK};
    fake::platform().step = 16;
    fake::onRecord() = [&c](const std::string& call) {
      if (call == c.failingCall)
        c.fail();
    };

    EXPECT_EQ(runShow(nullptr), 0) << c.failingCall;

    ASSERT_EQ(fake::platform().messageBoxes.size(), 1u) << c.failingCall;
    EXPECT_EQ(fake::platform().messageBoxes[0].caption, "Error");
    EXPECT_EQ(fake::platform().messageBoxes[0].text.rfind("The show cannot go on: ", 0), 0u);
    EXPECT_NE(fake::platform().messageBoxes[0].text.find(c.text), std::string::npos)
        << fake::platform().messageBoxes[0].text;
    const auto failed = std::find(log().begin(), log().end(), c.failingCall);
    ASSERT_NE(failed, log().end()) << c.failingCall;
    Calls expected = c.destroyed;
    expected.push_back("MessageBoxA(Error)");
    EXPECT_EQ(Calls(failed + 1, log().end()), expected) << c.failingCall;
  }
}
