// The simulated print spooler behind a run-time loaded winspool.drv, heap
// blocks from LocalAlloc, and the system's net command. Queues and drivers
// are named without regard to case. A queue deleted with DeletePrinter goes
// when its last handle is closed, and a driver cannot be deleted while a
// queue still uses it, as on Windows.
#include <cstdlib>
#include <cstring>

#include "machine.h"

namespace {

using sim::M;

std::string Text(const char* s) { return s ? std::string(s) : std::string("(null)"); }

sim::SpoolerPrinter* PrinterOf(HANDLE handle) {
  sim::HandleObject* h = sim::Lookup(handle, sim::HandleKind::Printer);
  if (!h) return nullptr;
  auto it = M().printers.find(h->path);
  return it == M().printers.end() ? nullptr : &it->second;
}

bool DriverInUse(const std::string& driver) {
  for (const auto& p : M().printers)
    if (sim::SameNoCase(p.second.driver, driver)) return true;
  return false;
}

BOOL WINAPI SimOpenPrinterA(LPSTR pPrinterName, HANDLE* phPrinter, PRINTER_DEFAULTSA* pDefault) {
  const DWORD access = pDefault ? pDefault->DesiredAccess : PRINTER_ACCESS_USE;
  char accessText[16];
  std::snprintf(accessText, sizeof accessText, "%#lx", static_cast<unsigned long>(access));
  std::string detail = Text(pPrinterName) + "|" + accessText;
  if (pDefault) detail += "|" + Text(pDefault->pDatatype) + "|" + (pDefault->pDevMode ? "devmode" : "(null)");
  if (sim::Enter("OpenPrinterA", detail)) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  auto it = pPrinterName ? M().printers.find(pPrinterName) : M().printers.end();
  if (it == M().printers.end() || it->second.deletePending) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
  }
  // Users print; managing a queue (PRINTER_ALL_ACCESS, or any of its
  // administrative rights) is refused them.
  if (sim::LimitedUserOnNt() && (access & ~static_cast<DWORD>(PRINTER_ACCESS_USE | READ_CONTROL))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (M().openPrinterGivesNull) {
    *phPrinter = nullptr;
    return TRUE;
  }
  sim::HandleObject obj(sim::HandleKind::Printer);
  obj.path = it->second.name;
  const uintptr_t handle = sim::NewHandle(obj);
  M().printerAccess[handle] = access;
  *phPrinter = reinterpret_cast<HANDLE>(handle);
  return TRUE;
}

// Level 2: the structure, then its strings, in one block.
BOOL WINAPI SimGetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  sim::SpoolerPrinter* printer = PrinterOf(hPrinter);
  if (sim::Enter("GetPrinterA", std::to_string(Level) + "|" + std::to_string(cbBuf))) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  if (!printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  const std::string strings[] = {printer->name, "LPT1:", printer->driver, "WinPrint", "RAW"};
  DWORD needed = sizeof(PRINTER_INFO_2A);
  for (const std::string& s : strings) needed += static_cast<DWORD>(s.size() + 1);
  *pcbNeeded = needed;
  if (cbBuf < needed || !pPrinter) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    std::function<void()> change = std::move(M().betweenPrinterQueries);
    M().betweenPrinterQueries = nullptr;
    if (change) change();
    return FALSE;
  }
  std::memset(pPrinter, 0, cbBuf);
  char* tail = reinterpret_cast<char*>(pPrinter) + sizeof(PRINTER_INFO_2A);
  LPSTR placed[5];
  for (int i = 0; i < 5; ++i) {
    std::memcpy(tail, strings[i].c_str(), strings[i].size() + 1);
    placed[i] = tail;
    tail += strings[i].size() + 1;
  }
  PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(pPrinter);
  info->pPrinterName = placed[0];
  info->pPortName = placed[1];
  info->pDriverName = placed[2];
  info->pPrintProcessor = placed[3];
  info->pDatatype = placed[4];
  return TRUE;
}

BOOL WINAPI SimDeletePrinter(HANDLE hPrinter) {
  sim::SpoolerPrinter* printer = PrinterOf(hPrinter);
  if (sim::Enter("DeletePrinter", printer ? printer->name : std::string())) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  if (!printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(M().printerAccess[reinterpret_cast<uintptr_t>(hPrinter)] & DELETE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  printer->deletePending = true;
  return TRUE;
}

// The handle is gone even when the call reports a failure.
BOOL WINAPI SimClosePrinter(HANDLE hPrinter) {
  sim::HandleObject* h = sim::Lookup(hPrinter, sim::HandleKind::Printer);
  const bool fail = sim::Enter("ClosePrinter", h ? h->path : std::string());
  if (!h) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::string name = h->path;
  sim::DropHandle(hPrinter);
  M().printerAccess.erase(reinterpret_cast<uintptr_t>(hPrinter));
  auto it = M().printers.find(name);
  bool stillOpen = false;
  for (const auto& entry : M().handles)
    if (entry.second.kind == sim::HandleKind::Printer && sim::SameNoCase(entry.second.path, name)) stillOpen = true;
  if (it != M().printers.end() && it->second.deletePending && !stillOpen) M().printers.erase(it);
  if (fail) SetLastError(RPC_S_SERVER_UNAVAILABLE);
  return fail ? FALSE : TRUE;
}

BOOL DeleteDriver(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName) {
  (void)pName;
  (void)pEnvironment;
  const std::string driver = pDriverName ? pDriverName : "";
  if (sim::LimitedUserOnNt()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!M().printerDrivers.count(driver)) {
    SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
    return FALSE;
  }
  if (DriverInUse(driver)) {
    SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
    return FALSE;
  }
  M().printerDrivers.erase(driver);
  return TRUE;
}

BOOL WINAPI SimDeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName) {
  if (sim::Enter("DeletePrinterDriverA", Text(pName) + "|" + Text(pEnvironment) + "|" + Text(pDriverName))) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  return DeleteDriver(pName, pEnvironment, pDriverName);
}

BOOL WINAPI SimDeletePrinterDriverExA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName, DWORD dwDeleteFlag,
                                      DWORD dwVersionFlag) {
  const std::string detail = Text(pName) + "|" + Text(pEnvironment) + "|" + Text(pDriverName) + "|" +
                             std::to_string(dwDeleteFlag) + "|" + std::to_string(dwVersionFlag);
  if (sim::Enter("DeletePrinterDriverExA", detail)) {
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  return DeleteDriver(pName, pEnvironment, pDriverName);
}

}  // namespace

