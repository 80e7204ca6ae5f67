#pragma once
// Owners of FFmpeg's objects, each released by the call FFmpeg pairs with its
// allocation, and FFmpeg's own text for an error code. For the tools' track
// reader, the capture's encoder and whatever reads its files back.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace ffmpeg {

struct OutputDeleter {
  // A file being written: its output closed first, if it was opened.
  void operator()(AVFormatContext* format) const {
    if (format->pb != nullptr)
      avio_closep(&format->pb);
    avformat_free_context(format);
  }
};
struct InputDeleter {
  void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
};
struct CodecDeleter {
  void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct ResamplerDeleter {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct FifoDeleter {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct DictionaryDeleter {
  void operator()(AVDictionary* options) const { av_dict_free(&options); }
};

using Output = std::unique_ptr<AVFormatContext, OutputDeleter>;
using Input = std::unique_ptr<AVFormatContext, InputDeleter>;
using Codec = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Scaler = std::unique_ptr<SwsContext, ScalerDeleter>;
using Resampler = std::unique_ptr<SwrContext, ResamplerDeleter>;
using Fifo = std::unique_ptr<AVAudioFifo, FifoDeleter>;
using Dictionary = std::unique_ptr<AVDictionary, DictionaryDeleter>;

inline std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

} // namespace ffmpeg
