// The surface of the program's and the capture's consoles: plain memory,
// handed on by each back end's own Surface::copy.
#include "display/ptc.h"
#include "display/surface_pixels.h"

namespace ptc {

Surface::Surface(int width, int height, const Format& format)
    : impl_(std::make_unique<Impl>(width, height, format)) {}

Surface::~Surface() = default;

int Surface::width() const {
  return impl_->width;
}
int Surface::height() const {
  return impl_->height;
}

// Memory of our own needs no locking; the pair stays for the show's sake.
void* Surface::lock() {
  return impl_->pixels.data();
}
void Surface::unlock() {}

} // namespace ptc
