#pragma once
// SDL keys to the console's key codes (see ptc.h).

#include <SDL_keycode.h>

#include "display/ptc.h"

namespace ptc {

// keyCodeFor's answer for a key that alone is no key press (Shift, Control,
// Alt and the like).
constexpr int noKeyPress = -1;

// The code for a pressed key, or noKeyPress.
int keyCodeFor(SDL_Keycode key);

} // namespace ptc
