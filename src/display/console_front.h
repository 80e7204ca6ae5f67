#pragma once
// The pixel console's size, format and open-state checks and their messages,
// written once in front of every back end. A back end is asked only what
// passed the checks: it opens a 640 x 480 console of the show's format,
// shows pictures and delivers keys.

#include <cstdint>
#include <memory>
#include <string>

#include "display/ptc.h"

namespace ptc {

class ConsoleBackEnd {
public:
  virtual ~ConsoleBackEnd() = default;

  // Any option the show passes; one the back end does not know changes nothing.
  virtual void option(const std::string& option) = 0;
  // Opens consoleWidth x consoleHeight in the show's format; never called
  // while open. Throws DynamicError, leaving it closed.
  virtual void open(const std::string& title) = 0;
  // Lets go of what open took; a closed console's call does nothing.
  virtual void close() = 0;
  // Called only while open.
  virtual bool key() = 0;
  // Called only while open; may wait for a key.
  virtual int read() = 0;
  // consoleWidth x consoleHeight pixels, the next picture; only while open.
  virtual void copy(const std::uint32_t* pixels) = 0;
  // Shows the picture last copied in; only while open.
  virtual void update() = 0;
};

// A new console of the back end linked into the program.
std::unique_ptr<ConsoleBackEnd> makeConsoleBackEnd();

struct Console::Impl {
  // A nested class may reach the console's private state; nobody else can.
  static Impl& of(Console& console) { return *console.impl_; }

  // Throws DynamicError unless open.
  void requireOpen(const char* what) const;

  std::unique_ptr<ConsoleBackEnd> backEnd;
  bool open = false;
};

} // namespace ptc
