// The Win32 calls the serial component is written against: the real ones on
// Windows, our POSIX rendering of them elsewhere (with the device a port
// name opens).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "posix/device_path.h"
#include "posix/win32_posix.h"
#endif
