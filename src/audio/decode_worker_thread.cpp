// A decoding thread: polls, since the callback must never wait to wake it.
#include <SDL_thread.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/decode_worker.h"

namespace {

constexpr auto pollInterval = std::chrono::milliseconds(5);

} // namespace

struct DecodeWorker::State {
  std::function<void()> work;
  std::mutex mutex;
  std::condition_variable wake;
  bool quit = false;
  std::thread thread;
};

DecodeWorker::DecodeWorker(std::function<void()> work) : state_(std::make_unique<State>()) {
  state_->work = std::move(work);
  state_->work();
  State& state = *state_;
  state.thread = std::thread([&state] {
    // Above ordinary work where the system allows it, so that a busy
    // machine does not leave the output without music.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
    std::unique_lock lock(state.mutex);
    while (!state.quit) {
      lock.unlock();
      state.work();
      lock.lock();
      state.wake.wait_for(lock, pollInterval, [&state] { return state.quit; });
    }
  });
}

DecodeWorker::~DecodeWorker() {
  {
    const std::lock_guard lock(state_->mutex);
    state_->quit = true;
  }
  state_->wake.notify_one();
  state_->thread.join();
}

void DecodeWorker::wake() {
  state_->wake.notify_one();
}
