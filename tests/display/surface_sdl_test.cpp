#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "display/ptc.h"
#include "sdl_test_environment.h"

namespace {

const ptc::Format showFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);

TEST(SurfaceSdlTest, NewSurfacesAreZeroFilled) {
  ptc::Surface surface(640, 480, showFormat);
  EXPECT_EQ(surface.width(), 640);
  EXPECT_EQ(surface.height(), 480);
  const auto* pixels = static_cast<const std::uint32_t*>(surface.lock());
  ASSERT_NE(pixels, nullptr);
  EXPECT_TRUE(std::all_of(pixels, pixels + 640 * 480, [](std::uint32_t p) { return p == 0; }));
  surface.unlock();
}

TEST(SurfaceSdlTest, LockKeepsThePixelsBetweenLocks) {
  ptc::Surface surface(640, 480, showFormat);
  auto* pixels = static_cast<std::uint32_t*>(surface.lock());
  pixels[640 * 479 + 639] = 0x00ABCDEF;
  surface.unlock();
  EXPECT_EQ(static_cast<std::uint32_t*>(surface.lock())[640 * 479 + 639], 0x00ABCDEFu);
  surface.unlock();
}

TEST(SurfaceSdlTest, ImpossibleSizesFail) {
  EXPECT_THROW(ptc::Surface(0, 480, showFormat), ptc::DynamicError);
  EXPECT_THROW(ptc::Surface(640, -1, showFormat), ptc::DynamicError);
  EXPECT_THROW(ptc::Surface(1 << 20, 1 << 20, showFormat), ptc::DynamicError);
}

TEST(SurfaceSdlTest, CopyToAConsoleNeverOpenedFails) {
  ptc::Console console;
  ptc::Surface surface(640, 480, showFormat);
  EXPECT_THROW(surface.copy(console), ptc::DynamicError);
}

class SurfaceCopyTest : public DummyVideoTest {};

TEST_F(SurfaceCopyTest, CopyOfAnotherSizeFails) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  ptc::Surface small(320, 240, showFormat);
  EXPECT_THROW(small.copy(console), ptc::DynamicError);
  ptc::Surface fitting(640, 480, showFormat);
  fitting.copy(console);
  console.update();
}

} // namespace
