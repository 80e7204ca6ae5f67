// The page's output plays while the page's thread yields to the browser,
// which runs the audio context, its worklet and the decoding worker.
#include <emscripten.h>

#include "audio_output_driver.h"

namespace audio_output_driver {

const char* cannotPlay() {
  return nullptr;
}

void letPlay(unsigned milliseconds) {
  emscripten_sleep(milliseconds);
}

} // namespace audio_output_driver
