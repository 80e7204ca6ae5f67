#pragma once
// The pixel console the show draws through: a console (screen or window plus
// its key queue), a pixel format, an off-screen surface and key events.
// Every failure is thrown as ptc::DynamicError. One back end is linked in:
// SDL2 for the program, a scripted fake for the tests.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "display/ptc_key_codes.h"

namespace ptc {

// The one console size there is, 640 x 480.
constexpr int consoleWidth = 640;
constexpr int consoleHeight = 480;

class DynamicError : public std::runtime_error {
public:
  explicit DynamicError(const std::string& message);
  // Shows the message to the user (message box and standard error) and returns.
  void report() const;
};

class Format {
public:
  Format(int bits, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
         std::uint32_t alphaMask = 0);
  int bits() const { return bits_; }
  std::uint32_t r() const { return red_; }
  std::uint32_t g() const { return green_; }
  std::uint32_t b() const { return blue_; }
  std::uint32_t a() const { return alpha_; }

private:
  int bits_;
  std::uint32_t red_, green_, blue_, alpha_;
};

class Key {
public:
  explicit Key(int code = 0) : code_(code) {}
  int code() const { return code_; }

private:
  int code_;
};

class Surface;

class Console {
public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // "fullscreen output", "windowed output" or "hide cursor"; takes effect at open.
  void option(const std::string& option);
  // Opens exactly consoleWidth x consoleHeight; any other size fails.
  void open(const std::string& title, int width, int height, const Format& format, int pages = 0);
  void close();

  int width() const;
  int height() const;

  // True while a key event (a key press, or the window being closed) waits.
  bool key();
  // The next key event, removed from the queue; waits for one if none is pending.
  Key read();
  // Makes the picture last copied in visible.
  void update();

  // The back end's state; it reaches its own through Impl::of.
  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};

class Surface {
public:
  // New surfaces are zero-filled.
  Surface(int width, int height, const Format& format);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const;
  int height() const;
  // Rows of width * 4 bytes, row 0 first, back to back.
  void* lock();
  void unlock();
  // The whole surface becomes the console's next picture.
  void copy(Console& console);

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};

} // namespace ptc
