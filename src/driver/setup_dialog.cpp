#include "driver/setup_dialog.h"

#include "driver/show_options.h"
#include "platform/dialog_box.h"

namespace {

UINT checkState(bool on) {
  return on ? BST_CHECKED : BST_UNCHECKED;
}

bool isChecked(HWND window, int boxId) {
  return IsDlgButtonChecked(window, boxId) == BST_CHECKED;
}

} // namespace

// The boxes write straight through to showOptions on every click, so a
// cancelled dialog keeps the changes; the process ends then anyway.
INT_PTR setupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) {
    CheckDlgButton(window, fullscreenBoxId, checkState(showOptions.fullscreen));
    CheckDlgButton(window, soundBoxId, checkState(showOptions.sound));
    CheckDlgButton(window, loopBoxId, checkState(showOptions.loop));
    return TRUE; // let the dialog manager place the default focus
  }
  if (message != WM_COMMAND) {
    return FALSE;
  }
  switch (LOWORD(wParam)) {
  case IDOK:
    EndDialog(window, 1);
    break;
  case IDCANCEL:
    EndDialog(window, 0);
    break;
  case soundBoxId:
    showOptions.sound = isChecked(window, soundBoxId);
    break;
  case fullscreenBoxId:
    showOptions.fullscreen = isChecked(window, fullscreenBoxId);
    break;
  case loopBoxId:
    showOptions.loop = isChecked(window, loopBoxId);
    break;
  default:
    break;
  }
  return FALSE;
}
