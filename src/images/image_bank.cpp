#include "images/image_bank.h"

#include "images/memory_stream.h"
#include "images/pcx_decoder.h"
#include "images/picture_table.h"

void loadImageBank(ImageBank& bank) {
  for (int k = 0; k < imageCount; ++k) {
    const PictureEntry& entry = pictureTable[static_cast<std::size_t>(k)];
    const std::unique_ptr<MemoryStream> stream = openMemoryStream(entry.bytes, entry.size);
    loadPcxImage(stream.get(), imageWidth, imageHeight, bank[static_cast<std::size_t>(k)].data());
  }
}

void applyLevelTransform(ImageBank& bank) {
  // White becomes 0; the near-black lettering (19, 20) speckles into 2 and 1.
  for (Image& image : bank) {
    for (std::uint32_t& value : image) {
      value = (255u - value) % 3u;
    }
  }
}
