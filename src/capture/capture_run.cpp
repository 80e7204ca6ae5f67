#include "capture/capture_run.h"

#include <array>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

#include <ebur128.h>

#include "audio/data_file.h"
#include "audio/decoded_track.h"
#include "audio/vorbis_loop_decoder.h"
#include "capture/capture_session.h"
#include "capture/progress_line.h"
#include "capture/run_music.h"
#include "capture/video_file.h"
#include "driver/show.h"
#include "effect/track_fit.h"
#include "output/output_file.h"

namespace {

constexpr int failedExit = 1;
constexpr int signalExitBase = 128;
constexpr double bitsPerByte = 8.0;
// Enough decoded frames to tell music from headers with nothing after them.
constexpr std::size_t soundProbeFrames = 4096;

// The first stop request's signal, and the session it is passed to.
std::atomic<int> stopSignal{0};
std::atomic<CaptureSession*> runningSession{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<CaptureSession*>::is_always_lock_free);

void message(const std::string& text) {
  std::fprintf(stderr, "velvetstaticfog-capture: %s\n", text.c_str());
}

extern "C" void onStopSignal(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  if (CaptureSession* session = runningSession.load())
    session->requestStop();
}

// Closing the terminal, Ctrl-C, Ctrl-\, termination and a reader gone from
// standard error all stop the capture at the next frame and keep what was
// captured; later signals, even while the file is being finished, wait for
// that. A signal ignored by whoever started us stays ignored. In place from
// before the temporary file exists until the program ends.
class StopSignals {
public:
  StopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < signals.size(); ++i) {
      sigaction(signals[i], nullptr, &previous_[i]);
      if (previous_[i].sa_handler != SIG_IGN)
        sigaction(signals[i], &action, nullptr);
    }
  }
  ~StopSignals() {
    for (std::size_t i = signals.size(); i-- > 0;)
      sigaction(signals[i], &previous_[i], nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  static constexpr std::array<int, 5> signals{SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

private:
  std::array<struct sigaction, signals.size()> previous_{};
};

// Passes frames and sound to the video file until it fails; then keeps the
// reason and asks the show to stop, so the failure is told once, on its own
// line, after the progress line.
// A file that would outgrow `ceiling` bytes stops before the frame that
// could take it there, with room left to finish it.
class GuardedSink : public FrameSink {
public:
  GuardedSink(VideoFile& video, std::uint64_t ceiling) : video_(video), ceiling_(ceiling) {}
  void addFrame(const std::uint32_t* pixels) override {
    if (failure_.empty() && !full_ &&
        static_cast<std::uint64_t>(video_.bytesWritten() + video_.bytesToFinish()) > ceiling_) {
      full_ = true;
      if (CaptureSession* session = runningSession.load())
        session->requestStop();
    }
    if (full_)
      return;
    guarded([&] { video_.addFrame(pixels); });
  }
  void addAudio(const float* stereo, std::size_t frames) override {
    if (full_)
      return;
    guarded([&] { video_.addAudio(stereo, frames); });
  }
  const std::string& failure() const { return failure_; }
  bool full() const { return full_; }

private:
  template <typename Step> void guarded(Step step) {
    if (!failure_.empty())
      return;
    try {
      step();
    } catch (const VideoFileError& error) {
      failure_ = error.what();
      if (CaptureSession* session = runningSession.load())
        session->requestStop();
    }
  }

  VideoFile& video_;
  std::uint64_t ceiling_;
  bool full_ = false;
  std::string failure_;
};

// The largest file the capture may write there: the process's file size
// limit (ulimit -f), and FAT's 4 GiB, the one common volume with a ceiling
// far below what the show at scale 2 needs.
std::uint64_t fileSizeCeiling(const std::string& writePath, std::string& why) {
  constexpr std::uint64_t fatLargest = (std::uint64_t{1} << 32) - 1;
  constexpr long fatMagic = 0x4d44;
  std::uint64_t ceiling = std::numeric_limits<std::uint64_t>::max();
  struct rlimit limit {};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    ceiling = limit.rlim_cur;
    why = "the file size limit (ulimit -f)";
  }
  struct statfs volume {};
  if (statfs(writePath.c_str(), &volume) == 0 && static_cast<long>(volume.f_type) == fatMagic &&
      fatLargest < ceiling) {
    ceiling = fatLargest;
    why = "the 4 GiB a FAT volume takes in one file";
  }
  return ceiling;
}

// Installs the session for the back ends and registers it with the signal
// handlers, for as long as it lives.
class RunningSession {
public:
  explicit RunningSession(CaptureSession& session) : installed_(session) {
    runningSession.store(&session);
    if (stopSignal.load() != 0) // arrived while setting up
      session.requestStop();
  }
  ~RunningSession() { runningSession.store(nullptr); }
  RunningSession(const RunningSession&) = delete;
  RunningSession& operator=(const RunningSession&) = delete;

private:
  InstalledCaptureSession installed_;
};

// The show opens its music by name, where the audio layer looks for it; a
// capture without it would be silent and colourless, so it is refused before
// anything is written. So is a file whose headers promise music that is not there.
bool musicReadable(const std::string& path) {
  DecoderError error = DecoderError::none;
  auto decoder = VorbisLoopDecoder::open(path.c_str(), outputFrequency, error);
  std::vector<float> probe(soundProbeFrames * 2);
  if (decoder && decoder->read(probe.data(), soundProbeFrames, false) > 0)
    return true;
  if (error == DecoderError::file)
    message(std::string("cannot read the music file ") + musicFileName +
            " in the current folder or the installed data folder");
  else if (error == DecoderError::format)
    message(std::string("the music file ") + musicFileName + " is not Ogg Vorbis music");
  else
    message(std::string("the music file ") + musicFileName + " holds no sound");
  return false;
}

// Integrated loudness in LUFS, for the line that tells what the fit did.
double integratedLoudness(const DecodedTrack& track) {
  ebur128_state* state = ebur128_init(2, track.sampleRate, EBUR128_MODE_I);
  if (state == nullptr)
    return NAN;
  double lufs = NAN;
  if (ebur128_add_frames_float(state, track.stereo.data(), track.frames()) != EBUR128_SUCCESS ||
      ebur128_loudness_global(state, &lufs) != EBUR128_SUCCESS)
    lufs = NAN;
  ebur128_destroy(&state);
  return lufs;
}

std::string fitLine(const std::string& path, const DecodedTrack& track, const TrackFit& fit,
                    bool fitting) {
  char text[256];
  const double lufs = integratedLoudness(track);
  char loudness[32] = "silent";
  if (std::isfinite(lufs))
    std::snprintf(loudness, sizeof loudness, "%.1f LUFS", lufs);
  std::snprintf(
      text, sizeof text, "%s: %.2f s, %s, loudest passages' factor %.3f; spectrum gain %+.1f dB%s",
      path.c_str(), static_cast<double>(track.frames()) / track.sampleRate, loudness,
      fit.loudestFactor, fitting ? decibels(fit.gain) : 0.0, fitting ? "" : " (--no-fit)");
  return text;
}

const char* signalName(int signal) {
  switch (signal) {
  case SIGINT:
    return "Ctrl-C (SIGINT)";
  case SIGTERM:
    return "SIGTERM";
  case SIGHUP:
    return "SIGHUP (the terminal closed)";
  case SIGQUIT:
    return "SIGQUIT";
  case SIGPIPE:
    return "SIGPIPE (standard error closed)";
  default:
    return "a signal";
  }
}

// Frames, length and bit rate of what was written.
std::string summary(const CapturePlan& plan, std::uint64_t frames, std::int64_t bytes) {
  const double seconds = static_cast<double>(frames) / plan.fps;
  const double megabits = static_cast<double>(bytes) * bitsPerByte / 1e6;
  char text[160];
  std::snprintf(text, sizeof text, "%llu frame%s (%.2f s), %.1f MB, %.1f Mbit/s",
                static_cast<unsigned long long>(frames), frames == 1 ? "" : "s", seconds,
                static_cast<double>(bytes) / 1e6, seconds > 0.0 ? megabits / seconds : 0.0);
  return text;
}

// A capture stopped at the file size it may reach: finished and named as
// asked, with how far it got and how to get the rest. A file it would
// replace is whole and this one is not: it is kept beside it instead.
int keepUpToTheCeiling(const CapturePlan& plan, VideoFile& video, OutputFile& output,
                       const std::string& path, const std::string& why) {
  video.finish();
  const auto frames = static_cast<std::uint64_t>(video.framesWritten());
  const std::string written = summary(plan, frames, video.bytesWritten());
  std::string named = path;
  std::string besides;
  if (output.replacesFile()) {
    named = output.keep();
    if (named.empty()) {
      message("cannot keep the partial capture beside " + path + "; " + path +
              " is left as it was, and nothing else written");
      return failedExit;
    }
    besides = "; " + path + " is left as it was";
  } else {
    try {
      output.commit();
    } catch (const OutputFileError& error) {
      named = output.keep();
      message(error.what());
      if (named.empty())
        return failedExit;
    }
  }
  const std::uint64_t reachedMs =
      (plan.firstFrame + frames) * 1000u / static_cast<unsigned>(plan.fps);
  message(named + " holds " + written + ", as much as " + why + " allows; the rest was not " +
          "captured" + besides + ". For all of it: a smaller --scale or --quality, an .mkv on " +
          "another volume, or the rest with --start " + std::to_string(reachedMs));
  return failedExit;
}

} // namespace

