// Which program an uninstall command line names. Windows, given a command
// line without an application name, also looks in the launcher's own folder
// and the current folder, and for an unquoted path with blanks tries the
// shortest prefix first ("C:\Program.exe" before "C:\Program Files\...").
// This lookup never does either:
//   - a quoted first token is that path;
//   - unquoted, the blank-separated prefixes are tried from the longest to
//     the shortest, so that a shorter file planted higher up in the path
//     never wins over the program the whole text names;
//   - a name with a folder counts only as a full path (drive or network
//     share); a relative one would depend on the current folder;
//   - a bare name is looked for in the system folder, the Windows folder and
//     the full-path folders of PATH other than the launcher's and the
//     current folder, in that order;
//   - ".exe" is added where Windows adds it: to a name without extension.
#pragma once

#include "platform/win32.h"

// Fills `program` (`size` bytes) with the full path of the program file and
// returns true; false (and an empty `program`) when none is found.
bool FindUninstallProgram(const char* commandLine, char* program, DWORD size);
