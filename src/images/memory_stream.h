#pragma once
// A read-only stream over bytes held in memory, so that the picture decoder
// reads the embedded files as it would read any file.

#include <cstdint>
#include <memory>

class MemoryStream {
public:
  MemoryStream(const std::uint8_t* bytes, std::int32_t size) : data(bytes), length(size) {}
  virtual ~MemoryStream() = default;

  // origin 0: from the start, 1: from the position, 2: from the end; the
  // position is clamped to 0..length-1. Returns the new position.
  virtual std::int32_t seek(std::int32_t offset, int origin);
  // Copies whole elements only; returns how many.
  virtual std::uint32_t read(void* destination, std::uint32_t elementSize, std::uint32_t count);
  // Releases nothing; returns 0.
  virtual int close();

  const std::uint8_t* data;
  std::int32_t length;
  std::int32_t position = 0;

private:
  // Copies bytes from the position on and moves past them; returns the count.
  std::uint32_t copyOut(void* destination, std::uint32_t bytes);
};

// No stream for a null block, a length of 0 or less, or no memory.
std::unique_ptr<MemoryStream> openMemoryStream(const void* data, std::int32_t length);
