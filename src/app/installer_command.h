// The package installer's command line: the folder of an earlier
// installation, read from the product key, is handed over as INSTALLDIR.
#pragma once

#include "platform/win32.h"

// Fills `location` (`size` bytes, 1024 in the launcher) with the folder of an
// earlier installation: the product key's "InstalledLocation", with one
// trailing backslash removed. Empty when the information file names no
// product key that opens, or the value is absent or does not fit. The
// information file is found afresh from the module path.
void ReadInstalledLocation(char* location, DWORD size);

// Fills `program` with launcher folder + "\Install\Setup.exe" and
// `arguments` with  /V"INSTALLDIR=\"<location>\""  (without the leading
// blank) or with the empty string. Both buffers hold `size` bytes.
//
// The location is left out, and the installer gets no INSTALLDIR, when it is
// empty, when it holds a quotation mark (which would end the quoted value
// early and pass the rest as further switches), or when the program path, a
// blank and the argument would not fit `size` bytes as one command line; a
// command line is never cut. Returns false, with both buffers empty, when
// even the program path does not fit: nothing is to be started.
bool BuildInstallerCommand(const char* launcherFolder, const char* location, char* program, char* arguments,
                           DWORD size);
