// Runs the built velvetstaticfog-capture and reads what it wrote back with
// libavformat and libavcodec: the frames against velvetstaticfog-frame, the
// sound against the music, and the ways a capture is refused or cut short.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "decoded_media.h"
#include "driver/show_timing.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* musicName = "qx-731_030321_4_tessellated.ogg";
constexpr int usageExit = 2;
constexpr int failedExit = 1;
constexpr std::size_t showPixels = 640u * 480u;
constexpr int sampleRate = static_cast<int>(outputFrequency);

std::string readFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// How a program is started: its environment's additions, whether its
// standard error is a terminal, and the user it runs as.
struct Launch {
  std::vector<std::string> environment;
  bool terminal = false;
  std::optional<uid_t> user;
};

// A started program: its standard error goes to a file (or a terminal the
// test reads), the rest to nothing.
class Program {
public:
  Program(const std::string& executable, const std::vector<std::string>& arguments,
          const fs::path& folder, const fs::path& errors, const Launch& launch = {})
      : errors_(errors) {
    std::vector<std::string> words{executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    pid_ = launch.terminal ? forkpty(&terminal_, nullptr, nullptr, nullptr) : fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      argv.reserve(words.size() + 1);
      for (std::string& word : words)
        argv.push_back(word.data());
      argv.push_back(nullptr);
      for (const std::string& setting : launch.environment)
        putenv(const_cast<char*>(setting.c_str()));
      const int errorFile = launch.terminal
                                ? dup(STDERR_FILENO)
                                : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int nothing = open("/dev/null", O_RDWR);
      if (chdir(folder.c_str()) != 0 || errorFile < 0 || nothing < 0)
        _exit(127);
      if (launch.user && (setgid(*launch.user) != 0 || setuid(*launch.user) != 0))
        _exit(127);
      dup2(nothing, STDIN_FILENO);
      dup2(nothing, STDOUT_FILENO);
      dup2(errorFile, STDERR_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    if (terminal_ >= 0)
      fcntl(terminal_, F_SETFL, fcntl(terminal_, F_GETFL) | O_NONBLOCK);
  }
  ~Program() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (terminal_ >= 0)
      close(terminal_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void signal(int number) const { kill(pid_, number); }

  // The exit code, or -1 for a process ended by a signal or still running
  // after `limit` (which is then killed).
  int wait(std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      readTerminal();
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        ended_ = true;
        return -1;
      }
      std::this_thread::sleep_for(20ms);
    }
    readTerminal();
    ended_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // What the program wrote to its standard error.
  std::string errors() const {
    if (terminal_ < 0)
      return readFile(errors_);
    return terminalText_;
  }

private:
  void readTerminal() {
    char chunk[4096];
    ssize_t got = 0;
    while (terminal_ >= 0 && (got = read(terminal_, chunk, sizeof chunk)) > 0)
      terminalText_.append(chunk, static_cast<std::size_t>(got));
  }

  pid_t pid_ = -1;
  bool ended_ = false;
  int terminal_ = -1;
  fs::path errors_;
  std::string terminalText_;
};

struct Outcome {
  int exitCode;
  std::string errors;
};

class CaptureProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The process id keeps builds that run these tests at the same time apart.
    folder_ =
        fs::path(::testing::TempDir()) /
        ("capture_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }

  // A folder to run in, with or without the show's music beside it.
  fs::path runFolder(const std::string& name, bool withMusic) const {
    fs::path folder = folder_ / name;
    fs::create_directories(folder);
    if (withMusic)
      fs::create_symlink(musicPath(), folder / musicName);
    return folder;
  }

  static fs::path musicPath() { return fs::path(VSF_BUILD_DIR) / musicName; }

  Outcome capture(const fs::path& folder, const std::vector<std::string>& arguments,
                  std::chrono::seconds limit = 300s, const Launch& launch = {}) const {
    return run(VSF_CAPTURE_PROGRAM, folder, arguments, limit, launch);
  }
  Outcome run(const char* program, const fs::path& folder,
              const std::vector<std::string>& arguments, std::chrono::seconds limit = 300s,
              const Launch& launch = {}) const {
    const fs::path errors = folder_ / "program-errors.txt";
    Program started(program, arguments, folder, errors, launch);
    const int code = started.wait(limit);
    return Outcome{code, started.errors()};
  }

  // The frame tool's picture of show frame `index` (0 at the start), with the
  // spectrum the music gives at that moment, top byte cleared.
  std::vector<std::uint32_t> toolFrame(std::uint64_t index, std::uint32_t elapsed) const {
    const fs::path out = folder_ / "tool.raw";
    const fs::path errors = folder_ / "tool-errors.txt";
    Program tool(VSF_FRAME_TOOL,
                 {"--frame", std::to_string(index + 1), "--elapsed", std::to_string(elapsed),
                  "--music", musicPath().string(), "--format", "raw", "--out", out.string()},
                 folder_, errors);
    EXPECT_EQ(tool.wait(60s), 0) << readFile(errors);
    const std::string bytes = readFile(out);
    std::vector<std::uint32_t> pixels(showPixels, 0);
    if (bytes.size() == showPixels * 4)
      std::copy_n(bytes.data(), bytes.size(), reinterpret_cast<char*>(pixels.data()));
    for (std::uint32_t& pixel : pixels)
      pixel &= 0x00FFFFFFu;
    return pixels;
  }

  fs::path folder_;
};

// Every captured frame n of a lossless capture is the frame tool's frame for
// the same number, moment and music; every show pixel is a scale x scale
// block; the sound is the music from the first frame's moment, as long as
// the frames. --force replaces what stood under the name.
TEST_F(CaptureProgramTest, LosslessCaptureIsTheShowFrameByFrameWithItsMusic) {
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

// Bad command lines, an existing output, a folder that takes no file and a
// missing or broken music file: the right exit code and message, and no
// file left behind or touched.
TEST_F(CaptureProgramTest, RefusesWhatItCannotDoAndTouchesNothing) {
  const fs::path folder = runFolder("run", true);
  const std::vector<std::vector<std::string>> badLines = {
      {},
      {"--out"},
      {"--fps", "30"},
      {"--out", "show.avi"},
      {"--out", "show.mp4", "--fps", "0"},
      {"--out", "show.mp4", "--fps", "12.5"},
      {"--out", "show.mp4", "--start", "-5"},
      {"--out", "show.mp4", "--seconds", "0"},
      {"--out", "show.mp4", "--seconds", "574"},
      {"--out", "show.mp4", "--start", "572000", "--seconds", "2"},
      {"--out", "show.mp4", "--scale", "5"},
      {"--out", "show.mp4", "--quality", "52"},
      {"--out", "show.mp4", "--lossless"},
      {"--out", "show.mkv", "--lossless", "--quality", "10"},
      {"--out", "show.mp4", "--force", "--force"},
      {"--out", "show.mp4", "--colour"},
      {"--out", "show.mov"},
      {"--out", "show.m4v"},
      {"--out", "show.mp4", "--seconds", "0.0005"},
  };
  for (const auto& line : badLines) {
    std::string shown;
    for (const std::string& word : line)
      shown += word + " ";
    SCOPED_TRACE(shown);
    const Outcome outcome = capture(folder, line, 60s);
    EXPECT_EQ(outcome.exitCode, usageExit);
    EXPECT_EQ(std::count(outcome.errors.begin(), outcome.errors.end(), '\n'), 1) << outcome.errors;
    EXPECT_NE(outcome.errors.find("usage: velvetstaticfog-capture --out FILE [--fps N] "
                                  "[--start MS] [--seconds S] [--scale K] [--quality Q] "
                                  "[--lossless] [--force]"),
              std::string::npos)
        << outcome.errors;
  }
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{musicName});
  // The messages name what is accepted.
  EXPECT_NE(capture(folder, {"--out", "show.mov"}, 60s).errors.find("must end in .mp4 or .mkv"),
            std::string::npos);
  EXPECT_NE(capture(folder, {"--out", "show.mp4", "--seconds", "0.0005"}, 60s)
                .errors.find("at most three decimals"),
            std::string::npos);

  // An existing file stays as it is without --force.
  writeFile(folder / "show.mp4", "someone's video");
  Outcome outcome = capture(folder, {"--out", "show.mp4", "--seconds", "0.1"});
  EXPECT_EQ(outcome.exitCode, failedExit);
  EXPECT_NE(outcome.errors.find("show.mp4 already exists; add --force"), std::string::npos)
      << outcome.errors;
  EXPECT_EQ(readFile(folder / "show.mp4"), "someone's video");
  EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{musicName, "show.mp4"}));

