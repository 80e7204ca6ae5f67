// What every pixel-console back end promises the show, checked against the
// SDL back end (on SDL's dummy and offscreen video drivers), the capture back
// end and the scripted fake, each in its own executable.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>

#include "display/pixel_format.h"
#include "display/ptc.h"

namespace {

const ptc::Format showFormat(pixelBits, redMask, greenMask, blueMask);

void expectDynamicError(const std::function<void()>& operation, const char* what) {
  EXPECT_THROW(operation(), ptc::DynamicError) << what;
}

// A refused open leaves the console as it was: closed, and fit to open.
TEST(ConsoleContract, OpensOnlyAtTheConsoleSize) {
  const int sizes[][2] = {{0, 0},     {639, 480},  {640, 479}, {641, 480},
                          {480, 640}, {800, 600}, {-640, 480}, {1280, 960}};
  ptc::Console console;
  console.option("windowed output");
  for (const auto& size : sizes) {
    expectDynamicError([&] { console.open("contract", size[0], size[1], showFormat); },
                       "open at another size");
    expectDynamicError([&] { (void)console.width(); }, "width after a failed open");
    EXPECT_FALSE(console.key()) << "a key after a failed open";
  }
  console.open("contract", ptc::consoleWidth, ptc::consoleHeight, showFormat);
  EXPECT_EQ(console.width(), ptc::consoleWidth);
  EXPECT_EQ(console.height(), ptc::consoleHeight);
  console.close();
}

TEST(ConsoleContract, AClosedConsoleAnswersNothing) {
  ptc::Console console;
  expectDynamicError([&] { (void)console.width(); }, "width before open");
  expectDynamicError([&] { (void)console.height(); }, "height before open");
  expectDynamicError([&] { console.update(); }, "update before open");
  console.option("windowed output");
  console.open("contract", ptc::consoleWidth, ptc::consoleHeight, showFormat);
  console.close();
  expectDynamicError([&] { (void)console.width(); }, "width after close");
  expectDynamicError([&] { (void)console.height(); }, "height after close");
  expectDynamicError([&] { console.update(); }, "update after close");
  expectDynamicError([&] { (void)console.read(); }, "read after close");
}

TEST(ConsoleContract, SurfacesStartBlackAndCopyOnlyToAnOpenConsoleOfTheirSize) {
  ptc::Console console;
  ptc::Surface surface(ptc::consoleWidth, ptc::consoleHeight, showFormat);
  EXPECT_EQ(surface.width(), ptc::consoleWidth);
  EXPECT_EQ(surface.height(), ptc::consoleHeight);
  auto* pixels = static_cast<std::uint32_t*>(surface.lock());
  ASSERT_NE(pixels, nullptr);
  for (int i = 0; i < ptc::consoleWidth * ptc::consoleHeight; ++i) {
    ASSERT_EQ(pixels[i], 0u) << "pixel " << i;
  }
  pixels[0] = 0x00FFFFFF; // the surface is ours to write while locked
  surface.unlock();
  expectDynamicError([&] { surface.copy(console); }, "copy to a console never opened");

  console.option("windowed output");
  console.open("contract", ptc::consoleWidth, ptc::consoleHeight, showFormat);
  EXPECT_FALSE(console.key()) << "no key is pending on a fresh console";
  surface.copy(console);
  console.update();
  ptc::Surface small(320, 240, showFormat);
  expectDynamicError([&] { small.copy(console); }, "copy of another size");
  console.close();
  expectDynamicError([&] { surface.copy(console); }, "copy to a closed console");
}

TEST(ConsoleContract, OnlyTheShowsPixelFormatIsTaken) {
  const std::uint32_t otherMasks[][3] = {
      {blueMask, greenMask, redMask},
      {greenMask, redMask, blueMask},
      {0xFF000000, 0x00FF0000, 0x0000FF00},
      {0, 0, 0},
      {0xF800, 0x07E0, 0x001F},
      {redMask, greenMask, 0},
      {redMask, 0, blueMask},
      {0x00FF0000, 0x0000FF00, 0x000000FE},
  };
  for (const auto& masks : otherMasks) {
    const ptc::Format other(pixelBits, masks[0], masks[1], masks[2]);
    const std::string what = "masks " + std::to_string(masks[0]) + " " + std::to_string(masks[1]) +
                             " " + std::to_string(masks[2]);
    ptc::Console console;
    console.option("windowed output");
    expectDynamicError(
        [&] { console.open("contract", ptc::consoleWidth, ptc::consoleHeight, other); },
        what.c_str());
    expectDynamicError([&] { (void)console.width(); }, what.c_str());
    expectDynamicError([&] { ptc::Surface(ptc::consoleWidth, ptc::consoleHeight, other); },
                       what.c_str());
  }
  for (const int bits : {8, 15, 16, 24, 31, 33, 64})
    expectDynamicError([&] { ptc::Format(bits, redMask, greenMask, blueMask); }, "other depth");
}

TEST(ConsoleContract, SurfacesOfImpossibleSizesAreRefused) {
  const int sizes[][2] = {{0, 480},   {640, 0},   {-1, 480},          {640, -1},    {0, 0},
                          {16385, 1}, {1, 16385}, {1 << 20, 1 << 20}, {INT_MIN, 1}, {1, INT_MAX}};
  for (const auto& size : sizes)
    expectDynamicError(
        [&] { ptc::Surface(size[0], size[1], showFormat); },
        ("surface " + std::to_string(size[0]) + " x " + std::to_string(size[1])).c_str());
}

TEST(ConsoleContract, SurfacesKeepWhatIsDrawnBetweenLocks) {
  const int sizes[][2] = {{1, 1}, {3, 7}, {320, 240}, {640, 480}, {16384, 2}, {2, 16384}};
  for (const auto& size : sizes) {
    const std::string what = std::to_string(size[0]) + " x " + std::to_string(size[1]);
    ptc::Surface surface(size[0], size[1], showFormat);
    EXPECT_EQ(surface.width(), size[0]) << what;
    EXPECT_EQ(surface.height(), size[1]) << what;
    const auto count = static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]);
    auto* pixels = static_cast<std::uint32_t*>(surface.lock());
    ASSERT_NE(pixels, nullptr) << what;
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_EQ(pixels[i], 0u) << what << ", pixel " << i;
      pixels[i] = static_cast<std::uint32_t>(i * 2654435761u);
    }
    surface.unlock();
    pixels = static_cast<std::uint32_t*>(surface.lock());
    for (std::size_t i = 0; i < count; ++i)
      ASSERT_EQ(pixels[i], static_cast<std::uint32_t>(i * 2654435761u)) << what << ", pixel " << i;
    surface.unlock();
  }
}

TEST(ConsoleContract, AnOpenConsoleTakesSurfacesOfItsSizeOnly) {
  ptc::Console console;
  console.option("windowed output");
  console.open("contract", ptc::consoleWidth, ptc::consoleHeight, showFormat);
  const int sizes[][2] = {{639, 480}, {640, 479}, {641, 480}, {640, 481},
                          {480, 640}, {1, 1},     {1280, 960}};
  for (const auto& size : sizes) {
    ptc::Surface other(size[0], size[1], showFormat);
    expectDynamicError(
        [&] { other.copy(console); },
        ("copy of " + std::to_string(size[0]) + " x " + std::to_string(size[1])).c_str());
  }
  ptc::Surface fitting(ptc::consoleWidth, ptc::consoleHeight, showFormat);
  fitting.copy(console);
  console.update();
  console.close();
}

} // namespace
