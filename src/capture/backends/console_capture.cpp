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
#include "display/ptc.h"

namespace ptc {
namespace {

// As the program's console: far beyond any screen, small enough for int sizes.
constexpr int maxSurfaceSide = 16384;

void checkFormat(const Format& format) {
  if (format.bits() != 32 || format.r() != 0x00FF0000u || format.g() != 0x0000FF00u ||
      format.b() != 0x000000FFu)
    throw DynamicError("unsupported pixel format: the capture takes 32-bit x8r8g8b8 only");
}

} // namespace

struct Console::Impl {
  // A nested class may reach the console's private state; nobody else can.
  static Impl& of(Console& console) { return *console.impl_; }

  bool open = false;
  std::vector<std::uint32_t> picture;
};

struct Surface::Impl {
  int width;
  int height;
  std::vector<std::uint32_t> pixels;
};

Console::Console() : impl_(std::make_unique<Impl>()) {}
Console::~Console() = default;

// Full screen or not, with or without a cursor: a file has neither.
void Console::option(const std::string& /*option*/) {}

void Console::open(const std::string& /*title*/, int width, int height, const Format& format,
                   int /*pages*/) {
  checkFormat(format);
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

Surface::Surface(int width, int height, const Format& format) {
  checkFormat(format);
  if (width <= 0 || height <= 0 || width > maxSurfaceSide || height > maxSurfaceSide)
    throw DynamicError("cannot create a " + std::to_string(width) + " x " + std::to_string(height) +
                       " surface");
  const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  impl_ = std::make_unique<Impl>(Impl{width, height, std::vector<std::uint32_t>(count, 0)});
}

Surface::~Surface() = default;

int Surface::width() const {
  return impl_->width;
}
int Surface::height() const {
  return impl_->height;
}

void* Surface::lock() {
  return impl_->pixels.data();
}
void Surface::unlock() {}

void Surface::copy(Console& console) {
  Console::Impl& target = Console::Impl::of(console);
  if (!target.open)
    throw DynamicError("cannot copy the surface: the console is not open");
  if (impl_->width != consoleWidth || impl_->height != consoleHeight)
    throw DynamicError("cannot copy a " + std::to_string(impl_->width) + " x " +
                       std::to_string(impl_->height) + " surface to the 640 x 480 console");
  std::copy(impl_->pixels.begin(), impl_->pixels.end(), target.picture.begin());
}

} // namespace ptc
