#include "show/show_run.h"

#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "capture/capture_arguments.h"
#include "capture/capture_session.h"
#include "capture/frame_sink.h"
#include "capture/run_music.h"
#include "driver/show.h"
#include "music/loudness_meter.h"

namespace {

class MeasuringSink final : public FrameSink {
public:
  MeasuringSink(ShowRun& run, LoudnessMeter& loudness) : run_(run), loudness_(loudness) {}
  void addFrame(const std::uint32_t* pixels) override {
    run_.frames.push_back(measureFrame(pixels));
    run_.quarters.push_back(measureQuarters(pixels));
  }
  void addAudio(const float* stereo, std::size_t frames) override { loudness_.add(stereo, frames); }

private:
  ShowRun& run_;
  LoudnessMeter& loudness_;
};

} // namespace

std::optional<ShowRun> runShowMeasured(int fps, const std::string& musicPath, bool fit,
                                       LoudnessMeter& loudness, std::string& problem) {
  // Checked first: without it the show would run black, and that for minutes.
  DecoderError error = DecoderError::none;
  if (musicPath.empty() &&
      !MusicTimeline::open(findDataFile(musicFileName).c_str(), outputFrequency, error)) {
    problem = std::string("cannot read the music ") + musicFileName +
              " in the current folder or the installed data folder";
    return std::nullopt;
  }
  CaptureArguments asked;
  asked.fps = fps;
  asked.musicPath = musicPath;
  asked.fit = fit;
  const auto music = loadRunMusic(asked, problem);
  if (!music)
    return std::nullopt;
  const CapturePlan plan = capturePlanFor(music->span, outputFrequency);

  ShowRun run;
  run.fps = fps;
  run.seconds = static_cast<double>(music->track->frames()) / music->track->sampleRate;
  run.fitGain = music->gain;
  run.loudestFactor = music->fit.loudestFactor;
  run.frames.reserve(plan.frameCount);
  run.quarters.reserve(plan.frameCount);
  MeasuringSink sink(run, loudness);
  CaptureSession session(plan, sink);
  session.setTrack(music->track, static_cast<float>(music->gain));
  const InstalledCaptureSession installed(session);
  runShow(nullptr, plan.firstFrame);
  if (run.frames.size() < plan.frameCount) {
    problem = "the show ended before its last frame";
    return std::nullopt;
  }
  return run;
}
