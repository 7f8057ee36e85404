#include "removal/uninstall_printer.h"

// Printer, driver and INF removal are not built yet: removal mode currently
// removes nothing and the launch sequence goes on as usual.
void UninstallPrinter(const char*, const char*) {}
