#pragma once
// The SDL2 console back end's state.

#include <SDL.h>

#include <cstddef>
#include <deque>
#include <string>

#include "display/console_front.h"
#include "display/ptc.h"

namespace ptc {

// Throws DynamicError with what failed and SDL's own explanation.
[[noreturn]] void throwSdlError(const std::string& what);

class SdlConsole final : public ConsoleBackEnd {
public:
  ~SdlConsole() override { close(); }

  void option(const std::string& option) override;
  void open(const std::string& title) override;
  void close() override;
  bool key() override;
  int read() override;
  void copy(const std::uint32_t* pixels) override;
  void update() override;

  // The window, for the tests that look at what it shows; null while closed.
  SDL_Window* window() const { return window_; }

private:
  enum class Output { windowed, fullscreen };

  // Moves every waiting SDL event, and Ctrl-C, into the key queue.
  void pumpEvents();
  // The close request: one key event, then pending for good (see key()).
  void requestClose();
  void handleEvent(const SDL_Event& event);

  // Options, applied at the next open.
  Output output_ = Output::windowed;
  bool hideCursor_ = false;

  // Held while open; released in reverse order by close().
  bool videoStarted_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool cursorHidden_ = false;

  std::deque<int> keys_;
  // Set once the window is asked to close; the request then stays pending
  // (see key()) so that a frame loop that discards keys still sees it.
  bool closeRequested_ = false;
  bool closeJustRead_ = false;
};

// The SDL back end behind `console`.
SdlConsole& sdlConsoleOf(Console& console);

// Key presses waiting beyond this are dropped: nobody is reading them.
constexpr std::size_t maxPendingKeys = 256;

} // namespace ptc
