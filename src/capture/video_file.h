#pragma once
// The file a capture writes, through FFmpeg's libraries: H.264 (x264) with
// AAC in MP4 or Matroska, or, lossless, FFV1 with FLAC in Matroska.
// Frames come in as the show's 640 x 480 pixels and are scaled up by whole
// pixels; sound comes in as interleaved stereo floats at the music's rate.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "capture/frame_sink.h"
#include "driver/show_timing.h"

enum class Container { mp4, matroska };

struct VideoSettings {
  Container container = Container::mp4;
  bool lossless = false; // FFV1 + FLAC, Matroska only
  int scale = 2;         // every show pixel becomes a scale x scale block
  int fps = showFrameRate;
  int crf = 18;                     // x264's constant rate factor
  std::string preset = "ultrafast"; // x264's speed preset
  int sampleRate = static_cast<int>(outputFrequency);
};

// Carries FFmpeg's own error text.
class VideoFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class VideoFile : public FrameSink {
public:
  // Writes to `path`, which must exist (the caller creates it, so that it is
  // never someone else's file); its contents are replaced.
  VideoFile(const std::string& path, const VideoSettings& settings);
  ~VideoFile() override;
  VideoFile(const VideoFile&) = delete;
  VideoFile& operator=(const VideoFile&) = delete;

  void addFrame(const std::uint32_t* pixels) override;
  void addAudio(const float* stereo, std::size_t frames) override;
  // Drains the encoders and writes the container's index. Without it the
  // file is not playable.
  void finish();

  std::int64_t framesWritten() const;
  std::int64_t bytesWritten() const;
  // At most what finish() still adds: the pictures the encoder holds, the
  // sound after them and the container's index.
  std::int64_t bytesToFinish() const;

private:
  struct State;
  std::unique_ptr<State> state_;
};
