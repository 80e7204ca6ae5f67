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

namespace {
BOOL succeed() {
  audio().lastError = audioOk;
  return TRUE;
}
} // namespace

DWORD BASS_GetVersion() {
  record("BASS_GetVersion");
  return audio().version;
}

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND) {
  record("BASS_Init(" + std::to_string(device) + "," + std::to_string(frequency) + "," +
         std::to_string(flags) + ")");
  audio().lastError = audio().initResult ? audioOk : audio().errorCode;
  return audio().initResult;
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD flags) {
  record("BASS_StreamCreateFile(" + std::to_string(inMemory) + "," + std::to_string(offset) + "," +
         std::to_string(length) + "," + std::to_string(flags) + ")");
  audio().fileName = static_cast<const char*>(file);
  audio().lastError = audio().stream != 0 ? audioOk : audio().errorCode;
  return audio().stream;
}

BOOL BASS_SetVolume(DWORD volume) {
  record("BASS_SetVolume(" + std::to_string(volume) + ")");
  audio().volume = volume;
  return succeed();
}

BOOL BASS_Start() {
  record("BASS_Start");
  return succeed();
}

BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  record("BASS_StreamPlay(" + std::to_string(stream) + "," + std::to_string(flush) + "," +
         std::to_string(flags) + ")");
  audio().playFlags = flags;
  return succeed();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  auto& state = audio();
  ++state.spectrumRequests;
  const auto refuse = [&state](int code) {
    state.lastError = code;
    return audioRequestFailed;
  };
  if (handle == 0 || handle != state.stream)
    return refuse(audioErrorHandle);
  if (buffer == nullptr || length != spectrumRequest1024)
    return refuse(audioErrorParameter);
  float magnitudes[512];
  if (!state.spectrum || !state.spectrum(magnitudes))
    return refuse(audioErrorNotAvailable);
  std::memcpy(buffer, magnitudes, sizeof magnitudes);
  state.lastError = audioOk;
  return spectrumBytes;
}

BOOL BASS_Stop() {
  record("BASS_Stop");
  return succeed();
}

BOOL BASS_Free() {
  record("BASS_Free");
  return succeed();
}

int BASS_ErrorGetCode() {
  return audio().lastError;
}
