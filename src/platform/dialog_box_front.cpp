// DialogBoxParamA, CheckDlgButton, IsDlgButtonChecked and EndDialog over the
// dialog back end linked beside them.
#include "platform/dialog_box_front.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/dialog_box.h"

namespace {

// A stale or foreign handle is refused instead of followed.
std::vector<DialogRun*>& runningDialogs() {
  static std::vector<DialogRun*> dialogs;
  return dialogs;
}

DialogRun* runningDialog(HWND handle) {
  for (DialogRun* run : runningDialogs()) {
    if (run->handle() == handle)
      return run;
  }
  return nullptr;
}

bool isCheckBox(const DialogTemplate& dialog, int id) {
  return std::any_of(dialog.controls.begin(), dialog.controls.end(), [&](const auto& control) {
    return control.id == id && control.kind == DialogControlKind::autoCheckBox;
  });
}

// The running dialog whose check box `id` is, or nullptr.
DialogRun* checkBoxOwner(HWND handle, int id) {
  DialogRun* run = runningDialog(handle);
  return run != nullptr && isCheckBox(run->dialog(), id) ? run : nullptr;
}

// Keeps the dialog findable by its handle exactly while it runs.
class Registration {
public:
  explicit Registration(DialogRun& run) : run_(run) { runningDialogs().push_back(&run_); }
  ~Registration() { std::erase(runningDialogs(), &run_); }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;

private:
  DialogRun& run_;
};

} // namespace

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, const char* templateName, HWND /*owner*/,
                        DLGPROC dialogProc, LPARAM initParam) {
  // Named templates are not compiled in; only MAKEINTRESOURCE ids are.
  if (dialogProc == nullptr || templateName == nullptr || !IS_INTRESOURCE(templateName))
    return dialogFailed;
  const DialogTemplate* dialog =
      findDialogTemplate(LOWORD(reinterpret_cast<std::uintptr_t>(templateName)));
  if (dialog == nullptr)
    return dialogFailed;
  DialogRun run(*dialog, dialogProc, initParam);
  const Registration registration(run);
  const bool shown = dialogBackEnd().run(run);
  return shown && run.ended() ? run.result() : dialogFailed;
}

// A two-state check box shows any state but unchecked as checked.
BOOL CheckDlgButton(HWND dialog, int buttonId, UINT check) {
  DialogRun* run = checkBoxOwner(dialog, buttonId);
  if (run == nullptr)
    return FALSE;
  dialogBackEnd().setChecked(*run, buttonId, check != BST_UNCHECKED);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int buttonId) {
  DialogRun* run = checkBoxOwner(dialog, buttonId);
  return run != nullptr && dialogBackEnd().checked(*run, buttonId) ? BST_CHECKED : BST_UNCHECKED;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogRun* run = runningDialog(dialog);
  if (run == nullptr)
    return FALSE;
  run->end(result);
  dialogBackEnd().end(*run);
  return TRUE;
}
