// The stream on SDL's dummy output: when the spectrum shows a sound, compared
// with when the device took it.
#include "audio/music_stream.h"

#include <SDL.h>
#include <array>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

#include "audio/audio_device.h"
#include "test_music.h"

namespace {

using namespace std::chrono_literals;

class MusicStreamOnDevice : public testing::Test {
protected:
  void SetUp() override {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    device = AudioDevice::open(-1, testRate);
    ASSERT_NE(device, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    if (device)
      device->setSource(nullptr);
    stream.reset();
    device.reset();
  }
  void start(const std::string& file) {
    DecoderError error = DecoderError::none;
    auto decoder = VorbisLoopDecoder::open(file.c_str(), testRate, error);
    ASSERT_NE(decoder, nullptr);
    stream =
        std::make_unique<MusicStream>(std::move(decoder), testRate, SDL_GetPerformanceFrequency());
    device->setSource(stream.get());
    stream->play(false);
  }
  static double seconds(std::uint64_t ticks) {
    return static_cast<double>(ticks) / static_cast<double>(SDL_GetPerformanceFrequency());
  }

  ScratchFolder folder;
  std::unique_ptr<AudioDevice> device;
  std::unique_ptr<MusicStream> stream;
};

TEST_F(MusicStreamOnDevice, AToneBurstShowsNoEarlierThanHeardAndAtMost25msLater) {
  constexpr std::size_t burstFrame = 22050 + 333; // not on a buffer boundary
  constexpr std::size_t burstBin = 23;
  std::vector<float> music = silentFrames(burstFrame);
  const std::vector<float> burst = sineFrames(binFrequency(burstBin), 0.2, 22050);
  music.insert(music.end(), burst.begin(), burst.end());
  start(folder.writeOgg("burst.ogg", music, 2, testRate, 1.0f));

  // The device takes a buffer at a callback and plays it from then on at the
  // sample rate: the burst is heard (burstFrame - frames before) later.
  double heard = -1.0;
  double shown = -1.0;
  std::uint64_t handedBefore = 0;
  std::array<float, 512> bins{};
  const std::uint64_t deadline = SDL_GetPerformanceCounter() + SDL_GetPerformanceFrequency() * 2;
  while ((heard < 0.0 || shown < 0.0) && SDL_GetPerformanceCounter() < deadline) {
    const std::uint64_t now = SDL_GetPerformanceCounter();
    const std::uint64_t handed = stream->framesHandedOver();
    if (heard < 0.0 && handed > burstFrame)
      heard = seconds(now) + static_cast<double>(burstFrame - handedBefore) / testRate;
    handedBefore = handed;
    if (shown < 0.0 && stream->spectrum(bins.data(), now, device->latencyFrames()) &&
        bins[burstBin] > 0.05f)
      shown = seconds(now);
    std::this_thread::sleep_for(100us);
  }
  ASSERT_GE(heard, 0.0) << "the device never took the burst";
  ASSERT_GE(shown, 0.0) << "the spectrum never showed the burst";
  const double offsetMs = (shown - heard) * 1000.0;
  RecordProperty("burst_offset_us", static_cast<int>(offsetMs * 1000.0));
  std::printf("tone burst shown %.2f ms after it was heard\n", offsetMs);
  EXPECT_GE(offsetMs, -0.5) << "the picture ran ahead of the sound";
  EXPECT_LE(offsetMs, 25.0);
}

TEST_F(MusicStreamOnDevice, WhenTheDeviceStopsTheSpectrumHoldsStill) {
  start(folder.writeOgg("tone.ogg", sineFrames(binFrequency(10), 0.125, testRate)));
  std::this_thread::sleep_for(100ms);
  device->setRunning(false); // as when the device goes away: no more callbacks
  const std::uint64_t handed = stream->framesHandedOver();
  std::this_thread::sleep_for(30ms); // past the last buffer handed over
  std::array<float, 512> first{}, later{};
  ASSERT_TRUE(stream->spectrum(first.data(), SDL_GetPerformanceCounter(), 0));
  std::this_thread::sleep_for(60ms);
  ASSERT_TRUE(stream->spectrum(later.data(), SDL_GetPerformanceCounter(), 0));
  EXPECT_EQ(stream->framesHandedOver(), handed);
  EXPECT_EQ(first, later);
  EXPECT_NEAR(later[10], 0.5f, 0.03f);
}

} // namespace
