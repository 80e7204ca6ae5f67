#pragma once
// Every back end's surface is plain memory the show draws into; only where
// copy() takes it differs. The fake keeps the same pixels and checks.

#include <cstdint>
#include <vector>

#include "display/ptc.h"

namespace ptc {

struct Surface::Impl {
  // Zero-filled; throws DynamicError for an impossible size or another format.
  Impl(int surfaceWidth, int surfaceHeight, const Format& format);

  // Throws DynamicError unless an open console of this surface's size takes it.
  void checkCopyTo(bool targetOpen, int targetWidth, int targetHeight) const;

  int width;
  int height;
  std::vector<std::uint32_t> pixels;
};

} // namespace ptc