  // A folder that is not there; and, for a user the permissions hold, one
  // that may not be written.
  outcome = capture(folder, {"--out", "missing/show.mp4", "--seconds", "0.1"});
  EXPECT_EQ(outcome.exitCode, failedExit);
  EXPECT_NE(outcome.errors.find("cannot write in missing"), std::string::npos) << outcome.errors;
  if (geteuid() != 0) {
    const fs::path locked = runFolder("locked", false);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    outcome = capture(folder, {"--out", (locked / "show.mp4").string(), "--seconds", "0.1"});
    EXPECT_EQ(outcome.exitCode, failedExit);
    EXPECT_NE(outcome.errors.find("cannot write in"), std::string::npos) << outcome.errors;
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_TRUE(folderEntries(locked).empty());
  }

  // A folder the user may enter but not list takes the file; one they may
  // not enter is refused with a message. Root runs them as another user.
  {
    const bool root = geteuid() == 0;
    Launch launch;
    if (root)
      launch.user = 65533;
    const fs::path unlisted = runFolder("unlisted", false);
    const fs::path closed = runFolder("closed", false);
    fs::permissions(unlisted, root ? fs::perms::others_write | fs::perms::others_exec
                                   : fs::perms::owner_write | fs::perms::owner_exec);
    fs::permissions(closed, root ? fs::perms::owner_all : fs::perms::owner_read);
    outcome =
        capture(folder, {"--out", (unlisted / "show.mkv").string(), "--force", "--seconds", "0.1"},
                300s, launch);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    outcome =
        capture(folder, {"--out", (closed / "show.mkv").string(), "--force", "--seconds", "0.1"},
                300s, launch);
    EXPECT_EQ(outcome.exitCode, failedExit) << outcome.errors;
    EXPECT_NE(outcome.errors.find("Permission denied"), std::string::npos) << outcome.errors;
    fs::permissions(unlisted, fs::perms::owner_all);
    fs::permissions(closed, fs::perms::owner_all);
    EXPECT_EQ(folderEntries(unlisted), std::vector<std::string>{"show.mkv"});
    EXPECT_TRUE(folderEntries(closed).empty());
  }

