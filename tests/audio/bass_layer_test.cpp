// The BASS operations over the real layer, on SDL's dummy output, which takes
// samples at the real-time rate without a sound card.
#include <SDL.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "audio/bass.h"
#include "test_music.h"

namespace {

using namespace std::chrono_literals;
using Spectrum = std::array<float, 1024>;

constexpr float untouched = 7.0f;

class BassLayer : public testing::Test {
protected:
  void SetUp() override { SDL_setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override { BASS_Free(); }

  static Spectrum marked() {
    Spectrum s;
    s.fill(untouched);
    return s;
  }
  static bool isUntouched(const Spectrum& s) {
    return std::all_of(s.begin(), s.end(), [](float v) { return v == untouched; });
  }
  // Plays `file` looped from a fresh start and waits until `wait` of it was heard.
  HSTREAM play(const std::string& file, bool muted = false,
               std::chrono::milliseconds wait = 150ms) {
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    if (muted) {
      EXPECT_TRUE(BASS_SetVolume(0));
    }
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
    std::this_thread::sleep_for(wait);
    return stream;
  }
  // The spectrum once the window lies wholly in the steady sound: a loaded
  // machine may have played less than `wait`, and the onset in the window
  // smears every bin.
  Spectrum spectrumOf(HSTREAM stream) {
    Spectrum s = marked();
    for (int tries = 0; tries < 200; ++tries) {
      Spectrum next = marked();
      EXPECT_EQ(BASS_ChannelGetData(stream, next.data(), spectrumRequest1024), spectrumBytes);
      EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
      const bool steady = std::equal(s.begin(), s.begin() + 512, next.begin(),
                                     [](float a, float b) { return std::abs(a - b) < 1e-3f; });
      // Silence is steady too, before the first frames are heard: wait a
      // second before taking it as the answer.
      const bool heard =
          std::any_of(next.begin(), next.begin() + 512, [](float v) { return v > 1e-4f; });
      s = next;
      if (steady && (heard || tries >= 40))
        break;
      std::this_thread::sleep_for(25ms);
    }
    return s;
  }
  // Every call the show makes after a failed start fails cleanly.
  static void expectShowRunsWithoutMusic(HSTREAM stream) {
    EXPECT_FALSE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
    Spectrum s = marked();
    EXPECT_EQ(BASS_ChannelGetData(stream, s.data(), spectrumRequest1024), audioRequestFailed);
    EXPECT_TRUE(isUntouched(s));
  }

  ScratchFolder folder;
};

TEST_F(BassLayer, WithoutASoundDeviceEveryOperationFailsWithItsCode) {
  SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const std::string file = folder.writeOgg("tone.ogg", sineFrames(440, 0.5, 4410));
  EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNoDevice);
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotInitialised);
  EXPECT_FALSE(BASS_SetVolume(0));
  EXPECT_FALSE(BASS_Start());
  expectShowRunsWithoutMusic(0);
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotInitialised);
  EXPECT_FALSE(BASS_Stop());
  EXPECT_FALSE(BASS_Free());
}

// The contract holds the arguments; a device number SDL has no device for is
// this layer's own answer.
TEST_F(BassLayer, ADeviceNumberWithoutADeviceIsNoDevice) {
  EXPECT_FALSE(BASS_Init(1000, 44100, 0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNoDevice);
  EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
}

TEST_F(BassLayer, BadMusicFilesGiveNoStreamAndNoBox) {
  folder.writeOgg("good.ogg", sineFrames(440, 0.5, 44100));
  const std::string good = folder.readBytes("good.ogg");
  const struct {
    std::string path;
    AudioErrorCode code;
  } cases[] = {
      {folder.path("missing.ogg"), audioErrorFileOpen},
      {folder.path(""), audioErrorFileOpen},
      {folder.writeBytes("empty.ogg", ""), audioErrorFormat},
      {folder.writeBytes("cut.ogg", good.substr(0, 100)), audioErrorFormat},
      {folder.writeBytes("riff.ogg",
                         std::string("RIFF\x24\x08\x00\x00WAVEfmt ", 16) + std::string(3000, '\0')),
       audioErrorFormat},
  };
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  for (const auto& c : cases) {
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, c.path.c_str(), 0, 0, 0), 0u) << c.path;
    EXPECT_EQ(BASS_ErrorGetCode(), c.code) << c.path;
    EXPECT_TRUE(BASS_Start());
    expectShowRunsWithoutMusic(0);
  }
  EXPECT_NE(BASS_StreamCreateFile(FALSE, folder.path("good.ogg").c_str(), 0, 0, 0), 0u);
}

