// Run-time loading as the launcher does it for cfgmgr32.dll: by its full path
// in the system folder, one export looked up by name.
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

typedef DWORD(WINAPI* WaitNoPendingInstallEventsProc)(DWORD);

static std::string SystemLibrary(const char* name) {
  char folder[MAX_PATH];
  UINT n = GetSystemDirectoryA(folder, sizeof folder);
  ok(n > 0 && n < sizeof folder, "GetSystemDirectoryA gave %u", n);
  return std::string(folder) + "\\" + name;
}

// All Windows versions: a DLL that is nowhere fails to load with
// ERROR_MOD_NOT_FOUND (126), by bare name or by full path.
CONTRACT_TEST(Library_MissingDllFailsToLoad) {
  SetLastError(0xdeadbeef);
  HMODULE module = LoadLibraryA("contract_no_such_library.dll");
  ok(module == nullptr, "bare name loaded");
  ok(GetLastError() == ERROR_MOD_NOT_FOUND, "bare name: last error %lu", static_cast<unsigned long>(GetLastError()));
  if (module) FreeLibrary(module);
  SetLastError(0xdeadbeef);
  module = LoadLibraryA(SystemLibrary("contract_no_such_library.dll").c_str());
  ok(module == nullptr, "full path loaded");
  ok(GetLastError() == ERROR_MOD_NOT_FOUND, "full path: last error %lu", static_cast<unsigned long>(GetLastError()));
  if (module) FreeLibrary(module);
}

// All Windows versions: an export the DLL does not have gives NULL and
// ERROR_PROC_NOT_FOUND (127); export names are case-sensitive.
CONTRACT_TEST(Library_MissingExportIsProcNotFound) {
  fixture::ProvideConfigManager();
  HMODULE module = LoadLibraryA(SystemLibrary("cfgmgr32.dll").c_str());
  ok(module != nullptr, "cfgmgr32.dll not loaded: %lu", static_cast<unsigned long>(GetLastError()));
  if (!module) return;
  SetLastError(0xdeadbeef);
  FARPROC proc = GetProcAddress(module, "ContractNoSuchExport");
  ok(proc == nullptr && GetLastError() == ERROR_PROC_NOT_FOUND, "missing export: %p, %lu",
     reinterpret_cast<void*>(proc), static_cast<unsigned long>(GetLastError()));
  SetLastError(0xdeadbeef);
  proc = GetProcAddress(module, "cmp_waitnopendinginstallevents");
  ok(proc == nullptr && GetLastError() == ERROR_PROC_NOT_FOUND, "export in other case: %p, %lu",
     reinterpret_cast<void*>(proc), static_cast<unsigned long>(GetLastError()));
  ok(FreeLibrary(module) != FALSE, "FreeLibrary failed");
}

// Windows 2000 and later (and Wine): cfgmgr32.dll in the system folder exports
// CMP_WaitNoPendingInstallEvents, which returns WAIT_OBJECT_0 when no
// installation is pending (Wine: at once, always). Its exports are forwarded
// to setupapi.dll, loaded by its base name by the time one is looked up.
CONTRACT_TEST(Library_ConfigManagerWaitReturns) {
  fixture::ProvideConfigManager();
  ok(GetModuleHandleA("setupapi.dll") == nullptr, "setupapi.dll loaded before cfgmgr32.dll");
  HMODULE module = LoadLibraryA(SystemLibrary("cfgmgr32.dll").c_str());
  ok(module != nullptr, "cfgmgr32.dll not loaded: %lu", static_cast<unsigned long>(GetLastError()));
  if (!module) return;
  FARPROC proc = GetProcAddress(module, "CMP_WaitNoPendingInstallEvents");
  ok(proc != nullptr, "no CMP_WaitNoPendingInstallEvents: %lu", static_cast<unsigned long>(GetLastError()));
  ok(GetModuleHandleA("setupapi.dll") != nullptr, "the forwarded export's setupapi.dll not loaded");
  if (proc) {
    WaitNoPendingInstallEventsProc wait = reinterpret_cast<WaitNoPendingInstallEventsProc>(
        reinterpret_cast<void (*)(void)>(proc));
    DWORD result = wait(5000);
    ok(result == WAIT_OBJECT_0, "returned %lu", static_cast<unsigned long>(result));
  }
  FreeLibrary(module);
}
