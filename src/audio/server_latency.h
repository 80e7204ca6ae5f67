#pragma once
// Where the output goes through a PulseAudio-compatible sound server
// (PulseAudio, PipeWire's pulse service), asks it twenty times a second how much
// of our own playback stream it holds, on the server connection's own thread,
// and hands each answer on from that thread. Neither the audio callback nor
// the program thread ever waits for it.

#include <functional>
#include <memory>

class ServerLatency {
public:
  // Seconds of our stream the server holds, buffered and in the sink.
  using Listener = std::function<void(double heldSeconds)>;

  // Asks the server, for the playback stream opened next, to buffer
  // `milliseconds` unless the user has chosen (PULSE_LATENCY_MSEC).
  static void requestBuffering(unsigned milliseconds);

  // Nothing when the connection cannot be set up; a server that turns out
  // not to answer never calls `listener`.
  static std::unique_ptr<ServerLatency> start(Listener listener);
  // Returns once the listener is called no more.
  ~ServerLatency();
  ServerLatency(const ServerLatency&) = delete;
  ServerLatency& operator=(const ServerLatency&) = delete;

private:
  struct Connection;
  explicit ServerLatency(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};
