// The state one plan leaves for the next: the whole simulated registry,
// written as a REGEDIT4 file that the .reg reader reads back unchanged
// (texts, dwords, and every other type as hex(N)). Files are not kept: what
// the launcher decides on a later run depends on the registry only.
#pragma once

#include <string>

#include "platform/win32.h"

namespace plan {

// Value data as REGEDIT4 writes what is no plain text: dword:XXXXXXXX for a
// four-byte REG_DWORD, hex:aa,bb for REG_BINARY, hex(N):aa,bb otherwise, N
// the type in hex.
std::string RegDataText(DWORD type, const std::string& data);

// The registry as REGEDIT4 text with CRLF line ends.
std::string RegistryAsRegedit4();

// Writes RegistryAsRegedit4() to `path`; false with `error` when it cannot.
bool SaveState(const std::string& path, std::string* error);

}  // namespace plan
