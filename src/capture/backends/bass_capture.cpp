// The audio back end of a capture: no sound device.
// Implements: the music decoded in step with the capture clock, or a track
// the session holds, decoded before the run, in place of the file the show
// names; each spectrum is that of the 1024 frames ending at the moment of
// the frame being drawn, and the decoded frames go on to the capture
// session's sound track.
// Leaves out: the argument, state and handle checks and the error codes
// (audio_front.cpp); output, volume, muting and the rate asked for, which
// have no meaning for a file.
#include <memory>
#include <string>

#include "audio/audio_front.h"
#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "capture/capture_session.h"

namespace {

class CaptureAudio final : public AudioBackEnd {
public:
  // The rate asked for is a device's; the sound track's rate is the session's.
  bool open(int /*device*/, DWORD /*frequency*/) override { return true; }

  AudioErrorCode openStream(const char* file) override {
    std::unique_ptr<MusicTimeline> music;
    if (const auto& track = captureSession().track()) {
      music = std::make_unique<MusicTimeline>(track, captureSession().spectrumGain());
    } else {
      DecoderError error = DecoderError::none;
      const std::string path = findDataFile(file);
      music = MusicTimeline::open(path.c_str(), captureSession().plan().sampleRate, error);
      if (!music)
        return streamOpenError(error);
    }
    freeStream();
    music_ = std::move(music);
    captureSession().attachMusic(music_.get());
    return audioOk;
  }

  void setVolume(DWORD /*volume*/) override {}
  void start() override {}

  // The music always loops here: a capture's span may run past its end.
  void play(bool /*loop*/) override { playing_ = true; }

  bool spectrum(float* magnitudes) override {
    // As on a device: nothing to analyse before the music plays.
    if (!playing_)
      return false;
    music_->spectrumEnding(musicPositionAt(captureSession().frameMoment(), music_->sampleRate()),
                           magnitudes);
    return true;
  }

  void stop() override {}
  void close() override { freeStream(); }

private:
  void freeStream() {
    if (music_)
      captureSession().attachMusic(nullptr);
    music_.reset();
    playing_ = false;
  }

  std::unique_ptr<MusicTimeline> music_;
  bool playing_ = false;
};

} // namespace

AudioBackEnd& audioBackEnd() {
  static CaptureAudio captureAudio;
  return captureAudio;
}
