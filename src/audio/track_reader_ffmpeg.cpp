// Tracks read with FFmpeg's libraries: whatever libavformat opens and
// libavcodec decodes, every link of a chained file, mixed to stereo and
// resampled by libswresample. A change of rate or layout within the file
// (a chained Ogg with different links) restarts the resampler after draining
// what it holds.
extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "audio/decoded_track.h"
#include "audio/ffmpeg_owners.h"
#include "audio/vorbis_loop_decoder.h"

namespace {

// Decoded length under this share of what the headers promise: the file was cut short.
constexpr double truncatedShare = 0.9;
// A few missing frames are a decoder's padding, not a cut.
constexpr double truncationSlackSeconds = 0.5;
constexpr int drainFrames = 4096;
constexpr const char* notSound =
    "not a sound file that can be read (MP3, FLAC, WAV, Opus, AAC, Ogg Vorbis, ...)";

std::string minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

// Turns decoded frames of any format, rate and layout into stereo floats.
class StereoConverter {
public:
  StereoConverter(DecodedTrack& track, std::uint64_t keepFrames)
      : track_(track), keepFrames_(keepFrames) {}

  bool add(const AVFrame& frame) {
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0)
      av_channel_layout_default(&layout,
                                frame.ch_layout.nb_channels > 0 ? frame.ch_layout.nb_channels : 1);
    else if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0)
      return false;
    const bool same = resampler_ && frame.format == format_ && frame.sample_rate == rate_ &&
                      av_channel_layout_compare(&layout, &layout_) == 0;
    if (!same) {
      drain();
      av_channel_layout_uninit(&layout_);
      layout_ = layout;
      format_ = frame.format;
      rate_ = frame.sample_rate;
      if (!open())
        return false;
    } else {
      av_channel_layout_uninit(&layout);
    }
    return convert(const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
  }

  // What the resampler still holds.
  void drain() {
    if (resampler_)
      while (convert(nullptr, 0) && lastOut_ > 0) {
      }
  }

  ~StereoConverter() { av_channel_layout_uninit(&layout_); }
  StereoConverter(const StereoConverter&) = delete;
  StereoConverter& operator=(const StereoConverter&) = delete;

private:
  bool open() {
    resampler_.reset();
    if (rate_ <= 0)
      return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, static_cast<int>(track_.sampleRate),
                            &layout_, static_cast<AVSampleFormat>(format_), rate_, 0, nullptr) < 0)
      return false;
    resampler_.reset(raw);
    return swr_init(resampler_.get()) >= 0;
  }

  bool convert(const std::uint8_t** in, int count) {
    lastOut_ = 0;
    const int room = swr_get_out_samples(resampler_.get(), count) + drainFrames;
    if (room <= 0)
      return true;
    const std::size_t start = track_.stereo.size();
    track_.stereo.resize(start + static_cast<std::size_t>(room) * 2);
    auto* out = reinterpret_cast<std::uint8_t*>(track_.stereo.data() + start);
    const int made = swr_convert(resampler_.get(), &out, room, in, count);
    track_.stereo.resize(start + static_cast<std::size_t>(made > 0 ? made : 0) * 2);
    if (track_.frames() > keepFrames_)
      track_.stereo.resize(keepFrames_ * 2);
    lastOut_ = made;
    return made >= 0;
  }

  DecodedTrack& track_;
  std::uint64_t keepFrames_;
  ffmpeg::Resampler resampler_;
  AVChannelLayout layout_{};
  int format_ = -1;
  int rate_ = 0;
  int lastOut_ = 0;
};

// Ogg Vorbis through the show's own decoder. Nothing when it cannot.
std::optional<DecodedTrack> decodeVorbis(const std::string& path, std::uint32_t sampleRate,
                                         std::uint64_t keepFrames, std::uint64_t expectedFrames) {
  DecoderError error = DecoderError::none;
  auto decoder = VorbisLoopDecoder::open(path.c_str(), sampleRate, error);
  if (!decoder)
    return std::nullopt;
  DecodedTrack track;
  track.sampleRate = sampleRate;
  track.stereo.reserve(static_cast<std::size_t>(expectedFrames) * 2);
  while (track.frames() < keepFrames) {
    const std::size_t start = track.stereo.size();
    track.stereo.resize(start + static_cast<std::size_t>(drainFrames) * 2);
    const std::size_t got =
        decoder->read(track.stereo.data() + start, static_cast<std::size_t>(drainFrames), false);
    track.stereo.resize(start + got * 2);
    if (got == 0)
      break;
  }
  if (track.frames() > keepFrames)
    track.stereo.resize(keepFrames * 2);
  if (track.frames() == 0 || decoder->stoppedAtLayoutChange())
    return std::nullopt;
  return track;
}

} // namespace

