#include "display/surface_pixels.h"

#include <string>

#include "display/pixel_format.h"

namespace ptc {
namespace {

// Far beyond any screen, and small enough that width * height * 4 fits an int pitch.
constexpr int maxSurfaceSide = 16384;

} // namespace

Surface::Impl::Impl(int surfaceWidth, int surfaceHeight, const Format& format)
    : width(surfaceWidth), height(surfaceHeight) {
  if (width <= 0 || height <= 0 || width > maxSurfaceSide || height > maxSurfaceSide)
    throw DynamicError("cannot create a " + std::to_string(width) + " x " + std::to_string(height) +
                       " surface");
  requireShowFormat(format);
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
}

void Surface::Impl::checkCopyTo(bool targetOpen, int targetWidth, int targetHeight) const {
  if (!targetOpen)
    throw DynamicError("cannot copy the surface: the console is not open");
  if (width != targetWidth || height != targetHeight)
    throw DynamicError("cannot copy a " + std::to_string(width) + " x " + std::to_string(height) +
                       " surface to a " + std::to_string(targetWidth) + " x " +
                       std::to_string(targetHeight) + " console");
}

} // namespace ptc
