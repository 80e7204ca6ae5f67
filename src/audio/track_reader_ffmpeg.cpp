// Tracks read with FFmpeg's libraries: one local file, opened here and read
// through its descriptor, in any format libavformat reads as a single sound
// file and libavcodec decodes, every link of a chained file, mixed to stereo
// and resampled by libswresample. A change of rate or layout within the file
// (a chained Ogg with different links) restarts the resampler after draining
// what it holds.
extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

#include "audio/decoded_track.h"
#include "audio/ffmpeg_owners.h"
#include "audio/track_file.h"
#include "audio/vorbis_loop_decoder.h"

namespace {

// Decoded length under this share of what the headers promise: the file was cut short.
constexpr double truncatedShare = 0.9;
// A few missing frames are a decoder's padding, not a cut.
constexpr double truncationSlackSeconds = 0.5;
constexpr int drainFrames = 4096;
constexpr int pieceFrames = 1 << 16;
constexpr const char* notSound =
    "not a sound file that can be read (MP3, FLAC, WAV, Opus, AAC, Ogg Vorbis, ...)";
// Demuxers that read one sound file. Playlists (HLS, DASH), concatenation
// scripts, image sequences and the like read other files: a track is one file.
constexpr const char* singleFileFormats = "aac,ac3,aiff,amr,ape,asf,au,caf,dsf,dts,eac3,flac,"
                                          "matroska,mov,mp3,mpc,mpc8,ogg,shn,tak,tta,w64,wav,wv";
constexpr int ioBufferBytes = 1 << 16;
// How much of the file is looked at to tell its format.
constexpr unsigned probeBytes = 1 << 20;
// So much read without a decoded sample: zeros, or a damaged stretch, given up on.
constexpr std::uint64_t soundlessBytes = std::uint64_t{32} << 20;

std::string minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

std::string tooLong(double seconds) {
  return "the track is " + minutesAndSeconds(seconds) + " long; tracks up to " +
         minutesAndSeconds(longestTrackSeconds) + " are taken";
}

// Without a length in the headers: known only as the decode passes the limit.
std::string runsTooLong() {
  return "the track runs past " + minutesAndSeconds(longestTrackSeconds) +
         ", though its headers give no length; tracks up to " +
         minutesAndSeconds(longestTrackSeconds) + " are taken";
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
    // In pieces that give at most pieceFrames each: the resampler's own
    // buffers grow with what one call makes, and a file at 1 Hz makes 44 100
    // frames of every sample.
    const auto format = static_cast<AVSampleFormat>(format_);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int planes = planar ? layout_.nb_channels : 1;
    const int stride = av_get_bytes_per_sample(format) * (planar ? 1 : layout_.nb_channels);
    const int piece = static_cast<int>(std::clamp<std::int64_t>(
        std::int64_t{pieceFrames} * rate_ / track_.sampleRate, 1, frame.nb_samples));
    std::vector<const std::uint8_t*> parts(static_cast<std::size_t>(planes));
    for (int done = 0; done < frame.nb_samples && track_.frames() < keepFrames_; done += piece) {
      for (int plane = 0; plane < planes; ++plane)
        parts[static_cast<std::size_t>(plane)] =
            frame.extended_data[plane] + static_cast<std::ptrdiff_t>(done) * stride;
      if (!convert(parts.data(), std::min(piece, frame.nb_samples - done)))
        return false;
    }
    return true;
  }

