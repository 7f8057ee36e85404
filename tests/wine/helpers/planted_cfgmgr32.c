/* A stand-in cfgmgr32.dll that a test plants in the package folder: its
 * CMP_WaitNoPendingInstallEvents returns 1234 at once, so a caller that loads
 * it instead of the system's library is recognised by the result. */
#include <windows.h>

__declspec(dllexport) DWORD WINAPI CMP_WaitNoPendingInstallEvents(DWORD timeoutMs) {
  (void)timeoutMs;
  return 1234;
}
