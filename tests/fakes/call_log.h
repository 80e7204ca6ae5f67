#pragma once
// One log shared by every fake layer, so tests can check the order of calls
// across display, audio and window system.

#include <functional>
#include <string>
#include <vector>

namespace fake {

std::vector<std::string>& callLog();
void record(const std::string& call);

// Runs after each recorded call; tests look at the show's state from here.
std::function<void(const std::string& call)>& onRecord();

// Resets every fake layer and the log.
void resetAll();

} // namespace fake