  // What the resampler still holds.
  void drain() {
    if (resampler_)
      while (track_.frames() < keepFrames_ && convert(nullptr, 0) && lastOut_ > 0) {
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
    // No more room than what is kept: a file at 1 Hz would ask for 44 100
    // frames a sample. What does not fit stays in the resampler, unread.
    const std::uint64_t wanted =
        static_cast<std::uint64_t>(std::max(0, swr_get_out_samples(resampler_.get(), count))) +
        drainFrames;
    const std::uint64_t left = keepFrames_ > track_.frames() ? keepFrames_ - track_.frames() : 0;
    const int room = static_cast<int>(std::min<std::uint64_t>(wanted, left + drainFrames));
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

// The file as FFmpeg reads it: through the descriptor opened here, never by
// name, so FFmpeg's protocols (concat:, http:, ...) never see the name.
struct DescriptorReading {
  int descriptor = -1;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  std::uint64_t soundSeenAt = 0; // where the last sound was decoded
  bool soundless = false;        // reading stopped for want of sound
};

int readDescriptor(void* opaque, std::uint8_t* buffer, int size) {
  auto& reading = *static_cast<DescriptorReading*>(opaque);
  // Checked here, not between packets: a parser looking for a frame in
  // zeros reads on without returning one, growing its buffer as it goes.
  if (reading.position - std::min(reading.position, reading.soundSeenAt) > soundlessBytes) {
    reading.soundless = true;
    return AVERROR_EOF;
  }
  for (;;) {
    const ssize_t got = read(reading.descriptor, buffer, static_cast<std::size_t>(size));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return AVERROR(errno);
    if (got == 0)
      return AVERROR_EOF;
    reading.position += static_cast<std::uint64_t>(got);
    return static_cast<int>(got);
  }
}

std::int64_t seekDescriptor(void* opaque, std::int64_t offset, int whence) {
  auto& reading = *static_cast<DescriptorReading*>(opaque);
  if ((whence & AVSEEK_SIZE) != 0)
    return static_cast<std::int64_t>(reading.size);
  const off_t at = lseek(reading.descriptor, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  if (at < 0)
    return AVERROR(errno);
  reading.position = static_cast<std::uint64_t>(at);
  return at;
}

// Playlists and concatenation scripts open the files they name through this:
// a track is one file, and nothing else is opened.
int refuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

struct DescriptorIoDeleter {
  void operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};
using DescriptorIo = std::unique_ptr<AVIOContext, DescriptorIoDeleter>;

// A line on a terminal while a long read goes on: how much of the file is read.
class ReadingLine {
public:
  explicit ReadingLine(const std::string& path) : path_(path), shown_(isatty(STDERR_FILENO) != 0) {}
  ~ReadingLine() {
    if (drawn_)
      std::fputs("\r\033[K", stderr);
  }
  ReadingLine(const ReadingLine&) = delete;
  ReadingLine& operator=(const ReadingLine&) = delete;

  void update(std::uint64_t done, std::uint64_t total) {
    if (!shown_ || total == 0)
      return;
    const auto now = Clock::now();
    if (now - started_ < quietFor || (drawn_ && now - lastDrawn_ < redrawEvery))
      return;
    lastDrawn_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\r\033[Kreading %s: %.0f %% of %.1f MB", path_.c_str(),
                 100.0 * static_cast<double>(std::min(done, total)) / static_cast<double>(total),
                 static_cast<double>(total) / 1e6);
    std::fflush(stderr);
  }

private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto quietFor = std::chrono::seconds(1);
  static constexpr auto redrawEvery = std::chrono::milliseconds(250);

  std::string path_;
  bool shown_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastDrawn_{};
  bool drawn_ = false;
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
  std::string why;
  auto file = TrackFile::open(path, why);
  if (!file)
    return fail(why);
  const auto changed = [&] {
    return fail("the file changed while it was read; try again once it is complete");
  };

  // Damaged or odd files are told about once, in the message below.
  av_log_set_level(AV_LOG_ERROR);
  DescriptorReading reading{file->descriptor(), file->size(), 0};
  auto* buffer = static_cast<unsigned char*>(av_malloc(ioBufferBytes));
  if (buffer == nullptr)
    return fail("out of memory");
  const DescriptorIo io(avio_alloc_context(buffer, ioBufferBytes, 0, &reading, readDescriptor,
                                           nullptr, seekDescriptor));
  if (!io) {
    av_free(buffer);
    return fail("out of memory");
  }
  const AVInputFormat* format = nullptr;
  if (av_probe_input_buffer2(io.get(), &format, path.c_str(), nullptr, 0, probeBytes) < 0 ||
      format == nullptr)
    return fail(notSound);
  if (av_match_list(format->name, singleFileFormats, ',') <= 0)
    return fail(std::string(format->long_name) + " (" + format->name +
                ") is not taken: a track is one sound file, in a format that reads no other "
                "file (no playlist, list of files or picture sequence)");
  AVFormatContext* rawInput = avformat_alloc_context();
  if (rawInput == nullptr)
    return fail("out of memory");
  rawInput->pb = io.get();
  rawInput->flags |= AVFMT_FLAG_CUSTOM_IO;
  rawInput->io_open = refuseOtherFiles;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "format_whitelist", singleFileFormats, 0);
  // On failure FFmpeg frees the context itself; the options left are ours.
  const int opened = avformat_open_input(&rawInput, path.c_str(), format, &options);
  const ffmpeg::Dictionary unused(options);
  if (opened < 0)
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
  // A WAV file says exactly how much sound it holds; FFmpeg's length is
  // what is left of it.
  if (const auto pcm = file->pcmExtent(); pcm && pcm->dataEnd > file->size()) {
    const double declared = static_cast<double>(pcm->dataEnd) / pcm->bytesPerSecond;
    const double missing = static_cast<double>(pcm->dataEnd - file->size()) / pcm->bytesPerSecond;
    return fail("the file is cut short: it holds " +
                minutesAndSeconds(std::max(0.0, declared - missing)) + " of the " +
                minutesAndSeconds(declared) + " its headers give");
  }
  if (promised > longestTrackSeconds)
    return fail(tooLong(promised));
  const auto cutShort = [&](double decodedSeconds, bool keptAll) {
    return keptAll && promised > 0.0 && decodedSeconds < promised * truncatedShare &&
           promised - decodedSeconds > truncationSlackSeconds;
  };
  const auto cutShortMessage = [&](double decodedSeconds) {
    return "the file is cut short: its sound ends after " + minutesAndSeconds(decodedSeconds) +
           " of the " + minutesAndSeconds(promised) + " its headers give";
  };
  // Room for what the headers promise, so that a long track is not copied as
  // it grows, and for the one step that may pass what is kept.
  const std::uint64_t expectedFrames =
      std::min<std::uint64_t>(keepFrames, static_cast<std::uint64_t>(promised * sampleRate)) +
      std::uint64_t{2} * drainFrames;
  if (decoder->id == AV_CODEC_ID_VORBIS) {
    if (auto vorbis = decodeVorbis(file->openedName(), sampleRate, keepFrames, expectedFrames)) {
      const double seconds = static_cast<double>(vorbis->frames()) / sampleRate;
      if (!file->unchanged())
        return changed();
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
  std::uint64_t sourceFrames = 0;
  double decodedSeconds = 0.0; // at the file's own rates
  reading.soundSeenAt = reading.position;
  const auto receiveAll = [&]() {
    while (avcodec_receive_frame(codec.get(), frame.get()) >= 0) {
      sourceFrames += static_cast<std::uint64_t>(frame->nb_samples);
      reading.soundSeenAt = reading.position;
      if (frame->sample_rate > 0)
        decodedSeconds += static_cast<double>(frame->nb_samples) / frame->sample_rate;
      // Past what is kept only the length counts.
      const bool converted = track.frames() >= keepFrames || converter.add(*frame);
      av_frame_unref(frame.get());
      if (!converted)
        return false;
    }
    return true;
  };
  // Without a length in the headers the decode goes on past what is kept, to
  // tell a track over an hour long; with one, the headers have told.
  const bool lengthKnown = promised > 0.0;
  ReadingLine line(path);
  while ((track.frames() < keepFrames || !lengthKnown) &&
         av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == streamIndex) {
      // A damaged packet is skipped, as players do; what decodes is kept.
      if (avcodec_send_packet(codec.get(), packet.get()) >= 0 && !receiveAll()) {
        av_packet_unref(packet.get());
        return fail("its sound cannot be converted to stereo at the show's rate");
      }
    }
    av_packet_unref(packet.get());
    if (decodedSeconds > longestTrackSeconds)
      return fail(runsTooLong());
    line.update(reading.position, reading.size);
  }
  // Zeros, or a damaged stretch, read on and on for nothing.
  if (reading.soundless)
    return fail(sourceFrames == 0
                    ? "holds no sound"
                    : "holds no sound after " + minutesAndSeconds(decodedSeconds) + ", in the " +
                          std::to_string(soundlessBytes >> 20) + " MB that follow");
  avcodec_send_packet(codec.get(), nullptr);
  if (!receiveAll())
    return fail("its sound cannot be converted to stereo at the show's rate");
  if (decodedSeconds > longestTrackSeconds)
    return fail(runsTooLong());
  converter.drain();
  if (!file->unchanged())
    return changed();
  if (sourceFrames == 0 || track.frames() == 0)
    return fail("holds no sound");
  if (cutShort(decodedSeconds, track.frames() < keepFrames))
    return fail(cutShortMessage(decodedSeconds));
  return track;
}
