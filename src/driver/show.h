#pragma once

#include <cstdint>

#include "driver/show_timing.h"
#include "effect/effect_state.h"
#include "platform/win_types.h"

// Looked up in the current directory.
inline constexpr char musicFileName[] = "qx-731_030321_4_tessellated.ogg";

// The show's effect: its pictures, noise, generator, factors and counters.
extern EffectState showEffect;

// The whole show: loads the pictures, sets up audio, asks for the options,
// opens the console and runs the frames. Returns the process exit code:
// 1 when the setup dialog is cancelled, 0 otherwise. From a `firstFrame`
// past 0 the frames are those of a run from that frame on; the clock must
// then read that frame's moment at the first frame (the capture's does).
int runShow(HINSTANCE instance, std::uint64_t firstFrame = 0);
