#pragma once
// The handful of Windows types and constants the show's logic is written
// against. The platform layer gives them meaning on other systems.

#include <cstdint>

using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT BST_INDETERMINATE = 2; // only three-state boxes show it

constexpr UINT MB_OK = 0x00000000;

constexpr WORD LOWORD(WPARAM value) {
  return static_cast<WORD>(value & 0xFFFFu);
}

// An integer resource id travels in the pointer of a resource name.
inline const char* MAKEINTRESOURCEA(WORD id) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the pointer is never followed, only compared.
  return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(const char* name) {
  return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}
