#pragma once
// Renders one line of text with FreeType into an anti-aliased coverage map.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Coverage {
  int width;
  int height;
  std::vector<std::uint8_t> values; // 0 = paper, 255 = fully inside a letter
};

class TextRenderer {
public:
  explicit TextRenderer(const std::string& fontPath);
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  // The largest size up to maxPixelSize whose ink fits the box with the given
  // margin, centred on the box's middle. Throws if the text cannot be drawn.
  Coverage render(const std::string& text, int boxWidth, int boxHeight, int maxPixelSize,
                  int margin);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
