#pragma once
// The console's key codes, in the Windows virtual-key numbering the show was
// written against: letters are their upper case, digits and space their
// ASCII code, and the keys below carry their VK_ value.

namespace ptc {

constexpr int keyCodeWindowClosed = 0; // not a key: the window was asked to close
constexpr int keyCodeBackspace = 8;    // VK_BACK
constexpr int keyCodeTab = 9;          // VK_TAB
constexpr int keyCodeEnter = 13;       // VK_RETURN
constexpr int keyCodePause = 19;       // VK_PAUSE
constexpr int keyCodeEscape = 27;      // VK_ESCAPE
constexpr int keyCodePageUp = 33;      // VK_PRIOR
constexpr int keyCodePageDown = 34;    // VK_NEXT
constexpr int keyCodeEnd = 35;         // VK_END
constexpr int keyCodeHome = 36;        // VK_HOME
constexpr int keyCodeLeft = 37;        // VK_LEFT
constexpr int keyCodeUp = 38;          // VK_UP
constexpr int keyCodeRight = 39;       // VK_RIGHT
constexpr int keyCodeDown = 40;        // VK_DOWN
constexpr int keyCodeInsert = 45;      // VK_INSERT
constexpr int keyCodeDelete = 46;      // VK_DELETE
constexpr int keyCodeNumpad0 = 96;     // VK_NUMPAD0; 1 to 9 follow it
constexpr int keyCodeMultiply = 106;   // VK_MULTIPLY
constexpr int keyCodeAdd = 107;        // VK_ADD
constexpr int keyCodeSubtract = 109;   // VK_SUBTRACT
constexpr int keyCodeDecimal = 110;    // VK_DECIMAL
constexpr int keyCodeDivide = 111;     // VK_DIVIDE
constexpr int keyCodeF1 = 112;         // VK_F1; F2 to F12 follow it
constexpr int keyCodeUnknown = 255;    // a key with no code of its own

} // namespace ptc
