// The output file rule, through the programs that write by it: names taken
// and kept, links, permissions, inputs and the file systems the machine lacks.
#include "capture_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "decoded_media.h"

namespace {

class OutputFileTest : public CaptureProgramTest {};

// The videos kept beside show.mkv when its name could not be given.
std::vector<std::string> keptBeside(const fs::path& folder) {
  std::vector<std::string> kept;
  for (const std::string& name : folderEntries(folder))
    if (name.starts_with("show-") && name.ends_with(".mkv"))
      kept.push_back(name);
  return kept;
}

// What a capture killed outright left behind is swept by the next capture
// of that name; a live process's temporary and other names' stay.
TEST_F(OutputFileTest, StaleTemporariesOfTheNameAreSwept) {
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
TEST_F(OutputFileTest, FileSystemsWithoutHardLinksStillGetTheCapture) {
  for (const std::vector<std::string>& faults :
       {std::vector<std::string>{"VSF_FAULT_NO_LINKS=1"},
        std::vector<std::string>{"VSF_FAULT_NO_LINKS=1", "VSF_FAULT_NO_RENAME_FLAGS=1"}}) {
    SCOPED_TRACE(faults.back());
    const fs::path folder = runFolder("run-" + std::to_string(faults.size()), true);
    const Launch launch = withFaults(faults);
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

// The longest name the folder takes is written: the temporary name is
// shortened to fit, not the user's.
TEST_F(OutputFileTest, TheLongestValidNameIsWritten) {
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
TEST_F(OutputFileTest, ReplacingKeepsPermissionsLinksAndInputs) {
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

// --force over a video with another hard link copies into the file itself.
// A disk that fills then leaves the old video whole under both names and the
// new one kept beside it; with room enough both names get the new one.
TEST_F(OutputFileTest, AFullDiskNeverLeavesHalfAReplacedFile) {
  const fs::path folder = runFolder("run", true);
  const std::vector<std::string> arguments{"--out", "show.mkv", "--force",   "--lossless",
                                           "--fps", "10",       "--seconds", "0.5"};
  ASSERT_EQ(capture(folder, arguments).exitCode, 0);
  const std::uintmax_t size = fs::file_size(folder / "show.mkv");
  const std::string old = "an older video";
  for (const std::uintmax_t room : {size + size / 2, 3 * size}) {
    SCOPED_TRACE("room for " + std::to_string(room) + " bytes of a " + std::to_string(size) +
                 "-byte capture");
    for (const std::string& name : folderEntries(folder))
      if (name != musicName)
        fs::remove(folder / name);
    writeFile(folder / "show.mkv", old);
    fs::create_hard_link(folder / "show.mkv", folder / "twin.mkv");
    const Outcome outcome = capture(folder, arguments, 300s,
                                    withFaults({"VSF_FAULT_FULL_AFTER=" + std::to_string(room)}));
    EXPECT_EQ(fs::hard_link_count(folder / "show.mkv"), 2u);
    EXPECT_TRUE(hiddenEntries(folder).empty());
    if (room < 2 * size) {
      EXPECT_EQ(outcome.exitCode, failedExit) << outcome.errors;
      EXPECT_NE(outcome.errors.find("No space left on device"), std::string::npos)
          << outcome.errors;
      EXPECT_TRUE(readFile(folder / "twin.mkv") == old) << "the old video was changed";
      const std::vector<std::string> others = keptBeside(folder);
      ASSERT_EQ(others.size(), 1u) << outcome.errors;
      EXPECT_NE(outcome.errors.find("kept as " + others.front()), std::string::npos)
          << outcome.errors;
      EXPECT_EQ(decodeMedia((folder / others.front()).string(), false).pictureCount, 5u);
    } else {
      EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
      EXPECT_EQ(decodeMedia((folder / "twin.mkv").string(), false).pictureCount, 5u);
      EXPECT_EQ(folderEntries(folder),
                (std::vector<std::string>{musicName, "show.mkv", "twin.mkv"}));
    }
  }
}

// Two captures to one name at once: the one that finishes second leaves the
// other's video as it is and keeps its own beside it, on file systems with
// hard links and on those without (FAT, exFAT).
TEST_F(OutputFileTest, TheSecondOfTwoCapturesToOneNameIsKept) {
  int round = 0;
  for (const std::vector<std::string>& faults :
       {std::vector<std::string>{},
        std::vector<std::string>{"VSF_FAULT_NO_LINKS=1", "VSF_FAULT_NO_RENAME_FLAGS=1"}}) {
    SCOPED_TRACE(faults.empty() ? "with links" : "without links");
    const fs::path folder = runFolder("run-" + std::to_string(round++), true);
    Program program(VSF_CAPTURE_PROGRAM,
                    {"--out", "show.mkv", "--lossless", "--fps", "10", "--seconds", "20"}, folder,
                    folder_ / "errors.txt", withFaults(faults));
    // The other capture's video takes the name while this one runs.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (hiddenEntries(folder).empty() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(200us);
    writeFile(folder / "show.mkv", "the other capture");
    EXPECT_EQ(program.wait(300s), failedExit);
    const std::string said = program.errors();
    EXPECT_NE(said.find("appeared meanwhile and is left as it is"), std::string::npos) << said;
    EXPECT_TRUE(readFile(folder / "show.mkv") == "the other capture") << "the other video changed";
    const std::vector<std::string> kept = keptBeside(folder);
    ASSERT_EQ(kept.size(), 1u) << said;
    EXPECT_NE(said.find("kept as " + kept.front()), std::string::npos) << said;
    EXPECT_EQ(decodeMedia((folder / kept.front()).string(), false).pictureCount, 200u);
    EXPECT_TRUE(hiddenEntries(folder).empty());
  }
}

} // namespace
