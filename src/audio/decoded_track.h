#pragma once
// A whole track decoded up front, as interleaved stereo floats at the show's
// rate: what the off-line programs play, measure and put in their videos.
// Decoded before anything is written, so a file changed or cut short
// meanwhile cannot change what a run plays.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DecodedTrack {
  std::uint32_t sampleRate = 0;
  std::vector<float> stereo;

  std::uint64_t frames() const { return stereo.size() / 2; }
};

// Tracks longer than this are refused: from their headers before decoding,
// or, without a length there, once the decode passes it.
inline constexpr double longestTrackSeconds = 3600.0;

// The track in the local file `path` (never a URL) at `sampleRate`, every
// layout mixed to stereo, no more than its first `keepFrames` frames kept,
// in memory bounded by them. Nothing, with `problem` set to a message that
// names the file, when it is missing, a folder, unreadable, empty, not sound
// the decoder knows, a format that reads other files (a playlist, a list of
// files), cut short of the length its headers give, changed while it was
// read, without a single decodable frame, or longer than longestTrackSeconds.
// Ogg Vorbis goes through the show's own decoder, for the very samples the
// live show plays, unless a chained file changes its layout, which that
// decoder does not follow; then every link is read.
std::optional<DecodedTrack> decodeTrack(const std::string& path, std::uint32_t sampleRate,
                                        std::uint64_t keepFrames, std::string& problem);
