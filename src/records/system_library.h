// A system library loaded at run time by its full path in the system folder,
// together with the libraries it is known to bring along. A DLL loaded by
// full path still has its own imports, forwarded exports and the libraries
// it loads by bare name looked for beside Setup.exe first; loading each of
// those first by its full path makes every later load by name find the
// module already loaded (Windows and Wine match a loaded module by its base
// name), so no copy beside the launcher is ever taken.
#pragma once

#include "platform/handles.h"
#include "platform/win32.h"

namespace records {

const char kConfigManagerFile[] = "cfgmgr32.dll";
const char kWinspoolFile[] = "winspool.drv";
// The theme library, with what the system's window code loads by bare name
// when the process shows its first window (Wine's user32 loads uxtheme.dll,
// its imm32 delay-loads ole32.dll): held while the launcher shows a box or
// its dialog.
const char kThemeFile[] = "uxtheme.dll";

}  // namespace records

class SystemLibrary {
 public:
  // Loads each library `fileName` brings along, then `fileName` itself, each
  // by system folder + "\" + name with LOAD_WITH_ALTERED_SEARCH_PATH (its
  // imports are then looked for in the system folder first). A companion
  // that cannot be loaded is left out: not every release has each. A path
  // that does not fit is skipped.
  explicit SystemLibrary(const char* fileName);
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The library, or NULL when it could not be loaded. The companions are held
  // as long as it is, and released after it, in the reverse order of loading.
  HMODULE get() const { return library_.get(); }

  static const int kMaxCompanions = 6;

 private:
  // Declared before library_: members go in reverse order, so the library is
  // released first, then its companions from the last loaded to the first.
  ScopedLibrary companions_[kMaxCompanions];
  ScopedLibrary library_;
};
