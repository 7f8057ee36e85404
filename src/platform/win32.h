// The one door to the operating system. On Windows the launcher's calls go to
// the real system DLLs; on the Linux host the same names are implemented by
// the simulated Windows in sim/, so the same sources build for both.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>
#include <mbstring.h>
#include <mbctype.h>
#else
#include "win32_host.h"
#endif
