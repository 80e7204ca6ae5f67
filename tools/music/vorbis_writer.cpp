#include "music/vorbis_writer.h"

#include <algorithm>
#include <stdexcept>
#include <vorbis/vorbisenc.h>

namespace {

constexpr int streamSerial = 0x7a11;
constexpr std::size_t blockFrames = 4096;

} // namespace

VorbisWriter::VorbisWriter(const std::string& path, int channels, long sampleRate, float quality)
    : channels_(channels) {
  vorbis_info_init(&info_);
  if (vorbis_encode_init_vbr(&info_, channels, sampleRate, quality) != 0) {
    vorbis_info_clear(&info_);
    throw std::runtime_error("vorbis encoder refused the format");
  }
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    vorbis_info_clear(&info_);
    throw std::runtime_error("cannot write " + path);
  }
  vorbis_comment_init(&comment_);
  vorbis_analysis_init(&dsp_, &info_);
  vorbis_block_init(&dsp_, &block_);
  ogg_stream_init(&stream_, streamSerial);

  ogg_packet header{};
  ogg_packet comments{};
  ogg_packet codebooks{};
  vorbis_analysis_headerout(&dsp_, &comment_, &header, &comments, &codebooks);
  ogg_stream_packetin(&stream_, &header);
  ogg_stream_packetin(&stream_, &comments);
  ogg_stream_packetin(&stream_, &codebooks);
  // The headers end a page of their own, so audio starts on a fresh one.
  while (ogg_stream_flush(&stream_, &page_) != 0)
    writePage(page_);
}

VorbisWriter::~VorbisWriter() {
  ogg_stream_clear(&stream_);
  vorbis_block_clear(&block_);
  vorbis_dsp_clear(&dsp_);
  vorbis_comment_clear(&comment_);
  vorbis_info_clear(&info_);
  if (file_ != nullptr)
    std::fclose(file_);
}

void VorbisWriter::write(const float* frames, std::size_t count) {
  const auto channels = static_cast<std::size_t>(channels_);
  while (count > 0) {
    const std::size_t n = std::min(count, blockFrames);
    float** buffer = vorbis_analysis_buffer(&dsp_, static_cast<int>(n));
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t c = 0; c < channels; ++c)
        buffer[c][i] = frames[i * channels + c];
    vorbis_analysis_wrote(&dsp_, static_cast<int>(n));
    drain();
    frames += n * channels;
    count -= n;
  }
}

void VorbisWriter::finish() {
  if (finished_)
    return;
  finished_ = true;
  vorbis_analysis_wrote(&dsp_, 0);
  drain();
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0 || failed_)
    throw std::runtime_error("writing the Ogg file failed");
}

void VorbisWriter::drain() {
  while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
    vorbis_analysis(&block_, nullptr);
    vorbis_bitrate_addblock(&block_);
    while (vorbis_bitrate_flushpacket(&dsp_, &packet_) != 0) {
      ogg_stream_packetin(&stream_, &packet_);
      while (ogg_stream_pageout(&stream_, &page_) != 0)
        writePage(page_);
    }
  }
  if (finished_)
    while (ogg_stream_flush(&stream_, &page_) != 0)
      writePage(page_);
}

void VorbisWriter::writePage(const ogg_page& page) {
  const auto header = static_cast<std::size_t>(page.header_len);
  const auto body = static_cast<std::size_t>(page.body_len);
  if (std::fwrite(page.header, 1, header, file_) != header ||
      std::fwrite(page.body, 1, body, file_) != body)
    failed_ = true;
}

void writeVorbisFile(const std::string& path, const std::vector<float>& frames, int channels,
                     long sampleRate, float quality) {
  VorbisWriter writer(path, channels, sampleRate, quality);
  writer.write(frames.data(), frames.size() / static_cast<std::size_t>(channels));
  writer.finish();
}
