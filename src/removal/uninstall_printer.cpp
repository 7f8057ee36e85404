#include "removal/uninstall_printer.h"

#include "removal/inf_purge.h"
#include "removal/printer_removal.h"

void UninstallPrinter(const char* printerName, const char* installInfoPath) {
  // The INF files go whatever the printer removal achieved.
  RemovePrinterAndDriver(printerName);
  PurgeWindowsInfFolders(installInfoPath);
}
