#include "capture/capture_run.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "capture/capture_session.h"
#include "capture/output_file.h"
#include "capture/progress_line.h"
#include "capture/video_file.h"
#include "driver/show.h"

namespace {

constexpr int failedExit = 1;
constexpr int signalExitBase = 128;
constexpr double bitsPerByte = 8.0;

std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void message(const std::string& text) {
  std::fprintf(stderr, "velvetstaticfog-capture: %s\n", text.c_str());
}

extern "C" void onStopSignal(int signal) {
  stopSignal.store(signal, std::memory_order_relaxed);
  captureSession().requestStop();
}

// The first Ctrl-C finishes the file; a second one ends the process at once
// (SA_RESETHAND), leaving only the temporary file behind.
class StopSignals {
public:
  StopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerminate_);
  }
  ~StopSignals() {
    sigaction(SIGTERM, &previousTerminate_, nullptr);
    sigaction(SIGINT, &previousInterrupt_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

private:
  struct sigaction previousInterrupt_ {};
  struct sigaction previousTerminate_ {};
};

// The show opens its music by name, where the audio layer looks for it; a
// capture without it would be silent and colourless, so it is refused before
// anything is written.
bool musicReadable() {
  DecoderError error = DecoderError::none;
  const std::string path = findDataFile(musicFileName);
  if (MusicTimeline::open(path.c_str(), outputFrequency, error))
    return true;
  if (error == DecoderError::file)
    message(std::string("cannot read the music file ") + musicFileName +
            " in the current folder or the installed data folder");
  else
    message(std::string("the music file ") + musicFileName + " is not Ogg Vorbis music");
  return false;
}

const char* signalName(int signal) {
  return signal == SIGINT ? "Ctrl-C (SIGINT)" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

// Frames, length and bit rate of what was written.
std::string summary(const CapturePlan& plan, std::uint64_t frames, std::int64_t bytes) {
  const double seconds = static_cast<double>(frames) / plan.fps;
  const double megabits = static_cast<double>(bytes) * bitsPerByte / 1e6;
  char text[160];
  std::snprintf(text, sizeof text, "%llu frames (%.2f s), %.1f MB, %.1f Mbit/s",
                static_cast<unsigned long long>(frames), seconds, static_cast<double>(bytes) / 1e6,
                seconds > 0.0 ? megabits / seconds : 0.0);
  return text;
}

} // namespace

int runCapture(const CaptureArguments& arguments) {
  if (!musicReadable())
    return failedExit;

  const CapturePlan plan = capturePlanFor(arguments, outputFrequency);
  VideoSettings settings = arguments.video;
  settings.sampleRate = static_cast<int>(outputFrequency);
  try {
    OutputFile output(arguments.outputPath, arguments.force);
    VideoFile video(output.temporaryPath(), settings);
    CaptureSession session(plan, video, showEffect.randomState);
    ProgressLine progress(stderr, isatty(STDERR_FILENO) != 0, plan.frameCount);
    session.setFrameListener([&progress](std::uint64_t done) { progress.update(done); });

    setCaptureSession(&session);
    stopSignal.store(0);
    {
      const StopSignals signals;
      runShow(nullptr);
    }
    progress.end();
    setCaptureSession(nullptr);

    if (!session.musicAttached()) {
      message("the show could not open its music; nothing written");
      return failedExit;
    }
    if (session.framesPresented() == 0 && session.stopRequested()) {
      message(std::string("stopped by ") + signalName(stopSignal.load()) +
              " before the first frame; nothing written");
      return signalExitBase + stopSignal.load();
    }
    if (session.framesPresented() == 0 ||
        (session.framesPresented() < plan.frameCount && !session.stopRequested())) {
      message("the show ended before the capture was complete; nothing written");
      return failedExit;
    }
    video.finish();
    output.commit();
    const std::string written = summary(plan, session.framesPresented(), video.bytesWritten());
    if (const int signal = stopSignal.load(); signal != 0) {
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
  setCaptureSession(nullptr);
  return failedExit;
}
