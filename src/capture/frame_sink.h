#pragma once
// Where the capture back ends hand what the show produces: each presented
// frame (640 x 480 pixels, 0x00RRGGBB, top byte ignored) and the music that
// goes with it (interleaved stereo floats).

#include <cstddef>
#include <cstdint>

class FrameSink {
public:
  virtual ~FrameSink() = default;
  virtual void addFrame(const std::uint32_t* pixels) = 0;
  virtual void addAudio(const float* stereo, std::size_t frames) = 0;
};
