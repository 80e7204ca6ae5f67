// sync_offsets CAPTURE: how long after each burst's sound the show's picture
// lights up, from one capture holding a grabbed strip of the picture (raw
// video) and the sink's monitor (16-bit PCM), stamped on one clock. Prints
// one line a burst and a summary, in milliseconds.
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "onsets.h"

namespace {

// The capture's stamps of a picture come when the grab is taken, a little after
// it was on screen; measured against a program whose sound and picture are known
// to be in step.
constexpr double captureLag = 0.0025;
// The capture's audio stamps scatter at first.
constexpr double settleSeconds = 4.0;
// Clear of Vorbis pre-echo, yet reached within a few samples of a burst's start.
constexpr float soundThreshold = 0.005f;
// The noise is black while the music is silent: the first frame that is not.
constexpr int flashThreshold = 1;
// Bursts come every two seconds and last a tenth of one.
constexpr double quietSeconds = 1.0;
constexpr double pairWindow = 0.5;
// A flash seen only after a longer gap in the grab could have come that much
// earlier: such a burst is not measured.
constexpr double maxFrameGap = 0.010;

struct Capture {
  std::vector<SoundPacket> packets;
  std::vector<float> levels;
  int sampleRate = 0;
  std::vector<PictureFrame> frames;
};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "sync_offsets: %s\n", what);
  std::exit(1);
}

int brightestOf(const AVPacket& packet, const AVPixFmtDescriptor& format) {
  const int step = format.comp[0].step;
  int brightest = 0;
  for (int base = 0; base + step <= packet.size; base += step)
    for (int c = 0; c < 3; ++c)
      brightest = std::max<int>(brightest, packet.data[base + format.comp[c].offset]);
  return brightest;
}

Capture readCapture(const char* path) {
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path, nullptr, nullptr) < 0)
    fail("cannot open the capture");
  if (avformat_find_stream_info(context, nullptr) < 0)
    fail("cannot read the capture's streams");
  int video = -1, audio = -1;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVCodecParameters& codec = *context->streams[i]->codecpar;
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO && codec.codec_id == AV_CODEC_ID_RAWVIDEO)
      video = static_cast<int>(i);
    if (codec.codec_type == AVMEDIA_TYPE_AUDIO && codec.codec_id == AV_CODEC_ID_PCM_S16LE)
      audio = static_cast<int>(i);
  }
  if (video < 0 || audio < 0)
    fail("the capture needs raw video and 16-bit PCM sound");
  const AVPixFmtDescriptor* format =
      av_pix_fmt_desc_get(static_cast<AVPixelFormat>(context->streams[video]->codecpar->format));
  if (format == nullptr || format->nb_components < 3 ||
      (format->flags & AV_PIX_FMT_FLAG_RGB) == 0 || format->comp[0].depth != 8 ||
      format->comp[0].plane != 0 || format->comp[1].plane != 0)
    fail("the picture is not packed 8-bit RGB");
  const int channels = context->streams[audio]->codecpar->ch_layout.nb_channels;
  if (channels < 1)
    fail("the sound has no channels");

  Capture capture;
  capture.sampleRate = context->streams[audio]->codecpar->sample_rate;
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(context, packet) >= 0) {
    const AVStream& stream = *context->streams[packet->stream_index];
    if (packet->pts != AV_NOPTS_VALUE) {
      const double stamp = static_cast<double>(packet->pts) * av_q2d(stream.time_base);
      if (packet->stream_index == video) {
        capture.frames.push_back({stamp, brightestOf(*packet, *format)});
      } else if (packet->stream_index == audio) {
        capture.packets.push_back({capture.levels.size(), stamp});
        const int frames = packet->size / (2 * channels);
        for (int i = 0; i < frames; ++i) {
          int loudest = 0;
          for (int c = 0; c < channels; ++c) {
            const std::uint8_t* sample = packet->data + 2 * (i * channels + c);
            const auto value = static_cast<std::int16_t>(sample[0] | (sample[1] << 8));
            loudest = std::max(loudest, std::abs(static_cast<int>(value)));
          }
          capture.levels.push_back(static_cast<float>(loudest) / 32768.0f);
        }
      }
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&context);
  std::sort(capture.frames.begin(), capture.frames.end(),
            [](const PictureFrame& a, const PictureFrame& b) { return a.stamp < b.stamp; });
  return capture;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sync_offsets CAPTURE\n");
    return 2;
  }
  const Capture capture = readCapture(argv[1]);
  const auto clock = fitSampleClock(capture.packets, settleSeconds);
  if (!clock || capture.frames.size() < 2)
    fail("the capture is too short");
  std::printf("sound: %.1f s at %.1f Hz by the stamps (%d nominal); picture: %zu frames, %.1f/s\n",
              static_cast<double>(capture.levels.size()) * clock->secondsPerSample,
              1.0 / clock->secondsPerSample, capture.sampleRate, capture.frames.size(),
              static_cast<double>(capture.frames.size() - 1) /
                  (capture.frames.back().stamp - capture.frames.front().stamp));

  const double settled = capture.packets.front().stamp + settleSeconds;
  std::vector<double> sounds;
  const auto quietSamples = static_cast<std::uint64_t>(quietSeconds * capture.sampleRate);
  for (const std::uint64_t onset : soundOnsets(capture.levels, soundThreshold, quietSamples)) {
    const double time = clock->timeOf(static_cast<double>(onset));
    if (time >= settled)
      sounds.push_back(time);
  }
  const auto flashes = flashOnsets(capture.frames, flashThreshold, quietSeconds);

  std::vector<double> offsets;
  for (const BurstOffset& burst : pairOnsets(sounds, flashes, pairWindow)) {
    const double offset = (burst.offset() - captureLag) * 1000.0;
    const bool measured = burst.gap <= maxFrameGap;
    std::printf("burst at %5.2f s: picture %+5.1f ms after the sound (frame gap %.1f ms)%s\n",
                burst.sound - settled, offset, burst.gap * 1000.0, measured ? "" : ", not counted");
    if (measured)
      offsets.push_back(offset);
  }
  std::printf("sound onsets %zu, flashes %zu\n", sounds.size(), flashes.size());
  if (offsets.empty()) {
    std::printf("offsets: none\n");
    return 0;
  }
  std::sort(offsets.begin(), offsets.end());
  const std::size_t n = offsets.size();
  const double median = n % 2 == 1 ? offsets[n / 2] : 0.5 * (offsets[n / 2 - 1] + offsets[n / 2]);
  std::printf("offsets: count %zu median %.1f min %.1f max %.1f\n", n, median, offsets.front(),
              offsets.back());
  return 0;
}
