#pragma once
// Where the output goes through a PulseAudio-compatible sound server
// (PulseAudio, PipeWire's pulse service), asks it twenty times a second how much
// of our own playback stream it holds, on the server connection's own thread.
// Neither the audio callback nor the program thread ever waits for it.

#include <cstdint>
#include <memory>
#include <optional>

class ServerLatency {
public:
  // Nothing when the connection cannot be set up; a server that turns out
  // not to answer leaves latencyFrames() empty.
  static std::unique_ptr<ServerLatency> start(std::uint32_t sampleRate);
  ~ServerLatency();
  ServerLatency(const ServerLatency&) = delete;
  ServerLatency& operator=(const ServerLatency&) = delete;

  // Frames the server holds ahead of the newest one written (see
  // OutputLatency); nothing until it has answered. One atomic load.
  std::optional<std::uint32_t> latencyFrames() const;

private:
  struct Connection;
  explicit ServerLatency(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};
