// What every audio-layer back end promises the show, checked against the SDL
// back end (on SDL's dummy output), the capture back end and the scripted
// fake, each in its own executable: the answers and the error code after
// every operation, over many arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "audio/bass.h"
#include "audio_output_driver.h"
#include "contract_music.h"

namespace {

using Spectrum = std::array<float, 1024>;
constexpr float untouched = 7.0f;

class AudioContract : public testing::Test {
protected:
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

  HSTREAM openMusic() { return BASS_StreamCreateFile(FALSE, music_.path().c_str(), 0, 0, 0); }

  // Every operation but the version and the code, with the arguments given:
  // each either answers FALSE / 0 / audioRequestFailed with `code`, or is not
  // checked here.
  struct Refusal {
    std::string what;
    std::function<bool()> refused;
  };
  std::vector<Refusal> everyOperation(HSTREAM stream) {
    return {
        {"init", [] { return !BASS_Init(-1, 44100, 0, nullptr); }},
        {"create", [this] { return openMusic() == 0; }},
        {"volume 0", [] { return !BASS_SetVolume(0); }},
        {"volume 100", [] { return !BASS_SetVolume(100); }},
        {"start", [] { return !BASS_Start(); }},
        {"play", [stream] { return !BASS_StreamPlay(stream, FALSE, streamLoopFlag); }},
        {"play once", [stream] { return !BASS_StreamPlay(stream, FALSE, 0); }},
        {"spectrum",
         [stream] {
           Spectrum spectrum = marked();
           return BASS_ChannelGetData(stream, spectrum.data(), spectrumRequest1024) ==
                      audioRequestFailed &&
                  isUntouched(spectrum);
         }},
        {"stop", [] { return !BASS_Stop(); }},
        {"free", [] { return !BASS_Free(); }},
    };
  }
  // Runs each operation but init from a layer that is not initialised.
  void expectAllRefusedUninitialised(HSTREAM stream, const std::string& when) {
    for (const Refusal& operation : everyOperation(stream)) {
      if (operation.what == "init")
        continue;
      EXPECT_TRUE(operation.refused()) << operation.what << " " << when;
      EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotInitialised) << operation.what << " " << when;
    }
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

// Played music is heard: a spectrum comes within seconds of play, and it is
// the music's, its 440 Hz tone the loudest bin (9 to 11 of 1024 from 44.1
// to 48 kHz, the rates an output may run at).
TEST_F(AudioContract, APlayingStreamGivesTheMusicsSpectrum) {
  if (const char* why = audio_output_driver::cannotPlay())
    GTEST_SKIP() << why;
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  ASSERT_TRUE(BASS_Start());
  const HSTREAM stream = openMusic();
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
  Spectrum spectrum = marked();
  bool answered = false;
  for (int waited = 0; waited < 10000 && !answered; waited += 20) {
    audio_output_driver::letPlay(20);
    answered =
        BASS_ChannelGetData(stream, spectrum.data(), spectrumRequest1024) != audioRequestFailed;
  }
  ASSERT_TRUE(answered) << "no spectrum within 10 s of play, error " << BASS_ErrorGetCode();
  // The first window may still reach back before the music.
  audio_output_driver::letPlay(200);
  spectrum = marked();
  ASSERT_NE(BASS_ChannelGetData(stream, spectrum.data(), spectrumRequest1024), audioRequestFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
  const auto magnitudes = std::span(spectrum).first(512);
  EXPECT_TRUE(std::all_of(magnitudes.begin(), magnitudes.end(),
                          [](float v) { return std::isfinite(v) && v >= 0.0f; }));
  EXPECT_TRUE(std::all_of(spectrum.begin() + 512, spectrum.end(), [](float v) {
    return v == untouched;
  })) << "written past the 512 magnitudes";
  const auto loudest = std::max_element(magnitudes.begin(), magnitudes.end());
  EXPECT_GE(loudest - magnitudes.begin(), 9);
  EXPECT_LE(loudest - magnitudes.begin(), 11);
  EXPECT_GT(*loudest, 0.01f);
}

TEST_F(AudioContract, RefusedSpectrumRequestsSayWhyAndWriteNothing) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, music_.path().c_str(), 0, 0, 0);
  ASSERT_NE(stream, 0u);
  expectSpectrumRefused(0, spectrumRequest1024, audioErrorHandle, "handle 0");
  expectSpectrumRefused(stream + 1, spectrumRequest1024, audioErrorHandle, "another handle");
  // Nothing has been handed to the output yet.
  expectSpectrumRefused(stream, spectrumRequest1024, audioErrorNotAvailable, "before playing");
  // A success after failures clears the code.
  EXPECT_TRUE(BASS_SetVolume(100));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
}

TEST_F(AudioContract, NothingButInitWorksBeforeInitOrAfterFree) {
  for (const HSTREAM handle : {0u, 1u, 0x00010001u, 0xFFFFFFFFu})
    expectAllRefusedUninitialised(handle, "before init, handle " + std::to_string(handle));

  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM stream = openMusic();
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
  ASSERT_TRUE(BASS_Free());
  expectAllRefusedUninitialised(stream, "after free");

  // Initialised again, the old stream is gone with its handle.
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  EXPECT_FALSE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorHandle);
}

