// The window system on a web page: SDL draws on the page's canvas, which the
// page scales sharply to fit, 4:3 with black bars; the browser's own
// fullscreen replaces SDL's. The show yields to the browser after each frame.
#include <SDL.h>
#include <emscripten.h>

#include <string>

#include "display/window_system.h"

namespace ptc {
namespace {

EM_JS(void, pageRequestFullscreen, (), { VsfPage.requestFullscreen(); });
EM_ASYNC_JS(void, pageNextAnimationFrame, (), {
  await new Promise(resolve => requestAnimationFrame(resolve));
});

} // namespace

// SDL's software renderer copies each frame to the canvas: no WebGL context
// to ask for, which a browser without a GPU may refuse.
void selectWindowSystem() {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
}

std::string windowSystemFailure() {
  return "cannot start the video system";
}

// The page stays while the show runs.
void adoptWindowSystem(const char* /*driver*/) {}

std::uint32_t fullscreenWindowFlags() {
  pageRequestFullscreen();
  return 0;
}

void afterPresent() {
  pageNextAnimationFrame();
}

} // namespace ptc
