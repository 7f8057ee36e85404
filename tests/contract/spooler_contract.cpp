// The spooler as the launcher removes a printer: winspool.drv loaded at run
// time by its full path in the system folder, a queue opened with
// PRINTER_ALL_ACCESS, its level-2 information asked for in two steps, the
// queue deleted and its driver deleted after it.
#include <cstring>
#include <string>
#include <vector>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"
#include "removal/winspool_api.h"  // the functions' types only

namespace {

const char kPrinter[] = "Contract Queue";
const char kDriver[] = "Contract Driver";

template <typename Proc>
Proc Find(HMODULE module, const char* name) {
  FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
  ok(proc != nullptr, "winspool.drv lacks %s", name);
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)(void)>(proc));
}

// The system folder's winspool.drv with the six functions of the removal.
struct Winspool {
  HMODULE module = nullptr;
  OpenPrinterAFn open = nullptr;
  GetPrinterAFn get = nullptr;
  DeletePrinterFn remove = nullptr;
  ClosePrinterFn close = nullptr;
  DeletePrinterDriverAFn deleteDriver = nullptr;
  DeletePrinterDriverExAFn deleteDriverEx = nullptr;

  Winspool() {
    fixture::ProvideWinspool();
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, sizeof folder);
    ok(n > 0 && n < sizeof folder, "GetSystemDirectoryA gave %u", n);
    module = LoadLibraryA((std::string(folder) + "\\winspool.drv").c_str());
    ok(module != nullptr, "winspool.drv not loaded: %lu", static_cast<unsigned long>(GetLastError()));
    open = Find<OpenPrinterAFn>(module, "OpenPrinterA");
    get = Find<GetPrinterAFn>(module, "GetPrinterA");
    remove = Find<DeletePrinterFn>(module, "DeletePrinter");
    close = Find<ClosePrinterFn>(module, "ClosePrinter");
    deleteDriver = Find<DeletePrinterDriverAFn>(module, "DeletePrinterDriverA");
    deleteDriverEx = Find<DeletePrinterDriverExAFn>(module, "DeletePrinterDriverExA");
  }
  ~Winspool() {
    if (module) FreeLibrary(module);
  }
  bool complete() const { return open && get && remove && close && deleteDriver && deleteDriverEx; }

  HANDLE Open(const char* name, DWORD access) {
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
    HANDLE printer = nullptr;
    SetLastError(0xdeadbeef);
    return open(const_cast<char*>(name), &printer, &defaults) ? printer : nullptr;
  }
};

// The test queue for the test's duration, and winspool.drv to reach it.
struct TestQueue {
  Winspool w;
  bool added;
  TestQueue() : added(fixture::AddTestPrinter(kPrinter, kDriver)) { ok(added, "test queue not added"); }
  ~TestQueue() { fixture::RemoveTestPrinter(kPrinter, kDriver); }

  // The queue opened with `access`; NULL (a failed check) when the queue or
  // winspool.drv is missing or the queue cannot be opened.
  HANDLE Open(DWORD access) {
    if (!w.complete() || !added) return nullptr;
    HANDLE printer = w.Open(kPrinter, access);
    ok(printer != nullptr, "queue not opened with %#lx: %lu", static_cast<unsigned long>(access),
       static_cast<unsigned long>(GetLastError()));
    return printer;
  }
};

unsigned long LastError() { return static_cast<unsigned long>(GetLastError()); }

}  // namespace

// All Windows versions: a queue nobody has cannot be opened,
// ERROR_INVALID_PRINTER_NAME (1801).
// 2000 and XP: winspool.drv is the spooler service's RPC client; opening a
// queue brings neither the spooler's router nor its local provider into the
// process (they run in the service). Wine's winspool.drv loads its local
// provider into the process, which needs the router.
CONTRACT_TEST(Spooler_ProviderStaysInTheService) {
  Winspool w;
  if (!w.complete()) return;
  if (HANDLE printer = w.Open("Contract No Such Queue", PRINTER_ACCESS_USE)) w.close(printer);
  todo_wine_ok(GetModuleHandleA("localspl.dll") == nullptr, "the local provider is loaded in the process");
  todo_wine_ok(GetModuleHandleA("spoolss.dll") == nullptr, "the spooler's router is loaded in the process");
}

CONTRACT_TEST(Spooler_UnknownQueueIsInvalidName) {
  Winspool w;
  if (!w.complete()) return;
  HANDLE printer = w.Open("Contract No Such Queue", PRINTER_ALL_ACCESS);
  ok(printer == nullptr, "unknown queue opened");
  ok(GetLastError() == ERROR_INVALID_PRINTER_NAME, "last error %lu", LastError());
  if (printer) w.close(printer);
}

