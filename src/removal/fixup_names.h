// The fixed names and values of the fix-ups before setup, and which fix-ups
// each Windows release gets. Every path name begins with a backslash and is
// appended to the folder its comment names.
#pragma once

#include "platform/win32.h"
#include "records/os_version.h"

namespace fixups {

// Path buffers of the fix-ups; the clean-up command line has its own, smaller one.
const DWORD kPathSize = 1024;
const DWORD kCleanupCommandSize = 260;

// layout.inf of the Windows INF folder gains this entry (in the INF format:
// source disk 5, subdirectory "..\system32\drivers", 26768 bytes).
const char kLayoutInf[] = "\\inf\\layout.inf";  // below the Windows folder
const char kLayoutSection[] = "SourceDisksFiles";
const char kLayoutKey[] = "usbhub.sys";
const char kLayoutValue[] = "5,..\\system32\\drivers,26768";

// Stale libraries deleted from the system folder, in this order.
const char* const kStaleLibraries[] = {"\\Oemk3207.dll", "\\Oemrgx07.dll"};

// Runtime libraries copied from the launcher folder into the system folder.
const char* const kRuntimeLibraries[] = {"\\msvcp60.dll", "\\mfc42.dll"};

// The clean-up program beside the launcher and its argument: the command
// line is launcher folder + "\Cleanup.exe -Setup", unquoted.
const char kCleanupProgram[] = "\\Cleanup.exe";
const char kCleanupArguments[] = "-Setup";

// Which fixes each release gets; a release not listed gets none.
struct ReleaseFixes {
  DWORD kind;              // an OsKind
  bool patchLayoutInf;     // runs first
  bool deleteStaleLibraries;
};
const ReleaseFixes kFixesByRelease[] = {
    {OS_WIN98, true, true},
    {OS_WIN98SE, false, true},
    {OS_WINME, false, true},
};

}  // namespace fixups
