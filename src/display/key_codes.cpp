#include "display/key_codes.h"

namespace ptc {

int keyCodeFor(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z)
    return 'A' + (key - SDLK_a);
  if (key >= SDLK_F1 && key <= SDLK_F12)
    return 112 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
    return 97 + (key - SDLK_KP_1);

  switch (key) {
  case SDLK_ESCAPE:
    return keyCodeEscape;
  case SDLK_RETURN:
  case SDLK_RETURN2:
  case SDLK_KP_ENTER:
    return 13;
  case SDLK_BACKSPACE:
    return 8;
  case SDLK_TAB:
    return 9;
  case SDLK_PAUSE:
    return 19;
  case SDLK_PAGEUP:
    return 33;
  case SDLK_PAGEDOWN:
    return 34;
  case SDLK_END:
    return 35;
  case SDLK_HOME:
    return 36;
  case SDLK_LEFT:
    return 37;
  case SDLK_UP:
    return 38;
  case SDLK_RIGHT:
    return 39;
  case SDLK_DOWN:
    return 40;
  case SDLK_INSERT:
    return 45;
  case SDLK_DELETE:
    return 46;
  case SDLK_KP_0:
    return 96;
  case SDLK_KP_MULTIPLY:
    return 106;
  case SDLK_KP_PLUS:
    return 107;
  case SDLK_KP_MINUS:
    return 109;
  case SDLK_KP_PERIOD:
    return 110;
  case SDLK_KP_DIVIDE:
    return 111;

  // Held for shortcuts (Alt+Tab, Alt+F4): pressing one alone is no key.
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
  case SDLK_LCTRL:
  case SDLK_RCTRL:
  case SDLK_LALT:
  case SDLK_RALT:
  case SDLK_LGUI:
  case SDLK_RGUI:
  case SDLK_MODE:
  case SDLK_CAPSLOCK:
  case SDLK_NUMLOCKCLEAR:
  case SDLK_SCROLLLOCK:
    return -1;
  default:
    break;
  }

  // Space, digits and punctuation keep their ASCII code.
  if (key >= ' ' && key <= '~')
    return static_cast<int>(key);
  return keyCodeUnknown;
}

} // namespace ptc
