// Provides: one video and one audio stream, encoder set-up by settings,
// nearest-neighbour scaling and colour conversion (libswscale), sample
// format conversion (libswresample) and interleaved muxing (libavformat).
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "audio/ffmpeg_owners.h"
#include "capture/video_file.h"
#include "effect/pixel.h"

#include <algorithm>

namespace {

// Enough for the noise at CRF 18 not to be starved of bits by the music.
constexpr std::int64_t aacBitRate = 256000;
// Matroska's clusters: smaller than its default, so that a capture near its
// file size limit knows what it has written.
constexpr std::int64_t clusterBytes = std::int64_t{512} * 1024;
// FLAC at 24 bits keeps the decoded floats to within 2^-23.
constexpr int flacBits = 24;
constexpr int fallbackAudioFrame = 4096;
constexpr int sourceStride = frameWidth * 4;

[[noreturn]] void fail(const std::string& what, int code) {
  throw VideoFileError(what + ": " + ffmpeg::errorText(code));
}

int check(int code, const char* what) {
  if (code < 0)
    fail(what, code);
  return code;
}

template <typename T> T* need(T* object, const char* what) {
  if (object == nullptr)
    throw VideoFileError(std::string("cannot ") + what);
  return object;
}

const char* containerName(Container container) {
  return container == Container::mp4 ? "mp4" : "matroska";
}

} // namespace

// Declared in start-up order, so they go in reverse: encoders and converters
// before the file they write to.
struct VideoFile::State {
  ffmpeg::Output output;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  ffmpeg::Codec video;
  ffmpeg::Codec audio;
  ffmpeg::Scaler scaler;
  ffmpeg::Resampler resampler;
  ffmpeg::Fifo pendingSound;
  ffmpeg::Frame picture;
  ffmpeg::Frame sound;
  ffmpeg::Frame converted;
  ffmpeg::Packet packet;
  int audioFrameSize = 0;
  std::int64_t nextPicture = 0;
  std::int64_t nextSample = 0;
  bool finished = false;
  std::int64_t finalSize = 0;
  std::int64_t picturesStored = 0; // pictures out of the encoder and in the file
  std::int64_t packetsStored = 0;
  std::int64_t largestPacket = 0;
  std::int64_t heldInMemory = 0; // what the muxer may keep before writing it

  void openOutput(const std::string& path, const VideoSettings& settings);
  void openVideo(const VideoSettings& settings);
  void openAudio(const VideoSettings& settings);
  void encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
  void encodeSound(int samples);
};

void VideoFile::State::openOutput(const std::string& path, const VideoSettings& settings) {
  AVFormatContext* format = nullptr;
  check(avformat_alloc_output_context2(&format, nullptr, containerName(settings.container),
                                       path.c_str()),
        "cannot set up the container");
  output.reset(format);
}

void VideoFile::State::openVideo(const VideoSettings& settings) {
  const AVCodec* encoder = settings.lossless ? avcodec_find_encoder(AV_CODEC_ID_FFV1)
                                             : avcodec_find_encoder_by_name("libx264");
  need(encoder, settings.lossless ? "find the FFV1 encoder" : "find the x264 encoder");
  video.reset(need(avcodec_alloc_context3(encoder), "allocate the video encoder"));
  AVCodecContext& codec = *video;
  codec.width = frameWidth * settings.scale;
  codec.height = frameHeight * settings.scale;
  codec.time_base = AVRational{1, settings.fps};
  codec.framerate = AVRational{settings.fps, 1};
  codec.sample_aspect_ratio = AVRational{1, 1};
  codec.thread_count = 0; // as many as the encoder can use
  if (output->oformat->flags & AVFMT_GLOBALHEADER)
    codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* rawOptions = nullptr;
  if (settings.lossless) {
    // The show's own byte order (blue first in memory, top byte unused) is
    // one FFV1 codes directly, so nothing is converted.
    codec.pix_fmt = AV_PIX_FMT_0RGB32;
    codec.colorspace = AVCOL_SPC_RGB;
    av_dict_set(&rawOptions, "level", "3", 0); // level 3 codes slices in parallel
    av_dict_set(&rawOptions, "slicecrc", "1", 0);
  } else {
    // 4:2:0 for players; at even scales every chroma sample covers exactly
    // one show pixel, so colours do not bleed between neighbours.
    codec.pix_fmt = AV_PIX_FMT_YUV420P;
    codec.colorspace = AVCOL_SPC_BT709;
    codec.color_primaries = AVCOL_PRI_BT709;
    codec.color_trc = AVCOL_TRC_BT709;
    codec.color_range = AVCOL_RANGE_MPEG;
    av_dict_set(&rawOptions, "preset", settings.preset.c_str(), 0);
    av_dict_set(&rawOptions, "crf", std::to_string(settings.crf).c_str(), 0);
  }
  ffmpeg::Dictionary options(rawOptions);
  AVDictionary* passed = options.release();
  const int opened = avcodec_open2(&codec, encoder, &passed);
  options.reset(passed);
  check(opened, "cannot open the video encoder");

  videoStream = need(avformat_new_stream(output.get(), nullptr), "add the video stream");
  videoStream->time_base = codec.time_base;
  videoStream->avg_frame_rate = codec.framerate;
  check(avcodec_parameters_from_context(videoStream->codecpar, &codec),
        "cannot describe the video stream");

  scaler.reset(
      need(sws_getContext(frameWidth, frameHeight, AV_PIX_FMT_0RGB32, codec.width, codec.height,
                          codec.pix_fmt, SWS_POINT, nullptr, nullptr, nullptr),
           "set up the scaler"));
  if (!settings.lossless) {
    // Full-range RGB in, video-range BT.709 out, as tagged above.
    check(sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                   sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16),
          "cannot set the colour conversion");
  }

  picture.reset(need(av_frame_alloc(), "allocate a picture"));
  picture->format = codec.pix_fmt;
  picture->width = codec.width;
  picture->height = codec.height;
  check(av_frame_get_buffer(picture.get(), 0), "cannot allocate a picture");
}

