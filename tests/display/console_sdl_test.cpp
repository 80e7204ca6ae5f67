#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>

#include "display/ptc.h"
#include "display/sdl_console.h"
#include "sdl_test_environment.h"

namespace {

const ptc::Format showFormat(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);

void pushKey(SDL_Keycode key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushQuit() {
  SDL_Event event{};
  event.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushWindowClose(SDL_Window* window) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  event.window.windowID = SDL_GetWindowID(window);
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// What the dummy driver's window holds after a present: the software
// renderer draws straight into the window's own surface.
std::uint32_t shownPixel(ptc::Console& console, int x, int y) {
  SDL_Surface* shown = SDL_GetWindowSurface(ptc::sdlConsoleOf(console).window());
  if (shown == nullptr || shown->format->BytesPerPixel != 4)
    return 0xDEADBEEF;
  std::uint32_t pixel = 0;
  std::memcpy(&pixel, static_cast<const std::uint8_t*>(shown->pixels) + y * shown->pitch + x * 4,
              4);
  std::uint8_t r = 0, g = 0, b = 0;
  SDL_GetRGB(pixel, shown->format, &r, &g, &b);
  return std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

std::uint32_t* pixelAt(void* base, int x, int y) {
  // Rows are 2560 bytes apart: 640 pixels of 4 bytes, back to back.
  return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(base) + y * 2560 + x * 4);
}

class ConsoleSdlTest : public DummyVideoTest {};

TEST_F(ConsoleSdlTest, OpensAt640x480WithTheTitle) {
  ptc::Console console;
  console.option("windowed output");
  console.open("velvetstaticfog_1", 640, 480, showFormat, 0);
  EXPECT_EQ(console.width(), 640);
  EXPECT_EQ(console.height(), 480);
  SDL_Window* window = ptc::sdlConsoleOf(console).window();
  ASSERT_NE(window, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "velvetstaticfog_1");
  EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
}

TEST_F(ConsoleSdlTest, FullscreenCoversTheDesktopKeepingTheShapeAndSharpness) {
  ptc::Console console;
  console.option("fullscreen output");
  console.open("velvetstaticfog_1", 640, 480, showFormat);
  SDL_Window* window = ptc::sdlConsoleOf(console).window();
  EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP,
            Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP});
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  EXPECT_EQ(w, desktop.w);
  EXPECT_EQ(h, desktop.h);

  // One-pixel stripes: scaling that smooths would mix the two colours.
  ptc::Surface surface(640, 480, showFormat);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      *pixelAt(surface.lock(), x, y) = (x % 2) ? 0xFF0000 : 0x0000FF;
  surface.unlock();
  surface.copy(console);
  console.update();

  SDL_Surface* shown = SDL_GetWindowSurface(window);
  ASSERT_NE(shown, nullptr);
  std::set<std::uint32_t> colours;
  for (int y = 0; y < shown->h; y += 7)
    for (int x = 0; x < shown->w; ++x)
      colours.insert(shownPixel(console, x, y));
  // Red and blue only, plus black where the shape leaves bars.
  EXPECT_THAT(colours, ::testing::IsSupersetOf({0xFF0000u, 0x0000FFu}));
  EXPECT_THAT(colours, ::testing::IsSubsetOf({0xFF0000u, 0x0000FFu, 0x000000u}));
}

TEST_F(ConsoleSdlTest, HiddenCursorComesBackWhenClosed) {
  ptc::Console console;
  console.option("windowed output");
  console.option("hide cursor");
  console.open("t", 640, 480, showFormat);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  console.close();
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST_F(ConsoleSdlTest, UpdateShowsTheCopiedPictureRowByRowIgnoringTheTopByte) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  ptc::Surface surface(console.width(), console.height(), showFormat);
  void* base = surface.lock();
  *pixelAt(base, 0, 0) = 0x00123456;
  *pixelAt(base, 639, 0) = 0xFF00FF00; // junk in bits 24-31
  *pixelAt(base, 0, 1) = 0x00ABCDEF;
  *pixelAt(base, 639, 479) = 0x7F0000FF;
  surface.unlock();
  surface.copy(console);
  console.update();
  EXPECT_EQ(shownPixel(console, 0, 0), 0x123456u);
  EXPECT_EQ(shownPixel(console, 639, 0), 0x00FF00u);
  EXPECT_EQ(shownPixel(console, 0, 1), 0xABCDEFu);
  EXPECT_EQ(shownPixel(console, 1, 0), 0u);
  EXPECT_EQ(shownPixel(console, 639, 479), 0x0000FFu);

  // The console shows the last copy, not the surface's later state.
  *pixelAt(surface.lock(), 0, 0) = 0x00FFFFFF;
  surface.unlock();
  console.update();
  EXPECT_EQ(shownPixel(console, 0, 0), 0x123456u);
}

TEST_F(ConsoleSdlTest, KeysQueueUpAndReadInOrder) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  EXPECT_FALSE(console.key());
  pushKey(SDLK_a);
  pushKey(SDLK_LSHIFT); // a modifier alone is no key
  pushKey(SDLK_ESCAPE);
  pushKey(SDLK_RETURN);
  pushKey(SDLK_5);
  EXPECT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), 'A');
  EXPECT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), ptc::keyCodeEscape);
  EXPECT_EQ(console.read().code(), ptc::keyCodeEnter);
  EXPECT_EQ(console.read().code(), '5');
  EXPECT_FALSE(console.key());
}

