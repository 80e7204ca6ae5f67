#pragma once
// DialogBoxParamA, CheckDlgButton, IsDlgButtonChecked, EndDialog: USER32's own.

#include "platform/win_types.h"
