#pragma once
// Runs the whole show against the scripted fakes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "call_log.h"
#include "display/ptc_key_codes.h"
#include "driver/show.h"
#include "driver/show_options.h"
#include "effect/random.h"
#include "fake_audio.h"
#include "fake_display.h"
#include "fake_platform.h"

class ShowTest : public ::testing::Test {
protected:
  void SetUp() override {
    fake::resetAll();
    showOptions = ShowOptions{};
    showEffect.randomState = 1;
    fake::platform().dialogCommands = {IDOK};
    fake::platform().step = 16;
  }

  // Presses `code` once the given frame has been presented.
  static void pressAfterFrame(int frame, int code) {
    auto previous = fake::display().beforeCall;
    fake::display().beforeCall = [=](const std::string& operation, int call) {
      if (previous)
        previous(operation, call);
      if (operation == "Console.update" && call == frame)
        fake::display().keys.push_back(code);
    };
  }

  static const std::vector<std::string>& log() { return fake::callLog(); }

  static bool logged(const std::string& call) {
    return std::find(log().begin(), log().end(), call) != log().end();
  }

  // Position of the first such call, or -1.
  static long position(const std::string& call) {
    const auto it = std::find(log().begin(), log().end(), call);
    return it == log().end() ? -1 : it - log().begin();
  }
};
