// What every audio-layer back end promises the show, checked against the SDL
// back end (on SDL's dummy output) and against the scripted fake, each in its
// own executable: the answers and the error code after every operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "audio/bass.h"
#include "contract_music.h"

namespace {

using Spectrum = std::array<float, 1024>;
constexpr float untouched = 7.0f;

class AudioContract : public testing::Test {
protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override { BASS_Free(); }

  static Spectrum marked() {
    Spectrum spectrum;
    spectrum.fill(untouched);
    return spectrum;
  }
  static bool isUntouched(const Spectrum& spectrum) {
    return std::all_of(spectrum.begin(), spectrum.end(), [](float v) { return v == untouched; });
  }
  // A failed spectrum request: the failure value, `code`, and no write.
  static void expectSpectrumRefused(DWORD handle, DWORD length, int code, const char* what) {
    Spectrum spectrum = marked();
    EXPECT_EQ(BASS_ChannelGetData(handle, spectrum.data(), length), audioRequestFailed) << what;
    EXPECT_EQ(BASS_ErrorGetCode(), code) << what;
    EXPECT_TRUE(isUntouched(spectrum)) << what;
  }

  ContractMusic music_;
};

TEST_F(AudioContract, TheShowsSequenceSucceedsWithCodeZeroAfterEachStep) {
  EXPECT_EQ(BASS_GetVersion(), audioLayerVersion);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, music_.path().c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  EXPECT_TRUE(BASS_SetVolume(0));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  EXPECT_TRUE(BASS_Start());
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  EXPECT_TRUE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  EXPECT_TRUE(BASS_Stop());
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  EXPECT_TRUE(BASS_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
}

TEST_F(AudioContract, RefusedSpectrumRequestsSayWhyAndWriteNothing) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, music_.path().c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  expectSpectrumRefused(0, spectrumRequest1024, audioErrorHandle, "handle 0");
  expectSpectrumRefused(stream + 1, spectrumRequest1024, audioErrorHandle, "another handle");
  expectSpectrumRefused(stream, 0x80000000, audioErrorParameter, "another request");
  expectSpectrumRefused(stream, 512, audioErrorParameter, "a sample request");
  // Nothing has been handed to the output yet.
  expectSpectrumRefused(stream, spectrumRequest1024, audioErrorNotAvailable, "before playing");
  // A success after failures clears the code.
  EXPECT_TRUE(BASS_SetVolume(100));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
}

} // namespace
