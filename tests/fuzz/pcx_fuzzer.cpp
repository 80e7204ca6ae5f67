// libFuzzer entry for the picture decoder. The first two bytes pick the
// picture size (zero and negative sizes included); the rest is the stream.
// The destination is exactly width x height values, so any write past it or
// any read past the stream stops the run under AddressSanitizer.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "images/memory_stream.h"
#include "images/pcx_decoder.h"

namespace {

constexpr int widthRange = 80;
constexpr int heightRange = 40;
constexpr int smallestSide = -8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const int width = data[0] % widthRange + smallestSide;
  const int height = data[1] % heightRange + smallestSide;
  const std::size_t values =
      width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height)
                              : 0;
  std::vector<std::uint32_t> destination(values);

  // An empty remainder gives no stream, which the decoder must also take.
  const auto stream =
      openMemoryStream(size > 2 ? data + 2 : nullptr, static_cast<std::int32_t>(size - 2));
  loadPcxImage(stream.get(), width, height, destination.data());
  return 0;
}
