// Starts a program of the package the way the launcher starts every child:
// the program's full path as the application name, and as the command line
// that path (unquoted) followed by the arguments; no inherited handles,
// creation flags 0, the launcher's environment and current folder, a
// zero-filled STARTUPINFOA with only its size set.
#pragma once

#include "platform/win32.h"

// `arguments` may be NULL. Returns whether the program started. When
// `process` is NULL the new process's handles are closed at once; otherwise
// the caller owns them (both are NULL when the start failed). A command line
// that would not fit 1024 bytes is not started.
bool StartProgram(const char* programPath, const char* arguments, PROCESS_INFORMATION* process);
