#include "removal/uninstall_printer.h"

#include "removal/printer_removal.h"

// The INF purge is not built yet: removal mode removes the printer queue and
// its driver only.
void UninstallPrinter(const char* printerName, const char*) { RemovePrinterAndDriver(printerName); }
