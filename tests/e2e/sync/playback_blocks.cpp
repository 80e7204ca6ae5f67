// playback_blocks RECORDING MUSIC RATE: whether a recording of a sound
// server's monitor is the music sample for sample. Both files are raw 32-bit
// float stereo at RATE. From a second after the recording's first sound, each
// 50 ms block is compared with the music where the first block was found; a
// block that differs is looked up again, and how far the music moved is a gap
// (or a repeat) a listener heard there. Prints one summary line:
//   blocks N differ D seconds S gaps [G ...]
// and exits 1 only when the files cannot be compared at all.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Far below anything audible, far above the rounding of two builds of the
// decoder and a server's 16-bit samples.
constexpr float tolerance = 1e-3f;
constexpr float soundLevel = 0.01f;
constexpr double blockSeconds = 0.05;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "playback_blocks: %s\n", what.c_str());
  std::exit(1);
}

std::vector<float> readFloats(const char* path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in)
    fail(std::string("cannot read ") + path);
  const auto bytes = static_cast<std::size_t>(in.tellg());
  std::vector<float> samples(bytes / (2 * sizeof(float)) * 2);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(samples.data()),
          static_cast<std::streamsize>(samples.size() * sizeof(float)));
  if (!in)
    fail(std::string("cannot read ") + path);
  return samples;
}

struct Stereo {
  const std::vector<float>& samples;
  std::size_t frames() const { return samples.size() / 2; }
  // Whether `length` frames from `at` equal `other`'s from `otherAt`.
  bool matches(std::size_t at, const Stereo& other, std::size_t otherAt,
               std::size_t length) const {
    if (at + length > frames() || otherAt + length > other.frames())
      return false;
    for (std::size_t i = 0; i < 2 * length; ++i)
      if (std::fabs(samples[2 * at + i] - other.samples[2 * otherAt + i]) > tolerance)
        return false;
    return true;
  }
};

// The music's frame whose next `length` frames are the recording's at `at`.
long findInMusic(const Stereo& recording, std::size_t at, const Stereo& music,
                 std::size_t length) {
  for (std::size_t start = 0; start + length <= music.frames(); ++start)
    if (recording.matches(at, music, start, length))
      return static_cast<long>(start);
  return -1;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4)
    fail("usage: playback_blocks RECORDING MUSIC RATE");
  const double rate = std::atof(argv[3]);
  if (rate < 8000)
    fail("bad rate");
  const std::vector<float> recordingSamples = readFloats(argv[1]);
  const std::vector<float> musicSamples = readFloats(argv[2]);
  const Stereo recording{recordingSamples};
  const Stereo music{musicSamples};

  std::size_t first = 0;
  while (first < recording.frames() && std::fabs(recording.samples[2 * first]) < soundLevel)
    ++first;
  first += static_cast<std::size_t>(rate);
  const auto block = static_cast<std::size_t>(std::lround(blockSeconds * rate));
  if (first + block > recording.frames())
    fail("the recording holds no sound");
  // Blocks before the first that is found in the music differ.
  std::size_t blocks = 0;
  std::size_t differing = 0;
  long start = -1;
  std::size_t at = first;
  for (; at + block <= recording.frames(); at += block, ++blocks, ++differing)
    if ((start = findInMusic(recording, at, music, block)) >= 0)
      break;
  if (start < 0)
    fail("the recording holds none of the music");
  long offset = start - static_cast<long>(at);

  std::string gaps;
  for (; at + block <= recording.frames(); at += block) {
    ++blocks;
    if (recording.matches(at, music, static_cast<std::size_t>(static_cast<long>(at) + offset),
                          block))
      continue;
    ++differing;
    const long found = findInMusic(recording, at + block, music, block);
    const long next = static_cast<long>(at + block);
    if (found >= 0 && found - next != offset) {
      char text[32];
      std::snprintf(text, sizeof text, " %.1f",
                    static_cast<double>(next + offset - found) / rate * 1000.0);
      gaps += text;
      offset = found - next;
    }
  }
  std::printf("blocks %zu differ %zu seconds %.1f gaps [%s ]\n", blocks, differing,
              static_cast<double>(recording.frames() - first) / rate, gaps.c_str());
  return 0;
}
