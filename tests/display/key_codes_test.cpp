#include <gtest/gtest.h>

#include <SDL.h>

#include "display/key_codes.h"

namespace {

TEST(KeyCodesTest, EscapeIsTheShowsEndKey) {
  EXPECT_EQ(ptc::keyCodeFor(SDLK_ESCAPE), ptc::keyCodeEscape);
}

TEST(KeyCodesTest, LettersAndDigitsTakeTheirUpperCaseCodes) {
  for (SDL_Keycode key = SDLK_a; key <= SDLK_z; ++key)
    EXPECT_EQ(ptc::keyCodeFor(key), 'A' + (key - SDLK_a)) << SDL_GetKeyName(key);
  for (SDL_Keycode key = SDLK_0; key <= SDLK_9; ++key)
    EXPECT_EQ(ptc::keyCodeFor(key), static_cast<int>(key)) << SDL_GetKeyName(key);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_SPACE), ' ');
  EXPECT_EQ(ptc::keyCodeFor(SDLK_COMMA), ',');
}

TEST(KeyCodesTest, EditingAndFunctionKeys) {
  EXPECT_EQ(ptc::keyCodeFor(SDLK_RETURN), ptc::keyCodeEnter);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_ENTER), ptc::keyCodeEnter);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_BACKSPACE), ptc::keyCodeBackspace);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_TAB), ptc::keyCodeTab);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_LEFT), ptc::keyCodeLeft);
  EXPECT_EQ(ptc::keyCodeFor(SDLK_DOWN), ptc::keyCodeDown);
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(ptc::keyCodeFor(SDLK_F1 + i), ptc::keyCodeF1 + i) << "F" << i + 1;
  EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_0), ptc::keyCodeNumpad0);
  for (int i = 1; i <= 9; ++i)
    EXPECT_EQ(ptc::keyCodeFor(SDLK_KP_1 + i - 1), ptc::keyCodeNumpad0 + i) << "keypad " << i;
}

TEST(KeyCodesTest, ModifiersAloneAreNoKeys) {
  const SDL_Keycode modifiers[] = {SDLK_LSHIFT, SDLK_RSHIFT, SDLK_LCTRL, SDLK_RCTRL,   SDLK_LALT,
                                   SDLK_RALT,   SDLK_LGUI,   SDLK_RGUI,  SDLK_CAPSLOCK};
  for (SDL_Keycode key : modifiers)
    EXPECT_EQ(ptc::keyCodeFor(key), ptc::noKeyPress) << SDL_GetKeyName(key);
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
