#pragma once
// The SDL output device: owns the audio subsystem while open, runs the
// callback that copies the playing stream's frames out at the set volume,
// and knows how far behind the callback the listener is.

#include <SDL_audio.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/server_latency.h"

class MusicStream;

class AudioDevice {
public:
  // Nothing when the subsystem or the device cannot be opened. A negative
  // index is the default device, others count SDL's output devices.
  static std::unique_ptr<AudioDevice> open(int deviceIndex, std::uint32_t sampleRate);
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  std::uint32_t sampleRate() const { return sampleRate_; }
  // Frames the output is guessed to hold ahead of what the callback has
  // written: one buffer (the device still playing the previous one), what
  // was asked of a sound server, none on SDL's dummy driver. Once a sound
  // server says what it holds, the source hears of it instead.
  std::uint32_t latencyFrames() const { return guessedLatencyFrames_; }

  // The stream the callback reads from; nullptr for silence. Returns once
  // the callback has let go of the previous one.
  void setSource(MusicStream* stream);
  void setGain(float gain) { gain_.store(gain); }
  void setRunning(bool running);

  // The longest time between two callbacks so far: how long the output
  // went without being fed.
  double longestCallbackGapSeconds() const;

private:
  AudioDevice() = default;
  static void SDLCALL fill(void* self, Uint8* bytes, int length);
  void serverHeld(double heldSeconds);

  SDL_AudioDeviceID id_ = 0;
  std::uint32_t sampleRate_ = 0;
  std::uint32_t guessedLatencyFrames_ = 0;
  // Changed only with the device locked (for the callback) and the mutex
  // held (for the server's readings).
  MusicStream* source_ = nullptr;
  std::mutex listenerMutex_;
  std::atomic<float> gain_{1.0f};
  std::uint64_t lastCallbackTicks_ = 0; // the callback's own
  std::atomic<std::uint64_t> longestGapTicks_{0};
  std::unique_ptr<ServerLatency> serverLatency_;
};
