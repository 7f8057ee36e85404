// Internal helpers of the simulated file system, shared by sim/filesystem.cpp,
// sim/file_open.cpp, sim/find.cpp and sim/profile_write.cpp. Tests use sim.h.
#pragma once

#include <string>

#include "machine.h"

namespace sim {

// The path without trailing backslashes ("C:\" becomes "C:"), and its last
// part without trailing blanks and dots, as Windows looks a path up.
std::string NormalPath(const std::string& path);
// Where the last backslash before `end` stands, npos when there is none; in
// a double-byte code page a trail byte 0x5C is no backslash.
size_t LastSeparator(const std::string& path, size_t end);
// Everything before the last backslash; "" when there is none.
std::string ParentOf(const std::string& path);
FsNode* FindNode(const std::string& path);
// The path with each part in its long form, any part given in its short 8.3
// form (sim/short_names.cpp); "" when a part is missing.
std::string LongFormOf(const std::string& path);
bool IsFolder(const std::string& path);  // drive roots included
bool IsFile(const std::string& path);
// Whether a new opener with `access` and `share` is compatible with every
// open File handle and every hold on `path`.
bool SharingAllows(const std::string& path, DWORD access, DWORD share);
bool HeldAgainstDelete(const std::string& path);
// Why `path` cannot be created or rewritten by an opener sharing `share`
// (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION); 0
// when it can.
DWORD WriteRefusal(const std::string& path, DWORD share);

}  // namespace sim
