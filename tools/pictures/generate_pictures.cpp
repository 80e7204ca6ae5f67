// Renders the show's name pictures as PCX files, one for each name.
// Usage: generate_pictures <font.ttf> <names.txt> <output directory>
// names.txt holds one name per line, in table order. Output is deterministic
// for a given font and FreeType version, so regenerating changes nothing.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "output/output_file.h"
#include "pcx_writer.h"
#include "text_renderer.h"

namespace {

constexpr int width = 640;
constexpr int height = 100;
constexpr int maxPixelSize = 46;
constexpr int margin = 14;

constexpr std::uint8_t paper = 255;
constexpr std::uint8_t bodyDark = 19;
constexpr std::uint8_t bodyLight = 20;
constexpr std::uint8_t darkestEdge = 21;

// The one picture stored as a tall 24-bit file; its name sits well below the
// rows a 640 x 100 reader reaches.
constexpr int colourEntry = 32;
constexpr int colourHeight = 480;
constexpr int colourTop = 300;
// Smaller lettering keeps this file near the size of the largest grey one.
constexpr int colourPixelSize = 20;
constexpr std::uint8_t colourInk[3] = {24, 40, 96};

// Body pixels are split between two neighbouring greys by a fixed hash of
// their position, which speckles them once the show reduces them to levels.
std::uint8_t bodyGrey(int x, int y) {
  const std::uint32_t h =
      (static_cast<std::uint32_t>(x) * 73856093u) ^ (static_cast<std::uint32_t>(y) * 19349663u);
  return ((h >> 7) & 1u) != 0 ? bodyDark : bodyLight;
}

std::uint8_t greyFor(std::uint8_t ink, int x, int y) {
  if (ink == 0) {
    return paper;
  }
  if (ink == 255) {
    return bodyGrey(x, y);
  }
  const double grey = 255.0 - ink * (255.0 - bodyLight) / 255.0;
  const long rounded = std::lround(grey);
  return static_cast<std::uint8_t>(rounded < darkestEdge ? darkestEdge
                                   : rounded > 254       ? 254
                                                         : rounded);
}

std::vector<std::uint8_t> greyPicture(const Coverage& coverage) {
  std::vector<std::uint8_t> pixels(coverage.values.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto at = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
      pixels[at] = greyFor(coverage.values[at], x, y);
    }
  }
  return pixels;
}

// Rows of three plane lines (red, green, blue), as 24-bit PCX stores them.
std::vector<std::uint8_t> colourPicture(const Coverage& coverage) {
  std::vector<std::uint8_t> planes(static_cast<std::size_t>(width) * colourHeight * 3, paper);
  for (int y = 0; y < height; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < width; ++x) {
        const int ink =
            coverage.values[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
        const int value = 255 - (ink * (255 - colourInk[plane]) + 127) / 255;
        planes[static_cast<std::size_t>((colourTop + y) * 3 + plane) * width +
               static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(value);
      }
    }
  }
  return planes;
}

std::vector<std::string> readNames(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) {
      names.push_back(line);
    }
  }
  return names;
}

// Pictures are remade at will: each replaces its old file, and neither the
// font nor the list of names is ever written over.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
               const OutputRules& rules) {
  std::string problem;
  if (!writeOutputFile(path, std::string(bytes.begin(), bytes.end()), rules, problem))
    throw std::runtime_error(problem);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <font.ttf> <names.txt> <output directory>\n", argv[0]);
    return 2;
  }
  OutputRules rules;
  rules.replace = true;
  rules.inputs = {argv[1], argv[2]};
  rules.tag = "picture";
  try {
    const std::vector<std::string> names = readNames(argv[2]);
    TextRenderer renderer(argv[1]);
    for (int k = 0; k < static_cast<int>(names.size()); ++k) {
      const Coverage coverage =
          renderer.render(names[static_cast<std::size_t>(k)], width, height,
                          k == colourEntry ? colourPixelSize : maxPixelSize, margin);
      char fileName[32];
      std::snprintf(fileName, sizeof fileName, "/picture_%02d.pcx", k);
      std::vector<std::uint8_t> bytes;
      if (k == colourEntry) {
        bytes = encodePcx({width, colourHeight, 3, false}, colourPicture(coverage));
      } else {
        bytes = encodePcx({width, height, 1, true}, greyPicture(coverage));
      }
      writeFile(std::string(argv[3]) + fileName, bytes, rules);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "generate_pictures: %s\n", error.what());
    return 1;
  }
  return 0;
}
