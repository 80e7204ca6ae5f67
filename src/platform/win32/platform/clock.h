#pragma once
// timeGetTime: the WINMM millisecond counter, wrapping at 2^32.

#include "platform/win_types.h"

#include <timeapi.h>
