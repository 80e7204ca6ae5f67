// The surface's pixels go to the console's streaming texture.
#include "display/ptc.h"
#include "display/sdl_console.h"
#include "display/surface_pixels.h"

namespace ptc {

void Surface::copy(Console& console) {
  Console::Impl& target = Console::Impl::of(console);
  impl_->checkCopyTo(target.isOpen(), target.width, target.height);
  if (SDL_UpdateTexture(target.texture, nullptr, impl_->pixels.data(), impl_->width * 4) != 0)
    throwSdlError("cannot copy the surface to the console");
}

} // namespace ptc
