// The dialog back end on a web page.
// Implements: the template laid out as Windows would lay it out, drawn as an
// HTML form by the page (resources/web/page.js), and run modally by waiting
// for the page's next command, which hands the browser its turn; check
// boxes' states in the form.
// Leaves out: the template, handle and control-id checks (dialog_box_front),
// the owner window, and a dialog inside a dialog (the page has one form:
// the inner call fails).
#include <emscripten.h>

#include "platform/dialog_box_front.h"
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

// The page's sans-serif font measured as Windows measures a dialog font.
DialogBaseUnits pageBaseUnits(int fontPixels) {
  const double alphabet = pageTextWidth(baseUnitsAlphabet, fontPixels);
  return baseUnitsFromFontMetrics(alphabet, fontPixels + fontPixels / 4);
}

class PageDialogs final : public DialogBackEnd {
public:
  bool run(DialogRun& run) override;
  void setChecked(DialogRun& /*run*/, int id, bool checked) override {
    pageDialogSetChecked(id, checked ? 1 : 0);
  }
  bool checked(DialogRun& /*run*/, int id) override { return pageDialogChecked(id) != 0; }
  // The wait for the next command ends with the run.
  void end(DialogRun& /*run*/) override {}

private:
  bool open_ = false;
};

bool PageDialogs::run(DialogRun& run) {
  if (open_)
    return false;
  const DialogTemplate& found = run.dialog();
  const int fontPixels = dialogFontPixelSize(found.font.pointSize);
  const DialogLayout layout = layoutDialog(found, pageBaseUnits(fontPixels));
  open_ = true;
  pageDialogOpen(found.caption, layout.width, layout.height, fontPixels);
  for (std::size_t i = 0; i < found.controls.size(); ++i) {
    const DialogControl& control = found.controls[i];
    const PixelRect& rect = layout.controls[i];
    pageDialogAdd(control.id, control.kind == DialogControlKind::autoCheckBox, control.caption,
                  rect.x, rect.y, rect.width, rect.height,
                  (control.extendedStyle & dialog_style::exRight) != 0,
                  (control.style & dialog_style::tabStop) != 0);
  }
  run.init();
  pageDialogShow();
  while (!run.ended())
    run.command(pageDialogNextCommand());
  pageDialogClose();
  open_ = false;
  return true;
}

} // namespace

DialogBackEnd& dialogBackEnd() {
  static PageDialogs dialogs;
  return dialogs;
}
