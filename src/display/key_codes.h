#pragma once
// Key codes the console reports, in the Windows virtual-key numbering the
// show was written against (Escape is 27, letters are upper case).

#include <SDL_keycode.h>

namespace ptc {

constexpr int keyCodeWindowClosed = 0; // not a key: the window was asked to close
constexpr int keyCodeEscape = 27;
constexpr int keyCodeUnknown = 255;

// The code for a pressed key, or -1 for a key that alone is no key press
// (Shift, Control, Alt and the like).
int keyCodeFor(SDL_Keycode key);

} // namespace ptc
