#include "test_music.h"

#include <atomic>
#include <cmath>
#include <fstream>
#include <numbers>
#include <unistd.h>

#include "music/vorbis_writer.h"

std::vector<float> sineFrames(double frequency, double amplitude, std::size_t frames, long rate) {
  std::vector<float> out(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    const double phase =
        2.0 * std::numbers::pi * frequency * static_cast<double>(i) / static_cast<double>(rate);
    out[2 * i] = out[2 * i + 1] = static_cast<float>(amplitude * std::sin(phase));
  }
  return out;
}

std::vector<float> silentFrames(std::size_t frames) {
  return std::vector<float>(frames * 2);
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> count{0};
  root_ = std::filesystem::temp_directory_path() /
          ("vsf-audio-" + std::to_string(getpid()) + "-" + std::to_string(count++));
  std::filesystem::create_directories(root_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string ScratchFolder::path(const std::string& name) const {
  return (root_ / name).string();
}

std::string ScratchFolder::writeOgg(const std::string& name, const std::vector<float>& frames,
                                    int channels, long rate, float quality) const {
  writeVorbisFile(path(name), frames, channels, rate, quality);
  return path(name);
}

std::string ScratchFolder::writeBytes(const std::string& name, const std::string& bytes) const {
  std::ofstream(path(name), std::ios::binary) << bytes;
  return path(name);
}

std::string ScratchFolder::readBytes(const std::string& name) const {
  std::string bytes(static_cast<std::size_t>(std::filesystem::file_size(path(name))), '\0');
  std::ifstream(path(name), std::ios::binary)
      .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}
