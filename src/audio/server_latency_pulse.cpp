// The server's latency for our stream over libpulse:
//  - its own connection and threaded main loop, never autospawning a server;
//  - our stream found among the server's playback streams by our process id,
//    then asked for by its index: buffered in the server plus the sink's own;
//  - each answer handed to the listener on the connection's thread.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>
#include <string>
#include <unistd.h>
#include <utility>

#include "audio/server_latency.h"
#include "command_line/whole_number.h"

namespace {

constexpr pa_usec_t askInterval = 50 * PA_USEC_PER_MSEC;
constexpr std::uint64_t maxProcessId = std::numeric_limits<pid_t>::max();

} // namespace

struct ServerLatency::Connection {
  explicit Connection(Listener onHeld)
      : listener(std::move(onHeld)), processId(static_cast<std::uint64_t>(getpid())) {}

  ~Connection() {
    if (loop == nullptr)
      return;
    // The loop's thread is gone after this, so the rest needs no lock.
    pa_threaded_mainloop_stop(loop);
    if (timer != nullptr)
      pa_threaded_mainloop_get_api(loop)->time_free(timer);
    if (context != nullptr) {
      pa_context_disconnect(context);
      pa_context_unref(context);
    }
    pa_threaded_mainloop_free(loop);
  }

  bool open() {
    loop = pa_threaded_mainloop_new();
    if (loop == nullptr)
      return false;
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "velvetstaticfog latency");
    if (context == nullptr)
      return false;
    pa_context_set_state_callback(context, &Connection::stateChanged, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      return false;
    return pa_threaded_mainloop_start(loop) == 0;
  }

  static void stateChanged(pa_context* context, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (pa_context_get_state(context) == PA_CONTEXT_READY && connection->timer == nullptr)
      connection->timer =
          pa_context_rttime_new(context, pa_rtclock_now(), &Connection::timeToAsk, self);
  }

  static void timeToAsk(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    static_cast<Connection*>(self)->ask();
  }

  void ask() {
    pa_operation* operation =
        streamIndex == PA_INVALID_INDEX
            ? pa_context_get_sink_input_info_list(context, &Connection::answered, this)
            : pa_context_get_sink_input_info(context, streamIndex, &Connection::answered, this);
    if (operation != nullptr)
      pa_operation_unref(operation);
    // The next question goes out whatever becomes of this one.
    pa_context_rttime_restart(context, timer, pa_rtclock_now() + askInterval);
  }

  static void answered(pa_context*, const pa_sink_input_info* info, int last, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (last < 0) // our stream has gone: look for it again
      connection->streamIndex = PA_INVALID_INDEX;
    if (last == 0 && info != nullptr)
      connection->take(*info);
  }

  void take(const pa_sink_input_info& info) {
    if (streamIndex == PA_INVALID_INDEX) {
      const char* owner = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
      const auto ownerId = owner == nullptr ? std::nullopt : parseWholeNumber(owner, maxProcessId);
      if (!ownerId || *ownerId != processId)
        return;
      streamIndex = info.index;
    }
    listener(static_cast<double>(info.buffer_usec + info.sink_usec) /
             static_cast<double>(PA_USEC_PER_SEC));
  }

  const Listener listener;
  const std::uint64_t processId;

  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_time_event* timer = nullptr;
  std::uint32_t streamIndex = PA_INVALID_INDEX;
};

// SDL asks for one device buffer's worth, which a busy machine outlasts; the
// client library takes a stream's target length from the environment.
void ServerLatency::requestBuffering(unsigned milliseconds) {
  setenv("PULSE_LATENCY_MSEC", std::to_string(milliseconds).c_str(), 0);
}

std::unique_ptr<ServerLatency> ServerLatency::start(Listener listener) {
  auto connection = std::make_unique<Connection>(std::move(listener));
  if (!connection->open())
    return nullptr;
  return std::unique_ptr<ServerLatency>(new ServerLatency(std::move(connection)));
}

ServerLatency::ServerLatency(std::unique_ptr<Connection> connection)
    : connection_(std::move(connection)) {}

ServerLatency::~ServerLatency() = default;
