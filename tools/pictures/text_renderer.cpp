#include "text_renderer.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

struct Glyph {
  int left; // pen-relative, pixels
  int top;  // below the baseline is positive
  int width;
  int rows;
  std::vector<std::uint8_t> pixels;
};

struct Layout {
  std::vector<Glyph> glyphs;
  int minX = INT_MAX;
  int minY = INT_MAX;
  int maxX = INT_MIN;
  int maxY = INT_MIN;
};

void check(FT_Error error, const char* what) {
  if (error != 0) {
    throw std::runtime_error(std::string("FreeType: ") + what + " failed");
  }
}

} // namespace

struct TextRenderer::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  Layout layOut(const std::string& text, int pixelSize) {
    check(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)), "setting the size");
    Layout layout;
    FT_Pos pen = 0; // 26.6 fixed point
    FT_UInt previous = 0;
    for (const char c : text) {
      const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
      if (previous != 0 && FT_HAS_KERNING(face)) {
        FT_Vector kerning{};
        FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning);
        pen += kerning.x;
      }
      check(FT_Load_Glyph(face, index, FT_LOAD_RENDER), "rendering a glyph");
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      Glyph glyph{static_cast<int>(pen >> 6) + slot->bitmap_left,
                  -slot->bitmap_top,
                  static_cast<int>(bitmap.width),
                  static_cast<int>(bitmap.rows),
                  {}};
      glyph.pixels.resize(static_cast<std::size_t>(glyph.width) *
                          static_cast<std::size_t>(glyph.rows));
      for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::copy(row, row + glyph.width,
                  glyph.pixels.begin() + static_cast<std::ptrdiff_t>(y) * glyph.width);
      }
      if (glyph.width > 0 && glyph.rows > 0) {
        layout.minX = std::min(layout.minX, glyph.left);
        layout.minY = std::min(layout.minY, glyph.top);
        layout.maxX = std::max(layout.maxX, glyph.left + glyph.width);
        layout.maxY = std::max(layout.maxY, glyph.top + glyph.rows);
      }
      layout.glyphs.push_back(std::move(glyph));
      pen += slot->advance.x;
      previous = index;
    }
    return layout;
  }
};

TextRenderer::TextRenderer(const std::string& fontPath) : impl_(std::make_unique<Impl>()) {
  check(FT_Init_FreeType(&impl_->library), "initialising");
  if (FT_New_Face(impl_->library, fontPath.c_str(), 0, &impl_->face) != 0) {
    FT_Done_FreeType(impl_->library);
    throw std::runtime_error("cannot open font " + fontPath);
  }
}

TextRenderer::~TextRenderer() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->library);
}

Coverage TextRenderer::render(const std::string& text, int boxWidth, int boxHeight,
                              int maxPixelSize, int margin) {
  for (int size = maxPixelSize; size >= 8; --size) {
    const Layout layout = impl_->layOut(text, size);
    if (layout.minX > layout.maxX) {
      throw std::runtime_error("no ink in \"" + text + "\"");
    }
    const int inkWidth = layout.maxX - layout.minX;
    const int inkHeight = layout.maxY - layout.minY;
    if (inkWidth > boxWidth - 2 * margin || inkHeight > boxHeight - 2 * margin) {
      continue;
    }
    Coverage coverage{boxWidth, boxHeight,
                      std::vector<std::uint8_t>(static_cast<std::size_t>(boxWidth) *
                                                static_cast<std::size_t>(boxHeight))};
    const int originX = (boxWidth - inkWidth) / 2 - layout.minX;
    const int originY = (boxHeight - inkHeight) / 2 - layout.minY;
    for (const Glyph& glyph : layout.glyphs) {
      for (int y = 0; y < glyph.rows; ++y) {
        for (int x = 0; x < glyph.width; ++x) {
          const std::size_t at = static_cast<std::size_t>(originY + glyph.top + y) *
                                     static_cast<std::size_t>(boxWidth) +
                                 static_cast<std::size_t>(originX + glyph.left + x);
          const std::uint8_t ink =
              glyph.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(glyph.width) +
                           static_cast<std::size_t>(x)];
          coverage.values[at] = std::max(coverage.values[at], ink);
        }
      }
    }
    return coverage;
  }
  throw std::runtime_error("\"" + text + "\" does not fit");
}
