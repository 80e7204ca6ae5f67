// The pixel console of a capture: nothing on screen, no keyboard.
//  - update hands the picture last copied in to the capture session, which
//    encodes it and moves time on to the next frame;
//  - Escape is pending once the last frame is presented or a stop was asked
//    for, so the show leaves its frame loop the ordinary way.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "display/pixel_format.h"
#include "display/ptc.h"
#include "display/surface_pixels.h"

namespace ptc {

struct Console::Impl {
  // A nested class may reach the console's private state; nobody else can.
  static Impl& of(Console& console) { return *console.impl_; }

  bool open = false;
  std::vector<std::uint32_t> picture;
};

Console::Console() : impl_(std::make_unique<Impl>()) {}
Console::~Console() = default;

// Full screen or not, with or without a cursor: a file has neither.
void Console::option(const std::string& /*option*/) {}

void Console::open(const std::string& /*title*/, int width, int height, const Format& format,
                   int /*pages*/) {
  requireShowFormat(format);
  if (width != consoleWidth || height != consoleHeight)
    throw DynamicError("cannot open a " + std::to_string(width) + " x " + std::to_string(height) +
                       " console: the capture takes 640 x 480");
  impl_->picture.assign(static_cast<std::size_t>(consoleWidth) * consoleHeight, 0);
  impl_->open = true;
}

void Console::close() {
  impl_->open = false;
}

int Console::width() const {
  if (!impl_->open)
    throw DynamicError("the console is not open");
  return consoleWidth;
}

int Console::height() const {
  if (!impl_->open)
    throw DynamicError("the console is not open");
  return consoleHeight;
}

bool Console::key() {
  return captureSession().done();
}

// Nothing else ever arrives, so a read without a pending key ends the show too.
Key Console::read() {
  if (!impl_->open)
    throw DynamicError("cannot read a key: the console is not open");
  return Key(keyCodeEscape);
}

void Console::update() {
  if (!impl_->open)
    throw DynamicError("cannot update: the console is not open");
  try {
    captureSession().presentFrame(impl_->picture.data());
  } catch (const std::runtime_error& error) {
    // The file is this console's screen: failing to write it is a display error.
    throw DynamicError(std::string("cannot write the video: ") + error.what());
  }
}

void Surface::copy(Console& console) {
  Console::Impl& target = Console::Impl::of(console);
  impl_->checkCopyTo(target.open, consoleWidth, consoleHeight);
  std::copy(impl_->pixels.begin(), impl_->pixels.end(), target.picture.begin());
}

} // namespace ptc
