#include <gtest/gtest.h>

#include <SDL.h>

#include "display/key_codes.h"

namespace {

TEST(KeyCodesTest, EscapeIsTheShowsEndKey) {
  EXPECT_EQ(ptc::keyCodeFor(SDLK_ESCAPE), 27);
}

TEST(KeyCodesTest, LettersAndDigitsTakeTheirUpperCaseCodes) {
  EXPECT_EQ(ptc::keyCodeFor(SDLK_a), 'A');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_z), 'Z');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_0), '0');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_9), '9');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_SPACE), ' ');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_COMMA), ',');
}

TEST(KeyCodesTest, EditingAndFunctionKeys) {
  EXPECT_EQ(ptc::keyCodeFor(SDLK_RETURN), 13);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_ENTER), 13);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_BACKSPACE), 8);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_TAB), 9);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_LEFT), 37);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_DOWN), 40);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_F1), 112);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_F12), 123);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_0), 96);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_9), 105);
}

TEST(KeyCodesTest, ModifiersAloneAreNoKeys) {
  const SDL_Keycode modifiers[] = {SDLK_LSHIFT, SDLK_RSHIFT, SDLK_LCTRL, SDLK_RCTRL,   SDLK_LALT,
                                   SDLK_RALT,   SDLK_LGUI,   SDLK_RGUI,  SDLK_CAPSLOCK};
  for (SDL_Keycode key : modifiers)
    EXPECT_EQ(ptc::keyCodeFor(key), -1) << SDL_GetKeyName(key);
}

TEST(KeyCodesTest, OtherKeysNeverPassForEscapeOrAClose) {
  const SDL_Keycode others[] = {SDLK_VOLUMEUP,  SDLK_PRINTSCREEN, SDLK_MENU,
                                SDLK_AUDIOPLAY, 0x40000FFF,       0x10FFFF};
  for (SDL_Keycode key : others) {
    const int code = ptc::keyCodeFor(key);
    EXPECT_NE(code, ptc::keyCodeEscape);
    EXPECT_NE(code, ptc::keyCodeWindowClosed);
    EXPECT_GT(code, 0);
  }
}

} // namespace
