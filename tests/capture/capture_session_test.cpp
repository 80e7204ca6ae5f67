// The capture plan and session on their own: which frames a capture takes,
// the moments the capture clock reads, the sound track cut to the frames,
// when a capture is done, and the one session the back ends serve.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/music_timeline.h"
#include "capture/capture_arguments.h"
#include "capture/capture_session.h"
#include "platform/clock.h"
#include "test_music.h"

namespace {

constexpr std::uint32_t sampleRate = 44100;
// Whole, odd and high rates: most put frames between milliseconds and
// between samples.
const std::vector<int> frameRates = {1, 3, 7, 15, 23, 24, 25, 29, 30, 50, 59, 60, 97, 120, 144, 240};

// Keeps the frames' first pixels and counts the sound; keeps the sound too
// where a test reads it.
class RecordingSink : public FrameSink {
public:
  explicit RecordingSink(bool keepSound = false) : keepSound_(keepSound) {}
  void addFrame(const std::uint32_t* pixels) override { frames.push_back(pixels[0]); }
  void addAudio(const float* stereo, std::size_t count) override {
    soundFrames_ += count;
    if (keepSound_)
      sound.insert(sound.end(), stereo, stereo + count * 2);
  }
  std::size_t soundFrames() const { return soundFrames_; }

