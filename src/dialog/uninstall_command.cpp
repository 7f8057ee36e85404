#include "dialog/uninstall_command.h"

#include <string.h>

#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/records.h"

namespace {

// Registry key paths hold at most 259 characters; with the Uninstall key and
// its backslash that leaves 207 for the entry name.
const DWORD kKeyPathSize = records::kShortSize;

void CopyDefault(char* buffer, DWORD size, const char* defaultValue) {
  FormatText(buffer, size, "%s", defaultValue);
}

}  // namespace

bool ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD size,
                        const char* defaultValue) {
  if (size == 0) return false;
  ScopedRegKey key;
  if (!key.Open(root, subKey, records::kReadAccess)) {
    CopyDefault(buffer, size, defaultValue);
    return false;
  }
  buffer[0] = 0;
  const LONG status = QueryRegistryText(key.get(), valueName, buffer, size);
  key.Close();
  if (status != ERROR_SUCCESS) {
    CopyDefault(buffer, size, defaultValue);
    return false;
  }
  return true;
}

bool FindUninstallCommand(const char* productKey, char* command) {
  char devices[records::kInstalledDevicesSize];
  memset(devices, 0, sizeof devices);
  ReadRegistryString(HKEY_LOCAL_MACHINE, productKey, records::kInstalledDevicesValue, devices, sizeof devices, "");
  if (!devices[0]) return false;

  // The entry name is the second field, used as it stands. The searches are
  // multibyte-aware: a comma byte inside a double-byte character is no
  // separator.
  unsigned char* comma = _mbschr(reinterpret_cast<unsigned char*>(devices), ',');
  if (!comma) return false;
  unsigned char* entryName = comma + 1;
  unsigned char* nextComma = _mbschr(entryName, ',');
  if (nextComma) *nextComma = 0;
  if (!*entryName) return false;

  char keyPath[kKeyPathSize];
  if (!FormatText(keyPath, sizeof keyPath, "%s\\%s", records::kUninstallKey, reinterpret_cast<char*>(entryName)))
    return false;
  return ReadRegistryString(HKEY_LOCAL_MACHINE, keyPath, records::kUninstallStringValue, command, records::kPathSize,
                            "");
}
