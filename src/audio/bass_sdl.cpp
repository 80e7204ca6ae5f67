// The BASS_* operations over SDL2 audio, libvorbisfile and KISS FFT.
// Provides: version 1.7, one output device, one music stream at a time with
// looping, volume, and the 1024-sample spectrum of what is audible now.
// Called from the program thread only; playback runs on SDL's audio thread.

#include <SDL_timer.h>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "audio/audio_device.h"
#include "audio/bass.h"
#include "audio/data_file.h"
#include "audio/music_stream.h"
#include "audio/vorbis_loop_decoder.h"

namespace {

constexpr DWORD maxVolume = 100;
constexpr DWORD minFrequency = 8000;
constexpr DWORD maxFrequency = 192000;
constexpr int defaultDevice = -1;
// Handles count up so a freed stream's handle does not name its successor.
constexpr HSTREAM firstStreamHandle = 0x00010001;

struct AudioLayer {
  HSTREAM handle = 0;
  HSTREAM nextHandle = firstStreamHandle;
  // Declared before the device so that it outlives the callback reading it.
  std::unique_ptr<MusicStream> stream;
  std::unique_ptr<AudioDevice> device;

  void freeStream() {
    if (device)
      device->setSource(nullptr);
    stream.reset();
    handle = 0;
  }
  void freeAll() {
    freeStream();
    device.reset();
  }
  // A process that ends without BASS_Free still stops the callback before
  // the stream it reads goes away.
  ~AudioLayer() { freeAll(); }
};

AudioLayer layer;
int lastError = audioOk;

BOOL fail(AudioErrorCode code) {
  lastError = code;
  return FALSE;
}

BOOL succeed() {
  lastError = audioOk;
  return TRUE;
}

// The stream behind `handle`, or nothing with the error code set.
MusicStream* findStream(DWORD handle) {
  if (!layer.device) {
    lastError = audioErrorNotInitialised;
    return nullptr;
  }
  if (handle == 0 || handle != layer.handle) {
    lastError = audioErrorHandle;
    return nullptr;
  }
  return layer.stream.get();
}

} // namespace

DWORD BASS_GetVersion() {
  return audioLayerVersion;
}

BOOL BASS_Init(int device, DWORD frequency, DWORD /*flags*/, HWND /*window*/) {
  if (layer.device)
    return fail(audioErrorAlreadyInitialised);
  if (frequency < minFrequency || frequency > maxFrequency ||
      (device < 1 && device != defaultDevice))
    return fail(audioErrorParameter);

  // Real devices are numbered from 1, SDL's output devices from 0.
  layer.device = AudioDevice::open(device == defaultDevice ? -1 : device - 1, frequency);
  if (!layer.device)
    return fail(audioErrorNoDevice);
  return succeed();
}

HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD /*flags*/) {
  if (!layer.device) {
    lastError = audioErrorNotInitialised;
    return 0;
  }
  // Only whole files on disk: the show streams nothing else.
  if (inMemory || file == nullptr || offset != 0 || length != 0) {
    lastError = audioErrorParameter;
    return 0;
  }

  DecoderError decoderError = DecoderError::none;
  const std::string path = findDataFile(static_cast<const char*>(file));
  auto decoder = VorbisLoopDecoder::open(path.c_str(), layer.device->sampleRate(), decoderError);
  if (!decoder) {
    lastError = decoderError == DecoderError::file ? audioErrorFileOpen : audioErrorFormat;
    return 0;
  }
  layer.freeStream();
  try {
    layer.stream = std::make_unique<MusicStream>(std::move(decoder), layer.device->sampleRate(),
                                                 SDL_GetPerformanceFrequency());
  } catch (const std::exception&) {
    // Out of memory, or no thread left for decoding.
    lastError = audioErrorMemory;
    return 0;
  }
  layer.device->setSource(layer.stream.get());
  layer.handle = layer.nextHandle++;
  if (layer.nextHandle == 0)
    layer.nextHandle = firstStreamHandle;
  lastError = audioOk;
  return layer.handle;
}

BOOL BASS_SetVolume(DWORD volume) {
  if (!layer.device)
    return fail(audioErrorNotInitialised);
  if (volume > maxVolume)
    return fail(audioErrorParameter);
  layer.device->setGain(static_cast<float>(volume) / static_cast<float>(maxVolume));
  return succeed();
}

BOOL BASS_Start() {
  if (!layer.device)
    return fail(audioErrorNotInitialised);
  layer.device->setRunning(true);
  return succeed();
}

BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  MusicStream* music = findStream(stream);
  if (music == nullptr)
    return FALSE;
  // Restarting from the beginning is not offered; playing resumes where it stopped.
  if (flush)
    return fail(audioErrorParameter);
  music->play((flags & streamLoopFlag) != 0);
  return succeed();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  MusicStream* music = findStream(handle);
  if (music == nullptr)
    return audioRequestFailed;
  if (buffer == nullptr || length != spectrumRequest1024) {
    lastError = audioErrorParameter;
    return audioRequestFailed;
  }
  if (!music->spectrum(static_cast<float*>(buffer), SDL_GetPerformanceCounter(),
                       layer.device->latencyFrames())) {
    lastError = audioErrorNotAvailable;
    return audioRequestFailed;
  }
  lastError = audioOk;
  return spectrumBytes;
}

BOOL BASS_Stop() {
  if (!layer.device)
    return fail(audioErrorNotInitialised);
  layer.device->setRunning(false);
  if (layer.stream)
    layer.stream->stop();
  return succeed();
}

BOOL BASS_Free() {
  if (!layer.device)
    return fail(audioErrorNotInitialised);
  layer.freeAll();
  return succeed();
}

int BASS_ErrorGetCode() {
  return lastError;
}
