// Decoding inside the audio callback, for a page's single thread: the
// callback tops the buffer up and then reads it, so it never runs dry.
#include "audio/decode_worker.h"

struct DecodeWorker::State {
  std::function<void()> work;
};

DecodeWorker::DecodeWorker(std::function<void()> work) : state_(std::make_unique<State>()) {
  state_->work = std::move(work);
  state_->work();
}

DecodeWorker::~DecodeWorker() = default;

void DecodeWorker::wake() {}

void DecodeWorker::duringCallback() {
  state_->work();
}
