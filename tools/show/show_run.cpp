#include "show/show_run.h"

#include <memory>

#include "audio/data_file.h"
#include "audio/decoded_track.h"
#include "audio/music_timeline.h"
#include "capture/capture_arguments.h"
#include "capture/capture_session.h"
#include "capture/frame_sink.h"
#include "driver/show.h"
#include "effect/track_fit.h"
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
  const bool ownMusic = musicPath.empty();
  DecoderError error = DecoderError::none;
  if (ownMusic &&
      !MusicTimeline::open(findDataFile(musicFileName).c_str(), outputFrequency, error)) {
    problem = std::string("cannot read the music ") + musicFileName +
              " in the current folder or the installed data folder";
    return std::nullopt;
  }
  auto decoded = decodeTrack(ownMusic ? findDataFile(musicFileName) : musicPath, outputFrequency,
                             musicPositionAt(showDuration, outputFrequency), problem);
  if (!decoded)
    return std::nullopt;
  const auto track = std::make_shared<const DecodedTrack>(std::move(*decoded));
  CaptureArguments span;
  span.fps = fps;
  if (!ownMusic) {
    const auto fitted = fitSpanToTrack(span, track->frames() * 1000 / track->sampleRate, problem);
    if (!fitted)
      return std::nullopt;
    span = *fitted;
  }
  const CapturePlan plan = capturePlanFor(span, outputFrequency);
  const TrackFit trackFit = fitTrack(*track);

  ShowRun run;
  run.fps = fps;
  run.seconds = static_cast<double>(track->frames()) / track->sampleRate;
  run.fitGain = fit ? trackFit.gain : 1.0;
  run.loudestFactor = trackFit.loudestFactor;
  run.frames.reserve(plan.frameCount);
  run.quarters.reserve(plan.frameCount);
  MeasuringSink sink(run, loudness);
  CaptureSession session(plan, sink);
  session.setTrack(track, static_cast<float>(run.fitGain));
  const InstalledCaptureSession installed(session);
  runShow(nullptr, plan.firstFrame);
  if (run.frames.size() < plan.frameCount) {
    problem = "the show ended before its last frame";
    return std::nullopt;
  }
  return run;
}
