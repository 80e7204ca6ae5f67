#pragma once
// Scripted audio layer: records every call and answers from a script, behind
// the same checks and error codes as the real layer.

#include <functional>
#include <string>

#include "audio/bass.h"

namespace fake {

struct AudioState {
  DWORD version = audioLayerVersion;
  // Whether an output device opens (BASS_Init fails with audioErrorNoDevice
  // otherwise), and what opening the music fails with (audioOk: it opens).
  bool deviceOpens = true;
  AudioErrorCode streamError = audioOk;

  // Fills 512 magnitudes and returns true, or returns false for a failed
  // request; unset means every request fails.
  std::function<bool(float* magnitudes)> spectrum;

  std::string fileName;
  DWORD volume = 100;
  bool looping = false;
  int spectrumRequests = 0;
};

AudioState& audio();
void resetAudio();

} // namespace fake
