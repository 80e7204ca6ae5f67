// The BASS_* operations of a capture: no sound device. The music is decoded
// in step with the capture clock; each spectrum is that of the 1024 frames
// ending at the moment of the frame being drawn, and the decoded frames go on
// to the capture session's sound track. Output, volume and muting have no
// meaning for a file and always succeed.
#include <memory>
#include <string>

#include "audio/bass.h"
#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "capture/capture_session.h"

namespace {

constexpr HSTREAM streamHandle = 0x00010001;

struct CaptureAudio {
  bool initialised = false;
  std::unique_ptr<MusicTimeline> music;
  bool playing = false;

  void freeStream() {
    captureSession().attachMusic(nullptr);
    music.reset();
    playing = false;
  }
};

CaptureAudio layer;
int lastError = audioOk;

BOOL fail(AudioErrorCode code) {
  lastError = code;
  return FALSE;
}

BOOL succeed() {
  lastError = audioOk;
  return TRUE;
}

MusicTimeline* findStream(DWORD handle) {
  if (!layer.initialised) {
    lastError = audioErrorNotInitialised;
    return nullptr;
  }
  if (handle != streamHandle || !layer.music) {
    lastError = audioErrorHandle;
    return nullptr;
  }
  return layer.music.get();
}

} // namespace

DWORD BASS_GetVersion() {
  return audioLayerVersion;
}

// The rate asked for is a device's; the sound track's rate is the session's.
BOOL BASS_Init(int /*device*/, DWORD /*frequency*/, DWORD /*flags*/, HWND /*window*/) {
  if (layer.initialised)
    return fail(audioErrorAlreadyInitialised);
  layer.initialised = true;
  return succeed();
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD /*flags*/) {
  if (!layer.initialised) {
    lastError = audioErrorNotInitialised;
    return 0;
  }
  if (inMemory || file == nullptr || offset != 0 || length != 0) {
    lastError = audioErrorParameter;
    return 0;
  }
  DecoderError error = DecoderError::none;
  const std::string path = findDataFile(static_cast<const char*>(file));
  auto music = MusicTimeline::open(path.c_str(), captureSession().plan().sampleRate, error);
  if (!music) {
    lastError = error == DecoderError::file ? audioErrorFileOpen : audioErrorFormat;
    return 0;
  }
  layer.freeStream();
  layer.music = std::move(music);
  captureSession().attachMusic(layer.music.get());
  lastError = audioOk;
  return streamHandle;
}

BOOL BASS_SetVolume(DWORD /*volume*/) {
  return layer.initialised ? succeed() : fail(audioErrorNotInitialised);
}

BOOL BASS_Start() {
  return layer.initialised ? succeed() : fail(audioErrorNotInitialised);
}

// The music always loops here: a capture's span may run past its end.
BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD /*flags*/) {
  if (findStream(stream) == nullptr)
    return FALSE;
  if (flush)
    return fail(audioErrorParameter);
  layer.playing = true;
  return succeed();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  MusicTimeline* music = findStream(handle);
  if (music == nullptr)
    return audioRequestFailed;
  if (buffer == nullptr || length != spectrumRequest1024) {
    lastError = audioErrorParameter;
    return audioRequestFailed;
  }
  // As on a device: nothing to analyse before the music plays.
  if (!layer.playing) {
    lastError = audioErrorNotAvailable;
    return audioRequestFailed;
  }
  music->spectrumEnding(musicPositionAt(captureSession().frameMoment(), music->sampleRate()),
                        static_cast<float*>(buffer));
  lastError = audioOk;
  return spectrumBytes;
}

BOOL BASS_Stop() {
  return layer.initialised ? succeed() : fail(audioErrorNotInitialised);
}

BOOL BASS_Free() {
  if (!layer.initialised)
    return fail(audioErrorNotInitialised);
  layer.freeStream();
  layer.initialised = false;
  return succeed();
}

int BASS_ErrorGetCode() {
  return lastError;
}
