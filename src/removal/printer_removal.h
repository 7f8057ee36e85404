// Removal of one printer queue and the driver it uses.
#pragma once

#include "platform/win32.h"

// Deletes the queue named `printerName` and its driver as far as the system
// allows; on Windows 2000 and XP with the Plug and Play wait, the dismissal
// of the queue's windows and the spooler restarts.
void RemovePrinterAndDriver(const char* printerName);

// EnumWindows callback: sends WM_COMMAND IDOK to the first window whose title
// holds the printer name being removed and stops; TRUE to go on.
BOOL CALLBACK CloseQueueWindows(HWND window, LPARAM context);

// Stops and starts the print spooler with the system's net command, hidden,
// each waited for.
void RestartSpooler();
