#include "images/pcx_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "images/memory_stream.h"

namespace {

constexpr std::uint32_t untouched = 0xDEADBEEF;
constexpr std::size_t guard = 8;

// A 128-byte header claiming a 640 x 100 version 5 picture, then the body.
std::vector<std::uint8_t> pcxFile(std::initializer_list<std::uint8_t> body) {
  // The header goes in front of the body: appending the body to a header instead
  // trips a false -Warray-bounds in GCC 12's optimised builds.
  std::vector<std::uint8_t> file(body);
  file.insert(file.begin(), 128, 0);
  file[0] = 10;
  file[1] = 5;
  file[2] = 1;
  file[3] = 8;
  file[8] = 0x7F; // xmax 639
  file[9] = 0x02;
  file[10] = 99; // ymax
  file[65] = 1;
  file[66] = 0x80; // 640 bytes per line
  file[67] = 0x02;
  return file;
}

// Decodes into a buffer with guard values on both sides of the picture.
struct Decoded {
  std::vector<std::uint32_t> buffer;
  std::size_t size;
  std::uint32_t operator[](std::size_t i) const { return buffer[guard + i]; }
  bool guardsIntact() const {
    for (std::size_t i = 0; i < guard; ++i) {
      if (buffer[i] != untouched || buffer[guard + size + i] != untouched) {
        return false;
      }
    }
    return true;
  }
};

Decoded decode(const std::vector<std::uint8_t>& file, int width, int height, std::size_t room = 0) {
  const std::size_t size = room != 0 ? room : static_cast<std::size_t>(width * height);
  Decoded decoded{std::vector<std::uint32_t>(size + 2 * guard, untouched), size};
  const auto stream = openMemoryStream(file.data(), static_cast<std::int32_t>(file.size()));
  loadPcxImage(stream.get(), width, height, decoded.buffer.data() + guard);
  return decoded;
}

TEST(PcxDecoder, StoresLiteralBytesWidened) {
  const Decoded d = decode(pcxFile({0x00, 0x13, 0x14, 0xBF}), 4, 1);
  EXPECT_EQ(d[0], 0x00u);
  EXPECT_EQ(d[1], 0x13u);
  EXPECT_EQ(d[2], 0x14u);
  EXPECT_EQ(d[3], 0xBFu);
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, RunRepeatsTheFollowingByte) {
  // A value of 0xC0 or more can only be stored through a run.
  const Decoded d = decode(pcxFile({0xC3, 0xFF, 0xC1, 0xC0, 0x05}), 5, 1);
  EXPECT_EQ(d[0], 0xFFu);
  EXPECT_EQ(d[1], 0xFFu);
  EXPECT_EQ(d[2], 0xFFu);
  EXPECT_EQ(d[3], 0xC0u);
  EXPECT_EQ(d[4], 0x05u);
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, EmptyRunConsumesTwoBytesAndStoresNothing) {
  const Decoded d = decode(pcxFile({0xC0, 0x55, 0x07, 0xC0, 0xC5, 0x08}), 2, 1);
  EXPECT_EQ(d[0], 0x07u);
  EXPECT_EQ(d[1], 0x08u);
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, RunsCrossRowEnds) {
  const Decoded d = decode(pcxFile({0xC6, 0x09, 0xC2, 0x03}), 4, 2);
  const std::vector<std::uint32_t> expected{9, 9, 9, 9, 9, 9, 3, 3};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(d[i], expected[i]) << "value " << i;
  }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, RunIsCutAtTheEndOfTheDestination) {
  std::vector<std::uint8_t> file = pcxFile({});
  for (std::uint8_t i = 0; i < 10; ++i) {
    file.push_back(i);
  }
  file.push_back(0xFF); // a run of 63 ...
  file.push_back(0xAB);
  file.push_back(0x01); // ... after which nothing more is read
  const auto stream = openMemoryStream(file.data(), static_cast<std::int32_t>(file.size()));
  std::vector<std::uint32_t> buffer(20 + guard, untouched);
  loadPcxImage(stream.get(), 20, 1, buffer.data());

  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(buffer[i], i);
  }
  for (std::size_t i = 10; i < 20; ++i) {
    EXPECT_EQ(buffer[i], 0xABu) << "value " << i;
  }
  for (std::size_t i = 20; i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], untouched) << "past the end at " << i;
  }
  EXPECT_EQ(stream->position, 128 + 12);
}

