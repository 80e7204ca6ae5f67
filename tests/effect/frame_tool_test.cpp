// Runs the built velvetstaticfog-frame and checks what it writes against the
// composition in this process.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "audio/music_timeline.h"
#include "colour_bin_levels.h"
#include "driver/show_timing.h"
#include "effect/colour_factors.h"
#include "effect/frame_composition.h"
#include "effect/pixel.h"
#include "effect/random.h"
#include "images/image_bank.h"
#include "music/vorbis_writer.h"
#include "test_effect.h"

namespace {

EffectState& effect = testEffect();

namespace fs = std::filesystem;

constexpr std::size_t rawSize = 640u * 480u * 4u;
const std::string ppmHeader = "P6\n640 480\n255\n";

struct ToolRun {
  int exitCode;
  std::string errorText;
};

class FrameToolTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The process id keeps runs of several build folders at once apart.
    directory_ = fs::path(::testing::TempDir()) /
                 ("frame_tool_" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  "_" + std::to_string(getpid()));
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  fs::path file(const std::string& name) const { return directory_ / name; }

  ToolRun runTool(const std::string& arguments) const {
    const fs::path errors = file("stderr.txt");
    // Bounded, so a tool that blocks fails the test instead of hanging it.
    const std::string command = "timeout 60 " + std::string(VSF_FRAME_TOOL) + " " + arguments +
                                " 2> '" + errors.string() + "'";
    const int status = std::system(command.c_str());
    return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errors)};
  }

  static std::string readFile(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error) {
      return {};
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

  fs::path directory_;
};

TEST_F(FrameToolTest, BadArgumentsGiveUsageAndExit2WithoutOutput) {
  std::ofstream(file("short.bin"), std::ios::binary) << std::string(2047, '\0');
  const std::string out = " --out '" + file("frame.raw").string() + "'";
  const std::string cases[] = {
      "",
      "--frame 1 --elapsed 0 --factors 1 1 1",
      "--frame 0 --elapsed 0 --factors 1 1 1" + out,
      "--frame -1 --elapsed 0 --factors 1 1 1" + out,
      "--frame 1x --elapsed 0 --factors 1 1 1" + out,
      "--frame 18446744073709551616 --elapsed 0 --factors 1 1 1" + out,
      "--frame 1 --elapsed 4294967296 --factors 1 1 1" + out,
      "--frame 1 --elapsed -5 --factors 1 1 1" + out,
      "--frame 1 --factors 1 1 1" + out,
      "--frame 1 --elapsed 0" + out,
      "--frame 1 --elapsed 0 --factors 1 2 x" + out,
      "--frame 1 --elapsed 0 --factors 1 2" + out,
      "--frame 1 --elapsed 0 --factors 1 1 1 --factors 1 1 1" + out,
      "--frame 1 --frame 2 --elapsed 0 --factors 1 1 1" + out,
      "--frame 1 --elapsed 0 --factors 1 1 1 --spectrum '" + file("short.bin").string() + "'" + out,
      "--frame 1 --elapsed 0 --factors 1 1 1 --format bmp" + out,
      "--frame 1 --elapsed 0 --factors 1 1 1 --colour red" + out,
      "--frame 1 --elapsed 0 --factors 1 1 1 --out",
  };
  for (const std::string& arguments : cases) {
    const ToolRun result = runTool(arguments);
    EXPECT_EQ(result.exitCode, 2) << arguments;
    EXPECT_NE(result.errorText.find("usage: velvetstaticfog-frame --frame N"), std::string::npos)
        << arguments;
    EXPECT_EQ(result.errorText.find('\n'), result.errorText.size() - 1) << arguments;
    EXPECT_FALSE(fs::exists(file("frame.raw"))) << arguments;
  }
}

// Everything in the scratch folder but the tool's standard error.
std::set<std::string> namesIn(const fs::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    if (entry.path().filename() != "stderr.txt") {
      names.insert(entry.path().filename().string());
    }
  }
  return names;
}

