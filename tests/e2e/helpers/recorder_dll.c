/* A stand-in DLL that the planting scenario puts beside Setup.exe under the
 * name of each DLL the launcher imports (and beside a control program under
 * winspool.drv). When a process loads it, its DllMain appends one line,
 * "loaded <its own path>", to C:\planted.log, so a scenario can tell that
 * a planted DLL ran. Built as a DLL by cmake/win32.cmake, not as a program,
 * importing only kernel32 (no C runtime), so that it can stand in for
 * msvcrt.dll too. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  char line[MAX_PATH + 16];
  DWORD length, written;
  HANDLE log;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  lstrcpyA(line, "loaded ");
  length = GetModuleFileNameA(instance, line + 7, MAX_PATH);
  lstrcpyA(line + 7 + length, "\r\n");
  log = CreateFileA("C:\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, NULL);
  if (log != INVALID_HANDLE_VALUE) {
    WriteFile(log, line, (DWORD)lstrlenA(line), &written, NULL);
    CloseHandle(log);
  }
  return TRUE;
}