TEST_F(BassLayer, NothingIsReportedBeforeTheStreamIsHeard) {
  const std::string file = folder.writeOgg("tone.ogg", sineFrames(440, 0.5, 44100));
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  std::this_thread::sleep_for(60ms);
  Spectrum s = marked();
  EXPECT_EQ(BASS_ChannelGetData(stream, s.data(), spectrumRequest1024), audioRequestFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotAvailable);
  EXPECT_TRUE(isUntouched(s));
}

TEST_F(BassLayer, AQuarterScaleSineReadsAboutOneInItsBin) {
  const HSTREAM stream =
      play(folder.writeOgg("tone.ogg", sineFrames(binFrequency(20), 0.25, 44100)));
  const Spectrum s = spectrumOf(stream);
  EXPECT_NEAR(s[20], 1.0f, 0.05f);
  EXPECT_LT(*std::max_element(s.begin() + 25, s.begin() + 512), 0.02f);
  EXPECT_LT(*std::max_element(s.begin(), s.begin() + 15), 0.02f);
  EXPECT_TRUE(std::all_of(s.begin(), s.begin() + 512, [](float v) { return v >= 0.0f; }));
  EXPECT_TRUE(std::all_of(s.begin() + 512, s.end(), [](float v) { return v == untouched; }));
}

TEST_F(BassLayer, SilenceReadsZero) {
  const HSTREAM stream = play(folder.writeOgg("silence.ogg", silentFrames(44100)));
  const Spectrum s = spectrumOf(stream);
  EXPECT_LT(*std::max_element(s.begin(), s.begin() + 512), 1e-4f);
}

TEST_F(BassLayer, MutedOutputGivesTheSameSpectrum) {
  // Two tones centred on bins: their magnitudes do not depend on where the window falls.
  std::vector<float> chord = sineFrames(binFrequency(10), 0.15, 88200);
  const std::vector<float> upper = sineFrames(binFrequency(50), 0.075, 88200);
  for (std::size_t i = 0; i < chord.size(); ++i)
    chord[i] += upper[i];
  const std::string file = folder.writeOgg("chord.ogg", chord);

  const Spectrum loud = spectrumOf(play(file, false));
  EXPECT_TRUE(BASS_Free());
  const Spectrum muted = spectrumOf(play(file, true));
  EXPECT_NEAR(muted[10], 0.6f, 0.03f);
  EXPECT_NEAR(muted[50], 0.3f, 0.03f);
  for (std::size_t k = 0; k < 512; ++k)
    EXPECT_NEAR(loud[k], muted[k], 0.01f) << "bin " << k;
}

TEST_F(BassLayer, TheSpectrumKeepsFlowingAcrossTheLoopSeam) {
  // 0.3 s holding a whole number of periods, so the loop itself is seamless.
  const std::string file =
      folder.writeOgg("short.ogg", sineFrames(binFrequency(20), 0.2, 13312), 2, testRate, 1.0f);
  const HSTREAM stream = play(file, true, 50ms);
  float weakest = 1.0f;
  float loudestElsewhere = 0.0f;
  for (int i = 0; i < 90; ++i) { // 0.9 s: three seams
    const Spectrum s = spectrumOf(stream);
    weakest = std::min(weakest, s[20]);
    loudestElsewhere =
        std::max({loudestElsewhere, *std::max_element(s.begin() + 30, s.begin() + 512),
                  *std::max_element(s.begin(), s.begin() + 10)});
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_GT(weakest, 0.7f) << "a gap in the sound";
  EXPECT_LT(loudestElsewhere, 0.05f) << "a click at the seam";
}

TEST_F(BassLayer, StopAndFreeEndTheStream) {
  const HSTREAM stream = play(folder.writeOgg("tone.ogg", sineFrames(440, 0.5, 44100)));
  EXPECT_TRUE(BASS_Stop());
  spectrumOf(stream); // what was last heard is still there to read
  EXPECT_TRUE(BASS_Free());
  Spectrum s = marked();
  EXPECT_EQ(BASS_ChannelGetData(stream, s.data(), spectrumRequest1024), audioRequestFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotInitialised);
  EXPECT_TRUE(isUntouched(s));
}

TEST_F(BassLayer, AProcessThatNeverFreesTheLayerStillEndsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string file = folder.writeOgg("tone.ogg", sineFrames(440, 0.5, 44100));
  EXPECT_EXIT(
      {
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        BASS_Init(-1, 44100, 0, nullptr);
        BASS_StreamPlay(BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0), FALSE, streamLoopFlag);
        std::this_thread::sleep_for(100ms);
        // exit() skips the fixture's destructor; the layer's own clean-up is what is tested.
        // Windows refuses to remove the file the stream still has open.
        std::error_code notRemoved;
        std::filesystem::remove_all(folder.path(""), notRemoved);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

} // namespace