TEST_F(FrameToolTest, UnusableSpectrumFilesFailWithExit1AndNoOutput) {
  std::ofstream(file("short.bin"), std::ios::binary) << std::string(2047, '\0');
  std::ofstream(file("long.bin"), std::ios::binary) << std::string(2049, '\0');
  fs::create_directory(file("folder"));
  ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
  const std::string sources[] = {file("missing.bin").string(), file("short.bin").string(),
                                 file("long.bin").string(),    file("folder").string(),
                                 file("fifo").string(),        "/dev/zero"};
  for (const std::string& source : sources) {
    const ToolRun result = runTool("--frame 1 --elapsed 0 --spectrum '" + source + "' --out '" +
                                   file("frame.raw").string() + "'");
    EXPECT_EQ(result.exitCode, 1) << source;
    EXPECT_EQ(result.errorText.rfind("velvetstaticfog-frame: ", 0), 0u) << source;
    EXPECT_EQ(result.errorText.find("usage"), std::string::npos) << source;
    EXPECT_EQ(result.errorText.find('\n'), result.errorText.size() - 1) << source;
    EXPECT_FALSE(fs::exists(file("frame.raw"))) << source;
  }
}

TEST_F(FrameToolTest, FailedWritesLeaveWhatWasThere) {
  fs::create_directory(file("empty-folder"));
  fs::create_symlink("/dev/full", file("full.raw"));
  fs::create_symlink(file("no-folder") / "frame.raw", file("dangling.raw"));
  std::vector<std::string> outputs = {"empty-folder", "full.raw", "dangling.raw",
                                      "no-folder/frame.raw"};
  // Root may write a read-only file, so only others can see it refused.
  if (geteuid() != 0) {
    std::ofstream(file("read-only.raw")) << "precious";
    fs::permissions(file("read-only.raw"), fs::perms::owner_read);
    outputs.emplace_back("read-only.raw");
  }
  const std::set<std::string> before = namesIn(directory_);
  for (const std::string& output : outputs) {
    const ToolRun result =
        runTool("--frame 1 --elapsed 0 --factors 1 1 1 --out '" + file(output).string() + "'");
    EXPECT_EQ(result.exitCode, 1) << output;
    EXPECT_NE(result.errorText.find("cannot write"), std::string::npos) << output;
  }
  EXPECT_EQ(namesIn(directory_), before) << "nothing removed, nothing left behind";
  EXPECT_TRUE(fs::is_empty(file("empty-folder")));
  EXPECT_EQ(fs::read_symlink(file("full.raw")), "/dev/full");
  EXPECT_TRUE(fs::is_symlink(file("dangling.raw")));
  if (geteuid() != 0) {
    EXPECT_EQ(readFile(file("read-only.raw")), "precious");
  }

  // A write that succeeds replaces a file in place of its old bytes, keeps its
  // permissions, and writes through a link to the file it points at.
  std::ofstream(file("old.raw")) << "old";
  fs::permissions(file("old.raw"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("old.raw", file("link.raw"));
  ASSERT_EQ(
      runTool("--frame 1 --elapsed 0 --factors 1 1 1 --out '" + file("link.raw").string() + "'")
          .exitCode,
      0);
  EXPECT_TRUE(fs::is_symlink(file("link.raw")));
  EXPECT_EQ(readFile(file("old.raw")).size(), rawSize);
  EXPECT_EQ(fs::status(file("old.raw")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(FrameToolTest, RawFrameIsTheComposedFrame) {
  const ToolRun result = runTool("--frame 3 --elapsed 31000 --factors 1.5 -2 0.25 --out '" +
                                 file("frame.raw").string() + "'");
  ASSERT_EQ(result.exitCode, 0) << result.errorText;
  const std::string bytes = readFile(file("frame.raw"));
  ASSERT_EQ(bytes.size(), rawSize);

  loadImageBank(effect.imageBank);
  applyLevelTransform(effect.imageBank);
  resetEffectState(effect);
  nextRandom(effect.randomState);
  nextRandom(effect.randomState);
  effect.colourFactors = ColourFactors{1.5f, -2.0f, 0.25f};
  startFrameCounters(effect, 31000);
  std::vector<std::uint32_t> expected(static_cast<std::size_t>(frameWidth) * frameHeight, 0);
  composeFramePlain(effect, expected.data());
  clearImageBank(effect);

  for (std::size_t i = 0; i < expected.size(); ++i) {
    std::uint32_t pixel = 0;
    for (std::size_t byte = 0; byte < 4; ++byte) {
      pixel |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i * 4 + byte]))
               << (8 * byte);
    }
    ASSERT_EQ(pixel, expected[i]) << "pixel " << i % 640 << ", " << i / 640;
  }
}

TEST_F(FrameToolTest, PpmHoldsTheRawFramesColourBytes) {
  const std::string common = "--frame 7 --elapsed 4294967295 --factors 3e9 -0.5 200 ";
  ASSERT_EQ(runTool(common + "--out '" + file("frame.raw").string() + "'").exitCode, 0);
  ASSERT_EQ(runTool(common + "--format ppm --out '" + file("frame.ppm").string() + "'").exitCode,
            0);
  const std::string raw = readFile(file("frame.raw"));
  const std::string ppm = readFile(file("frame.ppm"));
  ASSERT_EQ(raw.size(), rawSize);
  ASSERT_EQ(ppm.size(), ppmHeader.size() + 640u * 480u * 3u);
  ASSERT_EQ(ppm.substr(0, ppmHeader.size()), ppmHeader);
  for (std::size_t i = 0; i < 640u * 480u; ++i) {
    // Little-endian raw: blue, green, red, top byte; the PPM keeps red, green, blue.
    ASSERT_EQ(ppm[ppmHeader.size() + i * 3], raw[i * 4 + 2]) << i;
    ASSERT_EQ(ppm[ppmHeader.size() + i * 3 + 1], raw[i * 4 + 1]) << i;
    ASSERT_EQ(ppm[ppmHeader.size() + i * 3 + 2], raw[i * 4]) << i;
  }
}

TEST_F(FrameToolTest, SpectrumGivesTheFactorsOfTheFrameLoop) {
  std::array<float, 512> spectrum{};
  setColourBins(spectrum.data(), {0.5f, 1.25f, 0.75f, 0.125f, 2.0f, 0.25f, 0.0625f});
  {
    std::ofstream out(file("spectrum.bin"), std::ios::binary);
    for (const float value : spectrum) {
      const auto word = std::bit_cast<std::uint32_t>(value);
      for (int byte = 0; byte < 4; ++byte) {
        out.put(static_cast<char>((word >> (8 * byte)) & 0xFFu));
      }
    }
  }
  const ColourFactors factors = computeColourFactors(spectrum.data());
  const std::string common = "--frame 2 --elapsed 1234567 ";
  ASSERT_EQ(runTool(common + "--spectrum '" + file("spectrum.bin").string() + "' --out '" +
                    file("from_spectrum.raw").string() + "'")
                .exitCode,
            0);
  char factorText[200];
  std::snprintf(factorText, sizeof factorText, "--factors %a %a %a ",
                static_cast<double>(factors.redFactor), static_cast<double>(factors.greenFactor),
                static_cast<double>(factors.blueFactor));
  ASSERT_EQ(
      runTool(common + factorText + "--out '" + file("from_factors.raw").string() + "'").exitCode,
      0);
  const std::string fromSpectrum = readFile(file("from_spectrum.raw"));
  EXPECT_EQ(fromSpectrum.size(), rawSize);
  EXPECT_TRUE(fromSpectrum == readFile(file("from_factors.raw")));
  EXPECT_NE(fromSpectrum, std::string(rawSize, '\0'));
}

TEST_F(FrameToolTest, SpecialFactorsGiveBlackNoise) {
  ASSERT_EQ(runTool("--frame 1 --elapsed 0 --factors nan inf -inf --out '" +
                    file("frame.raw").string() + "'")
                .exitCode,
            0);
  const std::string bytes = readFile(file("frame.raw"));
  ASSERT_EQ(bytes.size(), rawSize);
  for (std::size_t x = 0; x < 640; ++x) {
    // Row 102 is noise; row 101 a rule line of greys.
    ASSERT_EQ(bytes.substr((102 * 640 + x) * 4, 4), std::string(4, '\0')) << x;
    ASSERT_NE(bytes.substr((101 * 640 + x) * 4, 3), std::string(3, '\0')) << x;
  }
}

// The little-endian floats a spectrum file holds.
void writeSpectrum(const fs::path& path, const float* magnitudes) {
  std::ofstream out(path, std::ios::binary);
  for (std::size_t bin = 0; bin < 512; ++bin) {
    const auto word = std::bit_cast<std::uint32_t>(magnitudes[bin]);
    for (int byte = 0; byte < 4; ++byte) {
      out.put(static_cast<char>((word >> (8 * byte)) & 0xFFu));
    }
  }
}

// --music at any elapsed time, up to the largest, gives the spectrum of the
// looped music decoded from its start: checked against the spectrum this
// process decodes front to back, at the same place of the second pass.
// (Decoding every pass before it, the largest would take weeks.)
TEST_F(FrameToolTest, MusicAtAnyElapsedTimeIsTheLoopedMusicsSpectrum) {
  constexpr std::uint32_t rate = outputFrequency;
  constexpr std::size_t length = 100000; // frames of one pass, not a whole number of ms
  {
    VorbisWriter writer(file("music.ogg").string(), 2, rate, 0.4f);
    std::vector<float> frames(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
      // A rising tone on the left and a falling one on the right: every
      // moment has its own spectrum.
      const double t = static_cast<double>(i) / rate;
      frames[2 * i] = static_cast<float>(0.4 * std::sin(2 * M_PI * (200 + 900 * t) * t));
      frames[2 * i + 1] = static_cast<float>(0.4 * std::sin(2 * M_PI * (4000 - 700 * t) * t));
    }
    writer.write(frames.data(), length);
    writer.finish();
  }
  // The first pass, its seam, and far passes; 2300 ms ends its window just
  // after the seam.
  for (const std::uint32_t elapsed : {100u, 1500u, 2267u, 2300u, 2865000u, 4294967295u}) {
    SCOPED_TRACE(elapsed);
    const std::uint64_t end = std::uint64_t{elapsed} * rate / 1000;
    const std::uint64_t reference = end < length ? end : length + end % length;
    DecoderError error = DecoderError::none;
    const auto music = MusicTimeline::open(file("music.ogg").c_str(), rate, error);
    ASSERT_TRUE(music);
    music->decodeTo(reference);
    std::array<float, 512> spectrum{};
    music->spectrumEnding(reference, spectrum.data());
    writeSpectrum(file("spectrum.bin"), spectrum.data());

    const std::string common = "--frame 4 --elapsed " + std::to_string(elapsed);
    // Unfitted: the spectrum as the audio layer gives it.
    const ToolRun fromMusic = runTool(common + " --no-fit --music '" + file("music.ogg").string() +
                                      "' --out '" + file("music.raw").string() + "'");
    ASSERT_EQ(fromMusic.exitCode, 0) << fromMusic.errorText;
    ASSERT_EQ(runTool(common + " --spectrum '" + file("spectrum.bin").string() + "' --out '" +
                      file("spectrum.raw").string() + "'")
                  .exitCode,
              0);
    const std::string bytes = readFile(file("music.raw"));
    EXPECT_EQ(bytes.size(), rawSize);
    EXPECT_TRUE(bytes == readFile(file("spectrum.raw")));
  }
}

// "-" is standard output, and so is /dev/stdout, whether it is a pipe or a
// file opened for appending; a frame never replaces the file it was read from.
TEST_F(FrameToolTest, StreamsAreWrittenAsTheyAreAndInputsNever) {
  const std::string frame = "--frame 2 --elapsed 40 --factors 1 1 1";
  ASSERT_EQ(runTool(frame + " --out '" + file("frame.raw").string() + "'").exitCode, 0);
  const std::string expected = readFile(file("frame.raw"));
  ASSERT_EQ(expected.size(), rawSize);
  for (const char* out : {"-", "/dev/stdout"}) {
    SCOPED_TRACE(out);
    fs::remove(file("piped.raw"));
    runTool(frame + " --out " + out + " | cat > '" + file("piped.raw").string() + "'");
    EXPECT_TRUE(readFile(file("piped.raw")) == expected);
    std::ofstream(file("appended.raw"), std::ios::binary) << "head";
    EXPECT_EQ(
        runTool(frame + " --out " + out + " >> '" + file("appended.raw").string() + "'").exitCode,
        0);
    EXPECT_TRUE(readFile(file("appended.raw")) == "head" + expected);
  }
  EXPECT_FALSE(fs::exists("-"));
  // A closed standard output is told as that, and nothing is made for it.
  for (const char* out : {"-", "/dev/stdout"}) {
    const ToolRun closed = runTool(frame + " --out " + out + " >&-");
    EXPECT_EQ(closed.exitCode, 1) << out;
    EXPECT_NE(
        closed.errorText.find("cannot write " + std::string(out) + ": standard output is closed"),
        std::string::npos)
        << closed.errorText;
  }

  std::array<float, 512> spectrum{};
  spectrum[3] = 1.0f;
  writeSpectrum(file("spectrum.bin"), spectrum.data());
  fs::create_symlink("spectrum.bin", file("alias.bin"));
  const std::string before = readFile(file("spectrum.bin"));
  for (const char* out : {"spectrum.bin", "alias.bin"}) {
    const ToolRun result =
        runTool("--frame 1 --elapsed 0 --spectrum '" + file("spectrum.bin").string() + "' --out '" +
                file(out).string() + "'");
    EXPECT_EQ(result.exitCode, 1) << out;
    EXPECT_NE(result.errorText.find("also read as input"), std::string::npos) << result.errorText;
    EXPECT_TRUE(readFile(file("spectrum.bin")) == before) << out;
  }
}

} // namespace
