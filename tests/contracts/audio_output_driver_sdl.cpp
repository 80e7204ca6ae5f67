// SDL's output (the dummy driver in the tests) plays in real time.
#include <SDL.h>

#include "audio_output_driver.h"

namespace audio_output_driver {

const char* cannotPlay() {
  return nullptr;
}

void letPlay(unsigned milliseconds) {
  SDL_Delay(milliseconds);
}

} // namespace audio_output_driver
