/* Stands in for the package's own programs (side programs, installer,
 * clean-up tool): appends one line "MODULE PATH|COMMAND LINE" to a log
 * (C:\e2e-log.txt, or the file named by E2E_STUB_LOG) and ends with 0.
 * With E2E_STUB_SLEEP_MS set it first waits that long, to play a program
 * that takes its time. With E2E_STUB_SHOW set the line ends with
 * "|show=N", the show state it was started with, or "|show=default". */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void) {
  char module[1024] = "";
  GetModuleFileNameA(NULL, module, sizeof module - 1);
  const char *commandLine = GetCommandLineA();

  char logPath[1024] = "C:\\e2e-log.txt";
  DWORD n = GetEnvironmentVariableA("E2E_STUB_LOG", logPath, sizeof logPath);
  if (n == 0 || n >= sizeof logPath) strcpy(logPath, "C:\\e2e-log.txt");

  char show[32] = "";
  if (GetEnvironmentVariableA("E2E_STUB_SHOW", show, sizeof show) > 0) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
      snprintf(show, sizeof show, "|show=%u", (unsigned)startup.wShowWindow);
    else
      strcpy(show, "|show=default");
  }

  char line[2200];
  snprintf(line, sizeof line, "%s|%s%s\r\n", module, commandLine, show);

  /* Several stubs may run at once: take the log exclusively, retrying. */
  HANDLE log = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 200 && log == INVALID_HANDLE_VALUE; ++attempt) {
    log = CreateFileA(logPath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    SetFilePointer(log, 0, NULL, FILE_END);
    WriteFile(log, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(log);
  }

  char sleepText[32];
  n = GetEnvironmentVariableA("E2E_STUB_SLEEP_MS", sleepText, sizeof sleepText);
  if (n > 0 && n < sizeof sleepText) Sleep((DWORD)strtoul(sleepText, NULL, 10));
  return 0;
}
