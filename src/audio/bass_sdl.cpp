// The audio back end over SDL2 audio, libvorbisfile and KISS FFT, for the
// program on Linux and Windows. Called from the program thread only;
// playback runs on SDL's audio thread.
// Implements: one output device (the default or one counted from 1) at the
// rate asked for, one music stream at a time with looping, volume, and the
// 1024-sample spectrum of what is audible now, with the sound server's
// latency where it tells.
// Leaves out: the argument, state and handle checks and the error codes
// (audio_front.cpp), the flags and the owner window, streams from memory.

#include <SDL_timer.h>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "audio/audio_device.h"
#include "audio/audio_front.h"
#include "audio/data_file.h"
#include "audio/music_stream.h"
#include "audio/vorbis_loop_decoder.h"

namespace {

class SdlAudio final : public AudioBackEnd {
public:
  // A process that ends without BASS_Free still stops the callback before
  // the stream it reads goes away.
  ~SdlAudio() override { close(); }

  bool open(int device, DWORD frequency) override {
    // Real devices are numbered from 1, SDL's output devices from 0.
    device_ = AudioDevice::open(device == defaultAudioDevice ? -1 : device - 1, frequency);
    return device_ != nullptr;
  }

  AudioErrorCode openStream(const char* file) override {
    DecoderError decoderError = DecoderError::none;
    const std::string path = findDataFile(file);
    auto decoder = VorbisLoopDecoder::open(path.c_str(), device_->sampleRate(), decoderError);
    if (!decoder)
      return streamOpenError(decoderError);
    std::unique_ptr<MusicStream> next;
    try {
      next = std::make_unique<MusicStream>(std::move(decoder), device_->sampleRate(),
                                           SDL_GetPerformanceFrequency());
    } catch (const std::exception&) {
      // Out of memory, or no thread left for decoding.
      return audioErrorMemory;
    }
    freeStream();
    stream_ = std::move(next);
    device_->setSource(stream_.get());
    return audioOk;
  }

  void setVolume(DWORD volume) override {
    device_->setGain(static_cast<float>(volume) / static_cast<float>(maxAudioVolume));
  }

  void start() override { device_->setRunning(true); }

  void play(bool loop) override { stream_->play(loop); }

  bool spectrum(float* magnitudes) override {
    return stream_->spectrum(magnitudes, SDL_GetPerformanceCounter(), device_->latencyFrames());
  }

  void stop() override {
    device_->setRunning(false);
    if (stream_)
      stream_->stop();
  }

  void close() override {
    freeStream();
    device_.reset();
  }

private:
  void freeStream() {
    if (device_)
      device_->setSource(nullptr);
    if (stream_)
      reportDryRuns(*stream_);
    stream_.reset();
  }

  // Sound the listener lost because the decoder fell behind: said once, at
  // the end, for whoever reads standard error.
  void reportDryRuns(const MusicStream& stream) const {
    if (stream.dryRuns() == 0)
      return;
    std::fprintf(stderr, "velvetstaticfog: the music's decoding fell behind %llu times, %.0f ms "
                         "of sound lost\n",
                 static_cast<unsigned long long>(stream.dryRuns()),
                 1000.0 * static_cast<double>(stream.framesMissed()) / device_->sampleRate());
  }

  // Declared before the device so that it outlives the callback reading it.
  std::unique_ptr<MusicStream> stream_;
  std::unique_ptr<AudioDevice> device_;
};

} // namespace

AudioBackEnd& audioBackEnd() {
  static SdlAudio sdlAudio;
  return sdlAudio;
}