  // Without its music, or with a file that is no music, nothing is written.
  const fs::path silent = runFolder("no-music", false);
  outcome = capture(silent, {"--out", "show.mp4", "--seconds", "0.1"});
  EXPECT_EQ(outcome.exitCode, failedExit);
  EXPECT_NE(outcome.errors.find(std::string("cannot read the music file ") + musicName),
            std::string::npos)
      << outcome.errors;
  EXPECT_TRUE(folderEntries(silent).empty());
  writeFile(silent / musicName, std::string(5000, 'x'));
  outcome = capture(silent, {"--out", "show.mp4", "--seconds", "0.1"});
  EXPECT_EQ(outcome.exitCode, failedExit);
  EXPECT_NE(outcome.errors.find("is not Ogg Vorbis music"), std::string::npos) << outcome.errors;
  EXPECT_EQ(folderEntries(silent), std::vector<std::string>{musicName});
  // Valid headers with no sound after them.
  writeFile(silent / musicName, readFile(musicPath()).substr(0, 5000));
  outcome = capture(silent, {"--out", "show.mp4", "--seconds", "0.1"});
  EXPECT_EQ(outcome.exitCode, failedExit);
  EXPECT_NE(outcome.errors.find("holds no sound"), std::string::npos) << outcome.errors;
  EXPECT_EQ(folderEntries(silent), std::vector<std::string>{musicName});
}

