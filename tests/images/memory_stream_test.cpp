#include "images/memory_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

// Byte i is i for the first 256; later blocks differ so that an offset by a
// multiple of 256 still shows.
std::vector<std::uint8_t> countingBytes(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i ^ (i >> 8)) & 0xFF);
  }
  return bytes;
}

TEST(MemoryStream, OpensOnlyOverABlockWithBytes) {
  const std::array<std::uint8_t, 4> block{1, 2, 3, 4};
  EXPECT_EQ(openMemoryStream(nullptr, 4), nullptr);
  EXPECT_EQ(openMemoryStream(block.data(), 0), nullptr);
  EXPECT_EQ(openMemoryStream(block.data(), -1), nullptr);
  EXPECT_EQ(openMemoryStream(block.data(), INT32_MIN), nullptr);

  const auto stream = openMemoryStream(block.data(), 4);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->data, block.data());
  EXPECT_EQ(stream->length, 4);
  EXPECT_EQ(stream->position, 0);
}

TEST(MemoryStream, SeekClampsToTheBlock) {
  const auto bytes = countingBytes(100);
  const auto stream = openMemoryStream(bytes.data(), 100);
  ASSERT_NE(stream, nullptr);

  EXPECT_EQ(stream->seek(40, 0), 40);
  EXPECT_EQ(stream->seek(0, 0), 0);
  // The end is the last byte, never one past it.
  EXPECT_EQ(stream->seek(0, 2), 99);
  EXPECT_EQ(stream->seek(-10, 2), 90);
  EXPECT_EQ(stream->seek(5, 1), 95);
  EXPECT_EQ(stream->seek(-20, 1), 75);
  EXPECT_EQ(stream->seek(-1, 0), 0);
  EXPECT_EQ(stream->seek(100, 0), 99);
  EXPECT_EQ(stream->seek(99, 0), 99);
  EXPECT_EQ(stream->seek(-101, 2), 0);
  EXPECT_EQ(stream->position, 0);
}

TEST(MemoryStream, UnknownOriginCountsFromTheStart) {
  const auto bytes = countingBytes(100);
  const auto stream = openMemoryStream(bytes.data(), 100);
  ASSERT_NE(stream, nullptr);
  stream->seek(50, 0);
  EXPECT_EQ(stream->seek(7, 3), 7);
  stream->seek(50, 0);
  EXPECT_EQ(stream->seek(7, -1), 7);
}

TEST(MemoryStream, SeekAtTheLimitsOfTheOffsetStillClamps) {
  const auto bytes = countingBytes(100);
  const auto stream = openMemoryStream(bytes.data(), 100);
  ASSERT_NE(stream, nullptr);
  stream->seek(50, 0);
  EXPECT_EQ(stream->seek(INT32_MAX, 1), 99);
  EXPECT_EQ(stream->seek(INT32_MAX, 2), 99);
  EXPECT_EQ(stream->seek(INT32_MIN, 1), 0);
  EXPECT_EQ(stream->seek(INT32_MIN, 2), 0);
}

TEST(MemoryStream, ReadsTheFirstBytesOfALargeBlock) {
  const auto bytes = countingBytes(5047);
  const auto stream = openMemoryStream(bytes.data(), 5047);
  ASSERT_NE(stream, nullptr);
  std::array<std::uint8_t, 130> destination{};
  destination.fill(0xEE);

  EXPECT_EQ(stream->read(destination.data(), 1, 128), 128u);
  EXPECT_EQ(stream->position, 128);
  for (std::size_t i = 0; i < 128; ++i) {
    EXPECT_EQ(destination[i], bytes[i]) << "byte " << i;
  }
  EXPECT_EQ(destination[128], 0xEE);

  EXPECT_EQ(stream->read(destination.data(), 1, 1), 1u);
  EXPECT_EQ(destination[0], bytes[128]);
  EXPECT_EQ(stream->position, 129);
}