void VideoFile::State::openAudio(const VideoSettings& settings) {
  const AVCodec* encoder =
      avcodec_find_encoder(settings.lossless ? AV_CODEC_ID_FLAC : AV_CODEC_ID_AAC);
  need(encoder, settings.lossless ? "find the FLAC encoder" : "find the AAC encoder");
  audio.reset(need(avcodec_alloc_context3(encoder), "allocate the audio encoder"));
  AVCodecContext& codec = *audio;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO; // not const: swr_alloc_set_opts2 takes it so
  check(av_channel_layout_copy(&codec.ch_layout, &stereo), "cannot set the channel layout");
  codec.sample_rate = settings.sampleRate;
  codec.time_base = AVRational{1, settings.sampleRate};
  if (settings.lossless) {
    codec.sample_fmt = AV_SAMPLE_FMT_S32;
    codec.bits_per_raw_sample = flacBits;
  } else {
    codec.sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec.bit_rate = aacBitRate;
  }
  if (output->oformat->flags & AVFMT_GLOBALHEADER)
    codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  check(avcodec_open2(&codec, encoder, nullptr), "cannot open the audio encoder");
  audioFrameSize = codec.frame_size > 0 ? codec.frame_size : fallbackAudioFrame;

  audioStream = need(avformat_new_stream(output.get(), nullptr), "add the audio stream");
  audioStream->time_base = codec.time_base;
  check(avcodec_parameters_from_context(audioStream->codecpar, &codec),
        "cannot describe the audio stream");

  SwrContext* rawResampler = nullptr;
  check(swr_alloc_set_opts2(&rawResampler, &codec.ch_layout, codec.sample_fmt, codec.sample_rate,
                            &stereo, AV_SAMPLE_FMT_FLT, settings.sampleRate, 0, nullptr),
        "cannot set up the sample converter");
  resampler.reset(rawResampler);
  check(swr_init(resampler.get()), "cannot set up the sample converter");
  pendingSound.reset(need(av_audio_fifo_alloc(codec.sample_fmt, stereo.nb_channels, audioFrameSize),
                          "allocate the sound queue"));

  sound.reset(need(av_frame_alloc(), "allocate a sound frame"));
  sound->format = codec.sample_fmt;
  sound->nb_samples = audioFrameSize;
  sound->sample_rate = codec.sample_rate;
  check(av_channel_layout_copy(&sound->ch_layout, &codec.ch_layout), "cannot set the layout");
  check(av_frame_get_buffer(sound.get(), 0), "cannot allocate a sound frame");

  converted.reset(need(av_frame_alloc(), "allocate a sound frame"));
  converted->format = codec.sample_fmt;
  converted->sample_rate = codec.sample_rate;
  check(av_channel_layout_copy(&converted->ch_layout, &codec.ch_layout), "cannot set the layout");
}

// Sends one frame (nothing drains the encoder) and writes every packet it gives back.
// NOLINTNEXTLINE(readability-make-member-function-const): it writes through the packet it holds.
void VideoFile::State::encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
  check(avcodec_send_frame(codec, frame), "cannot encode");
  for (;;) {
    const int received = avcodec_receive_packet(codec, packet.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
      return;
    check(received, "cannot encode");
    av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    largestPacket = std::max<std::int64_t>(largestPacket, packet->size);
    check(av_interleaved_write_frame(output.get(), packet.get()), "cannot write the file");
    ++packetsStored;
    if (stream == videoStream)
      ++picturesStored;
  }
}

