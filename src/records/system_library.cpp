#include "records/system_library.h"

#include <string.h>

#include "records/launcher_paths.h"
#include "records/records.h"
#include "records/system_folder.h"

namespace {

// The names each library may look for by bare name, on some release or
// under Wine, each listed before what needs it (README, "Libraries a system
// library brings along", gives each with its source):
// - cfgmgr32.dll forwards its exports to setupapi.dll on 2000 and XP and
//   under Wine (a forwarder's target is found by base name); setupapi needs
//   rpcrt4.dll.
// - winspool.drv is the spooler's RPC client on 2000 and XP; on 98 and Me
//   it hands calls to spoolss.dll (router and local provider in one); Wine's
//   loads localspl.dll by name, which needs spoolss.dll, and brings along
//   compstui.dll, comctl32.dll and uxtheme.dll.
// - the window system loads uxtheme.dll by name on XP and under Wine for the
//   first window; Wine's imm32 then loads ole32.dll.
// A KnownDLL of 2000 and XP (rpcrt4, ole32) is guarded too: Windows takes it
// from the system folder anyway, but Wine has no such list.
struct Companions {
  const char* library;
  const char* names[SystemCompanions::kMax];
};

const Companions kCompanions[] = {
    {records::kConfigManagerFile, {"rpcrt4.dll", "setupapi.dll"}},
    {records::kWinspoolFile, {"uxtheme.dll", "comctl32.dll", "compstui.dll", "spoolss.dll", "localspl.dll"}},
    {records::kWindowSystemFile, {"uxtheme.dll", "ole32.dll"}},
};

bool FileIn(const char* folder, const char* name) {
  char path[records::kPathSize];
  return BuildFolderFilePath(folder, name, path, sizeof path) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Whether a file `name` stands where a load by bare name looks before the
// system folder: the launcher's folder, and the current folder (searched
// before the system folder on 98, Me, 2000 and XP before its second
// service pack). A folder that cannot be read counts as holding one.
bool StandsBeforeSystemFolder(const char* name) {
  char folder[records::kPathSize];
  if (!GetLauncherFolder(folder, sizeof folder) || FileIn(folder, name)) return true;
  const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  return length == 0 || length >= sizeof folder || FileIn(folder, name);
}

// NULL when the path does not fit or the library cannot be loaded.
HMODULE LoadFromSystemFolder(const char* fileName) {
  char path[records::kPathSize];
  if (!BuildSystemFilePath(fileName, path, sizeof path)) return NULL;
  return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemCompanions::SystemCompanions(const char* fileName) {
  for (const Companions& entry : kCompanions) {
    if (strcmp(entry.library, fileName) != 0) continue;
    for (int i = 0; i < kMax && entry.names[i]; ++i)
      if (StandsBeforeSystemFolder(entry.names[i]))
        loaded_[i].Reset(LoadFromSystemFolder(entry.names[i]));
  }
}

SystemLibrary::SystemLibrary(const char* fileName) : companions_(fileName) {
  library_.Reset(LoadFromSystemFolder(fileName));
}