TEST_F(ConsoleSdlTest, UpdateKeepsPressedKeysForLater) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  pushKey(SDLK_ESCAPE);
  console.update();
  ASSERT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), ptc::keyCodeEscape);
}

TEST_F(ConsoleSdlTest, ReadWaitsForTheNextKey) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  std::thread presser([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pushKey(SDLK_SPACE);
  });
  const int code = console.read().code();
  presser.join();
  EXPECT_EQ(code, ' ');
}

// The frame loop reads and discards keys until none is pending, then looks
// again at the top of the next frame: a close must survive the discarding.
void expectCloseStaysPending(ptc::Console& console) {
  ASSERT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), ptc::keyCodeWindowClosed);
  EXPECT_FALSE(console.key()) << "a discard loop must end";
  EXPECT_TRUE(console.key()) << "the next frame must see the close";
  EXPECT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), ptc::keyCodeWindowClosed) << "reading never waits once closed";
}

TEST_F(ConsoleSdlTest, QuitArrivesAsAPendingKeyThatStays) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  pushQuit();
  expectCloseStaysPending(console);
}

TEST_F(ConsoleSdlTest, WindowCloseArrivesOnceWithTheQuitThatFollows) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  pushKey(SDLK_x);
  pushWindowClose(ptc::sdlConsoleOf(console).window());
  pushQuit();
  ASSERT_TRUE(console.key());
  EXPECT_EQ(console.read().code(), 'X');
  expectCloseStaysPending(console);
}

TEST_F(ConsoleSdlTest, ClosedConsoleRefusesWorkAndCanReopen) {
  ptc::Console console;
  console.open("t", 640, 480, showFormat);
  ptc::Surface surface(640, 480, showFormat);
  pushKey(SDLK_b);
  console.close();
  EXPECT_FALSE(console.key());
  EXPECT_THROW(console.read(), ptc::DynamicError);
  EXPECT_THROW(console.update(), ptc::DynamicError);
  EXPECT_THROW(surface.copy(console), ptc::DynamicError);
  console.close();

  console.open("again", 640, 480, showFormat);
  surface.copy(console);
  console.update();
  EXPECT_STREQ(SDL_GetWindowTitle(ptc::sdlConsoleOf(console).window()), "again");
}

TEST_F(ConsoleSdlTest, UnknownOptionsChangeNothing) {
  ptc::Console console;
  console.option("triple buffering, please");
  console.open("t", 640, 480, showFormat);
  EXPECT_EQ(SDL_GetWindowFlags(ptc::sdlConsoleOf(console).window()) &
                SDL_WINDOW_FULLSCREEN_DESKTOP,
            0u);
}

TEST(ConsoleSdlDisplayTest, NoDisplayAndNoChosenDriverFails) {
  SavedEnvironment saved({"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"});
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ptc::Console console;
  console.option("fullscreen output");
  try {
    console.open("velvetstaticfog_1", 640, 480, showFormat);
    FAIL() << "opened without a display";
  } catch (const ptc::DynamicError& error) {
    EXPECT_THAT(error.what(), ::testing::HasSubstr("no display"));
  }
  EXPECT_FALSE(console.key());
}

TEST(ConsoleSdlDisplayTest, UnreachableDisplayFails) {
  SavedEnvironment saved({"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"});
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  setenv("DISPLAY", ":4093", 1); // nothing listens there
  ptc::Console console;
  EXPECT_THROW(console.open("t", 640, 480, showFormat), ptc::DynamicError);
}

} // namespace
