#include "call_log.h"
#include "fake_audio.h"
#include "fake_display.h"
#include "fake_platform.h"

namespace fake {

void resetAll() {
  callLog().clear();
  onRecord() = nullptr;
  resetDisplay();
  resetAudio();
  resetPlatform();
}

} // namespace fake
