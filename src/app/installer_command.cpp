#include "app/installer_command.h"

#include <string.h>

#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/records.h"

namespace {

const char kInstallerPath[] = "\\Install\\Setup.exe";
const char kInstallDirFormat[] = "/V\"INSTALLDIR=\\\"%s\\\"\"";

bool HoldsQuotationMark(const char* text) {
  return _mbschr(reinterpret_cast<const unsigned char*>(text), '"') != NULL;
}

}  // namespace

void ReadInstalledLocation(char* location, DWORD size) {
  memset(location, 0, size);
  char registryPath[records::kPathSize];
  ReadInstallInfoValue(records::kRegistryPathKey, registryPath, sizeof registryPath);
  // An empty path would open HKEY_LOCAL_MACHINE itself: no earlier location.
  if (!registryPath[0]) return;

  ScopedRegKey product;
  if (!product.Open(HKEY_LOCAL_MACHINE, registryPath, records::kReadAccess)) return;
  if (QueryRegistryText(product.get(), records::kInstalledLocationValue, location, size) != ERROR_SUCCESS) return;

  // One trailing backslash goes; found multibyte-aware, so that a double-byte
  // character whose second byte is 0x5C is not cut in half.
  const size_t length = strlen(location);
  unsigned char* last = _mbsrchr(reinterpret_cast<unsigned char*>(location), '\\');
  if (length > 0 && last == reinterpret_cast<unsigned char*>(location) + length - 1) *last = 0;
}

bool BuildInstallerCommand(const char* launcherFolder, const char* location, char* program, char* arguments,
                           DWORD size) {
  if (size == 0) return false;
  arguments[0] = 0;
  if (!FormatText(program, size, "%s%s", launcherFolder, kInstallerPath)) return false;
  if (location[0] == 0 || HoldsQuotationMark(location)) return true;
  // The whole command line is the program path, a blank and the argument.
  const size_t room = size - strlen(program) - 1;
  if (!FormatText(arguments, static_cast<DWORD>(room), kInstallDirFormat, location)) arguments[0] = 0;
  return true;
}
