// The off-screen surface: plain memory the show draws into, handed to the
// console's streaming texture by copy().
#include <cstdint>
#include <string>
#include <vector>

#include "display/ptc.h"
#include "display/sdl_console.h"

namespace ptc {
namespace {

// Far beyond any screen, and small enough that width * height * 4 fits an int pitch.
constexpr int maxSurfaceSide = 16384;

} // namespace

struct Surface::Impl {
  int width;
  int height;
  std::vector<std::uint32_t> pixels;
};

Surface::Surface(int width, int height, const Format& format) {
  if (width <= 0 || height <= 0 || width > maxSurfaceSide || height > maxSurfaceSide)
    throw DynamicError("cannot create a " + std::to_string(width) + " x " + std::to_string(height) +
                       " surface");
  if (format.bits() != 32)
    throw DynamicError("surfaces hold 32-bit pixels only");
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

// Memory of our own needs no locking; the pair stays for the show's sake.
void* Surface::lock() {
  return impl_->pixels.data();
}
void Surface::unlock() {}

void Surface::copy(Console& console) {
  Console::Impl& target = Console::Impl::of(console);
  if (!target.isOpen())
    throw DynamicError("cannot copy the surface: the console is not open");
  if (impl_->width != target.width || impl_->height != target.height)
    throw DynamicError("cannot copy a " + std::to_string(impl_->width) + " x " +
                       std::to_string(impl_->height) + " surface to a " +
                       std::to_string(target.width) + " x " + std::to_string(target.height) +
                       " console");
  if (SDL_UpdateTexture(target.texture, nullptr, impl_->pixels.data(), impl_->width * 4) != 0)
    throwSdlError("cannot copy the surface to the console");
}

} // namespace ptc
