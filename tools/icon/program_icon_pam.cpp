// Writes the program's compiled-in icon as a PAM image (RGB_ALPHA), from
// which the build scales the desktop's icon sizes.
// Usage: program-icon-pam OUTPUT.pam

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "output/output_file.h"
#include "resources/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.pam\n", argv[0]);
    return 2;
  }
  const int size = programIconSize();
  const std::uint32_t* pixels = programIconPixels();
  std::vector<char> bytes;
  for (int i = 0; i < size * size; ++i) {
    const std::uint32_t argb = pixels[i];
    for (const int shift : {16, 8, 0, 24}) { // red, green, blue, alpha
      bytes.push_back(static_cast<char>((argb >> shift) & 0xFFu));
    }
  }
  std::string image = "P7\nWIDTH " + std::to_string(size) + "\nHEIGHT " + std::to_string(size) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  image.append(bytes.data(), bytes.size());
  // Made again by every build: the old image is replaced, whole or not at all.
  OutputRules rules;
  rules.replace = true;
  rules.tag = "icon";
  std::string problem;
  if (!writeOutputFile(argv[1], image, rules, problem)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], problem.c_str());
    return 1;
  }
  return 0;
}
