#pragma once
// How light one composed frame looks, as a viewer's eye weighs it: Rec. 709
// luma (0..255) of the noise band and of the picture rows, and the band's
// mean colour, from the bytes the display shows (the top byte is not seen).

#include <cstdint>
#include <optional>

struct FrameLight {
  double band = 0.0;                         // the noise rows 102, 104, ..., 378
  double text = 0.0;                         // the picture rows 189, 191, ..., 267
  double red = 0.0, green = 0.0, blue = 0.0; // the band's mean colour
};

// pixels: 640 x 480, 0x00RRGGBB.
FrameLight measureFrame(const std::uint32_t* pixels);

// A colour's hue (0..360 degrees: red 0, green 120, blue 240) and chroma
// (the largest channel less the smallest, 0..255): how strongly the hue shows.
struct Tint {
  double hue = 0.0;
  double chroma = 0.0;
};
// Nothing for a grey, which has no hue.
std::optional<Tint> tintOf(double red, double green, double blue);
