/* Planted beside contract_runtime_win32.exe as lz32.dll: what a load by
 * bare name would bind. Its GetExpandedNameA fails for every file, where
 * the system's gives an uncompressed file's own name. */
#include <windows.h>

__declspec(dllexport) INT WINAPI GetExpandedNameA(LPSTR source, LPSTR expanded) {
  (void)source;
  (void)expanded;
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
