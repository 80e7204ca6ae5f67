#include "audio/vorbis_loop_decoder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr int outputChannels = 2;
constexpr std::size_t outputFrameBytes = outputChannels * sizeof(float);
constexpr int decodeChunkFrames = 2048;
// More than that is not a layout a Vorbis file uses in practice.
constexpr int maxChannels = 8;

} // namespace

std::unique_ptr<VorbisLoopDecoder>
VorbisLoopDecoder::open(const char* path, std::uint32_t outputRate, DecoderError& error) {
  std::error_code status;
  // A directory opens for reading on some systems and fails only on read.
  if (!std::filesystem::is_regular_file(path, status)) {
    error = DecoderError::file;
    return nullptr;
  }

  std::unique_ptr<VorbisLoopDecoder> decoder(new VorbisLoopDecoder);
  decoder->source_ = OggFileSource::open(path);
  if (!decoder->source_) {
    error = DecoderError::file;
    return nullptr;
  }
  const int opened = ov_open_callbacks(decoder->source_.get(), &decoder->file_, nullptr, 0,
                                       OggFileSource::callbacks);
  if (opened != 0) {
    error = opened == OV_EREAD ? DecoderError::file : DecoderError::format;
    return nullptr;
  }
  decoder->fileOpen_ = true;

  const vorbis_info* info = ov_info(&decoder->file_, -1);
  if (info == nullptr || info->channels < 1 || info->channels > maxChannels || info->rate <= 0 ||
      info->rate > 1000000) {
    error = DecoderError::format;
    return nullptr;
  }
  decoder->channels_ = info->channels;
  decoder->rate_ = info->rate;

  const bool direct =
      decoder->channels_ <= outputChannels && decoder->rate_ == static_cast<long>(outputRate);
  if (!direct) {
    decoder->converter_ = SDL_NewAudioStream(AUDIO_F32SYS, static_cast<Uint8>(decoder->channels_),
                                             static_cast<int>(decoder->rate_), AUDIO_F32SYS,
                                             outputChannels, static_cast<int>(outputRate));
    if (decoder->converter_ == nullptr) {
      error = DecoderError::format;
      return nullptr;
    }
  }
  decoder->scratch_.resize(static_cast<std::size_t>(decodeChunkFrames) *
                           static_cast<std::size_t>(decoder->channels_));
  error = DecoderError::none;
  return decoder;
}

VorbisLoopDecoder::~VorbisLoopDecoder() {
  if (converter_ != nullptr)
    SDL_FreeAudioStream(converter_);
  if (fileOpen_)
    ov_clear(&file_);
}

std::size_t VorbisLoopDecoder::read(float* out, std::size_t frames, bool loop) {
  std::size_t produced = 0;
  while (produced < frames && !unplayable_) {
    produced += drainConverter(out + produced * outputChannels, frames - produced);
    if (produced == frames)
      break;

    if (atEnd_) {
      if (!loop || !rewind())
        break;
      continue;
    }
    const std::size_t decoded = decodeSome(out + produced * outputChannels, frames - produced);
    if (converter_ == nullptr)
      produced += decoded;
    if (decoded > 0)
      continue;

    // End of the data. Looping goes straight on through the converter so the
    // seam stays continuous; otherwise the converter gives up what it holds.
    if (loop) {
      if (!rewind())
        break;
    } else {
      if (converter_ != nullptr)
        SDL_AudioStreamFlush(converter_);
      atEnd_ = true;
    }
  }
  return produced;
}

std::uint64_t VorbisLoopDecoder::loopLength() {
  // Through the converter a pass's length depends on its state at the seam.
  if (converter_ != nullptr || unplayable_ || ov_streams(&file_) != 1)
    return 0;
  const ogg_int64_t total = ov_pcm_total(&file_, -1);
  return total > 0 ? static_cast<std::uint64_t>(total) : 0;
}

bool VorbisLoopDecoder::seek(std::uint64_t frame) {
  if (ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) != 0)
    return false;
  atEnd_ = false;
  framesThisPass_ = frame;
  return true;
}

bool VorbisLoopDecoder::rewind() {
  if (framesThisPass_ == 0 || ov_pcm_seek(&file_, 0) != 0) {
    unplayable_ = true;
    return false;
  }
  if (atEnd_ && converter_ != nullptr)
    SDL_AudioStreamClear(converter_);
  atEnd_ = false;
  framesThisPass_ = 0;
  return true;
}

std::size_t VorbisLoopDecoder::drainConverter(float* out, std::size_t frames) {
  if (converter_ == nullptr)
    return 0;
  const int got = SDL_AudioStreamGet(converter_, out, static_cast<int>(frames * outputFrameBytes));
  if (got < 0) {
    unplayable_ = true;
    return 0;
  }
  return static_cast<std::size_t>(got) / outputFrameBytes;
}

std::size_t VorbisLoopDecoder::decodeSome(float* out, std::size_t frames) {
  for (;;) {
    float** pcm = nullptr;
    int link = 0;
    const int wanted = converter_ == nullptr
                           ? static_cast<int>(std::min<std::size_t>(frames, decodeChunkFrames))
                           : decodeChunkFrames;
    const long got = ov_read_float(&file_, &pcm, wanted, &link);
    // A hole is damaged data the decoder has skipped; what follows still plays.
    if (got == OV_HOLE)
      continue;
    if (got <= 0)
      return 0;

    // A chained file may change its layout; the converter was set up for the first.
    const vorbis_info* info = ov_info(&file_, link);
    if (info == nullptr || info->channels != channels_ || info->rate != rate_) {
      layoutChanged_ = true;
      return 0;
    }

    const auto count = static_cast<std::size_t>(got);
    framesThisPass_ += count;
    if (converter_ == nullptr) {
      const float* left = pcm[0];
      const float* right = pcm[channels_ - 1];
      for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
      }
      return count;
    }
    const auto channels = static_cast<std::size_t>(channels_);
    for (std::size_t i = 0; i < count; ++i)
      for (std::size_t c = 0; c < channels; ++c)
        scratch_[i * channels + c] = pcm[c][i];
    if (SDL_AudioStreamPut(converter_, scratch_.data(),
                           static_cast<int>(count * channels * sizeof(float))) != 0) {
      unplayable_ = true;
      return 0;
    }
    return count;
  }
}
