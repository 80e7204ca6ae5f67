#pragma once
// The viewer's own track on the page (bass_web.cpp): the page fills the
// buffer (vsfPageTrackBuffer), and the program, which knows the picture's
// scale, fits it and sets the spectrum's gain.

#include <cstdint>

#include "audio/decoded_track.h"

// The filled buffer as a track at `sampleRate`, handed over.
DecodedTrack takePageTrack(std::uint32_t sampleRate);
void setPageSpectrumGain(float gain);
