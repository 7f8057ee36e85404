#include "app/handoff.h"

#include <string.h>

#include "app/completion_event.h"
#include "app/installer_command.h"
#include "devices/settling_wait.h"
#include "devices/usb_probe.h"
#include "platform/handles.h"
#include "platform/start_program.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/records.h"
#include "records/system_folder.h"
#include "removal/inf_purge.h"
#include "removal/platform_fixes.h"

namespace {

struct EnumRoots {
  const char* usb;
  const char* dot4;
};

// Windows 98, 98 SE and Me keep the enumeration trees at the top of
// HKEY_LOCAL_MACHINE; 2000 and XP below the current control set.
EnumRoots ChooseEnumRoots(DWORD kind) {
  if (IsWin9xKind(kind)) return EnumRoots{records::kUsbRoot9x, records::kDot4Root9x};
  return EnumRoots{records::kUsbRootNt, records::kDot4RootNt};
}

bool IsWin98Family(DWORD kind) { return kind == OS_WIN98 || kind == OS_WIN98SE; }

// REG_SZ with its terminating zero counted: 9 bytes for either mode.
void WriteInstallMode(HKEY product, const char* mode) {
  RegSetValueExA(product, records::kInstallModeValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(mode),
                 static_cast<DWORD>(strlen(mode) + 1));
}

// An empty RegistryPath names no product key: opened or created, it would be
// HKEY_LOCAL_MACHINE itself. No product key is then created, written or
// read, and the installation goes on as for "Software".
bool NamesProductKey(const char* registryPath) { return registryPath[0] != 0; }

// The device was plugged in before the software: remember it. A value left
// by an earlier run stays when the probe finds nothing now.
void MarkHardwareWhenPlugged(const char* registryPath, const char* usbRoot) {
  if (!NamesProductKey(registryPath) || !FindUsbDevice(usbRoot)) return;
  ScopedRegKey product;
  if (product.Create(HKEY_LOCAL_MACHINE, registryPath, records::kWriteAccess))
    WriteInstallMode(product.get(), records::kInstallModeHardware);
}

// "Hardware" (exactly so) waits for Windows' own device installation; when
// it did not reach the printer function with the product's class, the
// clean-up tool removes its leftovers and the mode becomes "Software". A
// product key that does not exist yet is created with "Software".
void SettleInstallMode(const char* registryPath, const char* dot4Root) {
  if (!NamesProductKey(registryPath)) return;
  ScopedRegKey product;
  if (!product.Open(HKEY_LOCAL_MACHINE, registryPath, records::kWriteAccess)) {
    if (product.Create(HKEY_LOCAL_MACHINE, registryPath, records::kWriteAccess))
      WriteInstallMode(product.get(), records::kInstallModeSoftware);
    return;
  }
  char mode[records::kPathSize];
  memset(mode, 0, sizeof mode);
  if (QueryRegistryText(product.get(), records::kInstallModeValue, mode, sizeof mode) != ERROR_SUCCESS) return;
  if (strcmp(mode, records::kInstallModeHardware) != 0) return;
  WaitForHardwareSetup();
  if (FindDeviceWithSetupClass(dot4Root)) return;
  RunCleanupTool();
  WriteInstallMode(product.get(), records::kInstallModeSoftware);
}

// Windows Me: msiexec.exe opened for reading, shared for reading only, so
// that nothing can replace it while the installer runs. INVALID_HANDLE_VALUE
// when it cannot be opened.
HANDLE HoldMsiexec() {
  char path[records::kPathSize];
  if (!BuildSystemFilePath("msiexec.exe", path, sizeof path)) return INVALID_HANDLE_VALUE;
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
}

// Started and left running beside the installer.
void StartSideProgram(const char* launcherFolder, const char* program) {
  char path[records::kPathSize];
  if (FormatText(path, sizeof path, "%s%s", launcherFolder, program)) StartProgram(path, NULL, NULL);
}

// Starts the package's installer and waits for it without a time limit. The
// caller keeps its process and thread handles (closed after the priority is
// restored). Nothing is started when even the program path does not fit.
void RunInstaller(const char* launcherFolder, ScopedHandle& process, ScopedHandle& thread) {
  char location[records::kPathSize];
  ReadInstalledLocation(location, sizeof location);
  char program[records::kPathSize];
  char arguments[records::kPathSize];
  if (!BuildInstallerCommand(launcherFolder, location, program, arguments, records::kPathSize)) return;
  PROCESS_INFORMATION installer;
  StartProgram(program, arguments[0] ? arguments : NULL, &installer);
  process.Reset(installer.hProcess);
  thread.Reset(installer.hThread);
  if (process.is_valid()) WaitForSingleObject(process.get(), INFINITE);
}

}  // namespace

void RunInstallationHandoff(const HandoffInputs& inputs) {
  const DWORD kind = CurrentOsKind();
  const EnumRoots roots = ChooseEnumRoots(kind);
  MarkHardwareWhenPlugged(inputs.registryPath, roots.usb);
  CopyRuntimeLibraries();
  SettleInstallMode(inputs.registryPath, roots.dot4);
  if (IsWin98Family(kind)) PurgeWindowsInfFolders(inputs.installInfoPath);
  ApplyPlatformFixes();
  ScopedHandle msiexecHold(kind == OS_WINME ? HoldMsiexec() : INVALID_HANDLE_VALUE);
  StartSideProgram(inputs.launcherFolder, "\\Util\\CloseDlg.exe");
  if (!inputs.removalMode && IsWin98Family(kind)) StartSideProgram(inputs.launcherFolder, "\\Util\\OemAdv07.exe");
  ScopedHandle installerProcess;
  ScopedHandle installerThread;
  RunInstaller(inputs.launcherFolder, installerProcess, installerThread);
  // The installer has ended: priority back to normal, every handle let go,
  // and only then is the waiting program released.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  installerProcess.Close();
  installerThread.Close();
  msiexecHold.Close();
  SignalSetupDone();
}
