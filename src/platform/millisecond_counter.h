#pragma once
// The Windows millisecond counter keeps only the low 32 bits of the time
// since its start, so it wraps to 0 after about 49.7 days.

#include <chrono>
#include <cstdint>

#include "platform/win_types.h"

constexpr DWORD millisecondCounter(std::chrono::milliseconds sinceStart) {
  return static_cast<DWORD>(static_cast<std::uint64_t>(sinceStart.count()) & 0xFFFFFFFFu);
}
