#include "devices/settling_wait.h"

#include <string.h>

#include "devices/enum_walk.h"
#include "devices/usb_probe.h"
#include "devices/wizard_watch.h"
#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/records.h"
#include "records/system_library.h"

namespace {

const DWORD kWizardPollMs = 1000;
const DWORD kDevicePollMs = 500;
const char kWaitExport[] = "CMP_WaitNoPendingInstallEvents";

typedef DWORD(WINAPI* WaitNoPendingInstallEventsFn)(DWORD);

}  // namespace

using devices::EnumSubkey;
using devices::kComposedPathSize;
using devices::OpenSubkey;

bool FindDeviceWithSetupClass(const char* enumRoot) {
  char setupClass[records::kPathSize];
  ReadInstallInfoValue(records::kGuidUndInfKey, setupClass, sizeof setupClass);

  ScopedRegKey root;
  if (!root.Open(HKEY_LOCAL_MACHINE, enumRoot, records::kReadAccess)) return false;
  char deviceName[records::kPathSize];
  for (DWORD device = 0; EnumSubkey(root.get(), device, deviceName); ++device) {
    char devicePath[kComposedPathSize];
    ScopedRegKey deviceKey;
    if (!OpenSubkey(deviceKey, enumRoot, deviceName, devicePath)) continue;
    char instanceName[records::kPathSize];
    for (DWORD instance = 0; EnumSubkey(deviceKey.get(), instance, instanceName); ++instance) {
      char instancePath[kComposedPathSize];
      ScopedRegKey instanceKey;
      if (!OpenSubkey(instanceKey, devicePath, instanceName, instancePath)) continue;
      // An absent or unreadable value compares as the empty string.
      char classGuid[records::kPathSize];
      QueryRegistryText(instanceKey.get(), records::kClassGuidValue, classGuid, sizeof classGuid);
      instanceKey.Close();
      if (_mbsicmp(reinterpret_cast<unsigned char*>(classGuid), reinterpret_cast<unsigned char*>(setupClass)) == 0)
        return true;
    }
  }
  return false;
}

void WaitForHardwareSetup() {
  const DWORD kind = CurrentOsKind();
  if (IsWin9xKind(kind)) {
    while (IsHardwareWizardOpen()) Sleep(kWizardPollMs);
    WaitForPrinterDevice();
  } else if (IsNt5Kind(kind)) {
    WaitNoPendingInstallEvents(INFINITE);
  }
}

// Polls until the printer function is installed with the product's class,
// the device is no longer enumerated, or its interfaces have settled. There
// is no time limit: Windows' own installation may wait on the user.
void WaitForPrinterDevice() {
  if (FindDeviceWithSetupClass(records::kDot4Root9x)) return;
  for (;;) {
    if (!FindUsbDevice(records::kUsbRoot9x)) return;
    if (AreInterfacesSettled(records::kUsbRoot9x)) return;
    Sleep(kDevicePollMs);
    if (FindDeviceWithSetupClass(records::kDot4Root9x)) return;
  }
}

// The library is released after the call; nothing keeps using it.
DWORD WaitNoPendingInstallEvents(DWORD timeoutMs) {
  const DWORD kMissing = static_cast<DWORD>(-1);
  // Never by bare name: that search starts in the launcher's own folder.
  SystemLibrary library(records::kConfigManagerFile);
  if (!library.get()) return kMissing;
  FARPROC proc = GetProcAddress(library.get(), kWaitExport);
  if (!proc) return kMissing;
  // void (*)(void) is the generic function pointer type: it converts to the
  // export's real signature without a cast-function-type warning.
  WaitNoPendingInstallEventsFn wait =
      reinterpret_cast<WaitNoPendingInstallEventsFn>(reinterpret_cast<void (*)(void)>(proc));
  return wait(timeoutMs);
}
