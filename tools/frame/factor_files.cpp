#include "factor_files.h"

#include "audio/decoded_track.h"
#include "audio/music_timeline.h"
#include "audio/spectrum_analyser.h"
#include "driver/show.h"
#include "driver/show_timing.h"
#include "effect/track_fit.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// A spectrum file holds what the analyser hands the effect, as float bytes.
constexpr std::size_t spectrumBins = SpectrumAnalyser::binCount;
constexpr std::size_t spectrumFileBytes = spectrumBins * sizeof(float);
constexpr std::uint64_t musicLead = 2 * SpectrumAnalyser::windowSize;

} // namespace

std::optional<ColourFactors> readSpectrumFactors(const std::string& path, std::string& problem) {
  // A folder, a device or a pipe would fail late, read forever or block.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::is_regular_file(status)) {
    problem = std::filesystem::exists(status) ? "the spectrum file " + path + " is not a file"
                                              : "cannot read the spectrum file " + path;
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  // One byte more than needed tells a long file from an exact one.
  std::array<char, spectrumFileBytes + 1> bytes{};
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.is_open() || file.bad()) {
    problem = "cannot read the spectrum file " + path;
    return std::nullopt;
  }
  if (file.gcount() != static_cast<std::streamsize>(spectrumFileBytes)) {
    problem = "the spectrum file must hold exactly 512 little-endian 32-bit floats";
    return std::nullopt;
  }
  std::array<float, spectrumBins> spectrum{};
  for (std::size_t bin = 0; bin < spectrumBins; ++bin) {
    std::uint32_t word = 0;
    for (std::size_t byte = 0; byte < 4; ++byte) {
      word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[bin * 4 + byte]))
              << (8 * byte);
    }
    // memcpy rather than std::bit_cast, which emscripten's C++ library lacks.
    std::memcpy(&spectrum[bin], &word, sizeof word);
  }
  return computeColourFactors(spectrum.data());
}

std::optional<ColourFactors> readMusicFactors(const std::string& path, std::uint32_t elapsed,
                                              bool fit, std::string& problem) {
  // The whole track, for the fit the capture makes too.
  auto decoded =
      decodeTrack(path, outputFrequency, musicPositionAt(showDuration, outputFrequency), problem);
  if (!decoded)
    return std::nullopt;
  const auto track = std::make_shared<const DecodedTrack>(std::move(*decoded));
  const float gain = fit ? static_cast<float>(fitTrack(*track).gain) : 1.0f;
  const auto music = std::make_unique<MusicTimeline>(track, gain);
  // The spectrum depends on the window before its end alone, and the music
  // loops: decoding starts a little before the window, wherever that falls.
  const std::uint64_t end = musicPositionAt(elapsed, outputFrequency);
  if (end > musicLead)
    music->skipTo(end - musicLead);
  std::array<float, spectrumBins> spectrum{};
  music->spectrumEnding(end, spectrum.data());
  return computeColourFactors(spectrum.data());
}
