#include "display/pixel_format.h"
#include "display/ptc.h"

namespace ptc {

Format::Format(int bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
               std::uint32_t alpha)
    : bits_(bits), red_(red), green_(green), blue_(blue), alpha_(alpha) {
  if (bits != pixelBits)
    throw DynamicError("unsupported pixel format: only 32 bits per pixel");
}

void requireShowFormat(const Format& format) {
  if (format.bits() != pixelBits || format.r() != redMask || format.g() != greenMask ||
      format.b() != blueMask)
    throw DynamicError("unsupported pixel format: only 32-bit x8r8g8b8");
}

} // namespace ptc
