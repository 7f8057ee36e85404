#include "removal_double.h"

#include "removal/uninstall_printer.h"
#include "sim.h"

std::vector<UninstallPrinterCall>& UninstallPrinterCalls() {
  static std::vector<UninstallPrinterCall> calls;
  return calls;
}

void UninstallPrinter(const char* printerName, const char* installInfoPath) {
  UninstallPrinterCalls().push_back({printerName, installInfoPath, sim::Now()});
}
