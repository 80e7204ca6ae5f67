#pragma once
// The program's icon, for the show's window and the setup dialog.

#include <cstdint>

// Square image, row-major from the top, one 32-bit pixel each: alpha in bits
// 24-31, red 16-23, green 8-15, blue 0-7 (SDL_PIXELFORMAT_ARGB8888).
const std::uint32_t* programIconPixels();
int programIconSize(); // width and height in pixels
