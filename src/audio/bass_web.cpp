// The audio back end of a web page.
// Implements: an AudioWorklet playing the music that a Worker decodes with
// the same decoder (resources/web/audio.js), at the audio context's own
// rate; the page's thread keeps a copy of the decoded frames for the
// spectrum and asks the worklet's reports and the context's output
// timestamp where the listener is; volume, looping; a track the viewer gives
// the page (page.js, decoded by the browser) in place of the music's stream,
// with the spectrum gain the capture's fit finds for it.
// Leaves out: the argument, state and handle checks and the error codes
// (audio_front.cpp), any device but the default, the rate asked for.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_front.h"
#include "audio/data_file.h"
#include "audio/decoded_track.h"
#include "audio/page_track_web.h"
#include "audio/sample_history.h"
#include "audio/spectrum_analyser.h"
#include "audio/vorbis_loop_decoder.h"
#include "audio/worklet_clock.h"

namespace {

EM_JS(int, pageAudioOpen, (), { return VsfAudio.open() ? 1 : 0; });
EM_JS(int, pageAudioRate, (), { return VsfAudio.sampleRate(); });
EM_JS(void, pageAudioStartStream, (const char* name, int leadFrames, int chunkFrames),
      { VsfAudio.startStream(UTF8ToString(name), leadFrames, chunkFrames); });
EM_JS(void, pageAudioPlay, (int loop), { VsfAudio.play(loop != 0); });
EM_JS(void, pageAudioStop, (), { VsfAudio.stop(); });
EM_JS(void, pageAudioSetGain, (float gain), { VsfAudio.setGain(gain); });
EM_JS(void, pageAudioResume, (), { VsfAudio.resume(); });
EM_JS(int, pageAudioTakeDecoded, (float* buffer, int frames),
      { return VsfAudio.takeDecoded(buffer, frames); });
EM_JS(void, pageAudioPosition, (double* figures), { VsfAudio.position(figures); });
EM_JS(void, pageAudioCloseStream, (), { VsfAudio.closeStream(); });
EM_JS(void, pageAudioClose, (), { VsfAudio.close(); });

// Decoded ahead of the worklet: a stall of the page's thread or a busy
// machine shorter than this costs no sound.
constexpr double leadSeconds = 0.5;
constexpr double chunkSeconds = 0.025;
// The transform window behind the audible position, with the lead and the
// output's latency ahead of it, even at 192 kHz.
constexpr std::size_t historyFrames = std::size_t{1} << 18;
constexpr std::size_t takeFrames = 4096;

class WebAudio final : public AudioBackEnd {
public:
  bool open(int device, DWORD /*frequency*/) override {
    // The page has one output: the browser's.
    if (device != defaultAudioDevice && device != 1)
      return false;
    if (pageAudioOpen() == 0)
      return false;
    rate_ = static_cast<std::uint32_t>(pageAudioRate());
    return rate_ > 0;
  }

  AudioErrorCode openStream(const char* file) override {
    // Read here once, so a file the worker could not play fails the call.
    const std::string path = findDataFile(file);
    DecoderError error = DecoderError::none;
    if (!VorbisLoopDecoder::open(path.c_str(), rate_, error))
      return streamOpenError(error);
    pageAudioCloseStream();
    stream_ = std::make_unique<Stream>(rate_);
    pageAudioStartStream(path.c_str(), static_cast<int>(leadSeconds * rate_),
                         static_cast<int>(chunkSeconds * rate_));
    return audioOk;
  }

  void setVolume(DWORD volume) override {
    pageAudioSetGain(static_cast<float>(volume) / static_cast<float>(maxAudioVolume));
  }

  void start() override { pageAudioResume(); }

  void play(bool loop) override { pageAudioPlay(loop ? 1 : 0); }

  bool spectrum(float* magnitudes) override {
    for (int taken = 0; (taken = pageAudioTakeDecoded(take_.data(), takeFrames)) > 0;)
      stream_->history.appendStereo(take_.data(), static_cast<std::size_t>(taken));
    std::array<double, 6> figures{};
    pageAudioPosition(figures.data());
    const WorkletReport report{static_cast<std::uint64_t>(figures[0]),
                               static_cast<std::uint64_t>(figures[1])};
    const OutputTimestamp output{figures[2], figures[3]};
    const auto audible = stream_->clock.audibleFrame(report, output, figures[4]);
    if (!audible)
      return false;
    std::array<float, SpectrumAnalyser::windowSize> window;
    stream_->history.copyEnding(*audible, window.data(), window.size());
    analyser_.analyse(window.data(), magnitudes);
    if (gain_ != 1.0f)
      for (std::size_t k = 0; k < SpectrumAnalyser::binCount; ++k)
        magnitudes[k] *= gain_;
    return true;
  }

  std::uint32_t rate() const { return rate_; }
  void setSpectrumGain(float gain) { gain_ = gain; }
  // The page started another stream: its frames count from 0 again.
  void restartStream() {
    if (stream_)
      stream_ = std::make_unique<Stream>(rate_);
  }

  void stop() override { pageAudioStop(); }

  void close() override {
    pageAudioClose();
    stream_.reset();
  }

private:
  struct Stream {
    explicit Stream(std::uint32_t rate) : history(historyFrames), clock(rate) {}
    SampleHistory history;
    WorkletClock clock;
  };

  std::uint32_t rate_ = 0;
  std::unique_ptr<Stream> stream_;
  SpectrumAnalyser analyser_;
  float gain_ = 1.0f;
  std::array<float, takeFrames * 2> take_{};
};

WebAudio& webAudio() {
  static WebAudio audio;
  return audio;
}

// The viewer's track as the page hands it over, interleaved stereo.
std::vector<float> pageTrack;

} // namespace

AudioBackEnd& audioBackEnd() {
  return webAudio();
}

// Room for `frames` stereo frames of the viewer's track, for the page to fill.
extern "C" EMSCRIPTEN_KEEPALIVE float* vsfPageTrackBuffer(int frames) {
  pageTrack.assign(2 * static_cast<std::size_t>(std::max(frames, 0)), 0.0f);
  return pageTrack.data();
}

DecodedTrack takePageTrack(std::uint32_t sampleRate) {
  DecodedTrack track;
  track.sampleRate = sampleRate;
  track.stereo.swap(pageTrack);
  pageTrack = {};
  return track;
}

void setPageSpectrumGain(float gain) {
  webAudio().setSpectrumGain(gain);
}

extern "C" EMSCRIPTEN_KEEPALIVE void vsfPageRestartStream() {
  webAudio().restartStream();
}
