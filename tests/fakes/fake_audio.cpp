#include "fake_audio.h"

#include <cstring>

#include "call_log.h"

namespace fake {

AudioState& audio() {
  static AudioState state;
  return state;
}

void resetAudio() {
  audio() = AudioState{};
}

} // namespace fake

using fake::audio;
using fake::record;

DWORD BASS_GetVersion() {
  record("BASS_GetVersion");
  return audio().version;
}

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND) {
  record("BASS_Init(" + std::to_string(device) + "," + std::to_string(frequency) + "," +
         std::to_string(flags) + ")");
  return audio().initResult;
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD flags) {
  record("BASS_StreamCreateFile(" + std::to_string(inMemory) + "," + std::to_string(offset) + "," +
         std::to_string(length) + "," + std::to_string(flags) + ")");
  audio().fileName = static_cast<const char*>(file);
  return audio().stream;
}

BOOL BASS_SetVolume(DWORD volume) {
  record("BASS_SetVolume(" + std::to_string(volume) + ")");
  audio().volume = volume;
  return TRUE;
}

BOOL BASS_Start() {
  record("BASS_Start");
  return TRUE;
}

BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  record("BASS_StreamPlay(" + std::to_string(stream) + "," + std::to_string(flush) + "," +
         std::to_string(flags) + ")");
  audio().playFlags = flags;
  return TRUE;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  auto& state = audio();
  ++state.spectrumRequests;
  if (handle == 0 || handle != state.stream || length != spectrumRequest1024 || !state.spectrum)
    return audioRequestFailed;
  float magnitudes[512];
  if (!state.spectrum(magnitudes))
    return audioRequestFailed;
  std::memcpy(buffer, magnitudes, sizeof magnitudes);
  return spectrumBytes;
}

BOOL BASS_Stop() {
  record("BASS_Stop");
  return TRUE;
}

BOOL BASS_Free() {
  record("BASS_Free");
  return TRUE;
}

int BASS_ErrorGetCode() {
  return audio().errorCode;
}
