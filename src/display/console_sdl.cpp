// The pixel console's SDL2 back end, for the program on Linux, on Windows
// and on the page's canvas.
// Implements:
//  - a desktop-sized borderless fullscreen window or a 640 x 480 window, the
//    picture scaled with its shape kept and without smoothing, vsync'd;
//  - the options "fullscreen output", "windowed output" and "hide cursor";
//  - a key queue fed from SDL's events, which every operation pumps;
//  - the window being closed, or Ctrl-C, as a key event that stays pending.
// Leaves out: the size, format and open-state checks (console_front.cpp),
// the page count (SDL chooses its own buffering) and any other option.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "display/key_codes.h"
#include "display/ptc.h"
#include "display/sdl_console.h"
#include "display/shader_cache.h"
#include "display/window_system.h"
#include "platform/interrupt.h"
#include "resources/program_icon.h"

namespace ptc {
namespace {

// The icon is decoration; a window without it is still a working console.
void setProgramIcon(SDL_Window* window) {
  const int size = programIconSize();
  SDL_Surface* icon =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(programIconPixels()), size,
                                         size, 32, size * 4, SDL_PIXELFORMAT_ARGB8888);
  if (icon == nullptr)
    return;
  SDL_SetWindowIcon(window, icon);
  SDL_FreeSurface(icon);
}

} // namespace

void throwSdlError(const std::string& what) {
  const char* detail = SDL_GetError();
  throw DynamicError(detail != nullptr && *detail != '\0' ? what + ": " + detail : what);
}

std::unique_ptr<ConsoleBackEnd> makeConsoleBackEnd() {
  return std::make_unique<SdlConsole>();
}

SdlConsole& sdlConsoleOf(Console& console) {
  return static_cast<SdlConsole&>(*Console::Impl::of(console).backEnd);
}

void SdlConsole::close() {
  if (cursorHidden_)
    SDL_ShowCursor(SDL_ENABLE);
  cursorHidden_ = false;
  if (texture_ != nullptr)
    SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  if (renderer_ != nullptr)
    SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
  if (window_ != nullptr)
    SDL_DestroyWindow(window_);
  window_ = nullptr;
  // Counted by SDL: the audio layer's own subsystems stay up.
  if (videoStarted_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The last one out also lets go of SDL's global state (its D-Bus link).
    if (SDL_WasInit(0) == 0)
      SDL_Quit();
  }
  videoStarted_ = false;
  keys_.clear();
  closeRequested_ = closeJustRead_ = false;
}

void SdlConsole::handleEvent(const SDL_Event& event) {
  switch (event.type) {
  case SDL_KEYDOWN: {
    const int code = keyCodeFor(event.key.keysym.sym);
    if (code != noKeyPress && keys_.size() < maxPendingKeys)
      keys_.push_back(code);
    break;
  }
  case SDL_QUIT:
  case SDL_WINDOWEVENT:
    if (event.type == SDL_WINDOWEVENT && event.window.event != SDL_WINDOWEVENT_CLOSE)
      break;
    requestClose();
    break;
  default:
    break;
  }
}

void SdlConsole::requestClose() {
  if (!closeRequested_) {
    closeRequested_ = true;
    keys_.push_back(keyCodeWindowClosed);
  }
}

void SdlConsole::pumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1)
    handleEvent(event);
  if (interruptRequested())
    requestClose();
}

void SdlConsole::option(const std::string& option) {
  if (option == "fullscreen output")
    output_ = Output::fullscreen;
  else if (option == "windowed output")
    output_ = Output::windowed;
  else if (option == "hide cursor")
    hideCursor_ = true;
  // Other options are not ours to know; like an unknown switch, they change nothing.
}

void SdlConsole::open(const std::string& title) {
  selectWindowSystem();

  try {
    turnShaderCachesOff();
    SDL_ClearError(); // so that a failure below carries its own explanation
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
      throwSdlError(windowSystemFailure());
    videoStarted_ = true;
    adoptWindowSystem(SDL_GetCurrentVideoDriver());

    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");

    // Desktop fullscreen: the desktop keeps its mode, the picture is scaled.
    std::uint32_t flags = SDL_WINDOW_ALLOW_HIGHDPI;
    if (output_ == Output::fullscreen)
      flags |= fullscreenWindowFlags();
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               consoleWidth, consoleHeight, flags);
    if (window_ == nullptr)
      throwSdlError("cannot open the window");
    setProgramIcon(window_);

    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr)
      throwSdlError("cannot draw into the window");
    if (SDL_RenderSetLogicalSize(renderer_, consoleWidth, consoleHeight) != 0)
      throwSdlError("cannot scale the picture");
    if (SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0)
      throwSdlError("cannot set the border colour");

    // The top byte of a pixel carries nothing, so the texture ignores it.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 consoleWidth, consoleHeight);
    if (texture_ == nullptr)
      throwSdlError("cannot create the picture texture");
    if (SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE) != 0)
      throwSdlError("cannot set the texture's blend mode");
    // Cleared in place: a black frame of our own would be a 1.2 MB temporary.
    void* texels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &texels, &pitch) != 0)
      throwSdlError("cannot clear the picture texture");
    for (int y = 0; y < consoleHeight; ++y)
      std::memset(static_cast<char*>(texels) + static_cast<std::ptrdiff_t>(y) * pitch, 0,
                  std::size_t{consoleWidth} * 4);
    SDL_UnlockTexture(texture_);

    if (hideCursor_) {
      if (SDL_ShowCursor(SDL_DISABLE) < 0)
        throwSdlError("cannot hide the mouse pointer");
      cursorHidden_ = true;
    }
  } catch (...) {
    close();
    throw;
  }
}

// Once the window has been asked to close, a key stays pending except on the
// call right after the read that emptied the queue. A loop that reads and
// discards keys until none is pending therefore ends, and the next look for
// a pending key still finds the close request.
bool SdlConsole::key() {
  pumpEvents();
  if (!keys_.empty()) {
    closeJustRead_ = false;
    return true;
  }
  if (!closeRequested_)
    return false;
  if (closeJustRead_) {
    closeJustRead_ = false;
    return false;
  }
  return true;
}

int SdlConsole::read() {
  pumpEvents();
  while (keys_.empty() && !closeRequested_) {
    // Bounded, so that Ctrl-C is seen while waiting.
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, interruptPollMilliseconds) == 1)
      handleEvent(event);
    if (interruptRequested())
      requestClose();
  }
  int code = keyCodeWindowClosed;
  if (!keys_.empty()) {
    code = keys_.front();
    keys_.pop_front();
  }
  closeJustRead_ = closeRequested_ && keys_.empty();
  return code;
}

void SdlConsole::copy(const std::uint32_t* pixels) {
  if (SDL_UpdateTexture(texture_, nullptr, pixels, consoleWidth * 4) != 0)
    throwSdlError("cannot copy the surface to the console");
}

void SdlConsole::update() {
  pumpEvents();
  if (SDL_RenderClear(renderer_) != 0)
    throwSdlError("cannot clear the window");
  if (SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0)
    throwSdlError("cannot draw the picture");
  SDL_RenderPresent(renderer_);
  afterPresent();
}

} // namespace ptc
