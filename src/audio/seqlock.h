#pragma once
// A value written by one thread and read by others without either taking a
// lock. The writer never waits; a reader that meets a write in progress reads
// again. The value is held in atomic words, so a torn read is merely retried,
// never a data race.

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T> class Seqlock {
  static_assert(std::is_trivially_copyable_v<T>);

public:
  explicit Seqlock(const T& initial = T{}) { store(initial); }

  // Only ever from the one writing thread.
  void store(const T& value) {
    Words words{};
    std::memcpy(words.data(), static_cast<const void*>(&value), sizeof value);
    const std::uint64_t sequence = sequence_.load(std::memory_order_relaxed);
    sequence_.store(sequence + 1, std::memory_order_relaxed); // odd: writing
    std::atomic_thread_fence(std::memory_order_release);
    for (std::size_t i = 0; i < wordCount; ++i)
      words_[i].store(words[i], std::memory_order_relaxed);
    sequence_.store(sequence + 2, std::memory_order_release);
  }

  T load() const {
    Words words{};
    for (;;) {
      const std::uint64_t before = sequence_.load(std::memory_order_acquire);
      for (std::size_t i = 0; i < wordCount; ++i)
        words[i] = words_[i].load(std::memory_order_relaxed);
      std::atomic_thread_fence(std::memory_order_acquire);
      if ((before & 1u) == 0 && sequence_.load(std::memory_order_relaxed) == before)
        break;
    }
    T value;
    std::memcpy(static_cast<void*>(&value), words.data(), sizeof value);
    return value;
  }

private:
  static constexpr std::size_t wordCount = (sizeof(T) + 7) / 8;
  using Words = std::array<std::uint64_t, wordCount>;

  std::atomic<std::uint64_t> sequence_{0};
  std::array<std::atomic<std::uint64_t>, wordCount> words_{};
};
