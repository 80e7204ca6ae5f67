// The decoder as the page's audio worker calls it: the worker loads the
// program without running the show and decodes the music with these two.
// The music is resampled to the context's rate here, by libsamplerate, which
// keeps its place between calls: SDL's converter drops a fraction of a frame
// at each call, and the music would run fast by hundreds of parts a million.
#include <emscripten.h>
#include <samplerate.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/vorbis_loop_decoder.h"

namespace {

struct ResamplerDeleter {
  void operator()(SRC_STATE* state) const { src_delete(state); }
};

class PageDecoder {
public:
  static std::unique_ptr<PageDecoder> open(const char* path, std::uint32_t rate,
                                           std::size_t chunkFrames) {
    DecoderError error = DecoderError::none;
    auto decoder = VorbisLoopDecoder::open(path, rate, error);
    if (!decoder)
      return nullptr;
    std::unique_ptr<PageDecoder> page(new PageDecoder);
    page->chunk_.assign(2 * chunkFrames, 0.0f);
    const std::uint32_t fileRate = decoder->fileRate();
    if (fileRate != rate) {
      // Decoded at its own rate, then resampled.
      decoder = VorbisLoopDecoder::open(path, fileRate, error);
      int failure = 0;
      page->resampler_.reset(
          src_callback_new(&PageDecoder::supply, SRC_SINC_MEDIUM_QUALITY, 2, &failure, page.get()));
      if (!decoder || !page->resampler_)
        return nullptr;
      page->ratio_ = static_cast<double>(rate) / static_cast<double>(fileRate);
      page->input_.assign(2 * chunkFrames, 0.0f);
    }
    page->decoder_ = std::move(decoder);
    return page;
  }

  float* buffer() { return chunk_.data(); }
  std::size_t capacity() const { return chunk_.size() / 2; }

  std::size_t read(std::size_t frames, bool loop) {
    if (!resampler_)
      return decoder_->read(chunk_.data(), frames, loop);
    loop_ = loop;
    const long got = src_callback_read(resampler_.get(), ratio_, static_cast<long>(frames),
                                       chunk_.data());
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

private:
  PageDecoder() = default;

  // The resampler's input: the next decoded frames, none at the end.
  static long supply(void* self, float** data) {
    auto& page = *static_cast<PageDecoder*>(self);
    *data = page.input_.data();
    return static_cast<long>(page.decoder_->read(page.input_.data(), page.input_.size() / 2,
                                                 page.loop_));
  }

  std::unique_ptr<VorbisLoopDecoder> decoder_;
  std::unique_ptr<SRC_STATE, ResamplerDeleter> resampler_;
  double ratio_ = 1.0;
  bool loop_ = false;
  std::vector<float> input_;
  std::vector<float> chunk_;
};

std::unique_ptr<PageDecoder> decoder;

} // namespace

// Opens `path` for output at `rate`; the buffer read() fills, room for
// `chunkFrames` stereo frames, or 0 when the file cannot be played.
extern "C" EMSCRIPTEN_KEEPALIVE float* vsfDecoderOpen(const char* path, int rate, int chunkFrames) {
  decoder = rate > 0 && chunkFrames > 0
                ? PageDecoder::open(path, static_cast<std::uint32_t>(rate),
                                    static_cast<std::size_t>(chunkFrames))
                : nullptr;
  return decoder ? decoder->buffer() : nullptr;
}

// Decodes up to `frames` frames into the buffer; fewer only at the end of the
// music when not looping.
extern "C" EMSCRIPTEN_KEEPALIVE int vsfDecoderRead(float* buffer, int frames, int loop) {
  if (!decoder || buffer != decoder->buffer() || frames <= 0 ||
      static_cast<std::size_t>(frames) > decoder->capacity())
    return 0;
  return static_cast<int>(decoder->read(static_cast<std::size_t>(frames), loop != 0));
}
