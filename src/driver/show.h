#pragma once

#include "driver/show_timing.h"
#include "effect/effect_state.h"
#include "platform/win_types.h"

// Looked up in the current directory.
inline constexpr char musicFileName[] = "qx-731_030321_4_tessellated.ogg";

// The show's effect: its pictures, noise, generator, factors and counters.
extern EffectState showEffect;

// The whole show: loads the pictures, sets up audio, asks for the options,
// opens the console and runs the frames. Returns the process exit code:
// 1 when the setup dialog is cancelled, 0 otherwise.
int runShow(HINSTANCE instance);
