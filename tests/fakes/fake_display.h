#pragma once
// Scripted pixel console: records every operation, fails on demand and
// delivers keys when a test says so.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fake {

struct DisplayState {
  // The operation (as logged, e.g. "Console.open") that throws ptc::DynamicError
  // on its `failOnCall`-th call.
  std::string failOn;
  int failOnCall = 1;

  // Runs before every operation with its name and how often it has been called
  // (1 for the first call); tests push keys or change the script from here.
  std::function<void(const std::string& operation, int call)> beforeCall;

  std::deque<int> keys;

  std::vector<std::string> options;
  std::string title;
  int updates = 0;
  std::vector<std::uint32_t> shownPicture;
};

DisplayState& display();
void resetDisplay();

} // namespace fake
