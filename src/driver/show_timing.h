#pragma once
// The show's running time, the frame rate it is made for and the rate its
// music is composed and played at: for the show and for every program that
// renders, captures or measures it.

#include "platform/win_types.h"

// Without loop the show stops after this.
inline constexpr DWORD showDuration = 573000; // ms
// The display refresh the show is made for; the captures' and reports' default.
inline constexpr int showFrameRate = 60;
// The rate the music is composed at, played and captured at.
inline constexpr DWORD outputFrequency = 44100;
