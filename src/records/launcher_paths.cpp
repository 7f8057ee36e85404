#include "records/launcher_paths.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "records/records.h"
#include "records/text_end.h"

bool GetLauncherFolder(char* folder, DWORD size) {
  if (size == 0) return false;
  folder[0] = 0;
  char module[records::kPathSize];
  memset(module, 0, sizeof module);
  const DWORD length = GetModuleFileNameA(NULL, module, sizeof module);
  // A path that filled the buffer was cut (and may lack its zero).
  if (length == 0 || length >= sizeof module) return false;
  unsigned char* slash = _mbsrchr(reinterpret_cast<unsigned char*>(module), '\\');
  if (!slash) return false;
  *slash = 0;
  if (strlen(module) >= size) return false;
  strcpy(folder, module);
  return true;
}

bool BuildInstallInfoPath(char* path, DWORD size) {
  if (size == 0) return false;
  char folder[records::kPathSize];
  if (!GetLauncherFolder(folder, sizeof folder)) {
    path[0] = 0;
    return false;
  }
  return FormatText(path, size, "%s%s", folder, records::kInstallInfoFileName);
}

void ReadInstallInfoValue(const char* key, char* value, DWORD size) {
  if (size == 0) return;
  value[0] = 0;
  char path[records::kPathSize];
  if (!BuildInstallInfoPath(path, sizeof path)) return;
  GetPrivateProfileStringA(records::kInstallInfoSection, key, "", value, size, path);
  EndTextSafely(value, size);
}

bool FormatText(char* buffer, DWORD size, const char* format, ...) {
  if (size == 0) return false;
  va_list args;
  va_start(args, format);
  const int written = vsnprintf(buffer, size, format, args);
  va_end(args);
  if (written < 0 || static_cast<DWORD>(written) >= size) {
    buffer[0] = 0;
    return false;
  }
  EndTextSafely(buffer, size);
  return true;
}

LONG QueryRegistryText(HKEY key, const char* valueName, char* buffer, DWORD size) {
  // Not even the terminating zero fits.
  if (size == 0) return ERROR_MORE_DATA;
  DWORD length = size;
  const LONG status = RegQueryValueExA(key, valueName, NULL, NULL, reinterpret_cast<BYTE*>(buffer), &length);
  if (status != ERROR_SUCCESS) {
    buffer[0] = 0;
    return status;
  }
  if (length < size) {
    buffer[length] = 0;
  } else if (buffer[size - 1] != 0) {
    // Exactly full and unterminated: the text does not fit with its zero.
    buffer[0] = 0;
    return ERROR_MORE_DATA;
  }
  // Bytes after an embedded zero are no part of the text.
  EndTextSafely(buffer, size);
  return ERROR_SUCCESS;
}
