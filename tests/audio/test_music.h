#pragma once
// Music files made by the tests themselves: tones, silence and broken files
// in a scratch folder that goes away with the fixture.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/show_timing.h"

// The show's own rate.
inline constexpr long testRate = outputFrequency;
inline constexpr std::size_t transformSize = 1024;

// Centre frequency of spectrum bin k.
constexpr double binFrequency(double k) {
  return k * testRate / transformSize;
}

// Interleaved stereo frames of a sine, the same on both channels.
std::vector<float> sineFrames(double frequency, double amplitude, std::size_t frames,
                              long rate = testRate);
std::vector<float> silentFrames(std::size_t frames);

class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path(const std::string& name) const;
  // Encodes the frames as Ogg Vorbis; returns the file's path.
  std::string writeOgg(const std::string& name, const std::vector<float>& frames, int channels = 2,
                       long rate = testRate, float quality = 0.4f) const;
  std::string writeBytes(const std::string& name, const std::string& bytes) const;
  std::string readBytes(const std::string& name) const;

private:
  std::filesystem::path root_;
};
