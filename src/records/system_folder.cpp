#include "records/system_folder.h"

#include <string.h>

#include "records/launcher_paths.h"
#include "records/records.h"

bool BuildFolderFilePath(const char* folder, const char* fileName, char* path, DWORD size) {
  // A root folder ("C:\") already ends with a backslash.
  const unsigned char* last = _mbsrchr(reinterpret_cast<const unsigned char*>(folder), '\\');
  const bool endsWithSlash = last && last[1] == 0;
  return FormatText(path, size, endsWithSlash ? "%s%s" : "%s\\%s", folder, fileName);
}

bool BuildSystemFilePath(const char* fileName, char* path, DWORD size) {
  char systemDir[records::kPathSize];
  memset(systemDir, 0, sizeof systemDir);
  const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
  if (length == 0 || length >= sizeof systemDir) {
    path[0] = 0;
    return false;
  }
  return BuildFolderFilePath(systemDir, fileName, path, size);
}
