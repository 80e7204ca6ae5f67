// The audio layer's scripted fake.
// Implements: every BASS_* call logged with its arguments; the device, the
// stream's open and the spectrum answer as the test's script says.
// Leaves out: the argument, state and handle checks and the error codes
// (audio_front.cpp, linked in front of it as in the program); any sound.
#include "fake_audio.h"

#include <algorithm>

#include "audio/audio_front.h"
#include "call_log.h"

namespace fake {

AudioState& audio() {
  static AudioState state;
  return state;
}

namespace {

class ScriptedAudio final : public AudioBackEnd {
public:
  bool open(int /*device*/, DWORD /*frequency*/) override { return audio().deviceOpens; }
  AudioErrorCode openStream(const char* /*file*/) override { return audio().streamError; }
  void setVolume(DWORD volume) override { audio().volume = volume; }
  void start() override {}
  void play(bool loop) override { audio().looping = loop; }
  bool spectrum(float* magnitudes) override {
    float scripted[512];
    if (!audio().spectrum || !audio().spectrum(scripted))
      return false;
    std::copy(scripted, scripted + 512, magnitudes);
    return true;
  }
  void stop() override {}
  void close() override {}
};

ScriptedAudio scriptedAudio;

AudioFront& front() {
  static AudioFront theFront(scriptedAudio);
  return theFront;
}

} // namespace

void resetAudio() {
  audio() = AudioState{};
  front() = AudioFront(scriptedAudio);
}

} // namespace fake

using fake::audio;
using fake::front;
using fake::record;

DWORD BASS_GetVersion() {
  record("BASS_GetVersion");
  return audio().version;
}

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND) {
  record("BASS_Init(" + std::to_string(device) + "," + std::to_string(frequency) + "," +
         std::to_string(flags) + ")");
  return front().init(device, frequency);
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD flags) {
  record("BASS_StreamCreateFile(" + std::to_string(inMemory) + "," + std::to_string(offset) + "," +
         std::to_string(length) + "," + std::to_string(flags) + ")");
  if (file != nullptr)
    audio().fileName = static_cast<const char*>(file);
  return front().streamCreateFile(inMemory, file, offset, length);
}

BOOL BASS_SetVolume(DWORD volume) {
  record("BASS_SetVolume(" + std::to_string(volume) + ")");
  return front().setVolume(volume);
}

BOOL BASS_Start() {
  record("BASS_Start");
  return front().start();
}

BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  record("BASS_StreamPlay(" + std::to_string(stream) + "," + std::to_string(flush) + "," +
         std::to_string(flags) + ")");
  return front().streamPlay(stream, flush, flags);
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  ++audio().spectrumRequests;
  return front().channelGetData(handle, buffer, length);
}

BOOL BASS_Stop() {
  record("BASS_Stop");
  return front().stop();
}

BOOL BASS_Free() {
  record("BASS_Free");
  return front().free();
}

int BASS_ErrorGetCode() {
  return front().errorCode();
}
