#pragma once

#include <cstdint>

class MemoryStream;

// Decodes width * height run-length coded 8-bit values after the 128-byte
// header into destination. Stops early if the stream runs dry; never reads or
// writes outside the stream or the destination.
void loadPcxImage(MemoryStream* stream, int width, int height, std::uint32_t* destination);