std::optional<DecodedTrack> decodeTrack(const std::string& path, std::uint32_t sampleRate,
                                        std::uint64_t keepFrames, std::string& problem) {
  const auto fail = [&problem, &path](const std::string& why) {
    problem = path + ": " + why;
    return std::nullopt;
  };
  struct stat status {};
  if (stat(path.c_str(), &status) != 0)
    return fail(std::string("cannot read it: ") + std::strerror(errno));
  if (S_ISDIR(status.st_mode))
    return fail("a folder, not a music file");
  if (!S_ISREG(status.st_mode))
    return fail("not a regular file");
  if (status.st_size == 0)
    return fail("the file is empty");
  if (FILE* probe = std::fopen(path.c_str(), "rb"))
    std::fclose(probe);
  else
    return fail(std::string("cannot read it: ") + std::strerror(errno));

  // Damaged or odd files are told about once, in the message below.
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* rawInput = nullptr;
  if (avformat_open_input(&rawInput, path.c_str(), nullptr, nullptr) < 0)
    return fail(notSound);
  const ffmpeg::Input input(rawInput);
  if (avformat_find_stream_info(input.get(), nullptr) < 0)
    return fail(notSound);
  const AVCodec* decoder = nullptr;
  const int streamIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (streamIndex < 0 || decoder == nullptr)
    return fail("holds no sound that can be decoded");
  const AVStream* stream = input->streams[streamIndex];
  // The headers' length: from the stream, else the container.
  double promised = 0.0;
  if (stream->duration > 0)
    promised = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
  else if (input->duration > 0)
    promised = static_cast<double>(input->duration) / AV_TIME_BASE;
  if (promised > longestTrackSeconds)
    return fail("the track is " + minutesAndSeconds(promised) + " long; tracks up to " +
                minutesAndSeconds(longestTrackSeconds) + " are taken");
  const auto cutShort = [&](double decodedSeconds, bool keptAll) {
    return keptAll && promised > 0.0 && decodedSeconds < promised * truncatedShare &&
           promised - decodedSeconds > truncationSlackSeconds;
  };
  const auto cutShortMessage = [&](double decodedSeconds) {
    return "the file is cut short: its sound ends after " + minutesAndSeconds(decodedSeconds) +
           " of the " + minutesAndSeconds(promised) + " its headers give";
  };
  // Room for what the headers promise, so that a long track is not copied as it grows.
  const std::uint64_t expectedFrames = std::min<std::uint64_t>(
      keepFrames, static_cast<std::uint64_t>(promised * sampleRate) + drainFrames);
  if (decoder->id == AV_CODEC_ID_VORBIS) {
    if (auto vorbis = decodeVorbis(path, sampleRate, keepFrames, expectedFrames)) {
      const double seconds = static_cast<double>(vorbis->frames()) / sampleRate;
      if (cutShort(seconds, vorbis->frames() < keepFrames))
        return fail(cutShortMessage(seconds));
      return vorbis;
    }
  }

  const ffmpeg::Codec codec(avcodec_alloc_context3(decoder));
  if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0 ||
      avcodec_open2(codec.get(), decoder, nullptr) < 0)
    return fail("its sound cannot be decoded");

  DecodedTrack track;
  track.sampleRate = sampleRate;
  track.stereo.reserve(static_cast<std::size_t>(expectedFrames) * 2);
  StereoConverter converter(track, keepFrames);
  const ffmpeg::Packet packet(av_packet_alloc());
  const ffmpeg::Frame frame(av_frame_alloc());
  if (!packet || !frame)
    return fail("out of memory");
  std::uint64_t sourceFrames = 0; // at the file's own rates, in seconds' worth below
  double decodedSeconds = 0.0;
  const auto receiveAll = [&]() {
    while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
      sourceFrames += static_cast<std::uint64_t>(frame->nb_samples);
      if (frame->sample_rate > 0)
        decodedSeconds += static_cast<double>(frame->nb_samples) / frame->sample_rate;
      const bool converted = converter.add(*frame);
      av_frame_unref(frame.get());
      if (!converted)
        return false;
    }
    return true;
  };
  while (track.frames() < keepFrames && av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == streamIndex) {
      // A damaged packet is skipped, as players do; what decodes is kept.
      if (avcodec_send_packet(codec.get(), packet.get()) >= 0 && !receiveAll()) {
        av_packet_unref(packet.get());
        return fail("its sound cannot be converted to stereo at the show's rate");
      }
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(codec.get(), nullptr);
  if (!receiveAll())
    return fail("its sound cannot be converted to stereo at the show's rate");
  converter.drain();
  if (sourceFrames == 0 || track.frames() == 0)
    return fail("holds no sound");
  if (cutShort(decodedSeconds, track.frames() < keepFrames))
    return fail(cutShortMessage(decodedSeconds));
  return track;
}
