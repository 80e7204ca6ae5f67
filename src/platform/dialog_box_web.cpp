// Dialogs on a web page: the template laid out as Windows would lay it out,
// drawn as an HTML form by the page (resources/web/page.js), and run modally
// by waiting for the page's next command, which hands the browser its turn.
#include <emscripten.h>

#include "platform/dialog_box.h"
#include "platform/dialog_box_checks.h"
#include "platform/dialog_layout.h"

namespace {

EM_JS(void, pageDialogOpen, (const char* caption, int width, int height, int fontPixels),
      { VsfPage.dialogOpen(UTF8ToString(caption), width, height, fontPixels); });
EM_JS(void, pageDialogAdd,
      (int id, int checkBox, const char* caption, int x, int y, int width, int height,
       int boxOnRight, int tabStop),
      {
        VsfPage.dialogAdd(id, checkBox != 0, UTF8ToString(caption), x, y, width, height,
                          boxOnRight != 0, tabStop != 0);
      });
EM_JS(void, pageDialogShow, (), { VsfPage.dialogShow(); });
EM_ASYNC_JS(int, pageDialogNextCommand, (), { return await VsfPage.dialogNextCommand(); });
EM_JS(void, pageDialogSetChecked, (int id, int checked),
      { VsfPage.dialogSetChecked(id, checked != 0); });
EM_JS(int, pageDialogChecked, (int id), { return VsfPage.dialogChecked(id) ? 1 : 0; });
EM_JS(void, pageDialogClose, (), { VsfPage.dialogClose(); });
EM_JS(double, pageTextWidth, (const char* text, int fontPixels),
      { return VsfPage.textWidth(UTF8ToString(text), fontPixels); });

struct PageDialog {
  bool open = false;
  bool ended = false;
  INT_PTR result = 0;
};

PageDialog dialog;

HWND dialogHandle() {
  return reinterpret_cast<HWND>(&dialog);
}

// The page's sans-serif font measured as Windows measures a dialog font.
DialogBaseUnits pageBaseUnits(int fontPixels) {
  const double alphabet = pageTextWidth(baseUnitsAlphabet, fontPixels);
  return baseUnitsFromFontMetrics(alphabet, fontPixels + fontPixels / 4);
}

} // namespace

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, const char* templateName, HWND /*owner*/,
                        DLGPROC dialogProc, LPARAM initParam) {
  const DialogTemplate* found = dialogToRun(templateName, dialogProc);
  if (found == nullptr || dialog.open)
    return dialogFailed;

  const int fontPixels = dialogFontPixelSize(found->font.pointSize);
  const DialogLayout layout = layoutDialog(*found, pageBaseUnits(fontPixels));
  dialog = PageDialog{.open = true};
  pageDialogOpen(found->caption, layout.width, layout.height, fontPixels);
  for (std::size_t i = 0; i < found->controls.size(); ++i) {
    const DialogControl& control = found->controls[i];
    const PixelRect& rect = layout.controls[i];
    pageDialogAdd(control.id, control.kind == DialogControlKind::autoCheckBox, control.caption,
                  rect.x, rect.y, rect.width, rect.height,
                  (control.extendedStyle & dialog_style::exRight) != 0,
                  (control.style & dialog_style::tabStop) != 0);
  }
  dialogProc(dialogHandle(), WM_INITDIALOG, 0, initParam);
  pageDialogShow();
  while (!dialog.ended)
    dialogProc(dialogHandle(), WM_COMMAND, static_cast<WPARAM>(pageDialogNextCommand()), 0);
  pageDialogClose();
  dialog.open = false;
  return dialog.result;
}

BOOL CheckDlgButton(HWND /*dialog*/, int buttonId, UINT check) {
  pageDialogSetChecked(buttonId, twoStateCheck(check) == BST_CHECKED ? 1 : 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND /*dialog*/, int buttonId) {
  return pageDialogChecked(buttonId) != 0 ? BST_CHECKED : BST_UNCHECKED;
}

BOOL EndDialog(HWND /*dialog*/, INT_PTR result) {
  dialog.ended = true;
  dialog.result = result;
  return TRUE;
}
