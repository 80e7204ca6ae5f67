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

} // namespace ptc

// The page calls this when the viewer leaves fullscreen while the show runs:
// it ends the show as Escape does.
extern "C" EMSCRIPTEN_KEEPALIVE void vsfPageEscape() {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  event.key.keysym.sym = SDLK_ESCAPE;
  SDL_PushEvent(&event);
  event.type = SDL_KEYUP;
  event.key.state = SDL_RELEASED;
  SDL_PushEvent(&event);
}

namespace ptc {

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
