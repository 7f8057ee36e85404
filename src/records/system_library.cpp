#include "records/system_library.h"

#include <string.h>

#include "records/records.h"
#include "records/system_folder.h"

namespace {

// What each library brings along, each listed before what needs it: what
// Wine loads with it (its +loaddll trace), less Wine's own components, and
// what Windows 98 to XP bring along. cfgmgr32 forwards its exports to
// setupapi (which needs rpcrt4); winspool imports compstui (which needs
// comctl32, whose window classes have the window code load uxtheme by name)
// and loads the spooler router spoolss, which loads its provider localspl;
// Wine's imm32 delay-loads ole32 when the first window is made.
struct Companions {
  const char* library;
  const char* names[SystemLibrary::kMaxCompanions];
};

const Companions kCompanions[] = {
    {records::kConfigManagerFile, {"rpcrt4.dll", "setupapi.dll"}},
    {records::kWinspoolFile, {"uxtheme.dll", "comctl32.dll", "compstui.dll", "spoolss.dll", "localspl.dll"}},
    {records::kThemeFile, {"ole32.dll"}},
};

// NULL when the path does not fit or the library cannot be loaded.
HMODULE LoadFromSystemFolder(const char* fileName) {
  char path[records::kPathSize];
  if (!BuildSystemFilePath(fileName, path, sizeof path)) return NULL;
  return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemLibrary::SystemLibrary(const char* fileName) {
  for (const Companions& entry : kCompanions) {
    if (strcmp(entry.library, fileName) != 0) continue;
    for (int i = 0; i < kMaxCompanions && entry.names[i]; ++i)
      companions_[i].Reset(LoadFromSystemFolder(entry.names[i]));
  }
  library_.Reset(LoadFromSystemFolder(fileName));
}
