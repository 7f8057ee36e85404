// The simulated machine a plan runs on: the Windows release and code page,
// the package folder copied from disk, the registry from .reg files, open
// windows, printers, the INF folder, the system files every release has,
// and the maintenance dialog's resources as the launcher's executable
// carries them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "options.h"
#include "platform/win32.h"

namespace plan {

struct Machine {
  std::string releaseName;               // "Windows 98 Second Edition"
  std::string launcherFolder;            // e.g. C:\Package
  std::map<HWND, std::string> windows;   // the open windows the options named
  std::vector<std::string> programs;     // every program file that can be started
  std::vector<std::string> warnings;     // from reading the .reg files
};

// Text of the release name given with --release, or "" when unknown.
std::string ReleaseName(const std::string& release);
// Every name --release takes, in the order of age.
std::vector<std::string> ReleaseOptions();
// Whether the release --release names is of the 95, 98 and Me family
// (Win32s too), and whether it is 2000 or later.
bool ReleaseIsWin9x(const std::string& release);
bool ReleaseIsNt5OrLater(const std::string& release);

// Resets the simulator and sets everything up; false with `error` when an
// input cannot be read.
bool PoseMachine(const Options& options, Machine* machine, std::string* error);

struct RegFile;
// Reads and parses one .reg file from the host; false with `error` (every
// finding, one per line) when it cannot be read or has errors.
bool ReadRegFile(const std::string& path, RegFile* file, std::string* error);
// Reads and applies one .reg file from the host; false with `error` (every
// finding, one per line) when it has errors. Given the release family
// (`win9x`), a device key in the other family's layout is warned of.
bool LoadRegFile(const std::string& path, std::vector<std::string>* warnings, std::string* error,
                 const bool* win9x = nullptr);

// A path of the options (relative to the package, or a full Windows path)
// as a full Windows path.
std::string ProgramPath(const std::string& launcherFolder, const std::string& program);

}  // namespace plan
