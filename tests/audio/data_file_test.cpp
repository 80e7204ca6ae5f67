// The music lookup: the current folder first, then the data folder of the
// program's install, over every layout a user can have.
#include "audio/data_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* music = "qx-731_030321_4_tessellated.ogg";

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

// A scratch install under /tmp and a working folder beside it, entered for
// the test and left afterwards.
class DataFileLookup : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/vsf-data-file.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    work = root / "work";
    program = root / "prefix" / "bin";
    fs::create_directories(work);
    fs::create_directories(program);
    previous = fs::current_path();
    fs::current_path(work);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(root);
  }
  fs::path root, work, program, previous;
};

TEST_F(DataFileLookup, CurrentFolderFirstThenInstalledCopyElseTheNameUnchanged) {
  const fs::path installed = fs::path(dataFolderOf(program.string())) / music;
  for (const bool inWorkFolder : {false, true}) {
    for (const bool inDataFolder : {false, true}) {
      for (const std::string& dir : {program.string(), program.string() + "/"}) {
        SCOPED_TRACE(std::to_string(inWorkFolder) + std::to_string(inDataFolder) + " " + dir);
        fs::remove(work / music);
        fs::remove(installed);
        if (inWorkFolder)
          touch(work / music);
        if (inDataFolder)
          touch(installed);
        const std::string found = findDataFile(music, dir);
        if (inWorkFolder || !inDataFolder) {
          EXPECT_EQ(found, music);
        } else {
          EXPECT_TRUE(fs::equivalent(found, installed)) << found;
        }
      }
    }
  }
}

TEST_F(DataFileLookup, OnlyPlainFilesInTheCurrentFolderCount) {
  const fs::path installed = fs::path(dataFolderOf(program.string())) / music;
  touch(installed);
  fs::create_directory(work / music); // a folder of that name is not the music
  EXPECT_TRUE(fs::equivalent(findDataFile(music, program.string()), installed));
  fs::remove(work / music);
  fs::create_symlink(root / "nowhere", work / music); // nor is a dangling link
  EXPECT_TRUE(fs::equivalent(findDataFile(music, program.string()), installed));
}

TEST_F(DataFileLookup, AbsoluteAndEmptyNamesAndUnknownProgramFolderAreLeftAlone) {
  touch(fs::path(dataFolderOf(program.string())) / music);
  const std::string absolute = (work / music).string();
  EXPECT_EQ(findDataFile(absolute, program.string()), absolute);
  EXPECT_EQ(findDataFile("", program.string()), "");
  EXPECT_EQ(findDataFile(music, ""), music);
}

TEST_F(DataFileLookup, RunningProgramLooksBesideItsOwnExecutable) {
  // A file of this test's own, in the data folder of the test program's folder.
  const fs::path own = fs::read_symlink("/proc/self/exe").parent_path();
  const std::string name = "data-file-test-" + std::to_string(getpid());
  const fs::path installed = fs::path(dataFolderOf(own.string())) / name;
  const fs::path share = installed.parent_path().parent_path();
  const bool shareExisted = fs::exists(share);
  touch(installed);
  const std::string found = findDataFile(name);
  fs::remove(installed);
  if (!shareExisted)
    fs::remove_all(share);
  EXPECT_EQ(fs::path(found), installed);
}

} // namespace
