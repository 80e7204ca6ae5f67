#pragma once
// What every DialogBoxParamA back end checks before running a dialog.

#include "platform/win_types.h"
#include "resources/dialog_template.h"

// DialogBoxParamA's result when no dialog could be run.
constexpr INT_PTR dialogFailed = -1;

// The compiled-in template the call names, or nullptr when the call must
// fail with dialogFailed: a name that is no resource id, an id with no
// template, or no procedure to run the dialog.
const DialogTemplate* dialogToRun(const char* templateName, DLGPROC dialogProc);
