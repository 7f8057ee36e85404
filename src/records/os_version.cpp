#include "records/os_version.h"

#include <string.h>

static DWORD KindOf(const OSVERSIONINFOA& info) {
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      return OS_WIN32S;
    case VER_PLATFORM_WIN32_WINDOWS: {
      if (info.dwMinorVersion == 0) return OS_WIN95;
      // 98, 98 SE and Me differ only in the build's low word; the high word
      // repeats the version on this family and takes no part.
      const DWORD build = info.dwBuildNumber & 0xFFFF;
      if (build >= 3000) return OS_WINME;
      if (build >= 2222) return OS_WIN98SE;
      return OS_WIN98;
    }
    case VER_PLATFORM_WIN32_NT:
      if (info.dwMajorVersion != 5) return OS_NT_OTHER;
      return info.dwMinorVersion == 0 ? OS_WIN2000 : OS_WINXP;
    default:
      return OS_UNKNOWN;
  }
}

void ClassifyWindowsVersion(OsVersionRecord& record) {
  OSVERSIONINFOA info;
  memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  record.size = sizeof info;
  if (!GetVersionExA(&info)) {
    // Nothing was reported: no release, so every decision takes its
    // unsupported branch.
    memset(&info, 0, sizeof info);
    info.dwPlatformId = 0xFFFFFFFF;
  }
  record.majorVersion = info.dwMajorVersion;
  record.minorVersion = info.dwMinorVersion;
  record.buildNumber = info.dwBuildNumber;
  record.reserved = 0xFFFFFFFF;
  // The system's text is not trusted to be terminated.
  memcpy(record.servicePack, info.szCSDVersion, sizeof record.servicePack);
  record.servicePack[sizeof record.servicePack - 1] = 0;
  record.kind = KindOf(info);
}

DWORD CurrentOsKind() {
  OsVersionRecord record;
  ClassifyWindowsVersion(record);
  return record.kind;
}
