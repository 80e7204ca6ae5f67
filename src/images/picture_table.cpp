#include "images/picture_table.h"

namespace {
#include "picture_bytes.inc"
} // namespace

const std::array<PictureEntry, imageCount> pictureTable = embeddedPictures;
