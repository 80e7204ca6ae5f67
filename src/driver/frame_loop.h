#pragma once

#include "audio/bass.h"
#include "display/ptc.h"
#include "driver/show_timing.h"

struct EffectState;

enum class FrameLoopExit {
  escape,     // Escape read after a frame
  timeLimit,  // past the running time, without loop
  keyPending, // a key already waiting at the top of a frame
};

// Draws `effect`'s frames back to back until one of the three exits.
FrameLoopExit runFrameLoop(ptc::Console& console, ptc::Surface& surface, HSTREAM stream,
                           DWORD startTime, EffectState& effect);
