// Dialogs nobody sees: the procedure is initialised and then answered with
// OK, as a person pressing Return at once would, so the defaults stand.
// CheckDlgButton and IsDlgButtonChecked keep the boxes' states meanwhile.
#include <map>

#include "platform/dialog_box.h"
#include "platform/dialog_box_checks.h"

namespace {

struct UnseenDialog {
  std::map<int, UINT> boxes;
  bool ended = false;
  INT_PTR result = 0;
};

UnseenDialog dialog;

// The procedure only hands this back; any non-null handle will do.
HWND dialogHandle() {
  return reinterpret_cast<HWND>(&dialog);
}

} // namespace

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, const char* templateName, HWND /*owner*/,
                        DLGPROC dialogProc, LPARAM initParam) {
  if (dialogToRun(templateName, dialogProc) == nullptr)
    return dialogFailed;
  dialog = UnseenDialog{};
  dialogProc(dialogHandle(), WM_INITDIALOG, 0, initParam);
  if (!dialog.ended)
    dialogProc(dialogHandle(), WM_COMMAND, IDOK, 0);
  return dialog.ended ? dialog.result : IDOK;
}

BOOL CheckDlgButton(HWND /*dialog*/, int buttonId, UINT check) {
  dialog.boxes[buttonId] = twoStateCheck(check);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND /*dialog*/, int buttonId) {
  const auto box = dialog.boxes.find(buttonId);
  return box != dialog.boxes.end() ? box->second : BST_UNCHECKED;
}

BOOL EndDialog(HWND /*dialog*/, INT_PTR result) {
  dialog.ended = true;
  dialog.result = result;
  return TRUE;
}
