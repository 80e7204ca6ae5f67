// What the capture refuses, and how it tells what went wrong.
#include "capture_program.h"

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class CaptureRefusalTest : public CaptureProgramTest {};

// Bad command lines, an existing output, a folder that takes no file and a
// missing or broken music file: the right exit code and message, and no
// file left behind or touched.
TEST_F(CaptureRefusalTest, RefusesWhatItCannotDoAndTouchesNothing) {
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

// On a terminal: a full disk is told once, on a line of its own after the
// progress line, and nothing stays; a one-frame capture says "1 frame".
TEST_F(CaptureRefusalTest, OnATerminalEachMessageHasItsOwnLine) {
  const fs::path folder = runFolder("run", true);
  Launch launch = withFaults({"VSF_FAULT_FULL_AFTER=3000000"});
  launch.terminal = true;
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

} // namespace
