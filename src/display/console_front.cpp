// ptc::Console over whichever console back end is linked in; the surface's
// copy lands here too, since it needs the console's state.
#include "display/console_front.h"

#include "display/pixel_format.h"
#include "display/ptc.h"
#include "display/surface_pixels.h"

namespace ptc {

void Console::Impl::requireOpen(const char* what) const {
  if (!open)
    throw DynamicError(std::string(what) + ": the console is not open");
}

Console::Console() : impl_(std::make_unique<Impl>()) {
  impl_->backEnd = makeConsoleBackEnd();
}

// The back end lets go of an open console as it goes.
Console::~Console() = default;

void Console::option(const std::string& option) {
  impl_->backEnd->option(option);
}

void Console::open(const std::string& title, int width, int height, const Format& format,
                   int /*pages: each back end chooses its own buffering*/) {
  if (width != consoleWidth || height != consoleHeight)
    throw DynamicError("cannot open a " + std::to_string(width) + " x " + std::to_string(height) +
                       " console: only 640 x 480 is supported");
  requireShowFormat(format);
  if (impl_->open)
    close();
  impl_->backEnd->open(title);
  impl_->open = true;
}

void Console::close() {
  impl_->open = false;
  impl_->backEnd->close();
}

int Console::width() const {
  impl_->requireOpen("cannot tell the width");
  return consoleWidth;
}

int Console::height() const {
  impl_->requireOpen("cannot tell the height");
  return consoleHeight;
}

// A closed console has nothing to deliver.
bool Console::key() {
  return impl_->open && impl_->backEnd->key();
}

Key Console::read() {
  impl_->requireOpen("cannot read a key");
  return Key(impl_->backEnd->read());
}

void Console::update() {
  impl_->requireOpen("cannot update");
  impl_->backEnd->update();
}

void Surface::copy(Console& console) {
  const Console::Impl& target = Console::Impl::of(console);
  impl_->checkCopyTo(target.open, consoleWidth, consoleHeight);
  target.backEnd->copy(impl_->pixels.data());
}

} // namespace ptc