void VideoFile::State::encodeSound(int samples) {
  check(av_frame_make_writable(sound.get()), "cannot allocate a sound frame");
  sound->nb_samples = samples;
  if (av_audio_fifo_read(pendingSound.get(), reinterpret_cast<void**>(sound->data), samples) !=
      samples)
    throw VideoFileError("cannot read the sound queue");
  sound->pts = nextSample;
  nextSample += samples;
  encode(audio.get(), audioStream, sound.get());
}

VideoFile::VideoFile(const std::string& path, const VideoSettings& settings)
    : state_(std::make_unique<State>()) {
  // FFmpeg's own chatter is not for the user; its errors reach them through ours.
  av_log_set_level(AV_LOG_ERROR);
  if (settings.lossless && settings.container != Container::matroska)
    throw VideoFileError("lossless captures are written as Matroska");
  State& state = *state_;
  state.openOutput(path, settings);
  state.openVideo(settings);
  state.openAudio(settings);
  state.packet.reset(need(av_packet_alloc(), "allocate a packet"));
  check(avio_open(&state.output->pb, path.c_str(), AVIO_FLAG_WRITE),
        ("cannot open " + path).c_str());
  // Matroska holds a cluster in memory until it is complete: kept small, so
  // that what is not yet in the file stays small too.
  AVDictionary* rawOptions = nullptr;
  if (settings.container == Container::matroska) {
    av_dict_set(&rawOptions, "cluster_size_limit", std::to_string(clusterBytes).c_str(), 0);
    state.heldInMemory = clusterBytes;
  }
  ffmpeg::Dictionary options(rawOptions);
  AVDictionary* passed = options.release();
  const int written = avformat_write_header(state.output.get(), &passed);
  options.reset(passed);
  check(written, "cannot write the file's header");
}

VideoFile::~VideoFile() = default;

void VideoFile::addFrame(const std::uint32_t* pixels) {
  State& state = *state_;
  check(av_frame_make_writable(state.picture.get()), "cannot allocate a picture");
  const auto* source = reinterpret_cast<const std::uint8_t*>(pixels);
  sws_scale(state.scaler.get(), &source, &sourceStride, 0, frameHeight, state.picture->data,
            state.picture->linesize);
  state.picture->pts = state.nextPicture++;
  state.encode(state.video.get(), state.videoStream, state.picture.get());
}

void VideoFile::addAudio(const float* stereo, std::size_t frames) {
  State& state = *state_;
  if (frames == 0)
    return;
  AVFrame& converted = *state.converted;
  av_frame_unref(&converted);
  converted.format = state.audio->sample_fmt;
  converted.sample_rate = state.audio->sample_rate;
  check(av_channel_layout_copy(&converted.ch_layout, &state.audio->ch_layout),
        "cannot set the layout");
  converted.nb_samples = static_cast<int>(frames);
  check(av_frame_get_buffer(&converted, 0), "cannot allocate a sound frame");
  const auto* input = reinterpret_cast<const std::uint8_t*>(stereo);
  const int got = check(swr_convert(state.resampler.get(), converted.data, converted.nb_samples,
                                    &input, static_cast<int>(frames)),
                        "cannot convert the sound");
  if (av_audio_fifo_write(state.pendingSound.get(), reinterpret_cast<void**>(converted.data),
                          got) != got)
    throw VideoFileError("cannot queue the sound");
  while (av_audio_fifo_size(state.pendingSound.get()) >= state.audioFrameSize)
    state.encodeSound(state.audioFrameSize);
}

void VideoFile::finish() {
  State& state = *state_;
  if (state.finished)
    return;
  state.finished = true;
  const int left = av_audio_fifo_size(state.pendingSound.get());
  if (left > 0)
    state.encodeSound(left);
  state.encode(state.audio.get(), state.audioStream, nullptr);
  state.encode(state.video.get(), state.videoStream, nullptr);
  check(av_write_trailer(state.output.get()), "cannot finish the file");
  state.finalSize = avio_tell(state.output->pb);
  check(avio_closep(&state.output->pb), "cannot close the file");
}

std::int64_t VideoFile::framesWritten() const {
  return state_->nextPicture;
}

std::int64_t VideoFile::bytesToFinish() const {
  const State& state = *state_;
  // Each packet costs the index a few dozen bytes at most (sizes, offsets,
  // times, cues); the encoder may still hold a lookahead's worth of pictures.
  constexpr std::int64_t indexBytesPerPacket = 48;
  constexpr std::int64_t indexBytesFixed = std::int64_t{64} * 1024;
  constexpr std::int64_t packetsInFlight = 4;
  const std::int64_t held = state.nextPicture - state.picturesStored + packetsInFlight;
  return state.heldInMemory + held * state.largestPacket +
         (state.packetsStored + 2 * held) * indexBytesPerPacket + indexBytesFixed;
}

std::int64_t VideoFile::bytesWritten() const {
  AVIOContext* io = state_->output->pb;
  return io != nullptr ? avio_tell(io) : state_->finalSize;
}
