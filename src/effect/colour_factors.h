#pragma once

struct ColourFactors {
  float redFactor = 0.0f;
  float greenFactor = 0.0f;
  float blueFactor = 0.0f;
};

// From 512 spectrum magnitudes (bins 1, 10, 20, 50, 100, 150 and 500).
ColourFactors computeColourFactors(const float* spectrum);
