#pragma once
// The files the frame tool takes instead of factors: a spectrum file of
// exactly 512 little-endian 32-bit floats, as the frame loop reads them from
// the audio layer, or the music itself.

#include <cstdint>
#include <optional>
#include <string>

#include "effect/colour_factors.h"

// The factors the frame loop forms from the file's spectrum. Anything but a
// regular file of exactly that size is refused without reading past it, with
// `problem` set to a short description.
std::optional<ColourFactors> readSpectrumFactors(const std::string& path, std::string& problem);

// The factors of the spectrum the show's audio layer reports `elapsed` ms into
// the music file (any track the capture takes), fitted as the capture fits it
// unless `fit` is false.
std::optional<ColourFactors> readMusicFactors(const std::string& path, std::uint32_t elapsed,
                                              bool fit, std::string& problem);
