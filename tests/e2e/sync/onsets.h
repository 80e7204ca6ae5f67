#pragma once
// Burst onsets in a capture of the show: where the sound of a burst starts in
// the sink's monitor and where the picture first lights up for it, both on the
// capture's one clock, and how far apart they are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A block of captured sound: its first sample's index in the capture and the
// time stamp the capture gave it, in seconds.
struct SoundPacket {
  std::uint64_t firstSample = 0;
  double stamp = 0.0;
};

// time = offset + secondsPerSample * sample index.
struct SampleClock {
  double offset = 0.0;
  double secondsPerSample = 0.0;
  double timeOf(double sample) const { return offset + secondsPerSample * sample; }
};

// The least-squares line through the packets stamped from `settleSeconds`
// after the first one on: the sound card's clock runs at its own rate, and the
// first stamps scatter while the capture settles. Nothing with fewer than two
// packets left.
std::optional<SampleClock> fitSampleClock(const std::vector<SoundPacket>& packets,
                                          double settleSeconds);

// Indices of the samples where the level first reaches `threshold` after at
// least `quietSamples` samples below it. `levels` holds one value a sample.
std::vector<std::uint64_t> soundOnsets(const std::vector<float>& levels, float threshold,
                                       std::uint64_t quietSamples);

// One grabbed picture: its time stamp and its brightest channel value.
struct PictureFrame {
  double stamp = 0.0;
  int brightest = 0;
};

struct FlashOnset {
  double stamp = 0.0; // the first frame that shows the flash
  double gap = 0.0;   // since the frame before it: how late the flash may have been seen
};

// Frames that reach `threshold` after at least `quietSeconds` of frames below it.
std::vector<FlashOnset> flashOnsets(const std::vector<PictureFrame>& frames, int threshold,
                                    double quietSeconds);

struct BurstOffset {
  double sound = 0.0;   // onset time of the burst's sound
  double picture = 0.0; // onset time of its flash
  double gap = 0.0;     // of the flash frame, as in FlashOnset
  double offset() const { return picture - sound; }
};

// Each sound onset with the flash nearest to it within `window` seconds;
// sound onsets without one are left out.
std::vector<BurstOffset> pairOnsets(const std::vector<double>& sounds,
                                    const std::vector<FlashOnset>& flashes, double window);
