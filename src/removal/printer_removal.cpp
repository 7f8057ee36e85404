// placeholder until the printer removal lands
#include "removal/printer_removal.h"

void RemovePrinterAndDriver(const char*) {}

BOOL CALLBACK CloseQueueWindows(HWND, LPARAM) { return TRUE; }

void RestartSpooler() {}
