// The pixel console over SDL2:
//  - a desktop-sized borderless fullscreen window or a 640 x 480 window, the
//    picture scaled with its shape kept and without smoothing, vsync'd;
//  - a key queue fed from SDL's events, which every operation pumps;
//  - the window being closed, or Ctrl-C, as a key event that stays pending.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "display/key_codes.h"
#include "display/pixel_format.h"
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

void Console::Impl::release() {
  if (cursorHidden)
    SDL_ShowCursor(SDL_ENABLE);
  cursorHidden = false;
  if (texture != nullptr)
    SDL_DestroyTexture(texture);
  texture = nullptr;
  if (renderer != nullptr)
    SDL_DestroyRenderer(renderer);
  renderer = nullptr;
  if (window != nullptr)
    SDL_DestroyWindow(window);
  window = nullptr;
  // Counted by SDL: the audio layer's own subsystems stay up.
  if (videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The last one out also lets go of SDL's global state (its D-Bus link).
    if (SDL_WasInit(0) == 0)
      SDL_Quit();
  }
  videoStarted = false;
  width = height = 0;
  keys.clear();
  closeRequested = closeJustRead = false;
}

void Console::Impl::handleEvent(const SDL_Event& event) {
  switch (event.type) {
  case SDL_KEYDOWN: {
    const int code = keyCodeFor(event.key.keysym.sym);
    if (code != noKeyPress && keys.size() < maxPendingKeys)
      keys.push_back(code);
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

void Console::Impl::requestClose() {
  if (!closeRequested) {
    closeRequested = true;
    keys.push_back(keyCodeWindowClosed);
  }
}

void Console::Impl::pumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1)
    handleEvent(event);
  if (interruptRequested())
    requestClose();
}

Console::Console() : impl_(std::make_unique<Impl>()) {}

Console::~Console() {
  impl_->release();
}

void Console::option(const std::string& option) {
  if (option == "fullscreen output")
    impl_->output = Impl::Output::fullscreen;
  else if (option == "windowed output")
    impl_->output = Impl::Output::windowed;
  else if (option == "hide cursor")
    impl_->hideCursor = true;
  // Other options are not ours to know; like an unknown switch, they change nothing.
}

void Console::open(const std::string& title, int width, int height, const Format& format,
                   int /*pages: SDL chooses its own buffering*/) {
  if (width != consoleWidth || height != consoleHeight)
    throw DynamicError("cannot open a " + std::to_string(width) + " x " + std::to_string(height) +
                       " console: only 640 x 480 is supported");
  requireShowFormat(format);

  Impl& state = *impl_;
  state.release();

  selectWindowSystem();

  try {
    turnShaderCachesOff();
    SDL_ClearError(); // so that a failure below carries its own explanation
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
      throwSdlError(windowSystemFailure());
    state.videoStarted = true;
    adoptWindowSystem(SDL_GetCurrentVideoDriver());

    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");

    // Desktop fullscreen: the desktop keeps its mode, the picture is scaled.
    std::uint32_t flags = SDL_WINDOW_ALLOW_HIGHDPI;
    if (state.output == Impl::Output::fullscreen)
      flags |= fullscreenWindowFlags();
    state.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    consoleWidth, consoleHeight, flags);
    if (state.window == nullptr)
      throwSdlError("cannot open the window");
    setProgramIcon(state.window);

    state.renderer = SDL_CreateRenderer(state.window, -1, 0);
    if (state.renderer == nullptr)
      throwSdlError("cannot draw into the window");
    if (SDL_RenderSetLogicalSize(state.renderer, consoleWidth, consoleHeight) != 0)
      throwSdlError("cannot scale the picture");
    if (SDL_SetRenderDrawColor(state.renderer, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0)
      throwSdlError("cannot set the border colour");

    // The top byte of a pixel carries nothing, so the texture ignores it.
    state.texture = SDL_CreateTexture(state.renderer, SDL_PIXELFORMAT_XRGB8888,
                                      SDL_TEXTUREACCESS_STREAMING, consoleWidth, consoleHeight);
    if (state.texture == nullptr)
      throwSdlError("cannot create the picture texture");
    if (SDL_SetTextureBlendMode(state.texture, SDL_BLENDMODE_NONE) != 0)
      throwSdlError("cannot set the texture's blend mode");
    // Cleared in place: a black frame of our own would be a 1.2 MB temporary.
    void* texels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(state.texture, nullptr, &texels, &pitch) != 0)
      throwSdlError("cannot clear the picture texture");
    for (int y = 0; y < consoleHeight; ++y)
      std::memset(static_cast<char*>(texels) + static_cast<std::ptrdiff_t>(y) * pitch, 0,
                  std::size_t{consoleWidth} * 4);
    SDL_UnlockTexture(state.texture);

    if (state.hideCursor) {
      if (SDL_ShowCursor(SDL_DISABLE) < 0)
        throwSdlError("cannot hide the mouse pointer");
      state.cursorHidden = true;
    }
    state.width = consoleWidth;
    state.height = consoleHeight;
  } catch (...) {
    state.release();
    throw;
  }
}

void Console::close() {
  impl_->release();
}

int Console::width() const {
  if (!impl_->isOpen())
    throw DynamicError("the console is not open");
  return impl_->width;
}

int Console::height() const {
  if (!impl_->isOpen())
    throw DynamicError("the console is not open");
  return impl_->height;
}

// Once the window has been asked to close, a key stays pending except on the
// call right after the read that emptied the queue. A loop that reads and
// discards keys until none is pending therefore ends, and the next look for
// a pending key still finds the close request.
bool Console::key() {
  Impl& state = *impl_;
  if (state.isOpen())
    state.pumpEvents();
  if (!state.keys.empty()) {
    state.closeJustRead = false;
    return true;
  }
  if (!state.closeRequested)
    return false;
  if (state.closeJustRead) {
    state.closeJustRead = false;
    return false;
  }
  return true;
}

Key Console::read() {
  Impl& state = *impl_;
  if (state.isOpen())
    state.pumpEvents();
  while (state.keys.empty() && !state.closeRequested) {
    if (!state.isOpen())
      throw DynamicError("cannot read a key: the console is not open");
    // Bounded, so that Ctrl-C is seen while waiting.
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, interruptPollMilliseconds) == 1)
      state.handleEvent(event);
    if (interruptRequested())
      state.requestClose();
  }
  int code = keyCodeWindowClosed;
  if (!state.keys.empty()) {
    code = state.keys.front();
    state.keys.pop_front();
  }
  state.closeJustRead = state.closeRequested && state.keys.empty();
  return Key(code);
}

void Console::update() {
  Impl& state = *impl_;
  if (!state.isOpen())
    throw DynamicError("cannot update: the console is not open");
  state.pumpEvents();
  if (SDL_RenderClear(state.renderer) != 0)
    throwSdlError("cannot clear the window");
  if (SDL_RenderCopy(state.renderer, state.texture, nullptr, nullptr) != 0)
    throwSdlError("cannot draw the picture");
  SDL_RenderPresent(state.renderer);
  afterPresent();
}

} // namespace ptc
