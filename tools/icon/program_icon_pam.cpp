// Writes the program's compiled-in icon as a PAM image (RGB_ALPHA), from
// which the build scales the desktop's icon sizes.
// Usage: program-icon-pam OUTPUT.pam

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

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
  // A temporary name, renamed when complete: a failure leaves no half file.
  const std::string part = std::string(argv[1]) + ".part";
  std::ofstream out(part, std::ios::binary);
  out << "P7\nWIDTH " << size << "\nHEIGHT " << size
      << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out || std::rename(part.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    std::remove(part.c_str());
    return 1;
  }
  return 0;
}
