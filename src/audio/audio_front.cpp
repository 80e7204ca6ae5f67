#include "audio/audio_front.h"

AudioErrorCode streamOpenError(DecoderError error) {
  return error == DecoderError::file ? audioErrorFileOpen : audioErrorFormat;
}

BOOL AudioFront::fail(AudioErrorCode code) {
  lastError_ = code;
  return FALSE;
}

BOOL AudioFront::succeed() {
  lastError_ = audioOk;
  return TRUE;
}

bool AudioFront::checkStream(DWORD handle) {
  if (!initialised_)
    return fail(audioErrorNotInitialised);
  if (handle == 0 || handle != stream_)
    return fail(audioErrorHandle);
  return true;
}

BOOL AudioFront::init(int device, DWORD frequency) {
  if (initialised_)
    return fail(audioErrorAlreadyInitialised);
  if (frequency < minAudioFrequency || frequency > maxAudioFrequency ||
      (device < 1 && device != defaultAudioDevice))
    return fail(audioErrorParameter);
  if (!backEnd_->open(device, frequency))
    return fail(audioErrorNoDevice);
  initialised_ = true;
  return succeed();
}

HSTREAM AudioFront::streamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length) {
  AudioErrorCode refused = audioOk;
  if (!initialised_)
    refused = audioErrorNotInitialised;
  // Only whole files on disk: the show streams nothing else.
  else if (inMemory || file == nullptr || offset != 0 || length != 0)
    refused = audioErrorParameter;
  else
    refused = backEnd_->openStream(static_cast<const char*>(file));
  if (refused != audioOk) {
    fail(refused);
    return 0;
  }
  stream_ = nextStream_++;
  if (nextStream_ == 0)
    nextStream_ = firstStream;
  succeed();
  return stream_;
}

BOOL AudioFront::setVolume(DWORD volume) {
  if (!initialised_)
    return fail(audioErrorNotInitialised);
  if (volume > maxAudioVolume)
    return fail(audioErrorParameter);
  backEnd_->setVolume(volume);
  return succeed();
}

BOOL AudioFront::start() {
  if (!initialised_)
    return fail(audioErrorNotInitialised);
  backEnd_->start();
  return succeed();
}

BOOL AudioFront::streamPlay(HSTREAM stream, BOOL flush, DWORD flags) {
  if (!checkStream(stream))
    return FALSE;
  // Restarting from the beginning is not offered; playing resumes where it stopped.
  if (flush)
    return fail(audioErrorParameter);
  backEnd_->play((flags & streamLoopFlag) != 0);
  return succeed();
}

DWORD AudioFront::channelGetData(DWORD handle, void* buffer, DWORD length) {
  if (!checkStream(handle))
    return audioRequestFailed;
  if (buffer == nullptr || length != spectrumRequest1024) {
    fail(audioErrorParameter);
    return audioRequestFailed;
  }
  if (!backEnd_->spectrum(static_cast<float*>(buffer))) {
    fail(audioErrorNotAvailable);
    return audioRequestFailed;
  }
  succeed();
  return spectrumBytes;
}

BOOL AudioFront::stop() {
  if (!initialised_)
    return fail(audioErrorNotInitialised);
  backEnd_->stop();
  return succeed();
}

BOOL AudioFront::free() {
  if (!initialised_)
    return fail(audioErrorNotInitialised);
  backEnd_->close();
  initialised_ = false;
  stream_ = 0;
  return succeed();
}