TEST(PcxDecoder, SizeComesFromTheArgumentsNotTheHeader) {
  // The header claims 640 x 100; only 3 x 2 values are wanted.
  const Decoded d = decode(pcxFile({1, 2, 3, 4, 5, 6, 7, 8, 9}), 3, 2);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(d[i], i + 1);
  }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, DryStreamLeavesTheRestAsItWas) {
  const Decoded d = decode(pcxFile({0x11, 0xC2, 0x22}), 4, 4);
  EXPECT_EQ(d[0], 0x11u);
  EXPECT_EQ(d[1], 0x22u);
  EXPECT_EQ(d[2], 0x22u);
  for (std::size_t i = 3; i < 16; ++i) {
    EXPECT_EQ(d[i], untouched) << "value " << i;
  }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, RunWithoutItsValueStoresNothing) {
  const Decoded d = decode(pcxFile({0x11, 0xC5}), 8, 1);
  EXPECT_EQ(d[0], 0x11u);
  for (std::size_t i = 1; i < 8; ++i) {
    EXPECT_EQ(d[i], untouched) << "value " << i;
  }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, StreamShorterThanTheHeaderStoresNothing) {
  const std::vector<std::uint8_t> file(50, 0x07);
  const Decoded d = decode(file, 4, 1);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(d[i], untouched);
  }
  EXPECT_TRUE(d.guardsIntact());
}

TEST(PcxDecoder, EmptyOrNegativeSizesStoreNothing) {
  const std::vector<std::uint8_t> file = pcxFile({1, 2, 3, 4, 5, 6, 7, 8});
  for (const auto& [width, height] :
       {std::pair{0, 5}, std::pair{5, 0}, std::pair{-2, 3}, std::pair{3, -2}, std::pair{-2, -2}}) {
    const Decoded d = decode(file, width, height, 8);
    for (std::size_t i = 0; i < 8; ++i) {
      EXPECT_EQ(d[i], untouched) << width << " x " << height;
    }
    EXPECT_TRUE(d.guardsIntact());
  }
}

TEST(PcxDecoder, NullStreamDoesNothing) {
  std::vector<std::uint32_t> buffer(4, untouched);
  loadPcxImage(nullptr, 2, 2, buffer.data());
  for (const std::uint32_t value : buffer) {
    EXPECT_EQ(value, untouched);
  }
}

// Records how the decoder drives its stream.
class RecordingStream : public MemoryStream {
public:
  using MemoryStream::MemoryStream;
  std::int32_t seek(std::int32_t offset, int origin) override {
    calls.push_back("seek " + std::to_string(offset) + " " + std::to_string(origin));
    return MemoryStream::seek(offset, origin);
  }
  std::uint32_t read(void* destination, std::uint32_t elementSize, std::uint32_t count) override {
    calls.push_back("read " + std::to_string(elementSize) + " " + std::to_string(count));
    return MemoryStream::read(destination, elementSize, count);
  }
  int close() override {
    calls.emplace_back("close");
    return MemoryStream::close();
  }
  std::vector<std::string> calls;
};

TEST(PcxDecoder, RewindsReadsByteByByteAndCloses) {
  const std::vector<std::uint8_t> file = pcxFile({0x21, 0xC2, 0x22});
  RecordingStream stream(file.data(), static_cast<std::int32_t>(file.size()));
  stream.seek(60, 0);
  stream.calls.clear();
  std::vector<std::uint32_t> buffer(3, untouched);

  loadPcxImage(&stream, 3, 1, buffer.data());

  const std::vector<std::string> expected{"seek 0 0", "read 1 128", "read 1 1",
                                          "read 1 1", "read 1 1",   "close"};
  EXPECT_EQ(stream.calls, expected);
  EXPECT_EQ(buffer, (std::vector<std::uint32_t>{0x21, 0x22, 0x22}));
}

TEST(PcxDecoder, ClosesTheStreamAlsoWhenNothingIsWanted) {
  const std::vector<std::uint8_t> file = pcxFile({0x21});
  RecordingStream stream(file.data(), static_cast<std::int32_t>(file.size()));
  std::uint32_t value = untouched;
  loadPcxImage(&stream, 0, 0, &value);
  const std::vector<std::string> expected{"seek 0 0", "read 1 128", "close"};
  EXPECT_EQ(stream.calls, expected);
  EXPECT_EQ(value, untouched);
}

} // namespace
