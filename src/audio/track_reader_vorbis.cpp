// Tracks read where FFmpeg's libraries are not built: Ogg Vorbis alone,
// through the show's own decoder.
#include <cstdio>
#include <sys/stat.h>

#include "audio/decoded_track.h"
#include "audio/vorbis_loop_decoder.h"

namespace {

constexpr std::size_t chunkFrames = 4096;

} // namespace

std::optional<DecodedTrack> decodeTrack(const std::string& path, std::uint32_t sampleRate,
                                        std::uint64_t keepFrames, std::string& problem) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || (status.st_mode & S_IFMT) != S_IFREG) {
    problem = path + ": cannot read it";
    return std::nullopt;
  }
  DecoderError error = DecoderError::none;
  auto decoder = VorbisLoopDecoder::open(path.c_str(), sampleRate, error);
  if (!decoder) {
    problem = path + (error == DecoderError::file ? ": cannot read it" : ": not Ogg Vorbis music");
    return std::nullopt;
  }
  DecodedTrack track;
  track.sampleRate = sampleRate;
  while (track.frames() < keepFrames) {
    const std::size_t start = track.stereo.size();
    track.stereo.resize(start + chunkFrames * 2);
    const std::size_t got = decoder->read(track.stereo.data() + start, chunkFrames, false);
    track.stereo.resize(start + got * 2);
    if (got == 0)
      break;
  }
  if (track.frames() > keepFrames)
    track.stereo.resize(static_cast<std::size_t>(keepFrames) * 2);
  if (track.frames() == 0) {
    problem = path + ": holds no sound";
    return std::nullopt;
  }
  return track;
}
