#include "decoded_media.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

#include <memory>
#include <stdexcept>

#include "audio/ffmpeg_owners.h"

namespace {

void check(int code, const std::string& what) {
  if (code < 0) {
    throw std::runtime_error(what + ": " + ffmpeg::errorText(code));
  }
}

using ffmpeg::Codec;

Codec openDecoder(const AVStream* stream) {
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (decoder == nullptr)
    throw std::runtime_error("no decoder");
  Codec codec(avcodec_alloc_context3(decoder));
  check(avcodec_parameters_to_context(codec.get(), stream->codecpar), "decoder parameters");
  check(avcodec_open2(codec.get(), decoder, nullptr), "open decoder");
  return codec;
}

class Decoding {
public:
  Decoding(const std::string& path, bool keepPictures, std::size_t maxSoundFrames)
      : keepPictures_(keepPictures), maxSoundFrames_(maxSoundFrames) {
    AVFormatContext* raw = nullptr;
    check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "open " + path);
    input_.reset(raw);
    check(avformat_find_stream_info(input_.get(), nullptr), "stream info");
    videoIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    audioIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (videoIndex_ >= 0) {
      video_ = openDecoder(input_->streams[videoIndex_]);
      media_.videoCodec = avcodec_get_name(video_->codec_id);
    }
    if (audioIndex_ >= 0) {
      audio_ = openDecoder(input_->streams[audioIndex_]);
      media_.audioCodec = avcodec_get_name(audio_->codec_id);
      media_.sampleRate = audio_->sample_rate;
    }
  }

  DecodedMedia run() {
    ffmpeg::Packet packet(av_packet_alloc());
    while (av_read_frame(input_.get(), packet.get()) >= 0) {
      if (packet->stream_index == videoIndex_)
        decode(video_.get(), packet.get());
      else if (packet->stream_index == audioIndex_ && !soundFull())
        decode(audio_.get(), packet.get());
      av_packet_unref(packet.get());
    }
    if (video_)
      decode(video_.get(), nullptr);
    if (audio_ && !soundFull())
      decode(audio_.get(), nullptr);
    if (maxSoundFrames_ > 0 && media_.sound.size() > 2 * maxSoundFrames_)
      media_.sound.resize(2 * maxSoundFrames_);
    return std::move(media_);
  }

private:
  bool soundFull() const {
    return maxSoundFrames_ > 0 && media_.sound.size() >= 2 * maxSoundFrames_;
  }

  void decode(AVCodecContext* codec, const AVPacket* packet) {
    check(avcodec_send_packet(codec, packet), "decode");
    ffmpeg::Frame frame(av_frame_alloc());
    for (;;) {
      const int got = avcodec_receive_frame(codec, frame.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
        return;
      check(got, "decode");
      if (codec == video_.get())
        takePicture(*frame);
      else
        takeSound(*frame);
    }
  }

  void takePicture(const AVFrame& frame) {
    media_.width = frame.width;
    media_.height = frame.height;
    media_.pixelFormat = av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame.format));
    ++media_.pictureCount;
    if (!keepPictures_)
      return;
    if (!scaler_)
      scaler_.reset(sws_getContext(
          frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
          frame.height, AV_PIX_FMT_0RGB32, SWS_POINT, nullptr, nullptr, nullptr));
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(frame.width) *
                                       static_cast<std::size_t>(frame.height));
    std::uint8_t* rows[1] = {reinterpret_cast<std::uint8_t*>(picture.data())};
    const int strides[1] = {frame.width * 4};
    sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, rows, strides);
    for (std::uint32_t& pixel : picture)
      pixel &= 0x00FFFFFFu;
    media_.pictures.push_back(std::move(picture));
  }

  void takeSound(const AVFrame& frame) {
    if (!resampler_) {
      SwrContext* raw = nullptr;
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      AVChannelLayout layout{};
      check(av_channel_layout_copy(&layout, &frame.ch_layout), "layout");
      check(swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, frame.sample_rate,
                                &layout, static_cast<AVSampleFormat>(frame.format),
                                frame.sample_rate, 0, nullptr),
            "resampler");
      av_channel_layout_uninit(&layout);
      resampler_.reset(raw);
      check(swr_init(resampler_.get()), "resampler");
    }
    const std::size_t start = media_.sound.size();
    media_.sound.resize(start + 2 * static_cast<std::size_t>(frame.nb_samples));
    std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(media_.sound.data() + start)};
    const int got =
        swr_convert(resampler_.get(), out, frame.nb_samples,
                    const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
    check(got, "convert sound");
    media_.sound.resize(start + 2 * static_cast<std::size_t>(got));
  }

  bool keepPictures_;
  std::size_t maxSoundFrames_;
  ffmpeg::Input input_;
  int videoIndex_ = -1;
  int audioIndex_ = -1;
  Codec video_;
  Codec audio_;
  ffmpeg::Scaler scaler_;
  ffmpeg::Resampler resampler_;
  DecodedMedia media_;
};

} // namespace

DecodedMedia decodeMedia(const std::string& path, bool keepPictures, std::size_t maxSoundFrames) {
  return Decoding(path, keepPictures, maxSoundFrames).run();
}
