// The BASS_* calls over the audio back end linked beside them.
#include "audio/audio_front.h"
#include "audio/bass.h"

namespace {

AudioFront& front() {
  static AudioFront theFront(audioBackEnd());
  return theFront;
}

} // namespace

DWORD BASS_GetVersion() {
  return audioLayerVersion;
}

BOOL BASS_Init(int device, DWORD frequency, DWORD /*flags*/, HWND /*window*/) {
  return front().init(device, frequency);
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD /*flags*/) {
  return front().streamCreateFile(inMemory, file, offset, length);
}

BOOL BASS_SetVolume(DWORD volume) {
  return front().setVolume(volume);
}

BOOL BASS_Start() {
  return front().start();
}

BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  return front().streamPlay(stream, flush, flags);
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  return front().channelGetData(handle, buffer, length);
}

BOOL BASS_Stop() {
  return front().stop();
}

BOOL BASS_Free() {
  return front().free();
}

int BASS_ErrorGetCode() {
  return front().errorCode();
}
