// The Windows release as one small number, derived from GetVersionExA.
// Every decision that depends on the release classifies afresh.
#pragma once

#include "platform/win32.h"

// OsKind values. 0 is stored only when the version cannot be read or the
// platform is unknown; 1 is never produced.
enum OsKind : DWORD {
  OS_UNKNOWN = 0,
  OS_WIN95 = 2,
  OS_NT_OTHER = 3,  // NT 3.x, 4.0 and every major version of 6 or more
  OS_WIN32S = 4,
  OS_WIN98 = 5,
  OS_WIN2000 = 6,
  OS_WIN98SE = 7,
  OS_WINME = 8,
  OS_WINXP = 9,  // every NT 5.x with a minor version above 0
};

struct OsVersionRecord {
  DWORD size;           // always sizeof(OSVERSIONINFOA), 148
  DWORD majorVersion;
  DWORD minorVersion;
  DWORD buildNumber;    // as reported, all 32 bits
  DWORD kind;           // an OsKind
  DWORD reserved;       // -1 after every classification
  char servicePack[128];
};

void ClassifyWindowsVersion(OsVersionRecord& record);

// Windows 98, 98 SE and Me.
inline bool IsWin9xKind(DWORD kind) { return kind == OS_WIN98 || kind == OS_WIN98SE || kind == OS_WINME; }
// Windows 2000 and XP (NT 5.x).
inline bool IsNt5Kind(DWORD kind) { return kind == OS_WIN2000 || kind == OS_WINXP; }
// The releases the launcher installs on.
inline bool IsSupportedKind(DWORD kind) { return IsWin9xKind(kind) || IsNt5Kind(kind); }

// Convenience for decision points that need only the kind.
DWORD CurrentOsKind();
