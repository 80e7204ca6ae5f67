#include "audio/audio_device.h"

#include <SDL.h>
#include <SDL_hints.h>
#include <algorithm>
#include <cstring>

#include "audio/music_stream.h"

namespace {

constexpr int outputChannels = 2;
// About 23 ms at 44.1 kHz. SDL writes each buffer to a server piecemeal, and
// what it still holds is handed over yet nowhere in the server's figures: a
// small buffer keeps the picture from running ahead by it...
constexpr Uint16 deviceBufferFrames = 1024;
// ... and the server holds the depth, as deep as a media player's: on a busy
// machine the program's threads can wait for over half a second at a time.
// The clock follows the server's readings, so the depth costs no sync.
constexpr unsigned serverBufferMilliseconds = 2000;
// Recorded from a sound server's monitor beside a grab of the screen, the
// sound is heard about this much later than the server's own figures place
// it: the picture is held back to meet it.
constexpr double serverHoldBackSeconds = 0.011;

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::open(int deviceIndex, std::uint32_t sampleRate) {
  // Before SDL starts threads of its own that may read the environment.
  ServerLatency::requestBuffering(serverBufferMilliseconds);
  // What a sound server's mixer shows beside the program's name.
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Music");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    return nullptr;
  const char* deviceName = nullptr;
  if (deviceIndex >= 0) {
    deviceName = SDL_GetAudioDeviceName(deviceIndex, 0);
    if (deviceName == nullptr) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return nullptr;
    }
  }

  std::unique_ptr<AudioDevice> device(new AudioDevice);
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(sampleRate);
  wanted.format = AUDIO_F32SYS;
  wanted.channels = outputChannels;
  wanted.samples = deviceBufferFrames;
  wanted.callback = &AudioDevice::fill;
  wanted.userdata = device.get();
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts if the hardware differs, so the callback
  // always sees stereo floats at the requested rate.
  device->id_ = SDL_OpenAudioDevice(deviceName, 0, &wanted, &obtained, 0);
  if (device->id_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  device->sampleRate_ = sampleRate;
  // The dummy driver plays nothing: a buffer counts as heard from the moment
  // it is handed over. A real device is guessed to be still playing the
  // previous buffer, until a sound server says how much it really holds.
  const char* driver = SDL_GetCurrentAudioDriver();
  const bool dummy = driver != nullptr && std::strcmp(driver, "dummy") == 0;
  device->guessedLatencyFrames_ = dummy ? 0u : obtained.samples;
  // The outputs that can say how much they hold: a PulseAudio-compatible
  // sound server, a web page's audio context.
  const bool pulse = driver != nullptr && std::strcmp(driver, "pulseaudio") == 0;
  // Until the server first answers, it is guessed to hold what was asked for.
  if (pulse)
    device->guessedLatencyFrames_ = std::max<std::uint32_t>(
        obtained.samples, serverBufferMilliseconds * sampleRate / 1000);
  if (pulse || (driver != nullptr && std::strcmp(driver, "emscripten") == 0))
    device->serverLatency_ =
        ServerLatency::start([raw = device.get()](double held) { raw->serverHeld(held); });
  SDL_PauseAudioDevice(device->id_, 0);
  return device;
}

AudioDevice::~AudioDevice() {
  serverLatency_.reset();
  // Waits for the callback thread to end, so nothing touches the stream after.
  SDL_CloseAudioDevice(id_);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Never holds the callback off: this thread runs at the program's own
// priority, and a busy machine could keep it, and the sound, waiting.
void AudioDevice::serverHeld(double heldSeconds) {
  const std::lock_guard lock(listenerMutex_);
  if (source_ != nullptr)
    source_->serverHeld(heldSeconds + serverHoldBackSeconds, SDL_GetPerformanceCounter());
}

void AudioDevice::setSource(MusicStream* stream) {
  const std::lock_guard lock(listenerMutex_);
  SDL_LockAudioDevice(id_);
  source_ = stream;
  SDL_UnlockAudioDevice(id_);
}

// NOLINTNEXTLINE(readability-make-member-function-const): it pauses or resumes the device.
void AudioDevice::setRunning(bool running) {
  SDL_PauseAudioDevice(id_, running ? 0 : 1);
}

double AudioDevice::longestCallbackGapSeconds() const {
  return static_cast<double>(longestGapTicks_.load()) /
         static_cast<double>(SDL_GetPerformanceFrequency());
}

void SDLCALL AudioDevice::fill(void* self, Uint8* bytes, int length) {
  auto* device = static_cast<AudioDevice*>(self);
  auto* out = reinterpret_cast<float*>(bytes);
  const std::uint64_t now = SDL_GetPerformanceCounter();
  if (device->lastCallbackTicks_ != 0 && now - device->lastCallbackTicks_ > device->longestGapTicks_)
    device->longestGapTicks_ = now - device->lastCallbackTicks_;
  device->lastCallbackTicks_ = now;
  const std::size_t frames = static_cast<std::size_t>(length) / (outputChannels * sizeof(float));
  if (device->source_ == nullptr) {
    std::fill_n(out, frames * outputChannels, 0.0f);
    return;
  }
  device->source_->render(out, frames, now);
  const float gain = device->gain_.load();
  if (gain != 1.0f)
    for (std::size_t i = 0; i < frames * outputChannels; ++i)
      out[i] *= gain;
}
