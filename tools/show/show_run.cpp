#include "show/show_run.h"

#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "capture/capture_arguments.h"
#include "capture/capture_session.h"
#include "capture/frame_sink.h"
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

std::optional<ShowRun> runShowMeasured(int fps, LoudnessMeter& loudness, std::string& problem) {
  // Checked first: without it the show would run black, and that for minutes.
  DecoderError error = DecoderError::none;
  if (!MusicTimeline::open(findDataFile(musicFileName).c_str(), outputFrequency, error)) {
    problem = std::string("cannot read the music ") + musicFileName +
              " in the current folder or the installed data folder";
    return std::nullopt;
  }
  CaptureArguments wholeShow;
  wholeShow.fps = fps;
  const CapturePlan plan = capturePlanFor(wholeShow, outputFrequency);

  ShowRun run;
  run.fps = fps;
  run.frames.reserve(plan.frameCount);
  run.quarters.reserve(plan.frameCount);
  MeasuringSink sink(run, loudness);
  CaptureSession session(plan, sink);
  const InstalledCaptureSession installed(session);
  runShow(nullptr, plan.firstFrame);
  if (run.frames.size() < plan.frameCount) {
    problem = "the show ended before its last frame";
    return std::nullopt;
  }
  return run;
}
