#pragma once
// On Windows the show's Windows types and constants are the system's own.
// This folder takes the place of the stand-ins' headers in the include path,
// so the show's logic calls USER32 and WINMM directly.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
