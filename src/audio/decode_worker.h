#pragma once
// Keeps a decode-ahead buffer topped up. Where threads exist, a thread of
// its own runs the work every few milliseconds and when woken; on a web page,
// which gives the show one thread, the audio callback runs it before taking
// its frames (duringCallback), so the buffer is full whenever it is read.

#include <functional>
#include <memory>

class DecodeWorker {
public:
  // `work` tops the buffer up and returns; it is run once before this returns.
  explicit DecodeWorker(std::function<void()> work);
  ~DecodeWorker();
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Something changed that the work should see soon.
  void wake();
  // From the audio callback, before it reads the buffer.
  void duringCallback();

private:
  struct State;
  std::unique_ptr<State> state_;
};
