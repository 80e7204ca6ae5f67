#include "effect/row_workers.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>

namespace {

constexpr int rowsPerChunk = 4;
// Spins before sleeping: frames come back to back, and a futex wake-up costs
// about as much as a few rows.
constexpr int spinsBeforeSleep = 2000;

// The job state is (generation << 2) | phase, so that a late helper can never
// join a job that has already been closed or replaced.
enum Phase : std::uint64_t { open = 0, joined = 1, closed = 2, done = 3 };
constexpr std::uint64_t phaseMask = 3;

void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class RowHelper {
public:
  RowHelper() : thread_([this] { serve(); }) {}
  RowHelper(const RowHelper&) = delete;
  RowHelper& operator=(const RowHelper&) = delete;
  ~RowHelper() {
    stopping_.store(true, std::memory_order_relaxed);
    generation_ += 1;
    state_.store(generation_ << 2 | closed, std::memory_order_release);
    state_.notify_one();
    thread_.join();
  }

  void run(RowRangeFunction drawRows, int rowCount) {
    drawRows_ = drawRows;
    rowCount_ = rowCount;
    nextRow_.store(0, std::memory_order_relaxed);
    generation_ += 1;
    const std::uint64_t base = generation_ << 2;
    state_.store(base | open, std::memory_order_release);
    state_.notify_one();
    drawChunks();
    std::uint64_t expected = base | open;
    if (state_.compare_exchange_strong(expected, base | closed, std::memory_order_acq_rel)) {
      return; // the helper never joined and now never will
    }
    awaitChange(base | joined);
  }

private:
  void drawChunks() {
    for (;;) {
      const int first = nextRow_.fetch_add(rowsPerChunk, std::memory_order_relaxed);
      if (first >= rowCount_) {
        return;
      }
      drawRows_(first, std::min(first + rowsPerChunk, rowCount_));
    }
  }

  // Returns the first state that differs from `seen`, acquiring it.
  std::uint64_t awaitChange(std::uint64_t seen) {
    for (int spin = 0; spin < spinsBeforeSleep; ++spin) {
      const std::uint64_t now = state_.load(std::memory_order_acquire);
      if (now != seen) {
        return now;
      }
      cpuRelax();
    }
    state_.wait(seen, std::memory_order_acquire);
    return state_.load(std::memory_order_acquire);
  }

  void serve() {
    std::uint64_t seen = closed;
    for (;;) {
      seen = awaitChange(seen);
      if (stopping_.load(std::memory_order_relaxed)) {
        return;
      }
      if ((seen & phaseMask) != open) {
        continue;
      }
      std::uint64_t expected = seen;
      const std::uint64_t base = seen & ~phaseMask;
      if (!state_.compare_exchange_strong(expected, base | joined, std::memory_order_acq_rel)) {
        seen = expected;
        continue;
      }
      drawChunks();
      seen = base | done;
      state_.store(seen, std::memory_order_release);
      state_.notify_one();
    }
  }

  RowRangeFunction drawRows_ = nullptr;
  int rowCount_ = 0;
  std::uint64_t generation_ = 0; // touched by the calling thread only
  std::atomic<int> nextRow_{0};
  std::atomic<std::uint64_t> state_{closed};
  std::atomic<bool> stopping_{false};
  std::thread thread_; // last, so it starts after everything it reads
};

} // namespace

void runRows(RowRangeFunction drawRows, int rowCount, int threads) {
  if (threads < 2) {
    drawRows(0, rowCount);
    return;
  }
  static RowHelper helper;
  helper.run(drawRows, rowCount);
}
