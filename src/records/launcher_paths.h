// The launcher's folder and the information file beside it, and the safe
// text and registry helpers every reader shares.
#pragma once

#include "platform/win32.h"

// The folder of the running executable, without a trailing backslash, cut at
// the last backslash found multibyte-aware. False (and an empty folder) when
// the module path cannot be read, does not fit `size`, or has no backslash.
bool GetLauncherFolder(char* folder, DWORD size);

// Launcher folder + "\InstallInfo.ini". False (and an empty path) when the
// folder cannot be found or the path would not fit `size`.
bool BuildInstallInfoPath(char* path, DWORD size);

// Reads [INSTALL_INFO] `key` of the information file beside the launcher,
// default empty, into `value` (cut at size - 1, as the profile call does),
// ended safely for the multibyte routines (records/text_end.h).
// The path is built afresh; when it cannot be, the value is empty.
void ReadInstallInfoValue(const char* key, char* value, DWORD size);

// snprintf into a fixed buffer, ended safely for the multibyte routines.
// False, with `buffer` emptied, when the text would not fit: callers treat
// that as "no such name".
// The compiler checks each call's directives against its arguments (the
// C99 set of the launcher's own formatting routine, not Microsoft's).
#if defined(__clang__)
#define TEXT_FORMAT_CHECKED(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define TEXT_FORMAT_CHECKED(formatIndex, firstArgument) __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#endif
bool FormatText(char* buffer, DWORD size, const char* format, ...) TEXT_FORMAT_CHECKED(3, 4);

// Reads one registry value of an open key into `buffer` and guarantees it is
// terminated. Fails (ERROR_MORE_DATA) when the data with its terminating zero
// does not fit, including a string stored without its zero that fills the
// buffer exactly. The text ends at its first zero and is ended safely for
// the multibyte routines. Returns the RegQueryValueExA status.
LONG QueryRegistryText(HKEY key, const char* valueName, char* buffer, DWORD size);
