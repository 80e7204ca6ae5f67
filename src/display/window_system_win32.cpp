// The window system on Windows: the desktop, always there; SDL's "windows"
// driver unless SDL_VIDEODRIVER names another.
#include "display/window_system.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace ptc {

void selectWindowSystem() {
  const char* chosen = std::getenv("SDL_VIDEODRIVER");
  if (chosen == nullptr || *chosen == '\0')
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "windows");
}

std::string windowSystemFailure() {
  return "cannot start the video system";
}

// The desktop does not go away under a running program.
void adoptWindowSystem(const char* /*driver*/) {}

std::uint32_t fullscreenWindowFlags() {
  return SDL_WINDOW_FULLSCREEN_DESKTOP;
}

// SDL's presentation already waits for the display.
void afterPresent() {}

} // namespace ptc
