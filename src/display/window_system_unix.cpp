// The window system on Linux: X11 when DISPLAY is set, else Wayland; never a
// fallback to SDL's invisible drivers, under which the show would run unseen
// and unstoppable.
#include "display/window_system.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "display/ptc.h"
#include "platform/display_loss_x11.h"

namespace ptc {
namespace {

bool isSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

bool videoDriverChosen() {
  return isSet("SDL_VIDEODRIVER");
}

std::string missingDisplayMessage() {
  if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0')
    return std::string("no display available: cannot reach display ") + display;
  return "no display available";
}

bool isVisibleDriver(const std::string& driver) {
  return driver == "x11" || driver == "wayland";
}

} // namespace

void selectWindowSystem() {
  if (videoDriverChosen())
    return;
  const bool x11 = isSet("DISPLAY");
  if (!x11 && !isSet("WAYLAND_DISPLAY"))
    throw DynamicError(missingDisplayMessage());
  // Only the window system that is there: no probing of others, whose
  // complaints would reach the user.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
}

std::string windowSystemFailure() {
  return videoDriverChosen() ? "cannot start the video system" : missingDisplayMessage();
}

void adoptWindowSystem(const char* driver) {
  const std::string name = driver != nullptr ? driver : "";
  if (!videoDriverChosen() && !isVisibleDriver(name))
    throw DynamicError(missingDisplayMessage());
  if (name == "x11")
    exitCleanlyOnDisplayLoss();
}

std::uint32_t fullscreenWindowFlags() {
  return SDL_WINDOW_FULLSCREEN_DESKTOP;
}

// SDL's presentation already waits for the display.
void afterPresent() {}

} // namespace ptc
