#pragma once
// Keeps a decode-ahead buffer topped up: a thread of its own runs the work
// every few milliseconds and when woken.

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

private:
  struct State;
  std::unique_ptr<State> state_;
};
