#include "display/ptc.h"

namespace ptc {

Format::Format(int bits, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
               std::uint32_t alphaMask)
    : bits_(bits), red_(redMask), green_(greenMask), blue_(blueMask), alpha_(alphaMask) {
  if (bits != 32)
    throw DynamicError("unsupported pixel format: only 32 bits per pixel");
}

} // namespace ptc