TEST_F(AudioContract, InitChecksDeviceAndRateAndHappensOnce) {
  const DWORD badRates[] = {0, 1, 7999, 192001, 384000, 0xFFFFFFFF};
  for (const DWORD rate : badRates) {
    EXPECT_FALSE(BASS_Init(-1, rate, 0, nullptr)) << "rate " << rate;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter) << "rate " << rate;
  }
  const int badDevices[] = {0, -2, -7, INT_MIN};
  for (const int device : badDevices) {
    EXPECT_FALSE(BASS_Init(device, 44100, 0, nullptr)) << "device " << device;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter) << "device " << device;
  }
  // Refused arguments leave the layer as it was: not initialised.
  EXPECT_FALSE(BASS_Start());
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorNotInitialised);

  for (const DWORD rate : {8000u, 22050u, 48000u, 192000u}) {
    ASSERT_TRUE(BASS_Init(-1, rate, 0, nullptr)) << "rate " << rate;
    EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
    for (const DWORD again : {8000u, 44100u, 0u}) {
      EXPECT_FALSE(BASS_Init(-1, again, 0, nullptr)) << "again at " << again;
      EXPECT_EQ(BASS_ErrorGetCode(), audioErrorAlreadyInitialised) << "again at " << again;
    }
    // The first initialisation still stands.
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_Free());
  }
}

TEST_F(AudioContract, VolumeRunsFromZeroToOneHundred) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  for (DWORD volume = 0; volume <= 100; volume += 5) {
    EXPECT_TRUE(BASS_SetVolume(volume)) << volume;
    EXPECT_EQ(BASS_ErrorGetCode(), audioOk) << volume;
  }
  for (const DWORD volume : {101u, 150u, 255u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(BASS_SetVolume(volume)) << volume;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter) << volume;
  }
}

TEST_F(AudioContract, OnlyWholeMusicFilesOnDiskOpen) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const char* file = music_.path().c_str();
  const struct {
    BOOL inMemory;
    const char* file;
    DWORD offset;
    DWORD length;
  } refused[] = {
      {TRUE, file, 0, 0},      {TRUE, file, 0, 100},         {FALSE, nullptr, 0, 0},
      {TRUE, nullptr, 0, 0},   {FALSE, file, 1, 0},          {FALSE, file, 0, 1},
      {FALSE, file, 44, 4096}, {FALSE, file, 0xFFFFFFFF, 0},
  };
  for (const auto& call : refused) {
    const std::string what = "in memory " + std::to_string(call.inMemory) + ", offset " +
                             std::to_string(call.offset) + ", length " +
                             std::to_string(call.length) + (call.file ? "" : ", no file");
    EXPECT_EQ(BASS_StreamCreateFile(call.inMemory, call.file, call.offset, call.length, 0), 0u)
        << what;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter) << what;
  }
  EXPECT_NE(openMusic(), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
}

TEST_F(AudioContract, OnlyTheNewestStreamsHandleIsHonoured) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM first = openMusic();
  ASSERT_NE(first, 0u);
  const HSTREAM second = openMusic();
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first) << "a replaced stream's handle must not name its successor";

  const HSTREAM others[] = {0, first, second - 1, second + 1, second ^ 0x80000000u, 0xFFFFFFFF};
  for (const HSTREAM handle : others) {
    if (handle == second)
      continue;
    EXPECT_FALSE(BASS_StreamPlay(handle, FALSE, streamLoopFlag)) << handle;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorHandle) << handle;
    expectSpectrumRefused(handle, spectrumRequest1024, audioErrorHandle, "another handle");
  }
  // Restarting from the beginning is not offered, looped or not.
  for (const DWORD flags : {DWORD{0}, streamLoopFlag}) {
    EXPECT_FALSE(BASS_StreamPlay(second, TRUE, flags)) << flags;
    EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter) << flags;
  }
  EXPECT_TRUE(BASS_StreamPlay(second, FALSE, streamLoopFlag));
  EXPECT_EQ(BASS_ErrorGetCode(), audioOk);
}

TEST_F(AudioContract, OnlyTheSpectrumRequestIsAnswered) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  const HSTREAM stream = openMusic();
  ASSERT_NE(stream, 0u);
  ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, streamLoopFlag));
  const DWORD lengths[] = {
      0,         1, 512, 2048, 4096, 0x80000000, 0x80000002, 0x80000003, spectrumRequest1024 | 0x10,
      0xFFFFFFFF};
  for (const DWORD length : lengths)
    expectSpectrumRefused(stream, length, audioErrorParameter,
                          ("request " + std::to_string(length)).c_str());
  EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, spectrumRequest1024), audioRequestFailed);
  EXPECT_EQ(BASS_ErrorGetCode(), audioErrorParameter);
}

} // namespace