  std::vector<std::uint32_t> frames;
  std::vector<float> sound;

private:
  bool keepSound_;
  std::size_t soundFrames_ = 0;
};

CapturePlan planFrom(int fps, std::uint64_t firstFrame, std::uint64_t frameCount) {
  return CapturePlan{fps, firstFrame, frameCount, sampleRate};
}

// What the clock back end reads at show frame n, through an installed session:
// the first reading is the show's start, the next one the frame's.
std::uint64_t clockMomentOf(std::uint64_t n, int fps) {
  RecordingSink sink;
  CaptureSession session(planFrom(fps, n, 1), sink);
  const InstalledCaptureSession installed(session);
  const DWORD start = timeGetTime();
  return timeGetTime() - start;
}

// m is frame n's moment: the whole milliseconds at or before n / fps seconds.
bool isMomentOf(std::uint64_t m, std::uint64_t n, int fps) {
  const auto rate = static_cast<std::uint64_t>(fps);
  return m * rate <= n * 1000 && n * 1000 < (m + 1) * rate;
}

TEST(CaptureClock, StandsAtEachFrameUntilItIsPresented) {
  RecordingSink sink;
  CaptureSession session(planFrom(15, 300, 40), sink);
  const InstalledCaptureSession installed(session);
  const DWORD start = timeGetTime();
  const std::uint32_t pixels[1] = {0};
  for (std::uint64_t n = 300; n < 340; ++n) {
    const DWORD first = timeGetTime() - start;
    ASSERT_EQ(timeGetTime() - start, first) << "frame " << n;
    ASSERT_TRUE(isMomentOf(first, n, 15)) << "frame " << n;
    session.presentFrame(pixels);
  }
}

// The plan takes exactly the frames whose clock moments fall in the span.
TEST(CapturePlan, TakesTheFramesWhoseMomentsFallInTheSpan) {
  std::mt19937_64 random(573);
  for (const int fps : frameRates) {
    for (int i = 0; i < 60; ++i) {
      CaptureArguments arguments;
      arguments.fps = fps;
      arguments.startMs = i < 3 ? static_cast<std::uint32_t>(i) * 1001u
                                : static_cast<std::uint32_t>(random() % 573000);
      arguments.spanMs = 1 + static_cast<std::uint32_t>(random() % (i % 2 == 0 ? 50 : 20000));
      const CapturePlan plan = capturePlanFor(arguments, sampleRate);
      const std::uint64_t start = arguments.startMs;
      const std::uint64_t end = start + arguments.spanMs;
      SCOPED_TRACE(std::to_string(fps) + " fps from " + std::to_string(start) + " to " +
                   std::to_string(end) + " ms");
      EXPECT_EQ(plan.fps, fps);
      EXPECT_EQ(plan.sampleRate, sampleRate);
      if (plan.frameCount > 0) {
        EXPECT_GE(clockMomentOf(plan.firstFrame, fps), start);
        EXPECT_LT(clockMomentOf(plan.firstFrame + plan.frameCount - 1, fps), end);
      }
      if (plan.firstFrame > 0) { // the frame before lies before the start
        EXPECT_LT(clockMomentOf(plan.firstFrame - 1, fps), start);
      }
      // The frame after lies at or past the end.
      EXPECT_GE(clockMomentOf(plan.firstFrame + plan.frameCount, fps), end);
    }
  }
}

TEST(CaptureSound, SilenceFollowsTheFramesWithoutGapOrOverlap) {
  const std::uint32_t pixels[1] = {0};
  for (const int fps : frameRates) {
    for (const std::uint64_t firstFrame : {0ull, 1ull, 2ull, 299ull, 12345ull, 137519ull}) {
      SCOPED_TRACE(std::to_string(fps) + " fps from frame " + std::to_string(firstFrame));
      constexpr std::uint64_t frames = 300;
      RecordingSink whole;
      CaptureSession session(planFrom(fps, firstFrame, frames), whole);
      std::vector<std::size_t> lengths{0};
      for (std::uint64_t k = 1; k <= frames; ++k) {
        session.presentFrame(pixels);
        const std::size_t total = whole.soundFrames();
        const std::size_t added = total - lengths.back();
        // Each frame: rate / fps samples, rounded down or up.
        const auto perSecond = added * static_cast<std::size_t>(fps);
        ASSERT_LT(perSecond, sampleRate + static_cast<std::size_t>(fps)) << "frame " << k;
        ASSERT_GT(perSecond + static_cast<std::size_t>(fps), sampleRate) << "frame " << k;
        // k frames: k x rate / fps samples, less than one off.
        const auto exact = static_cast<std::int64_t>(k * sampleRate);
        const auto written = static_cast<std::int64_t>(total) * fps;
        ASSERT_LT(std::abs(written - exact), fps) << "after " << k << " frames";
        lengths.push_back(total);
      }
      for (const std::uint64_t cut : {1ull, 7ull, 150ull, 299ull}) {
        RecordingSink first, second;
        CaptureSession head(planFrom(fps, firstFrame, cut), first);
        CaptureSession tail(planFrom(fps, firstFrame + cut, frames - cut), second);
        for (std::uint64_t k = 0; k < cut; ++k)
          head.presentFrame(pixels);
        for (std::uint64_t k = cut; k < frames; ++k)
          tail.presentFrame(pixels);
        EXPECT_EQ(first.soundFrames(), lengths[cut]) << "cut at " << cut;
        EXPECT_EQ(first.soundFrames() + second.soundFrames(), lengths.back()) << "cut at " << cut;
      }
    }
  }
}

// With music the track is the music itself from the first frame's start:
// the chunks decoded before it (for the spectrum) left out, and each later
// sample passed on once, whatever the rate and the chunks the decoder hands
// over. The music is a sweep, so a shift of one sample shows.
class CaptureMusic : public testing::Test {
protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<ScratchFolder>();
    std::vector<float> sweep(static_cast<std::size_t>(testRate) * 2 * 2);
    double phase = 0.0;
    for (std::size_t i = 0; i < sweep.size() / 2; ++i) {
      phase += 2.0 * 3.14159265358979 * (100.0 + static_cast<double>(i) * 0.05) / testRate;
      sweep[2 * i] = static_cast<float>(0.5 * std::sin(phase));
      sweep[2 * i + 1] = static_cast<float>(0.25 * std::sin(phase * 1.5));
    }
    path_ = folder_->writeOgg("sweep.ogg", sweep);
  }
  static void TearDownTestSuite() { folder_.reset(); }

  static std::unique_ptr<MusicTimeline> openMusic() {
    DecoderError error = DecoderError::none;
    auto music = MusicTimeline::open(path_.c_str(), sampleRate, error);
    EXPECT_NE(music, nullptr);
    return music;
  }

  // The music decoded on its own, from `start` on, `frames` frames of it.
  static std::vector<float> musicFrom(std::uint64_t start, std::uint64_t frames) {
    std::vector<float> all;
    auto music = openMusic();
    music->setListener([&all](const float* stereo, std::size_t count, std::uint64_t) {
      all.insert(all.end(), stereo, stereo + count * 2);
    });
    music->decodeTo(start + frames);
    return {all.begin() + static_cast<std::ptrdiff_t>(start * 2), all.end()};
  }

  static std::unique_ptr<ScratchFolder> folder_;
  static std::string path_;
};

std::unique_ptr<ScratchFolder> CaptureMusic::folder_;
std::string CaptureMusic::path_;

