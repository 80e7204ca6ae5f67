#pragma once
// The music read front to back without a sound device, looping at its end,
// for programs that render the show off line: the spectrum of the window
// ending at any position is that of the live layer (the same decoder, mono
// mix and transform), and every decoded frame can be passed on as it comes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "audio/decoded_track.h"
#include "audio/sample_history.h"
#include "audio/spectrum_analyser.h"
#include "audio/vorbis_loop_decoder.h"

class MusicTimeline {
public:
  // Interleaved stereo frames and the stream position of the first of them.
  using Listener =
      std::function<void(const float* stereo, std::size_t frames, std::uint64_t position)>;

  // Nothing, with `error` set, when the file cannot be read or decoded.
  static std::unique_ptr<MusicTimeline> open(const char* path, std::uint32_t sampleRate,
                                             DecoderError& error);
  // A track decoded up front, at its own rate, looping; every spectrum
  // magnitude multiplied by `gain` (none when it is 1).
  MusicTimeline(std::shared_ptr<const DecodedTrack> track, float gain);

  std::uint32_t sampleRate() const { return sampleRate_; }
  // Frames decoded so far; positions count on across loops.
  std::uint64_t position() const { return position_; }
  // Frames of one pass of the music where every pass gives exactly the
  // file's frames, else 0.
  std::uint64_t loopLength() { return track_ ? track_->frames() : decoder_->loopLength(); }

  // Decodes on until `end`, handing each chunk to the listener, if any.
  void decodeTo(std::uint64_t end);
  // Goes straight on to a later `position` without decoding what lies before
  // it, where the music's loop length is known exactly: what follows is what
  // decoding on would give, and frames before it read as silence. False, and
  // nothing changed, otherwise.
  bool skipTo(std::uint64_t position);
  void setListener(Listener listener) { listener_ = std::move(listener); }

  // 512 magnitudes of the 1024 frames ending just before `end`, decoding on
  // to it first; frames before the start count as silence. `end` must not
  // lie further back than the history reaches (a few thousand frames).
  void spectrumEnding(std::uint64_t end, float* magnitudes);

private:
  MusicTimeline(std::unique_ptr<VorbisLoopDecoder> decoder, std::uint32_t sampleRate);
  std::size_t read(float* out, std::size_t frames);

  std::unique_ptr<VorbisLoopDecoder> decoder_;   // or
  std::shared_ptr<const DecodedTrack> track_;     // with
  std::uint64_t trackPosition_ = 0;               // the next frame of it to play
  float gain_ = 1.0f;
  std::uint32_t sampleRate_;
  std::uint64_t position_ = 0;
  SampleHistory history_;
  SpectrumAnalyser analyser_;
  Listener listener_;
};

// The stream position of a moment `milliseconds` into the music.
constexpr std::uint64_t musicPositionAt(std::uint64_t milliseconds, std::uint32_t sampleRate) {
  return milliseconds * sampleRate / 1000;
}