TEST(MemoryStream, ReadsOnlyTheWholeElementsThatRemain) {
  const auto bytes = countingBytes(10);
  const auto stream = openMemoryStream(bytes.data(), 10);
  ASSERT_NE(stream, nullptr);
  stream->seek(4, 0);
  std::array<std::uint8_t, 20> destination{};
  destination.fill(0xEE);

  // Six bytes remain: one element of four, the last two stay unread.
  EXPECT_EQ(stream->read(destination.data(), 4, 5), 1u);
  EXPECT_EQ(stream->position, 8);
  EXPECT_EQ(destination[0], 4);
  EXPECT_EQ(destination[3], 7);
  EXPECT_EQ(destination[4], 0xEE);

  EXPECT_EQ(stream->read(destination.data(), 1, 5), 2u);
  EXPECT_EQ(stream->position, 10);
  EXPECT_EQ(destination[0], 8);
  EXPECT_EQ(destination[1], 9);
  EXPECT_EQ(destination[2], 6);
}

TEST(MemoryStream, ReadAtTheEndCopiesNothing) {
  const auto bytes = countingBytes(3);
  const auto stream = openMemoryStream(bytes.data(), 3);
  ASSERT_NE(stream, nullptr);
  std::array<std::uint8_t, 3> destination{};
  ASSERT_EQ(stream->read(destination.data(), 1, 3), 3u);
  destination.fill(0xEE);
  EXPECT_EQ(stream->read(destination.data(), 1, 1), 0u);
  EXPECT_EQ(stream->read(destination.data(), 1, 3), 0u);
  EXPECT_EQ(destination[0], 0xEE);
  EXPECT_EQ(stream->position, 3);

  // A seek brings a finished stream back into the block.
  EXPECT_EQ(stream->seek(0, 2), 2);
  EXPECT_EQ(stream->read(destination.data(), 1, 1), 1u);
  EXPECT_EQ(destination[0], 2);
}

TEST(MemoryStream, RequestSizeWrapsAt32Bits) {
  const auto bytes = countingBytes(16);
  const auto stream = openMemoryStream(bytes.data(), 16);
  ASSERT_NE(stream, nullptr);
  std::array<std::uint8_t, 16> destination{};
  // 2 x 2^31 is 0 in 32 bits, so nothing is asked for.
  EXPECT_EQ(stream->read(destination.data(), 2, 0x80000000u), 0u);
  EXPECT_EQ(stream->position, 0);
  // 4 x (2^30 + 1) is 4: one element.
  EXPECT_EQ(stream->read(destination.data(), 4, 0x40000001u), 1u);
  EXPECT_EQ(stream->position, 4);
}

TEST(MemoryStream, ZeroElementSizeReadsNothing) {
  const auto bytes = countingBytes(8);
  const auto stream = openMemoryStream(bytes.data(), 8);
  ASSERT_NE(stream, nullptr);
  std::array<std::uint8_t, 8> destination{};
  EXPECT_EQ(stream->read(destination.data(), 0, 8), 0u);
  EXPECT_EQ(stream->position, 0);
}

TEST(MemoryStream, PositionOutsideTheBlockReadsAsTheEnd) {
  const auto bytes = countingBytes(8);
  MemoryStream stream(bytes.data(), 8);
  std::array<std::uint8_t, 8> destination{};
  stream.position = -3;
  EXPECT_EQ(stream.read(destination.data(), 1, 8), 0u);
  stream.position = 9;
  EXPECT_EQ(stream.read(destination.data(), 1, 8), 0u);
}

TEST(MemoryStream, CloseReturnsZeroAndKeepsTheStreamUsable) {
  const auto bytes = countingBytes(8);
  const auto stream = openMemoryStream(bytes.data(), 8);
  ASSERT_NE(stream, nullptr);
  stream->seek(3, 0);
  EXPECT_EQ(stream->close(), 0);
  EXPECT_EQ(stream->position, 3);
  std::uint8_t byte = 0;
  EXPECT_EQ(stream->read(&byte, 1, 1), 1u);
  EXPECT_EQ(byte, 3);
}

} // namespace