TEST_F(CaptureMusic, TheTrackIsTheMusicFromTheFirstFramesStart) {
  const std::uint32_t pixels[1] = {0};
  std::array<float, 512> spectrum{};
  for (const int fps : {7, 24, 60, 144}) {
    for (const std::uint64_t firstFrame : {0ull, 1ull, 5ull, 300ull}) {
      SCOPED_TRACE(std::to_string(fps) + " fps from frame " + std::to_string(firstFrame));
      const std::uint64_t frames = static_cast<std::uint64_t>(fps) * 3; // past the music's loop
      RecordingSink sink(true);
      CaptureSession session(planFrom(fps, firstFrame, frames), sink);
      const InstalledCaptureSession installed(session);
      auto music = openMusic();
      session.attachMusic(music.get());
      timeGetTime();
      // As the audio back end does: each frame's spectrum ends at its moment.
      while (!session.done()) {
        music->spectrumEnding(musicPositionAt(timeGetTime(), sampleRate), spectrum.data());
        session.presentFrame(pixels);
      }
      const std::uint64_t start = firstFrame * sampleRate / static_cast<unsigned>(fps);
      const std::uint64_t end = (firstFrame + frames) * sampleRate / static_cast<unsigned>(fps);
      ASSERT_EQ(sink.soundFrames(), end - start);
      const std::vector<float> expected = musicFrom(start, end - start);
      std::size_t differing = 0;
      for (std::size_t i = 0; i < expected.size(); ++i)
        differing += sink.sound[i] != expected[i];
      EXPECT_EQ(differing, 0u);
      session.attachMusic(nullptr);
    }
  }
}

TEST(CaptureSessionEnd, DoneAfterTheLastFrameOrAStopAndTellsEachFrame) {
  const std::uint32_t pixels[1] = {0};
  for (const std::uint64_t count : {0ull, 1ull, 2ull, 17ull}) {
    RecordingSink sink;
    CaptureSession session(planFrom(60, 10, count), sink);
    std::vector<std::uint64_t> told;
    session.setFrameListener([&told](std::uint64_t presented) { told.push_back(presented); });
    std::uint64_t presented = 0;
    while (!session.done()) {
      ASSERT_LT(presented, count);
      session.presentFrame(pixels);
      ++presented;
    }
    EXPECT_EQ(presented, count);
    EXPECT_EQ(session.framesPresented(), count);
    EXPECT_EQ(sink.frames.size(), count);
    ASSERT_EQ(told.size(), count);
    for (std::uint64_t k = 0; k < count; ++k)
      EXPECT_EQ(told[k], k + 1);
    EXPECT_FALSE(session.stopRequested());
  }

  RecordingSink sink;
  CaptureSession session(planFrom(60, 0, 100), sink);
  session.presentFrame(pixels);
  session.presentFrame(pixels);
  EXPECT_FALSE(session.done());
  session.requestStop();
  EXPECT_TRUE(session.stopRequested());
  EXPECT_TRUE(session.done());
  EXPECT_EQ(session.framesPresented(), 2u);
  EXPECT_EQ(sink.soundFrames(), 2u * sampleRate / 60u);
}

TEST(CaptureSessionEnd, AStopBeforeAnyFrameIsDoneAtOnce) {
  RecordingSink sink;
  CaptureSession session(planFrom(60, 0, 100), sink);
  session.requestStop();
  EXPECT_TRUE(session.done());
  EXPECT_EQ(session.framesPresented(), 0u);
  EXPECT_TRUE(sink.frames.empty());
  EXPECT_EQ(sink.soundFrames(), 0u);
}

TEST(InstalledCaptureSession, TheBackEndsServeTheInstalledOneAndASecondIsRefused) {
  RecordingSink sink;
  CaptureSession first(planFrom(60, 0, 1), sink);
  CaptureSession second(planFrom(60, 0, 1), sink);
  {
    const InstalledCaptureSession installed(first);
    EXPECT_EQ(&captureSession(), &first);
    EXPECT_THROW(InstalledCaptureSession{second}, std::logic_error);
    EXPECT_THROW(InstalledCaptureSession{first}, std::logic_error);
    // The refused one changed nothing.
    EXPECT_EQ(&captureSession(), &first);
  }
  // Gone with its scope: another may be installed.
  const InstalledCaptureSession installed(second);
  EXPECT_EQ(&captureSession(), &second);
}

TEST(InstalledCaptureSession, AnExceptionLeavesNoSessionBehind) {
  RecordingSink sink;
  CaptureSession first(planFrom(60, 0, 1), sink);
  CaptureSession second(planFrom(60, 0, 1), sink);
  try {
    const InstalledCaptureSession installed(first);
    throw std::runtime_error("the show failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_NO_THROW({
    const InstalledCaptureSession installed(second);
    EXPECT_EQ(&captureSession(), &second);
  });
}

} // namespace
