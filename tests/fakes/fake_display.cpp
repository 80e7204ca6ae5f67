// The pixel console's scripted fake back end.
// Implements: every console operation and the surface's, logged by name and
// failing on demand; keys from the test's queue; the last picture copied in.
// Leaves out: the size, format and open-state checks (console_front.cpp,
// linked in front of it as in the program), any window and any waiting.
#include "fake_display.h"

#include <cstdint>
#include <map>
#include <memory>

#include "call_log.h"
#include "display/console_front.h"
#include "display/ptc.h"
#include "display/surface_pixels.h"

namespace fake {

namespace {
std::map<std::string, int>& callCounts() {
  static std::map<std::string, int> counts;
  return counts;
}
} // namespace

DisplayState& display() {
  static DisplayState state;
  return state;
}

void resetDisplay() {
  display() = DisplayState{};
  callCounts().clear();
}

// Logs the operation, lets the test act, and throws if the script says so.
static void operation(const std::string& name) {
  const int call = ++callCounts()[name];
  record(name);
  auto& state = display();
  if (state.beforeCall)
    state.beforeCall(name, call);
  if (name == state.failOn && call == state.failOnCall)
    throw ptc::DynamicError("scripted failure in " + name);
}

} // namespace fake

namespace ptc {
namespace {

// Behind the real layer's checks, so it refuses what the real layer refuses.
class FakeConsole final : public ConsoleBackEnd {
public:
  FakeConsole() { fake::operation("Console"); }
  ~FakeConsole() override { fake::record("~Console"); }

  void option(const std::string& option) override {
    fake::operation("Console.option");
    fake::display().options.push_back(option);
  }
  void open(const std::string& title) override {
    fake::operation("Console.open");
    fake::display().title = title;
  }
  void close() override { fake::operation("Console.close"); }
  bool key() override {
    fake::operation("Console.key");
    return !fake::display().keys.empty();
  }
  int read() override {
    fake::operation("Console.read");
    auto& keys = fake::display().keys;
    if (keys.empty())
      throw DynamicError("read with no key pending would block forever");
    const int code = keys.front();
    keys.pop_front();
    return code;
  }
  void copy(const std::uint32_t* pixels) override {
    fake::operation("Surface.copy");
    fake::display().shownPicture.assign(
        pixels, pixels + static_cast<std::size_t>(consoleWidth) * consoleHeight);
  }
  void update() override {
    fake::operation("Console.update");
    ++fake::display().updates;
  }
};

} // namespace

std::unique_ptr<ConsoleBackEnd> makeConsoleBackEnd() {
  return std::make_unique<FakeConsole>();
}

Surface::Surface(int width, int height, const Format& format) {
  fake::operation("Surface");
  impl_ = std::make_unique<Impl>(width, height, format);
}

Surface::~Surface() {
  fake::record("~Surface");
}

int Surface::width() const {
  return impl_->width;
}
int Surface::height() const {
  return impl_->height;
}

void* Surface::lock() {
  fake::operation("Surface.lock");
  return impl_->pixels.data();
}

void Surface::unlock() {
  fake::operation("Surface.unlock");
}

} // namespace ptc
