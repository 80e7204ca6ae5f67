#pragma once

#include <array>
#include <cstddef>

struct ColourFactors {
  float redFactor = 0.0f;
  float greenFactor = 0.0f;
  float blueFactor = 0.0f;
};

// The spectrum bins the factors read; bin k of the 1024-sample transform at
// the show's rate is about k x 43 Hz.
inline constexpr std::size_t deepBin = 1;       // every colour
inline constexpr std::size_t lowBin = 10;       // every colour
inline constexpr std::size_t lowMidBin = 20;    // green, half and half with lowBin
inline constexpr std::size_t redCutBin = 50;    // taken from red
inline constexpr std::size_t blueCutBin = 100;  // taken from blue
inline constexpr std::size_t greenCutBin = 150; // taken from green
inline constexpr std::size_t airBin = 500;      // every colour
inline constexpr std::array<std::size_t, 7> colourBins{
    deepBin, lowBin, lowMidBin, redCutBin, blueCutBin, greenCutBin, airBin};

// From 512 spectrum magnitudes (the bins above).
ColourFactors computeColourFactors(const float* spectrum);