namespace sim {

void InstallWinspool(const std::vector<std::string>& missing) {
  const std::vector<std::pair<std::string, FARPROC>> all = {
      {"OpenPrinterA", sim::AsExport(&SimOpenPrinterA)},
      {"GetPrinterA", sim::AsExport(&SimGetPrinterA)},
      {"DeletePrinter", sim::AsExport(&SimDeletePrinter)},
      {"ClosePrinter", sim::AsExport(&SimClosePrinter)},
      {"DeletePrinterDriverA", sim::AsExport(&SimDeletePrinterDriverA)},
      {"DeletePrinterDriverExA", sim::AsExport(&SimDeletePrinterDriverExA)},
  };
  std::vector<std::pair<std::string, FARPROC>> exports;
  for (const auto& e : all) {
    bool left = false;
    for (const std::string& m : missing) left = left || m == e.first;
    if (!left) exports.push_back(e);
  }
  const std::string& folder = M().systemDir;
  const std::string prefix = folder + (folder.back() == '\\' ? "" : "\\");
  DefineLibrary(prefix + "winspool.drv", exports);
  // The spooler's other libraries in the system folder: on 98 and Me the
  // router and local provider in one spoolss.dll; on 2000 and XP the router,
  // the local provider (both run in the spooler service), the common
  // property sheets and the common controls.
  if (M().version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    DefineLibrary(prefix + "spoolss.dll", {});
  } else {
    for (const char* companion : {"spoolss.dll", "localspl.dll", "compstui.dll", "comctl32.dll"})
      DefineLibrary(prefix + companion, {});
  }
}

void AddPrinterDriver(const std::string& driver) { M().printerDrivers.insert(driver); }

void AddPrinter(const std::string& printer, const std::string& driver) {
  SpoolerPrinter& p = M().printers[printer];
  p.name = printer;
  p.driver = driver;
  p.deletePending = false;
}

bool PrinterExists(const std::string& printer) { return M().printers.count(printer) != 0; }

std::vector<std::string> PrinterNames() {
  std::vector<std::string> names;
  for (const auto& p : M().printers) names.push_back(p.second.name);
  return names;
}

std::vector<std::string> PrinterDriverNames() {
  return std::vector<std::string>(M().printerDrivers.begin(), M().printerDrivers.end());
}
bool PrinterDriverExists(const std::string& driver) { return M().printerDrivers.count(driver) != 0; }
void BetweenPrinterQueries(std::function<void()> change) { M().betweenPrinterQueries = std::move(change); }
void OpenPrinterGivesNullHandle(bool enable) { M().openPrinterGivesNull = enable; }
int LocalBlocks() { return static_cast<int>(M().localBlocks.size()); }

void InstallNetCommand(DWORD runsForMs) { InstallNetCommand(runsForMs, runsForMs); }

void InstallNetCommand(DWORD runsForMs, DWORD stopRunsForMs) {
  const std::string& folder = M().systemDir;
  const std::string path = folder + (folder.back() == '\\' ? "" : "\\") + "net.exe";
  WriteFile(path, "MZ");
  DefineProgram(path, nullptr, runsForMs);
  M().programs[path].limitedUserExitCode = 2;  // after "System error 5 has occurred."
  M().programs[path].runsForWhen.push_back({" stop ", stopRunsForMs});
  // net.exe hands the command to net1.exe, which asks the question.
  const std::string worker = folder + (folder.back() == '\\' ? "" : "\\") + "net1.exe";
  WriteFile(worker, "MZ");
  DefineProgram(worker);
  SetProgramWorker(path, worker);
}

}  // namespace sim

HLOCAL LocalAlloc(UINT uFlags, size_t uBytes) {
  if (sim::Enter("LocalAlloc", std::to_string(uBytes))) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* block = (uFlags & LMEM_ZEROINIT) ? std::calloc(uBytes ? uBytes : 1, 1) : std::malloc(uBytes ? uBytes : 1);
  M().localBlocks[block] = uBytes;
  return block;
}

// NULL when released; the block itself when it is no block of ours.
HLOCAL LocalFree(HLOCAL hMem) {
  sim::Enter("LocalFree");
  if (!hMem) return nullptr;
  auto it = M().localBlocks.find(hMem);
  if (it == M().localBlocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  M().localBlocks.erase(it);
  std::free(hMem);
  return nullptr;
}
