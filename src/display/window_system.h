#pragma once
// The window system the console's window opens on, one back end a platform:
// on Linux the X server or Wayland compositor that is there, on Windows the
// desktop. SDL's own SDL_VIDEODRIVER, when set, is taken as it stands, even
// an invisible driver (the tests choose one).

#include <cstdint>
#include <string>

namespace ptc {

// Before SDL's video starts: aims SDL at the window system. Throws
// DynamicError when there is nothing to show the picture on.
void selectWindowSystem();

// What to say when SDL's video does not start.
std::string windowSystemFailure();

// Once video runs on `driver`: refuses one that shows nothing unless it was
// chosen on purpose, and arranges for the display going away under the show.
void adoptWindowSystem(const char* driver);

// The SDL window flags of a fullscreen console: SDL's desktop fullscreen, or
// none on a web page, which asks the browser itself while the user's click
// on OK still counts.
std::uint32_t fullscreenWindowFlags();

// After each presented frame: nothing where the window system runs beside
// the show; on a web page the show waits for the browser's next animation
// frame, which shows the picture and delivers the keys.
void afterPresent();

} // namespace ptc
