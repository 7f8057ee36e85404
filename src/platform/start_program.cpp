#include "platform/start_program.h"

#include <stdio.h>
#include <string.h>

bool StartProgram(const char* programPath, const char* arguments, PROCESS_INFORMATION* process) {
  PROCESS_INFORMATION info;
  memset(&info, 0, sizeof info);
  if (process) *process = info;

  char commandLine[1024];
  memset(commandLine, 0, sizeof commandLine);
  const int length = arguments ? snprintf(commandLine, sizeof commandLine, "%s %s", programPath, arguments)
                               : snprintf(commandLine, sizeof commandLine, "%s", programPath);
  if (length < 0 || static_cast<size_t>(length) >= sizeof commandLine) return false;

  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  // The application name is given as well, so that a folder with blanks in
  // its name is never searched for a shorter program name ("C:\Program.exe").
  const BOOL started = CreateProcessA(programPath, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info);
  if (!started) return false;
  if (process) {
    *process = info;
  } else {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  return true;
}
