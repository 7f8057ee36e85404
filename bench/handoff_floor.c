/* The floor of `bench/run handoff`: the least any launcher must do to hand
 * over. Started from the package folder, it starts Util\CloseDlg.exe and
 * then Install\Setup.exe of that folder the way the launcher starts
 * programs (full path as application name and command line, nothing
 * inherited, a zeroed STARTUPINFOA with its size), waits for the installer
 * without a time limit and ends. No registry, no files, no device probe. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static BOOL Start(const char *folder, const char *program, PROCESS_INFORMATION *process) {
  char path[1024];
  snprintf(path, sizeof path, "%s%s", folder, program);
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  memset(process, 0, sizeof *process);
  return CreateProcessA(path, path, NULL, NULL, FALSE, 0, NULL, NULL, &startup, process);
}

int main(void) {
  char folder[1024] = "";
  GetModuleFileNameA(NULL, folder, sizeof folder - 1);
  char *slash = strrchr(folder, '\\');
  if (slash) *slash = 0;

  PROCESS_INFORMATION side, installer;
  if (Start(folder, "\\Util\\CloseDlg.exe", &side)) {
    CloseHandle(side.hThread);
    CloseHandle(side.hProcess);
  }
  if (Start(folder, "\\Install\\Setup.exe", &installer)) {
    WaitForSingleObject(installer.hProcess, INFINITE);
    CloseHandle(installer.hThread);
    CloseHandle(installer.hProcess);
  }
  return 0;
}
