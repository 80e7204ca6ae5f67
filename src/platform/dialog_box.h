#pragma once
// Modal dialogs built from a template: the stand-in lays the template's
// controls out, runs the dialog and forwards WM_INITDIALOG and WM_COMMAND
// (control id in the low 16 bits of wParam) to the procedure.

#include "platform/win_types.h"

// Returns the value passed to EndDialog, or -1 when the dialog cannot be shown
// (no display, unknown template).
INT_PTR DialogBoxParamA(HINSTANCE instance, const char* templateName, HWND owner,
                        DLGPROC dialogProc, LPARAM initParam);

BOOL CheckDlgButton(HWND dialog, int buttonId, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int buttonId);
BOOL EndDialog(HWND dialog, INT_PTR result);
