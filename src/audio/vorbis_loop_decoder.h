#pragma once
// Reads an Ogg Vorbis file as interleaved stereo float frames at the output
// rate, starting again at its beginning when asked to loop. Mono is doubled;
// other layouts and rates go through SDL's converter.

#include <SDL_audio.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>
#include <vorbis/vorbisfile.h>

#include "audio/decoder_error.h"
#include "audio/ogg_file_source.h"

class VorbisLoopDecoder {
public:
  // Nothing, with `error` set, when the file cannot be read or holds no
  // Vorbis stream the layer can play. Takes bounded time whatever follows
  // the music in the file.
  static std::unique_ptr<VorbisLoopDecoder> open(const char* path, std::uint32_t outputRate,
                                                 DecoderError& error);
  ~VorbisLoopDecoder();
  VorbisLoopDecoder(const VorbisLoopDecoder&) = delete;
  VorbisLoopDecoder& operator=(const VorbisLoopDecoder&) = delete;

  // Up to `frames` frames into `out`. Fewer only at the end of the file when
  // not looping (later calls with loop set start again), or when the data
  // turns out to hold nothing playable.
  std::size_t read(float* out, std::size_t frames, bool loop);

  // Frames of one pass when every pass gives exactly the file's frames (one
  // stream, read at its own rate and layout), else 0.
  std::uint64_t loopLength();
  // True once a chained file's link changed the layout or rate, where this
  // decoder stops.
  bool stoppedAtLayoutChange() const { return layoutChanged_; }
  // Goes on reading at `frame` of the pass; false when the file cannot seek there.
  bool seek(std::uint64_t frame);

private:
  VorbisLoopDecoder() = default;
  bool rewind();
  std::size_t drainConverter(float* out, std::size_t frames);
  // Frames decoded into the output or the converter; 0 at the end of the data.
  std::size_t decodeSome(float* out, std::size_t frames);

  std::unique_ptr<OggFileSource> source_; // outlives file_, which reads through it
  OggVorbis_File file_{};
  bool fileOpen_ = false;
  int channels_ = 0;
  long rate_ = 0;
  SDL_AudioStream* converter_ = nullptr;
  std::vector<float> scratch_;
  bool atEnd_ = false;      // end of the file reached, converter flushed
  bool unplayable_ = false; // a whole pass gave nothing
  bool layoutChanged_ = false;
  std::uint64_t framesThisPass_ = 0;
};
