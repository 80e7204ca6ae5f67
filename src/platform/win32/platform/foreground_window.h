#pragma once
// GetForegroundWindow: USER32's own.

#include "platform/win_types.h"
