#include "app/gatekeeping.h"

#include <string.h>

#include "platform/handles.h"
#include "platform/start_program.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/records.h"
#include "removal/uninstall_printer.h"

bool HasEarlierEdition() {
  for (const char* path : records::kEarlierEditionKeys) {
    ScopedRegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, path, records::kReadAccess)) continue;
    char subkey[records::kShortSize];
    memset(subkey, 0, sizeof subkey);
    DWORD length = sizeof subkey;
    if (RegEnumKeyExA(key.get(), 0, subkey, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) return true;
  }
  return false;
}

bool IsProductInstalled(const char* registryPath, const char* pdiEntry) {
  char markerName[records::kPathSize];
  char makerKeyPath[records::kPathSize];
  // Without RegistryPath the product key would be HKEY_LOCAL_MACHINE itself,
  // which holds no record of the product. Names that do not fit cannot name
  // a record either: the product is not installed.
  if (!registryPath[0] ||
      !FormatText(markerName, sizeof markerName, "%s%s", pdiEntry, records::kInstalledMarkerSuffix) ||
      !FormatText(makerKeyPath, sizeof makerKeyPath, "%s%s", records::kMakerKeyPrefix, pdiEntry))
    return false;

  ScopedRegKey product;
  if (!product.Open(HKEY_LOCAL_MACHINE, registryPath, records::kReadAccess)) return false;
  // Only whether the marker can be read matters, not its type or text.
  char markerData[records::kPathSize];
  memset(markerData, 0, sizeof markerData);
  DWORD size = sizeof markerData;
  if (RegQueryValueExA(product.get(), markerName, NULL, NULL, reinterpret_cast<BYTE*>(markerData), &size) !=
      ERROR_SUCCESS)
    return false;
  ScopedRegKey maker;
  return maker.Open(HKEY_LOCAL_MACHINE, makerKeyPath, records::kReadAccess);
}

void RunRemovalMode(const char* launcherFolder, const char* printerName, const char* installInfoPath) {
  if (IsWin9xKind(CurrentOsKind())) {
    char program[records::kPathSize];
    // A helper path that does not fit is not started; the pause still holds.
    if (FormatText(program, sizeof program, "%s\\Util\\OemHlt07.exe", launcherFolder))
      StartProgram(program, NULL, NULL);
    Sleep(500);
  }
  UninstallPrinter(printerName, installInfoPath);
}
