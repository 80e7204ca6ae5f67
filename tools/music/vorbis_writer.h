#pragma once
// Writes float audio to an Ogg Vorbis file with libvorbisenc, block by block.
// The same samples always give the same bytes: the stream serial is fixed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ogg/ogg.h>
#include <string>
#include <vector>
#include <vorbis/codec.h>

class VorbisWriter {
public:
  // Throws std::runtime_error when the file or the encoder cannot be set up.
  VorbisWriter(const std::string& path, int channels, long sampleRate, float quality);
  ~VorbisWriter();
  VorbisWriter(const VorbisWriter&) = delete;
  VorbisWriter& operator=(const VorbisWriter&) = delete;

  // Interleaved frames.
  void write(const float* frames, std::size_t count);
  // Ends the stream and closes the file; throws if anything failed to be written.
  void finish();

private:
  void drain();
  void writePage(const ogg_page& page);

  std::FILE* file_ = nullptr;
  int channels_;
  ogg_stream_state stream_{};
  ogg_page page_{};
  ogg_packet packet_{};
  vorbis_info info_{};
  vorbis_comment comment_{};
  vorbis_dsp_state dsp_{};
  vorbis_block block_{};
  bool finished_ = false;
  bool failed_ = false;
};

// The whole of `frames` (interleaved) as one file.
void writeVorbisFile(const std::string& path, const std::vector<float>& frames, int channels,
                     long sampleRate, float quality = 0.4f);
