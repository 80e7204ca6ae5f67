#include "images/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

enum SeekOrigin : int { fromStart = 0, fromCurrent = 1, fromEnd = 2 };

} // namespace

std::int32_t MemoryStream::seek(std::int32_t offset, int origin) {
  // Widened so that an offset near the limits clamps instead of overflowing.
  std::int64_t base = 0;
  if (origin == fromCurrent) {
    base = position;
  } else if (origin == fromEnd) {
    base = length;
  }
  const std::int64_t target = base + offset;
  if (target < 0) {
    position = 0;
  } else if (target >= length) {
    position = length - 1;
  } else {
    position = static_cast<std::int32_t>(target);
  }
  return position;
}

std::uint32_t MemoryStream::read(void* destination, std::uint32_t elementSize,
                                 std::uint32_t count) {
  // The fields are public; a position outside the block reads as the end.
  if (elementSize == 0 || position < 0 || position >= length) {
    return 0;
  }
  const auto available = static_cast<std::uint32_t>(length - position);
  const std::uint32_t wanted = elementSize * count; // 32-bit product, as callers expect
  const std::uint32_t taken = std::min(available, wanted);
  if (elementSize == 1) {
    // The picture decoder reads one byte at a time: no division, no memcpy call.
    if (taken == 1) {
      *static_cast<std::uint8_t*>(destination) = data[position++];
      return 1;
    }
    return copyOut(destination, taken);
  }
  const std::uint32_t elements = taken / elementSize;
  copyOut(destination, elements * elementSize);
  return elements;
}

std::uint32_t MemoryStream::copyOut(void* destination, std::uint32_t bytes) {
  if (bytes > 0) {
    std::memcpy(destination, data + position, bytes);
    position += static_cast<std::int32_t>(bytes);
  }
  return bytes;
}

int MemoryStream::close() {
  return 0;
}

std::unique_ptr<MemoryStream> openMemoryStream(const void* data, std::int32_t length) {
  if (data == nullptr || length <= 0) {
    return nullptr;
  }
  return std::unique_ptr<MemoryStream>(
      new (std::nothrow) MemoryStream(static_cast<const std::uint8_t*>(data), length));
}
