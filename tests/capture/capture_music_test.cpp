// The capture over tracks of every kind, made here with FFmpeg's encoders:
// the video's sound is the decoded track, the fitted picture is as bright as
// the show's own, bad files are refused before any output exists, and the
// show's own music is untouched by the fit and by changes to its file during
// a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "decoded_media.h"
#include "show/frame_light.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int sampleRate = 44100;
constexpr const char* musicName = "qx-731_030321_4_tessellated.ogg";
// The lossless sound track holds 24 bits.
constexpr float soundStep = 1.0f / (1 << 22);
// The show's own music keeps its band at a median luma of about 35 or more
// over any second of its drops.
constexpr double darkestBandMedian = 30.0;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Outcome {
  int exitCode = -1;
  std::string errors;
};

// Runs a shell command line in `folder`, standard error kept.
Outcome run(const fs::path& folder, const std::string& command) {
  const fs::path errors = folder / "errors.txt";
  const std::string line = "cd '" + folder.string() + "' && " + command + " 2> '" +
                           errors.string() + "' > /dev/null";
  const int status = std::system(line.c_str());
  return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errors)};
}

std::vector<float> readFloats(const fs::path& path) {
  const std::string bytes = readFile(path);
  std::vector<float> values(bytes.size() / sizeof(float));
  std::copy_n(bytes.data(), values.size() * sizeof(float), reinterpret_cast<char*>(values.data()));
  return values;
}

double median(std::vector<double> values) {
  if (values.empty())
    return 0.0;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2),
                   values.end());
  return values[values.size() / 2];
}

double bandLumaMedian(const DecodedMedia& media) {
  std::vector<double> bands;
  for (const auto& picture : media.pictures) {
    std::vector<std::uint32_t> pixels(picture);
    for (auto& pixel : pixels)
      pixel &= 0xFFFFFFu;
    bands.push_back(measureFrame(pixels.data()).band);
  }
  return median(bands);
}

class CaptureMusicTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("vsf-capture-music-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all);
    fs::remove_all(folder_);
  }

  // Encodes FFmpeg's lavfi source `source` into `name`.
  void make(const std::string& name, const std::string& source, const std::string& options) {
    const Outcome made = run(folder_, "ffmpeg -nostdin -v error -y -f lavfi -i \"" + source +
                                          "\" " + options + " " + name);
    ASSERT_EQ(made.exitCode, 0) << name << ": " << made.errors;
  }

  Outcome capture(const std::string& arguments) {
    return run(folder_, std::string(VSF_CAPTURE_PROGRAM) + " " + arguments);
  }

  // The track as FFmpeg's own command line decodes it: stereo at 44.1 kHz.
  std::vector<float> reference(const std::string& name) {
    const Outcome decoded = run(folder_, "ffmpeg -nostdin -v error -y -i " + name +
                                             " -ac 2 -ar 44100 -f f32le reference.raw");
    EXPECT_EQ(decoded.exitCode, 0) << decoded.errors;
    return readFloats(folder_ / "reference.raw");
  }

  fs::path folder_;
};

// A kick on every half second over a bass line, as mastered music has them.
const std::string kickAndBass =
    "aevalsrc='0.6*sin(2*PI*(50+100*exp(-mod(t,0.5)*20))*mod(t,0.5))*exp(-mod(t,0.5)*8)"
    "+0.25*sin(2*PI*55*t)':s=48000:d=2.5";

