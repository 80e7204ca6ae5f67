#pragma once
// The audio layer's argument checks, state checks and error codes, written
// once in front of every back end. A back end is asked only what passed the
// checks: it opens and closes, plays and analyses.

#include "audio/bass.h"
#include "audio/decoder_error.h"

class AudioBackEnd {
public:
  virtual ~AudioBackEnd() = default;

  // device is -1 (the default output) or counts from 1; frequency is in range.
  // False when there is no such device to open.
  virtual bool open(int device, DWORD frequency) = 0;
  // Replaces the current stream by the music file `file` names. On failure
  // (audioErrorFileOpen, audioErrorFormat, audioErrorMemory) the current
  // stream is left as it was.
  virtual AudioErrorCode openStream(const char* file) = 0;
  // 0 to maxAudioVolume.
  virtual void setVolume(DWORD volume) = 0;
  virtual void start() = 0;
  // Plays the current stream from where it stopped.
  virtual void play(bool loop) = 0;
  // 512 magnitudes of what is audible now; false when there is nothing yet.
  virtual bool spectrum(float* magnitudes) = 0;
  virtual void stop() = 0;
  // Lets go of the stream and the output.
  virtual void close() = 0;
};

// What a music file the decoder could not open is reported as.
AudioErrorCode streamOpenError(DecoderError error);

// The back end linked into the program, for the BASS_* calls.
AudioBackEnd& audioBackEnd();

constexpr DWORD maxAudioVolume = 100;
constexpr DWORD minAudioFrequency = 8000;
constexpr DWORD maxAudioFrequency = 192000;
constexpr int defaultAudioDevice = -1;

// The BASS_* operations (less the version) over one back end, each leaving
// its code for BASS_ErrorGetCode.
class AudioFront {
public:
  explicit AudioFront(AudioBackEnd& backEnd) : backEnd_(&backEnd) {}

  BOOL init(int device, DWORD frequency);
  HSTREAM streamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length);
  BOOL setVolume(DWORD volume);
  BOOL start();
  BOOL streamPlay(HSTREAM stream, BOOL flush, DWORD flags);
  DWORD channelGetData(DWORD handle, void* buffer, DWORD length);
  BOOL stop();
  BOOL free();
  int errorCode() const { return lastError_; }

private:
  BOOL fail(AudioErrorCode code);
  BOOL succeed();
  // Sets the code and returns false unless `handle` names the current stream.
  bool checkStream(DWORD handle);

  // Handles count up so a replaced or freed stream's handle does not name its successor.
  static constexpr HSTREAM firstStream = 0x00010001;

  AudioBackEnd* backEnd_;
  bool initialised_ = false;
  HSTREAM stream_ = 0;
  HSTREAM nextStream_ = firstStream;
  int lastError_ = audioOk;
};
