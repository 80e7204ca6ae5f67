#pragma once
// Environment for tests of the SDL console: SDL's invisible "dummy" video
// driver, asked for explicitly, and the previous environment restored after.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class SavedEnvironment {
public:
  explicit SavedEnvironment(std::vector<std::string> names) : names_(std::move(names)) {
    for (const auto& name : names_) {
      const char* value = std::getenv(name.c_str());
      saved_.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  ~SavedEnvironment() {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (saved_[i])
        setenv(names_[i].c_str(), saved_[i]->c_str(), 1);
      else
        unsetenv(names_[i].c_str());
    }
  }
  SavedEnvironment(const SavedEnvironment&) = delete;
  SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
  std::vector<std::string> names_;
  std::vector<std::optional<std::string>> saved_;
};

class DummyVideoTest : public ::testing::Test {
protected:
  DummyVideoTest() { setenv("SDL_VIDEODRIVER", "dummy", 1); }

private:
  SavedEnvironment saved_{{"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}};
};
