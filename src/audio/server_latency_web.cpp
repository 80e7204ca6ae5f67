// On a web page SDL plays through the page's AudioContext: a script
// processor whose buffer is played after the one playing now, then the
// context's own output path (outputLatency where the browser reports it,
// else baseLatency). Read from the context at each question.
#include <emscripten.h>

#include <algorithm>
#include <cmath>

#include "audio/output_latency.h"
#include "audio/server_latency.h"

namespace {

// Seconds from a frame handed to SDL to its sound, or -1 while there is no context.
EM_JS(double, pageAudioLatencySeconds, (), {
  const audio = Module['SDL2'] && Module['SDL2'].audio;
  const context = Module['SDL2'] && Module['SDL2'].audioContext;
  if (!context || !audio || !audio.scriptProcessorNode)
    return -1;
  const path = context.outputLatency || context.baseLatency || 0;
  return audio.scriptProcessorNode.bufferSize / context.sampleRate + path;
});

} // namespace

struct ServerLatency::Connection {
  std::uint32_t sampleRate;
};

std::unique_ptr<ServerLatency> ServerLatency::start(std::uint32_t sampleRate) {
  return std::unique_ptr<ServerLatency>(
      new ServerLatency(std::make_unique<Connection>(Connection{sampleRate})));
}

ServerLatency::ServerLatency(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

ServerLatency::~ServerLatency() = default;

std::optional<std::uint32_t> ServerLatency::latencyFrames() const {
  const double seconds = pageAudioLatencySeconds();
  if (!(seconds >= 0.0))
    return std::nullopt;
  const double limited = std::min(seconds, OutputLatency::maxSeconds);
  return static_cast<std::uint32_t>(std::lround(limited * connection_->sampleRate));
}
