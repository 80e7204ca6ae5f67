#pragma once
// Scripted audio layer: records every call and answers from a script.

#include <functional>
#include <string>

#include "audio/bass.h"

namespace fake {

struct AudioState {
  DWORD version = audioLayerVersion;
  // BASS_Init and BASS_StreamCreateFile fail when told to (initResult FALSE,
  // stream 0) and then report errorCode; every other call sets the code as
  // the real layer does.
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
  int lastError = audioOk; // what BASS_ErrorGetCode reports
};

AudioState& audio();
void resetAudio();

} // namespace fake
