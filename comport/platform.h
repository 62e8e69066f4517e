// The Win32 calls the serial component is written against: the real ones on
// Windows, our POSIX rendering of them elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "posix/win32_posix.h"
#endif
