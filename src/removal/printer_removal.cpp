// Removal of one printer queue and its driver. On Windows 2000 and XP the
// removal waits for Plug and Play, gives a window of the queue up to ten
// seconds to appear and answers it with OK, and restarts the spooler before
// the driver is deleted (and once more before the single retry); on every
// other release the queue and the driver are deleted directly.
#include "removal/printer_removal.h"

#include <string.h>

#include "devices/settling_wait.h"
#include "platform/local_block.h"
#include "records/os_version.h"
#include "records/records.h"
#include "removal/winspool_api.h"

namespace {

const DWORD kWindowPassPauseMs = 500;
const int kFurtherWindowPasses = 20;
// How long a queue window may take to handle OK. Windows counts a window
// that has taken no message for 5 s as hung; one that needs longer than that
// for a button press is treated as hung too, so the removal never waits on
// another program's message loop.
const UINT kQueueWindowAnswerMs = 5000;

// The printer name CloseQueueWindows looks for (EnumWindows passes it no
// context), and whether the pass under way has answered a window.
char g_szQueuePrinterName[records::kPathSize];
bool g_queueWindowAnswered = false;

// Copies the queue's driver name into `driverName` (kShortSize bytes).
// False when the queue's level-2 information cannot be read: the size query
// reports nothing, the block cannot be allocated, the read fails or reports
// another size than the query did. `*nameFits` is false when the queue names
// no driver, or one too long for the buffer: a cut name could name another
// driver, so none is deleted then.
bool ReadDriverName(const WinspoolLibrary& winspool, HANDLE printer, char* driverName, bool* nameFits) {
  memset(driverName, 0, records::kShortSize);
  *nameFits = false;
  BYTE probe[4];
  DWORD needed = 0;
  winspool.getPrinter(printer, 2, probe, sizeof probe, &needed);  // fails by design: only the size counts
  if (needed == 0) return false;

  ScopedLocalBlock block(needed);
  if (!block.get()) return false;
  DWORD neededAgain = 0;
  if (!winspool.getPrinter(printer, 2, block.get(), needed, &neededAgain) || neededAgain != needed) return false;

  const PRINTER_INFO_2A* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.get());
  if (info->pDriverName && strlen(info->pDriverName) < records::kShortSize) {
    strcpy(driverName, info->pDriverName);
    *nameFits = true;
  }
  return true;
}

// One pass over the top-level windows; true when a window was answered.
bool MakeWindowPass() {
  g_queueWindowAnswered = false;
  EnumWindows(CloseQueueWindows, 0);
  return g_queueWindowAnswered;
}

// One pass, then up to 20 more after a pause each, until a window of the
// queue has been answered. A name that does not fit the shared buffer is
// not looked for: cut, it would match other windows.
void AnswerQueueWindow(const char* printerName) {
  if (strlen(printerName) >= sizeof g_szQueuePrinterName) return;
  strcpy(g_szQueuePrinterName, printerName);
  if (MakeWindowPass()) return;
  for (int pass = 0; pass < kFurtherWindowPasses; ++pass) {
    Sleep(kWindowPassPauseMs);
    if (MakeWindowPass()) return;
  }
}

// Right after the queue has gone the spooler may still hold the driver's
// files; a restart frees them, so a failed deletion is tried once more.
void RemoveOnNt5(const WinspoolLibrary& winspool, ScopedPrinter& printer, const char* printerName,
                 char* driverName, bool deleteDriver) {
  AnswerQueueWindow(printerName);
  RestartSpooler();
  winspool.deletePrinter(printer.get());
  printer.Close();
  if (!deleteDriver || !winspool.deletePrinterDriverEx) return;
  if (!winspool.deletePrinterDriverEx(NULL, NULL, driverName, DPD_DELETE_UNUSED_FILES, 0)) {
    RestartSpooler();
    winspool.deletePrinterDriverEx(NULL, NULL, driverName, DPD_DELETE_UNUSED_FILES, 0);
  }
}

void RemoveDirectly(const WinspoolLibrary& winspool, ScopedPrinter& printer, char* driverName, bool deleteDriver) {
  winspool.deletePrinter(printer.get());
  printer.Close();
  if (deleteDriver && winspool.deletePrinterDriver) winspool.deletePrinterDriver(NULL, NULL, driverName);
}

}  // namespace

void RemovePrinterAndDriver(const char* printerName) {
  // An empty name would be found in every window title.
  if (!printerName || !printerName[0]) return;
  const bool nt5 = IsNt5Kind(CurrentOsKind());
  if (nt5) WaitNoPendingInstallEvents(INFINITE);

  WinspoolLibrary winspool;
  if (!winspool.usable()) return;
  ScopedPrinter printer(winspool);
  if (!printer.Open(printerName, PRINTER_ALL_ACCESS)) return;
  char driverName[records::kShortSize];
  bool deleteDriver = false;
  if (!ReadDriverName(winspool, printer.get(), driverName, &deleteDriver)) return;

  if (nt5) {
    RemoveOnNt5(winspool, printer, printerName, driverName, deleteDriver);
  } else {
    RemoveDirectly(winspool, printer, driverName, deleteDriver);
  }
}

BOOL CALLBACK CloseQueueWindows(HWND window, LPARAM) {
  char title[records::kShortSize];
  memset(title, 0, sizeof title);
  GetWindowTextA(window, title, sizeof title);
  if (!g_szQueuePrinterName[0] ||
      !_mbsstr(reinterpret_cast<const unsigned char*>(title),
               reinterpret_cast<const unsigned char*>(g_szQueuePrinterName)))
    return TRUE;
  // Sent, not posted: a window that answers has handled OK before the
  // removal goes on. A hung window is given up at once, a slow one after the
  // bound; either way it was found, so the passes end as for one that
  // answered (waiting for it over more passes would gain nothing).
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_COMMAND, IDOK, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kQueueWindowAnswerMs, &result);
  g_queueWindowAnswered = true;
  return FALSE;
}
