// The pixel console's capture back end: nothing on screen, no keyboard.
// Implements:
//  - update hands the picture last copied in to the capture session, which
//    encodes it and moves time on to the next frame;
//  - Escape is pending once the last frame is presented or a stop was asked
//    for, so the show leaves its frame loop the ordinary way.
// Leaves out: the size, format and open-state checks (console_front.cpp),
// every option (a file is neither full screen nor has a cursor), the title.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/capture_session.h"
#include "display/console_front.h"
#include "display/ptc.h"

namespace ptc {
namespace {

class CaptureConsole final : public ConsoleBackEnd {
public:
  void option(const std::string& /*option*/) override {}
  void open(const std::string& /*title*/) override {
    picture_.assign(static_cast<std::size_t>(consoleWidth) * consoleHeight, 0);
  }
  void close() override {}
  bool key() override { return captureSession().done(); }
  // Nothing else ever arrives, so a read without a pending key ends the show too.
  int read() override { return keyCodeEscape; }
  void copy(const std::uint32_t* pixels) override {
    std::copy(pixels, pixels + picture_.size(), picture_.begin());
  }
  void update() override {
    try {
      captureSession().presentFrame(picture_.data());
    } catch (const std::runtime_error& error) {
      // The file is this console's screen: failing to write it is a display error.
      throw DynamicError(std::string("cannot write the video: ") + error.what());
    }
  }

private:
  std::vector<std::uint32_t> picture_;
};

} // namespace

std::unique_ptr<ConsoleBackEnd> makeConsoleBackEnd() {
  return std::make_unique<CaptureConsole>();
}

} // namespace ptc
