#include "driver/show.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "audio/bass.h"
#include "display/ptc.h"
#include "driver/audio_error.h"
#include "driver/frame_loop.h"
#include "driver/setup_dialog.h"
#include "driver/show_options.h"
#include "effect/frame_composition.h"
#include "effect/pixel.h"
#include "platform/clock.h"
#include "platform/dialog_box.h"
#include "platform/foreground_window.h"
#include "platform/message_box.h"

EffectState showEffect;

namespace {

constexpr char showTitle[] = "velvetstaticfog_1";

// Runs from the opened console to the end of the frame loop. The display
// objects are declared in creation order so that they go in reverse.
void playShow(HSTREAM stream, std::uint64_t firstFrame) {
  ptc::Console console;
  ptc::Format format(pixelBits, redMask, greenMask, blueMask, alphaMask);
  console.option(showOptions.fullscreen ? "fullscreen output" : "windowed output");
  console.option("hide cursor");
  console.open(showTitle, frameWidth, frameHeight, format, 0);
  ptc::Surface surface(console.width(), console.height(), format);

  startAtFrame(showEffect, firstFrame);

  BASS_Start();
  BASS_StreamPlay(stream, FALSE, streamLoopFlag);
  const DWORD startTime = timeGetTime();

  switch (runFrameLoop(console, surface, stream, startTime, showEffect)) {
  case FrameLoopExit::escape:
  case FrameLoopExit::timeLimit:
    console.close();
    BASS_Stop();
    BASS_Free();
    break;
  case FrameLoopExit::keyPending:
    // Left as it is: the display objects go with this scope, audio with the process.
    break;
  }
}

// For failures other than the display's: a layer that cannot start a thread
// or get memory. The box puts its text on standard error before anything
// else; should the box itself then fail, that line is all there is.
void reportFailure(const char* what) {
  char text[300];
  std::snprintf(text, sizeof text, "The show cannot go on: %s", what);
  try {
    MessageBoxA(nullptr, text, "Error", MB_OK);
  } catch (...) {
  }
}

int runShowSteps(HINSTANCE instance, std::uint64_t firstFrame) {
  char musicFile[32];
  static_assert(sizeof musicFileName == sizeof musicFile);
  std::memcpy(musicFile, musicFileName, sizeof musicFile);

  loadImageBank(showEffect.imageBank);
  // The kernels are timed while the screen is still empty: a few milliseconds.
  setCompositionKernels(showEffect, CompositionKernels::best);

  if (BASS_GetVersion() != audioLayerVersion) {
    MessageBoxA(nullptr, "BASS version 1.7 was not loaded", "Incorrect BASS.DLL", MB_OK);
    return 0;
  }
  if (!BASS_Init(-1, outputFrequency, 0, GetForegroundWindow()))
    showAudioError("Can't initialize digital sound system");
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, musicFile, 0, 0, 0);

  if (DialogBoxParamA(instance, MAKEINTRESOURCEA(setupDialogId), nullptr, setupDialogProc, 0) == 0)
    return 1;

  if (!showOptions.sound)
    BASS_SetVolume(0);

  try {
    playShow(stream, firstFrame);
  } catch (const ptc::DynamicError& error) {
    error.report();
  }
  return 0;
}

} // namespace

int runShow(HINSTANCE instance, std::uint64_t firstFrame) {
  // Anything else ends the show like a display error, after the display
  // objects have gone with their scope.
  try {
    return runShowSteps(instance, firstFrame);
  } catch (const std::exception& error) {
    reportFailure(error.what());
  } catch (...) {
    reportFailure("unknown failure");
  }
  return 0;
}
