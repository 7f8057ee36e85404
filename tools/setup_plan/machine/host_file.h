// Files of the host that setup-plan reads: .reg files, the state file, the
// observed outcome, file contents for --file. Only a regular file is read; a
// folder, a pipe or a device is refused before it is opened (a pipe would
// block the read, a device may never end), and every refusal is one line
// "FILE:0: error: what, and what to do".
#pragma once

#include <fstream>
#include <string>

namespace plan {

// The whole of the regular file at `path`; false with `error` when it is no
// regular file or cannot be read. `role` names what the file is for in the
// fix ("a .reg file", "a file of outcome lines").
bool ReadHostFile(const std::string& path, const std::string& role, std::string* content, std::string* error);

// Opens the regular file at `path` for reading in pieces, with its size;
// false with `error` as ReadHostFile.
bool OpenHostFile(const std::string& path, const std::string& role, std::ifstream* in, long long* size,
                  std::string* error);

// Whether `path` names something that is not a regular file (a folder, pipe,
// device); `error` then says what it is. A path that names nothing passes.
bool RefuseNonFile(const std::string& path, const std::string& role, std::string* error);

}  // namespace plan
