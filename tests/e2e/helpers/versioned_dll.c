/* A library that carries nothing but its version resource (versioned_dll.rc).
 * cmake/win32.cmake builds it twice with different versions; the hand-off
 * scenario lays the copies as runtime libraries of the package and of the
 * system folder. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
