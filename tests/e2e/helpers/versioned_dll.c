/* A library with nothing but its version resource (versioned_dll.rc), built
 * in two versions by cmake/win32.cmake for the hand-off scenario. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { return instance || reason || reserved || 1; }
