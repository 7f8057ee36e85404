// The printer function's setup-class match under the DOT4 tree, and the
// wait until Windows has finished installing a plugged-in device.
#pragma once

#include "platform/win32.h"

// `enumRoot` is "Enum\DOT4PRT" or "SYSTEM\CurrentControlSet\Enum\DOT4PRT".
bool FindDeviceWithSetupClass(const char* enumRoot);
void WaitForHardwareSetup();
void WaitForPrinterDevice();
// The result of CMP_WaitNoPendingInstallEvents, or -1 when cfgmgr32.dll or
// that export is missing.
DWORD WaitNoPendingInstallEvents(DWORD timeoutMs);
