#pragma once
// MessageBoxA: USER32's own.

#include "platform/win_types.h"