TEST_F(CaptureMusicTest, EveryKindOfTrackGivesItsOwnSoundAndTheShowsBrightness) {
  make("loop.wav", kickAndBass, "-ac 2");
  make("loop.mp3", kickAndBass, "-ac 2 -c:a libmp3lame -b:a 192k");
  make("loop.flac", kickAndBass, "-ac 2 -c:a flac");
  make("loop.opus", kickAndBass, "-ac 2 -c:a libopus");
  // A quiet passage of held sines, mono at 22.05 kHz.
  make("quiet.wav", "aevalsrc='0.05*sin(2*PI*440*t)+0.03*sin(2*PI*431*t)':s=22050:d=2", "-ac 1");
  make("noise.flac", "anoisesrc=d=1.5:a=0.3:r=48000", "-ac 6");
  make("short.wav", kickAndBass, "-ac 2 -t 0.4");
  make("silence.wav", "anullsrc=r=44100:cl=stereo", "-t 1.5");
  // A chained Ogg whose links differ in rate, layout and codec.
  make("first.ogg", "sine=f=220:r=44100:d=1", "-ac 2 -c:a libvorbis");
  make("second.ogg", "sine=f=330:r=22050:d=1", "-ac 1 -c:a libvorbis");
  std::ofstream(folder_ / "chained.ogg", std::ios::binary)
      << readFile(folder_ / "first.ogg") << readFile(folder_ / "second.ogg");

  struct Case {
    const char* track;
    double seconds;
    bool coloured; // the fitted band as bright as the show's own
  };
  for (const Case& c : {Case{"loop.wav", 2.5, true}, Case{"loop.mp3", 2.5, true},
                        Case{"loop.flac", 2.5, true}, Case{"loop.opus", 2.5, true},
                        Case{"quiet.wav", 2.0, true}, Case{"noise.flac", 1.5, false},
                        Case{"short.wav", 0.4, false}, Case{"silence.wav", 1.5, false},
                        Case{"chained.ogg", 2.0, false}}) {
    SCOPED_TRACE(c.track);
    const Outcome outcome = capture(std::string("--music ") + c.track +
                                    " --out video.mkv --lossless --scale 1 --fps 20 --force");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_NE(outcome.errors.find("spectrum gain"), std::string::npos) << outcome.errors;
    const DecodedMedia media = decodeMedia((folder_ / "video.mkv").string(), true);
    // As long as the track, to the frame.
    EXPECT_NEAR(static_cast<double>(media.pictures.size()), c.seconds * 20, 1.0);
    const std::vector<float> track = reference(c.track);
    ASSERT_NEAR(static_cast<double>(track.size()) / 2, c.seconds * sampleRate, 0.03 * sampleRate);
    ASSERT_GE(media.sound.size(), track.size() - 2 * sampleRate / 20);
    float largest = 0.0f;
    for (std::size_t i = 0; i < std::min(track.size(), media.sound.size()); ++i)
      largest = std::max(largest, std::abs(media.sound[i] - track[i]));
    EXPECT_LE(largest, soundStep);

    const double band = bandLumaMedian(media);
    if (c.coloured) {
      EXPECT_GE(band, darkestBandMedian);
    }
    if (std::string(c.track) == "silence.wav") {
      EXPECT_EQ(band, 0.0); // the black band, and no division by zero
    }
  }

  // Without the fit the quiet passage stays dim: the fit is what lifts it.
  const Outcome unfitted =
      capture("--music quiet.wav --out video.mkv --lossless --scale 1 --fps 20 --force --no-fit");
  ASSERT_EQ(unfitted.exitCode, 0) << unfitted.errors;
  EXPECT_LT(bandLumaMedian(decodeMedia((folder_ / "video.mkv").string(), true)),
            darkestBandMedian / 2);
}

TEST_F(CaptureMusicTest, BadTracksAreRefusedBeforeAnyOutputExists) {
  make("whole.wav", kickAndBass, "-ac 2");
  make("whole.flac", kickAndBass, "-ac 2");
  const std::string flac = readFile(folder_ / "whole.flac");
  std::ofstream(folder_ / "cut.flac", std::ios::binary) << flac.substr(0, flac.size() / 3);
  std::ofstream(folder_ / "text.mp3") << "this is not music\n";
  std::ofstream(folder_ / "empty.flac").close();
  fs::create_directory(folder_ / "folder.wav");
  // A FLAC whose stream header promises two hours: its sample count is the
  // low 36 bits of the big-endian word at byte 18.
  std::string hours = flac;
  std::uint64_t word = 0;
  for (std::size_t k = 0; k < 8; ++k)
    word = word << 8 | static_cast<unsigned char>(hours[18 + k]);
  const std::uint64_t countMask = (std::uint64_t{1} << 36) - 1;
  word = (word & ~countMask) | std::uint64_t{2 * 3600 * 48000};
  for (std::size_t k = 0; k < 8; ++k)
    hours[25 - k] = static_cast<char>((word >> (8 * k)) & 0xFFu);
  std::ofstream(folder_ / "hours.flac", std::ios::binary) << hours;

  struct Case {
    const char* track;
    const char* message;
  };
  for (const Case& c :
       {Case{"missing.mp3", "No such file"}, Case{"folder.wav", "a folder"},
        Case{"empty.flac", "is empty"}, Case{"text.mp3", "not a sound file"},
        Case{"cut.flac", "cut short"}, Case{"hours.flac", "tracks up to 60:00"}}) {
    SCOPED_TRACE(c.track);
    const Outcome outcome = capture(std::string("--music ") + c.track + " --out video.mp4");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.errors;
    EXPECT_NE(outcome.errors.find(c.track), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find(c.message), std::string::npos) << outcome.errors;
    for (const auto& entry : fs::directory_iterator(folder_))
      EXPECT_EQ(entry.path().filename().string().find("video"), std::string::npos);
  }
  if (geteuid() != 0) { // root reads whatever the permissions say
    fs::permissions(folder_ / "whole.wav", fs::perms::none);
    const Outcome outcome = capture("--music whole.wav --out video.mp4");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("Permission denied"), std::string::npos) << outcome.errors;
  }
}