// Every signal that can be caught, in the middle of a whole-show capture,
// and a second Ctrl-C right after the first: the file holds what was
// captured, plays with picture and sound of the same length, no temporary
// file stays, and the program says so.
TEST_F(CaptureProgramTest, InterruptedCaptureLeavesAPlayableFile) {
  struct Case {
    int signal;
    bool twice;
    const char* name;
    const char* said;
  };
  for (const Case& c : {Case{SIGINT, false, "show.mp4", "stopped by Ctrl-C (SIGINT)"},
                        Case{SIGTERM, false, "show.mkv", "stopped by SIGTERM"},
                        Case{SIGHUP, false, "show.mp4", "stopped by SIGHUP"},
                        Case{SIGQUIT, false, "show.mkv", "stopped by SIGQUIT"},
                        Case{SIGPIPE, false, "show.mp4", "stopped by SIGPIPE"},
                        Case{SIGINT, true, "show.mp4", "stopped by Ctrl-C (SIGINT)"}}) {
    SCOPED_TRACE(std::string(c.said) + (c.twice ? " twice" : ""));
    const fs::path folder =
        runFolder(std::string("run-") + std::to_string(c.signal) + (c.twice ? "-twice" : ""), true);
    const fs::path errors = folder_ / "interrupted-errors.txt";
    Program program(VSF_CAPTURE_PROGRAM, {"--out", c.name}, folder, errors);

    // Signalled once the temporary file has grown by some frames.
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    std::uintmax_t written = 0;
    while (written < 1'000'000 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(100ms);
      for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(std::string(".") + c.name))
          written = std::max(written, entry.file_size());
    }
    ASSERT_GE(written, 1'000'000u) << "the capture did not get going";
    program.signal(c.signal);
    if (c.twice) {
      std::this_thread::sleep_for(10ms);
      program.signal(c.signal);
    }
    EXPECT_EQ(program.wait(120s), 128 + c.signal);
    const std::string said = readFile(errors);
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{musicName, c.name}));
    if (!fs::exists(folder / c.name)) {
      ADD_FAILURE() << "no file";
      continue;
    }

    const DecodedMedia media = decodeMedia((folder / c.name).string(), false);
    EXPECT_EQ(media.videoCodec, "h264");
    EXPECT_EQ(media.audioCodec, "aac");
    EXPECT_EQ(media.pixelFormat, "yuv420p");
    EXPECT_EQ(media.width, 1280);
    EXPECT_EQ(media.height, 960);
    EXPECT_GT(media.pictureCount, 0u);
    const double pictureSeconds = static_cast<double>(media.pictureCount) / showFrameRate;
    const double soundSeconds = static_cast<double>(media.sound.size()) / 2.0 / sampleRate;
    // AAC comes in blocks of 1024 frames, plus the encoder's priming block.
    EXPECT_NEAR(soundSeconds, pictureSeconds, 2 * 1024.0 / sampleRate);
  }
}

// Hidden files in a folder: what a capture keeps while it writes.
std::vector<std::string> hiddenEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folderEntries(folder))
    if (name.starts_with("."))
      names.push_back(name);
  return names;
}

// A process id no process has: a child that has ended and been reaped.
pid_t goneProcess() {
  const pid_t child = fork();
  if (child == 0)
    _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// A stop request at any moment of the start, before the temporary file is
// made or the moment it appears: nothing hidden stays.
TEST_F(CaptureProgramTest, SignalsWhileStartingLeaveNoTemporaryFile) {
  const fs::path folder = runFolder("run", true);
  constexpr int whenItAppears = -1;
  for (const int delayMs : {0, 5, 20, whenItAppears}) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
      SCOPED_TRACE("signal " + std::to_string(signal) + " after " + std::to_string(delayMs) +
                   " ms");
      Program program(VSF_CAPTURE_PROGRAM, {"--out", "show.mkv", "--force", "--seconds", "3"},
                      folder, folder_ / "errors.txt");
      if (delayMs == whenItAppears) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (hiddenEntries(folder).empty() && std::chrono::steady_clock::now() < deadline)
          std::this_thread::sleep_for(200us);
        ASSERT_FALSE(hiddenEntries(folder).empty());
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      }
      program.signal(signal);
      const int code = program.wait(120s);
      // Before its handlers are in place the program simply ends.
      EXPECT_TRUE(code == 128 + signal || (code == -1 && delayMs != whenItAppears))
          << code << " " << program.errors();
      EXPECT_TRUE(hiddenEntries(folder).empty()) << hiddenEntries(folder).front();
      fs::remove(folder / "show.mkv");
    }
  }
}

