// The capture's pictures and sound against the frame tool and the music.
#include "capture_program.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "decoded_media.h"

namespace {

class CaptureFramesTest : public CaptureProgramTest {};

// Every captured frame n of a lossless capture is the frame tool's frame for
// the same number, moment and music; every show pixel is a scale x scale
// block; the sound is the music from the first frame's moment, as long as
// the frames. --force replaces what stood under the name.
TEST_F(CaptureFramesTest, LosslessCaptureIsTheShowFrameByFrameWithItsMusic) {
  const fs::path folder = runFolder("run", true);
  struct Case {
    int fps;
    int scale;
    const char* startMs;
    const char* seconds;
    std::uint64_t firstFrame; // of the whole show
    std::uint64_t frames;
  };
  // 15 fps puts frames between milliseconds (66.67 ms apart); 7 fps and
  // 1001 ms start between frames, so the first frame is the next one.
  for (const Case& c : {Case{15, 1, "20000", "2", 300, 30}, Case{7, 2, "1001", "0.6", 8, 4}}) {
    SCOPED_TRACE("fps " + std::to_string(c.fps) + ", scale " + std::to_string(c.scale));
    const fs::path out = folder / "show.mkv";
    writeFile(out, "an older capture");
    const Outcome outcome = capture(
        folder, {"--out", "show.mkv", "--lossless", "--force", "--fps", std::to_string(c.fps),
                 "--scale", std::to_string(c.scale), "--start", c.startMs, "--seconds", c.seconds});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{musicName, "show.mkv"}));

    const DecodedMedia media = decodeMedia(out.string(), true);
    EXPECT_EQ(media.videoCodec, "ffv1");
    EXPECT_EQ(media.audioCodec, "flac");
    ASSERT_EQ(media.width, 640 * c.scale);
    ASSERT_EQ(media.height, 480 * c.scale);
    ASSERT_EQ(media.pictures.size(), c.frames);
    for (std::uint64_t k = 0; k < c.frames; ++k) {
      const std::uint64_t n = c.firstFrame + k;
      const auto elapsed = static_cast<std::uint32_t>(n * 1000 / static_cast<unsigned>(c.fps));
      const std::vector<std::uint32_t> expected = toolFrame(n, elapsed);
      const std::vector<std::uint32_t>& got = media.pictures[k];
      std::size_t differing = 0;
      for (std::size_t y = 0; y < 480u * static_cast<unsigned>(c.scale); ++y)
        for (std::size_t x = 0; x < 640u * static_cast<unsigned>(c.scale); ++x)
          differing += got[y * 640u * static_cast<unsigned>(c.scale) + x] !=
                       expected[(y / static_cast<unsigned>(c.scale)) * 640u +
                                x / static_cast<unsigned>(c.scale)];
      ASSERT_EQ(differing, 0u) << "frame " << k << " (show frame " << n << ", " << elapsed
                               << " ms)";
    }

    // The music decoded independently, by FFmpeg's own Vorbis decoder.
    const std::size_t soundStart = c.firstFrame * sampleRate / static_cast<unsigned>(c.fps);
    const std::size_t soundFrames =
        (c.firstFrame + c.frames) * sampleRate / static_cast<unsigned>(c.fps) - soundStart;
    const DecodedMedia music = decodeMedia(musicPath().string(), false, soundStart + soundFrames);
    ASSERT_EQ(media.sampleRate, sampleRate);
    // FLAC blocks are 4608 frames at most; the track ends where the last frame does.
    EXPECT_NEAR(static_cast<double>(media.sound.size()) / 2.0, static_cast<double>(soundFrames),
                1.0);
    ASSERT_GE(media.sound.size(), 2 * soundFrames);
    ASSERT_GE(music.sound.size(), 2 * (soundStart + soundFrames));
    const auto largestDifference = [&](std::size_t shift) {
      float largest = 0.0f;
      for (std::size_t i = 0; i + 2 * shift < 2 * soundFrames; ++i)
        largest =
            std::max(largest, std::abs(media.sound[i] - music.sound[2 * (soundStart + shift) + i]));
      return largest;
    };
    // Within 24-bit rounding and two decoders' float arithmetic; one frame
    // off is far worse.
    EXPECT_LT(largestDifference(0), 2e-4f);
    EXPECT_GT(largestDifference(1), 1e-3f);
    fs::remove(out);
  }
}

} // namespace
