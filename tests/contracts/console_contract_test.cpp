// What every pixel-console back end promises the show, checked against the
// SDL back end (on SDL's dummy and offscreen video drivers) and against the
// scripted fake, each in its own executable.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "display/ptc.h"

namespace {

const ptc::Format showFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF);

void expectDynamicError(const std::function<void()>& operation, const char* what) {
  EXPECT_THROW(operation(), ptc::DynamicError) << what;
}

TEST(ConsoleContract, OpensOnlyAtTheConsoleSize) {
  const int sizes[][2] = {{0, 0}, {639, 480}, {640, 479}, {800, 600}, {-640, 480}, {1280, 960}};
  for (const auto& size : sizes) {
    ptc::Console console;
    console.option("windowed output");
    expectDynamicError([&] { console.open("contract", size[0], size[1], showFormat); },
                       "open at another size");
    expectDynamicError([&] { (void)console.width(); }, "width after a failed open");
  }
  ptc::Console console;
  console.option("windowed output");
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

} // namespace
