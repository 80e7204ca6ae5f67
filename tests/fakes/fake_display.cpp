#include "fake_display.h"

#include <map>

#include "call_log.h"
#include "display/pixel_format.h"
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

struct Console::Impl {
  static Impl& of(Console& console) { return *console.impl_; }

  bool open = false;
  int width = 0;
  int height = 0;
};

namespace {
// As the real console: nothing to tell or show while closed.
void requireOpen(bool open, const char* what) {
  if (!open)
    throw DynamicError(std::string(what) + ": the console is not open");
}
} // namespace

Console::Console() {
  fake::operation("Console");
  impl_ = std::make_unique<Impl>();
}

Console::~Console() {
  fake::record("~Console");
}

void Console::option(const std::string& option) {
  fake::operation("Console.option");
  fake::display().options.push_back(option);
}

void Console::open(const std::string& title, int width, int height, const Format& format, int) {
  fake::operation("Console.open");
  if (width != consoleWidth || height != consoleHeight)
    throw DynamicError("unsupported console size");
  requireShowFormat(format);
  fake::display().title = title;
  impl_->open = true;
  impl_->width = fake::display().reportedWidth;
  impl_->height = fake::display().reportedHeight;
}

void Console::close() {
  fake::operation("Console.close");
  impl_->open = false;
}

int Console::width() const {
  requireOpen(impl_->open, "width");
  return impl_->width;
}
int Console::height() const {
  requireOpen(impl_->open, "height");
  return impl_->height;
}

bool Console::key() {
  fake::operation("Console.key");
  return !fake::display().keys.empty();
}

Key Console::read() {
  fake::operation("Console.read");
  requireOpen(impl_->open, "cannot read a key");
  auto& keys = fake::display().keys;
  if (keys.empty())
    throw DynamicError("read with no key pending would block forever");
  const int code = keys.front();
  keys.pop_front();
  return Key(code);
}

void Console::update() {
  fake::operation("Console.update");
  requireOpen(impl_->open, "cannot update");
  ++fake::display().updates;
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

void Surface::copy(Console& console) {
  fake::operation("Surface.copy");
  const Console::Impl& target = Console::Impl::of(console);
  impl_->checkCopyTo(target.open, target.width, target.height);
  fake::display().shownPicture = impl_->pixels;
}

} // namespace ptc
