#pragma once
// What the tests of the built capture program share: a started program with
// its standard error kept, a folder of its own for each test, and files read
// back.
#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/show_timing.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline constexpr const char* musicName = "qx-731_030321_4_tessellated.ogg";
inline constexpr int usageExit = 2;
inline constexpr int failedExit = 1;
inline constexpr std::size_t showPixels = 640u * 480u;
inline constexpr int sampleRate = static_cast<int>(outputFrequency);

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);
std::vector<std::string> folderEntries(const fs::path& folder);
// Hidden files in a folder: what a capture keeps while it writes.
std::vector<std::string> hiddenEntries(const fs::path& folder);
// A process id no process has: a child that has ended and been reaped.
pid_t goneProcess();

// How a program is started: its environment's additions, whether its
// standard error is a terminal, the user it runs as, its file size limit and
// its address space limit.
struct Launch {
  std::vector<std::string> environment;
  bool terminal = false;
  std::optional<uid_t> user;
  std::optional<std::uint64_t> fileSizeLimit; // bytes, as ulimit -f sets it
  std::optional<std::uint64_t> memoryLimit;   // bytes, as ulimit -v sets it
};

// The faults library preloaded, with these of its settings.
Launch withFaults(std::vector<std::string> faults);

// A started program: its standard error goes to a file (or a terminal the
// test reads), the rest to nothing.
class Program {
public:
  Program(const std::string& executable, const std::vector<std::string>& arguments,
          const fs::path& folder, const fs::path& errors, const Launch& launch = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void signal(int number) const;
  // The exit code, or -1 for a process ended by a signal or still running
  // after `limit` (which is then killed).
  int wait(std::chrono::seconds limit);
  // What the program wrote to its standard error.
  std::string errors() const;

private:
  void readTerminal();

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

// Each test in a folder of its own, removed afterwards.
class CaptureProgramTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A folder to run in, with or without the show's music beside it.
  fs::path runFolder(const std::string& name, bool withMusic) const;
  static fs::path musicPath() { return fs::path(VSF_BUILD_DIR) / musicName; }

  Outcome capture(const fs::path& folder, const std::vector<std::string>& arguments,
                  std::chrono::seconds limit = 300s, const Launch& launch = {}) const {
    return run(VSF_CAPTURE_PROGRAM, folder, arguments, limit, launch);
  }
  Outcome run(const char* program, const fs::path& folder,
              const std::vector<std::string>& arguments, std::chrono::seconds limit = 300s,
              const Launch& launch = {}) const;

  // The frame tool's picture of show frame `index` (0 at the start), with the
  // spectrum the music gives at that moment, top byte cleared.
  std::vector<std::uint32_t> toolFrame(std::uint64_t index, std::uint32_t elapsed) const;

  fs::path folder_;
};