int runCapture(const CaptureArguments& arguments) {
  const StopSignals signals;
  // Past the file size limit a write fails with EFBIG instead of killing us.
  std::signal(SIGXFSZ, SIG_IGN);
  // The show's own music must be what the show itself plays.
  if (arguments.musicPath.empty() && !musicReadable(findDataFile(musicFileName)))
    return failedExit;
  std::string problem;
  const auto music = loadRunMusic(arguments, problem);
  if (!music) {
    message(problem + "; nothing written");
    return failedExit;
  }
  message(fitLine(music->path, *music->track, music->fit, arguments.fit));

  const CapturePlan plan = capturePlanFor(music->span, outputFrequency);
  VideoSettings settings = arguments.video;
  settings.sampleRate = static_cast<int>(outputFrequency);
  OutputRules rules;
  rules.replace = arguments.force;
  rules.inputs = {music->path};
  rules.tag = "capture";
  try {
    OutputFile output(arguments.outputPath, rules);
    VideoFile video(output.writePath(), settings);
    std::string ceilingWhy;
    GuardedSink sink(video, fileSizeCeiling(output.writePath(), ceilingWhy));
    CaptureSession session(plan, sink);
    session.setTrack(music->track, static_cast<float>(music->gain));
    ProgressLine progress(stderr, isatty(STDERR_FILENO) != 0, plan.frameCount);
    session.setFrameListener([&progress](std::uint64_t done) { progress.update(done); });
    {
      const RunningSession running(session);
      runShow(nullptr, plan.firstFrame);
    }
    progress.end();

    if (!sink.failure().empty()) {
      message("cannot write the video: " + sink.failure() + "; nothing written");
      return failedExit;
    }
    if (!session.musicAttached()) {
      message("the show could not open its music; nothing written");
      return failedExit;
    }
    const int signal = stopSignal.load();
    if (sink.full() && video.framesWritten() > 0)
      return keepUpToTheCeiling(plan, video, output, arguments.outputPath, ceilingWhy);
    if (sink.full()) {
      message("not one frame fits in what " + ceilingWhy + " allows; nothing written");
      return failedExit;
    }
    if (session.framesPresented() == 0 && signal != 0) {
      message(std::string("stopped by ") + signalName(signal) +
              " before the first frame; nothing written");
      return signalExitBase + signal;
    }
    if (session.framesPresented() == 0 ||
        (session.framesPresented() < plan.frameCount && signal == 0)) {
      message("the show ended before the capture was complete; nothing written");
      return failedExit;
    }
    video.finish();
    const std::string written = summary(plan, session.framesPresented(), video.bytesWritten());
    try {
      output.commit();
    } catch (const OutputFileError& error) {
      // The video is complete: it is never thrown away for want of its name.
      const std::string kept = output.keep();
      message(std::string(error.what()) +
              (kept.empty() ? "" : "; the capture is kept as " + kept + ": " + written));
      return failedExit;
    }
    if (signal != 0) {
      message(std::string("stopped by ") + signalName(signal) + "; " + arguments.outputPath +
              " holds what was captured: " + written);
      return signalExitBase + signal;
    }
    if (isatty(STDERR_FILENO) != 0)
      message("wrote " + arguments.outputPath + ": " + written);
    return 0;
  } catch (const OutputFileError& error) {
    message(error.what());
  } catch (const VideoFileError& error) {
    message(std::string("cannot write the video: ") + error.what());
  }
  return failedExit;
}
