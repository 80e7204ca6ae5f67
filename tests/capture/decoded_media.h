#pragma once
// A media file decoded in full with libavformat and libavcodec, for checking
// what a capture wrote: the first video stream's pictures (kept as 32-bit
// x8r8g8b8 rows when asked) and the first audio stream as stereo floats.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedMedia {
  std::string videoCodec;
  std::string audioCodec;
  std::string pixelFormat;
  int width = 0;
  int height = 0;
  std::size_t pictureCount = 0;
  std::vector<std::vector<std::uint32_t>> pictures; // only when kept
  int sampleRate = 0;
  std::vector<float> sound; // interleaved stereo
};

// Throws std::runtime_error when the file does not open or decode.
// maxSoundFrames stops the audio early (0: all of it).
DecodedMedia decodeMedia(const std::string& path, bool keepPictures,
                         std::size_t maxSoundFrames = 0);
