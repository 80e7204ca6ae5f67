// The decoder as the page's audio worker calls it: the worker loads the
// program without running the show and decodes the music with these two.
#include <emscripten.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/vorbis_loop_decoder.h"

namespace {

std::unique_ptr<VorbisLoopDecoder> decoder;
std::vector<float> chunk;

} // namespace

// Opens `path` for output at `rate`; the buffer read() fills, room for
// `chunkFrames` stereo frames, or 0 when the file cannot be played.
extern "C" EMSCRIPTEN_KEEPALIVE float* vsfDecoderOpen(const char* path, int rate, int chunkFrames) {
  DecoderError error = DecoderError::none;
  decoder = rate > 0 && chunkFrames > 0
                ? VorbisLoopDecoder::open(path, static_cast<std::uint32_t>(rate), error)
                : nullptr;
  if (!decoder)
    return nullptr;
  chunk.assign(2 * static_cast<std::size_t>(chunkFrames), 0.0f);
  return chunk.data();
}

// Decodes up to `frames` frames into the buffer; fewer only at the end of the
// music when not looping.
extern "C" EMSCRIPTEN_KEEPALIVE int vsfDecoderRead(float* buffer, int frames, int loop) {
  if (!decoder || buffer != chunk.data() || frames <= 0 ||
      static_cast<std::size_t>(frames) * 2 > chunk.size())
    return 0;
  return static_cast<int>(decoder->read(buffer, static_cast<std::size_t>(frames), loop != 0));
}