// What a capture killed outright left behind is swept by the next capture
// of that name; a live process's temporary and other names' stay.
TEST_F(CaptureProgramTest, StaleTemporariesOfTheNameAreSwept) {
  const fs::path folder = runFolder("run", true);
  const std::string gone = std::to_string(goneProcess());
  const std::string live = std::to_string(getpid());
  for (const std::string& name : {".show.mp4.capture-" + gone, ".show.mp4.capture-" + gone + "-1",
                                  ".show.mp4.capture-" + live, ".other.mp4.capture-" + gone})
    writeFile(folder / name, "unplayable");
  const Outcome outcome = capture(folder, {"--out", "show.mp4", "--seconds", "0.1"});
  ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
  EXPECT_EQ(hiddenEntries(folder),
            (std::vector<std::string>{".other.mp4.capture-" + gone, ".show.mp4.capture-" + live}));
}

// On FAT and exFAT there are no hard links; where renameat2's flags are not
// known either, the name is taken by an empty file of ours first. The
// capture is named either way and nothing else stays.
TEST_F(CaptureProgramTest, FileSystemsWithoutHardLinksStillGetTheCapture) {
  for (const std::vector<std::string>& faults :
       {std::vector<std::string>{"VSF_FAULT_NO_LINKS=1"},
        std::vector<std::string>{"VSF_FAULT_NO_LINKS=1", "VSF_FAULT_NO_RENAME_FLAGS=1"}}) {
    SCOPED_TRACE(faults.back());
    const fs::path folder = runFolder("run-" + std::to_string(faults.size()), true);
    Launch launch;
    launch.environment = faults;
    launch.environment.push_back(std::string("LD_PRELOAD=") + VSF_FAULTS_LIBRARY);
    const Outcome outcome =
        capture(folder, {"--out", "show.mkv", "--lossless", "--fps", "10", "--seconds", "0.5"},
                300s, launch);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{musicName, "show.mkv"}));
    EXPECT_EQ(decodeMedia((folder / "show.mkv").string(), false).pictureCount, 5u);
    // The frame tool names its files the same way.
    const Outcome frame =
        run(VSF_FRAME_TOOL, folder,
            {"--frame", "1", "--elapsed", "0", "--factors", "1", "1", "1", "--out", "frame.raw"},
            60s, launch);
    ASSERT_EQ(frame.exitCode, 0) << frame.errors;
    EXPECT_EQ(fs::file_size(folder / "frame.raw"), showPixels * 4);
    EXPECT_TRUE(hiddenEntries(folder).empty());
  }
}

// On a terminal: a full disk is told once, on a line of its own after the
// progress line, and nothing stays; a one-frame capture says "1 frame".
TEST_F(CaptureProgramTest, OnATerminalEachMessageHasItsOwnLine) {
  const fs::path folder = runFolder("run", true);
  Launch launch;
  launch.terminal = true;
  launch.environment = {"VSF_FAULT_FULL_AFTER=3000000",
                        std::string("LD_PRELOAD=") + VSF_FAULTS_LIBRARY};
  Outcome outcome = capture(folder, {"--out", "show.mp4", "--seconds", "20"}, 300s, launch);
  EXPECT_EQ(outcome.exitCode, failedExit) << outcome.errors;
  const std::size_t told = outcome.errors.find("velvetstaticfog-capture: cannot write the video");
  EXPECT_NE(told, std::string::npos) << outcome.errors;
  EXPECT_TRUE(told != std::string::npos && told > 0 && outcome.errors[told - 1] == '\n')
      << "a line of its own, after the progress line: " << outcome.errors;
  EXPECT_NE(outcome.errors.find("No space left on device", told), std::string::npos)
      << outcome.errors;
  EXPECT_EQ(outcome.errors.find("the show ended"), std::string::npos) << outcome.errors;
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{musicName});

  launch.environment.clear();
  outcome = capture(folder, {"--out", "show.mp4", "--seconds", "0.016"}, 300s, launch);
  EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
  EXPECT_NE(outcome.errors.find("wrote show.mp4: 1 frame ("), std::string::npos) << outcome.errors;
}

