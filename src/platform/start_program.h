// Starts a program the way the launcher starts every child: the program's
// full path as the application name, so that nothing is looked for in the
// launcher's or the current folder; no inherited handles, creation flags 0,
// the launcher's environment and current folder.
#pragma once

#include "platform/win32.h"

// The command line is `programPath` (unquoted) followed by a blank and
// `arguments` (may be NULL); the STARTUPINFOA is zero-filled with only its
// size set. Returns whether the program started. When `process` is NULL the
// new process's handles are closed at once; otherwise the caller owns them
// (both are NULL when the start failed). A command line that would not fit
// 1024 bytes is not started.
bool StartProgram(const char* programPath, const char* arguments, PROCESS_INFORMATION* process);

// As StartProgram, but the command line is exactly `commandLineText` (which
// need not name the program the way `programPath` does, e.g. "net stop
// spooler"), the window is shown as `showState` (STARTF_USESHOWWINDOW), and
// the creation flags are `creationFlags` (CREATE_SUSPENDED or 0).
bool StartProgramShown(const char* programPath, const char* commandLineText, WORD showState, DWORD creationFlags,
                       PROCESS_INFORMATION* process);
