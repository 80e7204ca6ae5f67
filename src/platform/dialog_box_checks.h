#pragma once
// What every dialog back end decides the same way: whether DialogBoxParamA
// may run a dialog, and the state CheckDlgButton gives a box.

#include "platform/win_types.h"
#include "resources/dialog_template.h"

// DialogBoxParamA's result when no dialog could be run.
constexpr INT_PTR dialogFailed = -1;

// The compiled-in template the call names, or nullptr when the call must
// fail with dialogFailed: a name that is no resource id, an id with no
// template, or no procedure to run the dialog.
const DialogTemplate* dialogToRun(const char* templateName, DLGPROC dialogProc);

// A two-state check box shows any state but unchecked as checked.
constexpr UINT twoStateCheck(UINT check) {
  return check != BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
}
