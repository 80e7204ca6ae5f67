#include "capture_program.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

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

std::vector<std::string> hiddenEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const std::string& name : folderEntries(folder))
    if (name.starts_with("."))
      names.push_back(name);
  return names;
}

pid_t goneProcess() {
  const pid_t child = fork();
  if (child == 0)
    _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

Launch withFaults(std::vector<std::string> faults) {
  Launch launch;
  launch.environment = std::move(faults);
  launch.environment.push_back(std::string("LD_PRELOAD=") + VSF_FAULTS_LIBRARY);
  return launch;
}

Program::Program(const std::string& executable, const std::vector<std::string>& arguments,
                 const fs::path& folder, const fs::path& errors, const Launch& launch)
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
    if (launch.fileSizeLimit) {
      const auto bytes = static_cast<rlim_t>(*launch.fileSizeLimit);
      const struct rlimit fileSize { bytes, bytes };
      if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
        _exit(127);
    }
    if (launch.memoryLimit) {
      const auto bytes = static_cast<rlim_t>(*launch.memoryLimit);
      const struct rlimit memory { bytes, bytes };
      if (setrlimit(RLIMIT_AS, &memory) != 0)
        _exit(127);
    }
    dup2(nothing, STDIN_FILENO);
    dup2(nothing, STDOUT_FILENO);
    dup2(errorFile, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (terminal_ >= 0)
    fcntl(terminal_, F_SETFL, fcntl(terminal_, F_GETFL) | O_NONBLOCK);
}
Program::~Program() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (terminal_ >= 0)
    close(terminal_);
}
void Program::signal(int number) const {
  kill(pid_, number);
}

int Program::wait(std::chrono::seconds limit) {
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

std::string Program::errors() const {
  if (terminal_ < 0)
    return readFile(errors_);
  return terminalText_;
}

void Program::readTerminal() {
  char chunk[4096];
  ssize_t got = 0;
  while (terminal_ >= 0 && (got = read(terminal_, chunk, sizeof chunk)) > 0)
    terminalText_.append(chunk, static_cast<std::size_t>(got));
}

void CaptureProgramTest::SetUp() {
  // The process id keeps builds that run these tests at the same time apart.
  folder_ =
      fs::path(::testing::TempDir()) /
      ("capture_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
       "_" + std::to_string(getpid()));
  fs::remove_all(folder_);
  fs::create_directories(folder_);
}
void CaptureProgramTest::TearDown() {
  std::error_code ignored;
  fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder_, ignored);
}

fs::path CaptureProgramTest::runFolder(const std::string& name, bool withMusic) const {
  fs::path folder = folder_ / name;
  fs::create_directories(folder);
  if (withMusic)
    fs::create_symlink(musicPath(), folder / musicName);
  return folder;
}

Outcome CaptureProgramTest::run(const char* program, const fs::path& folder,
                                const std::vector<std::string>& arguments,
                                std::chrono::seconds limit, const Launch& launch) const {
  const fs::path errors = folder_ / "program-errors.txt";
  Program started(program, arguments, folder, errors, launch);
  const int code = started.wait(limit);
  return Outcome{code, started.errors()};
}

std::vector<std::uint32_t> CaptureProgramTest::toolFrame(std::uint64_t index,
                                                         std::uint32_t elapsed) const {
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
