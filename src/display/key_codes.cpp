#include "display/key_codes.h"

namespace ptc {

int keyCodeFor(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z)
    return 'A' + (key - SDLK_a);
  if (key >= SDLK_F1 && key <= SDLK_F12)
    return keyCodeF1 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
    return keyCodeNumpad0 + 1 + (key - SDLK_KP_1);

  switch (key) {
  case SDLK_ESCAPE:
    return keyCodeEscape;
  case SDLK_RETURN:
  case SDLK_RETURN2:
  case SDLK_KP_ENTER:
    return keyCodeEnter;
  case SDLK_BACKSPACE:
    return keyCodeBackspace;
  case SDLK_TAB:
    return keyCodeTab;
  case SDLK_PAUSE:
    return keyCodePause;
  case SDLK_PAGEUP:
    return keyCodePageUp;
  case SDLK_PAGEDOWN:
    return keyCodePageDown;
  case SDLK_END:
    return keyCodeEnd;
  case SDLK_HOME:
    return keyCodeHome;
  case SDLK_LEFT:
    return keyCodeLeft;
  case SDLK_UP:
    return keyCodeUp;
  case SDLK_RIGHT:
    return keyCodeRight;
  case SDLK_DOWN:
    return keyCodeDown;
  case SDLK_INSERT:
    return keyCodeInsert;
  case SDLK_DELETE:
    return keyCodeDelete;
  case SDLK_KP_0:
    return keyCodeNumpad0;
  case SDLK_KP_MULTIPLY:
    return keyCodeMultiply;
  case SDLK_KP_PLUS:
    return keyCodeAdd;
  case SDLK_KP_MINUS:
    return keyCodeSubtract;
  case SDLK_KP_PERIOD:
    return keyCodeDecimal;
  case SDLK_KP_DIVIDE:
    return keyCodeDivide;

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
    return noKeyPress;
  default:
    break;
  }

  // Space, digits and punctuation keep their ASCII code.
  if (key >= ' ' && key <= '~')
    return static_cast<int>(key);
  return keyCodeUnknown;
}

} // namespace ptc
