#include "onsets.h"

#include <cmath>

std::optional<SampleClock> fitSampleClock(const std::vector<SoundPacket>& packets,
                                          double settleSeconds) {
  if (packets.empty())
    return std::nullopt;
  const double from = packets.front().stamp + settleSeconds;
  // Centred sums keep the large sample indices and epoch stamps well conditioned.
  double count = 0.0, meanX = 0.0, meanY = 0.0;
  for (const SoundPacket& p : packets)
    if (p.stamp >= from) {
      count += 1.0;
      meanX += static_cast<double>(p.firstSample);
      meanY += p.stamp;
    }
  if (count < 2.0)
    return std::nullopt;
  meanX /= count;
  meanY /= count;
  double sxx = 0.0, sxy = 0.0;
  for (const SoundPacket& p : packets)
    if (p.stamp >= from) {
      const double dx = static_cast<double>(p.firstSample) - meanX;
      sxx += dx * dx;
      sxy += dx * (p.stamp - meanY);
    }
  if (sxx <= 0.0)
    return std::nullopt;
  const double slope = sxy / sxx;
  return SampleClock{meanY - slope * meanX, slope};
}

std::vector<std::uint64_t> soundOnsets(const std::vector<float>& levels, float threshold,
                                       std::uint64_t quietSamples) {
  std::vector<std::uint64_t> onsets;
  std::uint64_t quiet = 0;
  for (std::uint64_t i = 0; i < levels.size(); ++i) {
    if (levels[i] < threshold) {
      ++quiet;
      continue;
    }
    if (quiet >= quietSamples)
      onsets.push_back(i);
    quiet = 0;
  }
  return onsets;
}

std::vector<FlashOnset> flashOnsets(const std::vector<PictureFrame>& frames, int threshold,
                                    double quietSeconds) {
  std::vector<FlashOnset> onsets;
  std::optional<double> quietSince;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].brightest < threshold) {
      if (!quietSince)
        quietSince = frames[i].stamp;
      continue;
    }
    if (quietSince && i > 0 && frames[i - 1].stamp - *quietSince >= quietSeconds)
      onsets.push_back({frames[i].stamp, frames[i].stamp - frames[i - 1].stamp});
    quietSince.reset();
  }
  return onsets;
}

std::vector<BurstOffset> pairOnsets(const std::vector<double>& sounds,
                                    const std::vector<FlashOnset>& flashes, double window) {
  std::vector<BurstOffset> pairs;
  for (const double sound : sounds) {
    const FlashOnset* nearest = nullptr;
    for (const FlashOnset& flash : flashes)
      if (std::fabs(flash.stamp - sound) <= window &&
          (nearest == nullptr ||
           std::fabs(flash.stamp - sound) < std::fabs(nearest->stamp - sound)))
        nearest = &flash;
    if (nearest != nullptr)
      pairs.push_back({sound, nearest->stamp, nearest->gap});
  }
  return pairs;
}
