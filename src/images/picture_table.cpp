#include "images/picture_table.h"

namespace {
#include "picture_bytes.inc"
} // namespace

// The bank's size is the design's; the list of pictures must keep to it.
static_assert(embeddedPictures.size() == imageCount, "pictures/names.txt must name 79 pictures");

const std::array<PictureEntry, imageCount> pictureTable = embeddedPictures;