// The show's own music reads about 1 in its loudest passages already: the fit
// leaves it alone, frame for frame.
TEST_F(CaptureMusicTest, TheShowsOwnMusicIsLeftAsItIs) {
  fs::copy_file(fs::path(VSF_BUILD_DIR) / musicName, folder_ / musicName);
  const std::string span = " --lossless --scale 1 --fps 10 --start 150000 --seconds 1 --force";
  const Outcome fitted = capture("--out fitted.mkv" + span);
  ASSERT_EQ(fitted.exitCode, 0) << fitted.errors;
  EXPECT_NE(fitted.errors.find("spectrum gain +0.0 dB"), std::string::npos) << fitted.errors;
  const Outcome plain = capture("--out plain.mkv --no-fit" + span);
  ASSERT_EQ(plain.exitCode, 0) << plain.errors;
  const DecodedMedia a = decodeMedia((folder_ / "fitted.mkv").string(), true);
  const DecodedMedia b = decodeMedia((folder_ / "plain.mkv").string(), true);
  ASSERT_EQ(a.pictures.size(), 10u);
  EXPECT_TRUE(a.pictures == b.pictures);
  EXPECT_GE(bandLumaMedian(a), darkestBandMedian);
}

// The music file rebuilt or cut while a capture runs: the capture has the
// whole track already, so its sound and colours go on to the end.
TEST_F(CaptureMusicTest, MusicChangedDuringACaptureDoesNotCutIt) {
  fs::copy_file(fs::path(VSF_BUILD_DIR) / musicName, folder_ / musicName);
  const std::string command = std::string(VSF_CAPTURE_PROGRAM) +
                              " --out video.mkv --lossless --scale 1 --fps 10 --seconds 20";
  const fs::path errors = folder_ / "errors.txt";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string line = "cd '" + folder_.string() + "' && exec " + command + " 2> '" +
                             errors.string() + "'";
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Cut the music to its headers once the output has appeared.
  for (int wait = 0; wait < 600; ++wait) {
    bool started = false;
    for (const auto& entry : fs::directory_iterator(folder_))
      started = started || entry.path().filename().string().find("video") != std::string::npos;
    if (started)
      break;
    std::this_thread::sleep_for(50ms);
  }
  fs::resize_file(folder_ / musicName, 4000);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << readFile(errors);
  const DecodedMedia media = decodeMedia((folder_ / "video.mkv").string(), true);
  ASSERT_EQ(media.pictures.size(), 200u);
  // The last seconds still sound and still colour the band.
  double energy = 0.0;
  for (std::size_t i = media.sound.size() - 2 * 5 * sampleRate; i < media.sound.size(); ++i)
    energy += static_cast<double>(media.sound[i]) * media.sound[i];
  EXPECT_GT(energy, 1.0);
  std::vector<std::uint32_t> last(media.pictures.back());
  for (auto& pixel : last)
    pixel &= 0xFFFFFFu;
  EXPECT_GT(measureFrame(last.data()).band, 0.0);
}

} // namespace
