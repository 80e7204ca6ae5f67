// The fake plays nothing: its spectra are what each unit test scripts.
#include "audio_output_driver.h"

namespace audio_output_driver {

const char* cannotPlay() {
  return "the fake plays nothing; its spectra are what each unit test scripts";
}

void letPlay(unsigned /*milliseconds*/) {}

} // namespace audio_output_driver
