#pragma once
// Dialog templates as data: what a Windows resource script would hold, laid
// out by the platform's dialog stand-in. Sizes are in dialog units.

#include <cstdint>
#include <span>

// Window and button style bits used by the templates, with their Windows values.
namespace dialog_style {
constexpr std::uint32_t popup = 0x80000000;      // WS_POPUP
constexpr std::uint32_t child = 0x40000000;      // WS_CHILD
constexpr std::uint32_t visible = 0x10000000;    // WS_VISIBLE
constexpr std::uint32_t caption = 0x00C00000;    // WS_CAPTION
constexpr std::uint32_t systemMenu = 0x00080000; // WS_SYSMENU: the caption's close box
constexpr std::uint32_t tabStop = 0x00010000;    // WS_TABSTOP
constexpr std::uint32_t center = 0x00000800;     // DS_CENTER
constexpr std::uint32_t modalFrame = 0x00000080; // DS_MODALFRAME
constexpr std::uint32_t setFont = 0x00000040;    // DS_SETFONT
constexpr std::uint32_t look3d = 0x00000004;     // DS_3DLOOK
constexpr std::uint32_t absAlign = 0x00000001;   // DS_ABSALIGN
constexpr std::uint32_t buttonTop = 0x00000400;  // BS_TOP
constexpr std::uint32_t buttonKindMask = 0x0000000F;
constexpr std::uint32_t autoCheckBox = 0x00000003; // BS_AUTOCHECKBOX
constexpr std::uint32_t exRight = 0x00001000;      // WS_EX_RIGHT: text right, box after it
constexpr std::uint32_t exStaticEdge = 0x00020000; // WS_EX_STATICEDGE
} // namespace dialog_style

enum class DialogControlKind { pushButton, autoCheckBox };

struct DialogControl {
  int id;
  const char* caption;
  DialogControlKind kind;
  int x, y, width, height;
  std::uint32_t style;
  std::uint32_t extendedStyle;
};

struct DialogFont {
  const char* name;
  int pointSize;
  int weight;
  bool italic;
  int charset;
};

struct DialogTemplate {
  int id;
  const char* caption;
  std::uint32_t style;
  std::uint32_t extendedStyle;
  int x, y, width, height;
  DialogFont font;
  std::span<const DialogControl> controls; // in template order: tab order and creation order
};

// The template with this resource id, or nullptr.
const DialogTemplate* findDialogTemplate(int id);
