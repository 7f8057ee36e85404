// Paths of files in the Windows system folder. Programs and libraries of the
// system are always named by such a full path: a bare name is looked for in
// the launcher's own folder (and the current one) first, where a planted
// copy would be taken instead of the system's.
#pragma once

#include "platform/win32.h"

// System folder + "\" + `fileName` ("C:\WINDOWS\SYSTEM32\net.exe"). False,
// with `path` emptied, when the folder cannot be read or the path does not
// fit `size`.
bool BuildSystemFilePath(const char* fileName, char* path, DWORD size);

// `folder` + "\" + `fileName`, with no second backslash after a root
// folder ("C:\"). False, with `path` emptied, when it does not fit `size`.
bool BuildFolderFilePath(const char* folder, const char* fileName, char* path, DWORD size);