// The longest name the folder takes is written: the temporary name is
// shortened to fit, not the user's.
TEST_F(CaptureProgramTest, TheLongestValidNameIsWritten) {
  const fs::path folder = runFolder("run", true);
  const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
  ASSERT_GT(longest, 8);
  for (const std::string& name : {std::string(static_cast<std::size_t>(longest) - 4, 'n') + ".mkv",
                                  std::string(static_cast<std::size_t>(longest) - 14, 'n') +
                                      "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.mkv"}) {
    const Outcome outcome =
        capture(folder, {"--out", name, "--lossless", "--fps", "10", "--seconds", "0.2"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    std::vector<std::string> expected{musicName, name};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderEntries(folder), expected);
    fs::remove(folder / name);
  }
}

// One rule for the capture (with --force) and the frame tool: a replaced
// file keeps its permissions and its other hard links, a symbolic link is
// written through, a link loop is refused with a message, and the music is
// never written.
TEST_F(CaptureProgramTest, ReplacingKeepsPermissionsLinksAndInputs) {
  struct Writer {
    const char* program;
    std::vector<std::string> arguments; // the output's name comes last
    std::uintmax_t smallest;
  };
  const std::vector<Writer> writers = {
      {VSF_CAPTURE_PROGRAM,
       {"--force", "--lossless", "--fps", "10", "--seconds", "0.2", "--out"},
       10000},
      {VSF_FRAME_TOOL,
       {"--frame", "1", "--elapsed", "0", "--music", musicName, "--out"},
       showPixels * 4}};
  int round = 0;
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.program);
    // A copy: a fault here must not reach the build's music.
    const fs::path folder = runFolder("run-" + std::to_string(round++), false);
    fs::copy_file(musicPath(), folder / musicName);
    const auto write = [&](const std::string& name) {
      std::vector<std::string> arguments = writer.arguments;
      arguments.push_back(name);
      return run(writer.program, folder, arguments, 300s);
    };

    writeFile(folder / "private.mkv", "old");
    fs::permissions(folder / "private.mkv", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(folder / "private.mkv", folder / "twin.mkv");
    Outcome outcome = write("private.mkv");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(fs::status(folder / "private.mkv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::hard_link_count(folder / "private.mkv"), 2u);
    EXPECT_GE(fs::file_size(folder / "twin.mkv"), writer.smallest);

    writeFile(folder / "real.mkv", "old");
    fs::permissions(folder / "real.mkv",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.mkv", folder / "link.mkv");
    outcome = write("link.mkv");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_TRUE(fs::is_symlink(folder / "link.mkv"));
    EXPECT_GE(fs::file_size(folder / "real.mkv"), writer.smallest);
    EXPECT_EQ(fs::status(folder / "real.mkv").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_symlink("loop.mkv", folder / "loop.mkv");
    fs::create_symlink("inner", folder / "inner");
    for (const char* name : {"loop.mkv", "inner/show.mkv"}) {
      outcome = write(name);
      EXPECT_EQ(outcome.exitCode, failedExit) << name << ": " << outcome.errors;
      EXPECT_NE(outcome.errors.find("symbolic links"), std::string::npos) << outcome.errors;
    }

    // The show's music under another name.
    fs::create_symlink(musicName, folder / "music.mkv");
    outcome = write("music.mkv");
    EXPECT_EQ(outcome.exitCode, failedExit) << outcome.errors;
    EXPECT_EQ(readFile(folder / musicName), readFile(musicPath()));
    EXPECT_TRUE(hiddenEntries(folder).empty());

    // In a sticky folder another user's file cannot be renamed over: what
    // that user lets others write is written in place.
    if (geteuid() == 0) {
      const fs::path shared = runFolder("shared-" + std::to_string(round), false);
      fs::copy_file(musicPath(), shared / musicName);
      fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
      writeFile(shared / "theirs.mkv", "theirs");
      fs::permissions(shared / "theirs.mkv", fs::perms::all & ~fs::perms::owner_exec &
                                                 ~fs::perms::group_exec & ~fs::perms::others_exec);
      ASSERT_EQ(chown((shared / "theirs.mkv").c_str(), 65534, 65534), 0);
      Launch launch;
      launch.user = 65533;
      std::vector<std::string> arguments = writer.arguments;
      arguments.push_back("theirs.mkv");
      outcome = run(writer.program, shared, arguments, 300s, launch);
      EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
      struct stat status {};
      ASSERT_EQ(stat((shared / "theirs.mkv").c_str(), &status), 0);
      EXPECT_EQ(status.st_uid, 65534u);
      EXPECT_GE(static_cast<std::uintmax_t>(status.st_size), writer.smallest);
      EXPECT_TRUE(hiddenEntries(shared).empty());
    }
  }
}

} // namespace
