// The state one plan leaves for the next: the whole simulated registry,
// written as a REGEDIT4 file that the .reg reader reads back unchanged
// (texts, dwords, and every other type as hex(N)). Files are not kept: what
// the launcher decides on a later run depends on the registry only.
#pragma once

#include <string>

namespace plan {

// The registry as REGEDIT4 text with CRLF line ends.
std::string RegistryAsRegedit4();

// Writes RegistryAsRegedit4() to `path`; false with `error` when it cannot.
bool SaveState(const std::string& path, std::string* error);

}  // namespace plan
