// The capture's output moves on with the frames the session takes, not with
// the clock: playing for a while is presenting that many frames.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio_output_driver.h"
#include "capture/capture_session.h"
#include "display/ptc.h"

namespace audio_output_driver {

const char* cannotPlay() {
  return nullptr;
}

void letPlay(unsigned milliseconds) {
  static const std::vector<std::uint32_t> black(static_cast<std::size_t>(ptc::consoleWidth) *
                                                ptc::consoleHeight);
  CaptureSession& session = captureSession();
  const std::uint64_t frames =
      std::uint64_t{milliseconds} * static_cast<std::uint64_t>(session.plan().fps) / 1000;
  for (std::uint64_t i = 0; i < frames; ++i)
    session.presentFrame(black.data());
}

} // namespace audio_output_driver
