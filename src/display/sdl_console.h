#pragma once
// The SDL2 console's state, shared by the console and the surface (which
// hands its pixels to the console's texture).

#include <SDL.h>

#include <cstddef>
#include <deque>
#include <string>

#include "display/ptc.h"

namespace ptc {

// Throws DynamicError with what failed and SDL's own explanation.
[[noreturn]] void throwSdlError(const std::string& what);

struct Console::Impl {
  // A nested class may reach the console's private state; nobody else can.
  static Impl& of(Console& console) { return *console.impl_; }

  enum class Output { windowed, fullscreen };

  // Options, applied at the next open.
  Output output = Output::windowed;
  bool hideCursor = false;

  // Held while open; released in reverse order by release().
  bool videoStarted = false;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool cursorHidden = false;
  int width = 0;
  int height = 0;

  std::deque<int> keys;
  // Set once the window is asked to close; the request then stays pending
  // (see Console::key) so that a frame loop that discards keys still sees it.
  bool closeRequested = false;
  bool closeJustRead = false;

  bool isOpen() const { return renderer != nullptr; }
  void release();
  // Moves every waiting SDL event, and Ctrl-C, into the key queue.
  void pumpEvents();
  // The close request: one key event, then pending for good (see Console::key).
  void requestClose();
  void handleEvent(const SDL_Event& event);
};

// Key presses waiting beyond this are dropped: nobody is reading them.
constexpr std::size_t maxPendingKeys = 256;

} // namespace ptc