// All Windows versions: level 2 asked for with 4 bytes fails with
// ERROR_INSUFFICIENT_BUFFER (122) and the size needed; read with exactly that
// size it succeeds, reports the same size and holds the driver's name.
CONTRACT_TEST(Spooler_LevelTwoSizeThenRead) {
  TestQueue queue;
  HANDLE printer = queue.Open(PRINTER_ALL_ACCESS);
  if (!printer) return;
  BYTE probe[4];
  DWORD needed = 0;
  SetLastError(0xdeadbeef);
  ok(!queue.w.get(printer, 2, probe, sizeof probe, &needed), "4 bytes were enough");
  ok(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "last error %lu", LastError());
  ok(needed > sizeof(PRINTER_INFO_2A), "needed %lu", static_cast<unsigned long>(needed));
  std::vector<BYTE> block(needed + 1);
  DWORD neededAgain = 0;
  ok(queue.w.get(printer, 2, block.data(), needed, &neededAgain) != FALSE, "read failed: %lu", LastError());
  ok(neededAgain == needed, "second size %lu, first %lu", static_cast<unsigned long>(neededAgain),
     static_cast<unsigned long>(needed));
  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
  ok(info->pDriverName && std::strcmp(info->pDriverName, kDriver) == 0, "driver %s",
     info->pDriverName ? info->pDriverName : "(null)");
  ok(info->pPrinterName && std::strstr(info->pPrinterName, kPrinter) != nullptr, "queue %s",
     info->pPrinterName ? info->pPrinterName : "(null)");
  queue.w.close(printer);
}

// All Windows versions: a driver cannot be deleted while a queue uses it
// (ERROR_PRINTER_DRIVER_IN_USE, 3001). Wine deletes it all the same.
CONTRACT_TEST(Spooler_DriverInUseIsKept) {
  TestQueue queue;
  if (!queue.w.complete() || !queue.added) return;
  SetLastError(0xdeadbeef);
  const BOOL deleted = queue.w.deleteDriver(nullptr, nullptr, const_cast<char*>(kDriver));
  todo_wine_ok(!deleted && GetLastError() == ERROR_PRINTER_DRIVER_IN_USE, "in-use driver: %d, %lu", deleted,
               LastError());
}

// All Windows versions: a queue opened with PRINTER_ALL_ACCESS is deleted
// (for good once its handle is closed); its driver then goes with
// DeletePrinterDriverA, and a second deletion finds no such driver
// (ERROR_UNKNOWN_PRINTER_DRIVER, 1797).
CONTRACT_TEST(Spooler_QueueThenDriverDeleted) {
  TestQueue queue;
  Winspool& w = queue.w;
  HANDLE printer = queue.Open(PRINTER_ALL_ACCESS);
  if (!printer) return;
  ok(w.remove(printer) != FALSE, "DeletePrinter failed: %lu", LastError());
  ok(w.close(printer) != FALSE, "ClosePrinter failed: %lu", LastError());
  HANDLE again = w.Open(kPrinter, PRINTER_ALL_ACCESS);
  ok(again == nullptr, "deleted queue opened");
  if (again) w.close(again);
  ok(w.deleteDriver(nullptr, nullptr, const_cast<char*>(kDriver)) != FALSE, "driver not deleted: %lu", LastError());
  ok(!fixture::PrinterDriverInstalled(kDriver), "driver still installed");
  SetLastError(0xdeadbeef);
  ok(!w.deleteDriver(nullptr, nullptr, const_cast<char*>(kDriver)), "driver deleted twice");
  // Wine fails without setting the last error.
  todo_wine_ok(GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER, "last error %lu", LastError());
}

// Windows 2000 and later: DeletePrinterDriverExA with DPD_DELETE_UNUSED_FILES
// and version 0 deletes an unused driver. Wine refuses every non-zero flag
// with ERROR_INVALID_PARAMETER (87) and keeps the driver.
CONTRACT_TEST(Spooler_DriverDeletedWithUnusedFilesFlag) {
  TestQueue queue;
  HANDLE printer = queue.Open(PRINTER_ALL_ACCESS);
  if (!printer) return;
  queue.w.remove(printer);
  queue.w.close(printer);
  SetLastError(0xdeadbeef);
  const BOOL deleted =
      queue.w.deleteDriverEx(nullptr, nullptr, const_cast<char*>(kDriver), DPD_DELETE_UNUSED_FILES, 0);
  todo_wine_ok(deleted != FALSE, "DeletePrinterDriverExA failed: %lu", LastError());
  todo_wine_ok(!fixture::PrinterDriverInstalled(kDriver), "driver still installed");
}

// All Windows versions: deleting a queue needs the DELETE right, which
// PRINTER_ACCESS_USE alone does not give (ERROR_ACCESS_DENIED). Wine deletes
// the queue all the same.
CONTRACT_TEST(Spooler_DeleteNeedsAllAccess) {
  TestQueue queue;
  HANDLE printer = queue.Open(PRINTER_ACCESS_USE);
  if (!printer) return;
  SetLastError(0xdeadbeef);
  const BOOL deleted = queue.w.remove(printer);
  todo_wine_ok(!deleted && GetLastError() == ERROR_ACCESS_DENIED, "DeletePrinter: %d, %lu", deleted, LastError());
  queue.w.close(printer);
}
