#pragma once
// Scripted audio layer: records every call and answers from a script.

#include <functional>
#include <string>

#include "audio/bass.h"

namespace fake {

struct AudioState {
  DWORD version = audioLayerVersion;
  BOOL initResult = TRUE;
  int errorCode = audioOk;
  HSTREAM stream = 1;

  // Fills 512 magnitudes and returns true, or returns false for a failed
  // request; unset means every request fails.
  std::function<bool(float* magnitudes)> spectrum;

  std::string fileName;
  DWORD volume = 100;
  DWORD playFlags = 0;
  int spectrumRequests = 0;
};

AudioState& audio();
void resetAudio();

} // namespace fake
