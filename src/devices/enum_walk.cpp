#include "devices/enum_walk.h"

#include "records/launcher_paths.h"
#include "records/records.h"
#include "records/text_end.h"

namespace devices {

bool EnumSubkey(HKEY key, DWORD index, char* name) {
  DWORD length = records::kPathSize;
  if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) return false;
  EndTextSafely(name, records::kPathSize);
  return true;
}

bool OpenSubkey(ScopedRegKey& key, const char* parentPath, const char* name, char* path) {
  char local[kComposedPathSize];
  char* composed = path ? path : local;
  return FormatText(composed, kComposedPathSize, "%s\\%s", parentPath, name) &&
         key.Open(HKEY_LOCAL_MACHINE, composed, records::kReadAccess);
}

}  // namespace devices
