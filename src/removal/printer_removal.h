// Removal of one printer queue and the driver it uses.
#pragma once

#include "platform/win32.h"

// Deletes the queue named `printerName` and its driver as far as the system
// allows; on Windows 2000 and XP with the Plug and Play wait, the dismissal
// of the queue's windows and the spooler restarts. The spooler functions
// come from the system folder's winspool.drv, loaded at run time; without it
// nothing is done. Nothing is done for an empty name, nothing is deleted when
// the queue's information cannot be read, and a driver name longer than 259
// bytes leaves the driver in place (the queue still goes). Every handle and
// the information block are released on every road.
void RemovePrinterAndDriver(const char* printerName);

// EnumWindows callback: sends WM_COMMAND IDOK to the first window whose title
// holds the printer name being removed (case-sensitive, multibyte-aware) and
// stops; TRUE to go on. The send returns once the window has handled it, at
// once when the window is hung, and after 5 s at most.
BOOL CALLBACK CloseQueueWindows(HWND window, LPARAM context);

// Stops and starts the print spooler with the system folder's net.exe
// ("net stop spooler", then "net start spooler"), hidden, each waited for
// 60 s at most and ended when still running then, with pauses of 500 ms and
// 1000 ms after them.
void RestartSpooler();
