#pragma once
// SDL keys to the console's key codes (see ptc.h).

#include <SDL_keycode.h>

#include "display/ptc.h"

namespace ptc {

// The code for a pressed key, or -1 for a key that alone is no key press
// (Shift, Control, Alt and the like).
int keyCodeFor(SDL_Keycode key);

} // namespace ptc
