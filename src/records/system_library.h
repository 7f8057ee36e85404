// A system library loaded at run time by its full path in the system folder,
// with the libraries it brings along. A DLL loaded by full path still has
// the libraries it loads by bare name, and the targets of its forwarded
// exports, looked for beside Setup.exe (and in the current folder) before
// the system folder. Where a file of such a name stands there, the system
// folder's copy is loaded first by its full path, so that the later load by
// name finds the module already loaded (Windows and Wine match a loaded
// module by its base name) and the planted copy is never taken. Where no
// such file stands, nothing more is loaded: the search can only find the
// system's copy, and a library that runs in the spooler service on 2000 and
// XP, or that the release does not have, is not brought into the launcher.
#pragma once

#include "platform/handles.h"
#include "platform/win32.h"

namespace records {

const char kConfigManagerFile[] = "cfgmgr32.dll";
const char kWinspoolFile[] = "winspool.drv";
// The window system (user32, bound on first call from the system folder):
// what it loads by name when the process shows its first window is guarded
// while the launcher shows a box or its dialog.
const char kWindowSystemFile[] = "user32.dll";

}  // namespace records

// The guarded companions of one library (see above), held as long as the
// object lives and released in the reverse order of loading.
class SystemCompanions {
 public:
  explicit SystemCompanions(const char* fileName);
  SystemCompanions(const SystemCompanions&) = delete;
  SystemCompanions& operator=(const SystemCompanions&) = delete;

  static const int kMax = 6;

 private:
  ScopedLibrary loaded_[kMax];
};

class SystemLibrary {
 public:
  // Loads the guarded companions of `fileName`, then `fileName` itself, each
  // by system folder + "\" + name with LOAD_WITH_ALTERED_SEARCH_PATH (its
  // imports are then looked for in the system folder first). A companion
  // the release lacks is left out. A path that does not fit is skipped.
  explicit SystemLibrary(const char* fileName);
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The library, or NULL when it could not be loaded. Released before its
  // companions.
  HMODULE get() const { return library_.get(); }

 private:
  SystemCompanions companions_;
  ScopedLibrary library_;
};
