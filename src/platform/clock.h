#pragma once
// Milliseconds from an arbitrary start, wrapping at 2^32.

#include "platform/win_types.h"

DWORD timeGetTime();
