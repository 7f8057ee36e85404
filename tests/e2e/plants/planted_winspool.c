/* A stand-in Winspool.drv that a test plants in the package folder. When any
 * process loads it, it appends "PLANTED Winspool.drv|LOADING MODULE" to the
 * stub log (C:\e2e-log.txt, or E2E_STUB_LOG), so a load shows in the log. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    char module[MAX_PATH + 1] = "", logPath[MAX_PATH + 1] = "C:\\e2e-log.txt", line[MAX_PATH + 64];
    DWORD n = GetEnvironmentVariableA("E2E_STUB_LOG", logPath, sizeof logPath);
    HANDLE log;
    if (n == 0 || n >= sizeof logPath) strcpy(logPath, "C:\\e2e-log.txt");
    GetModuleFileNameA(NULL, module, MAX_PATH);
    snprintf(line, sizeof line, "PLANTED Winspool.drv|%s\r\n", module);
    log = CreateFileA(logPath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      SetFilePointer(log, 0, NULL, FILE_END);
      WriteFile(log, line, (DWORD)strlen(line), &written, NULL);
      CloseHandle(log);
    }
  }
  return TRUE;
}
