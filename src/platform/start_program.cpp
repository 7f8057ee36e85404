#include "platform/start_program.h"

#include <stdio.h>
#include <string.h>

namespace {

const size_t kCommandLineSize = 1024;

#ifdef _WIN32
// The start record Windows 98 to XP know: its size field must say 68.
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA of 32-bit Windows");
#endif

// CreateProcessA may write into the command line, so it gets its own copy.
bool Launch(const char* programPath, const char* commandLineText, STARTUPINFOA* startup, DWORD creationFlags,
            PROCESS_INFORMATION* process) {
  PROCESS_INFORMATION info;
  memset(&info, 0, sizeof info);
  if (process) *process = info;

  char commandLine[kCommandLineSize];
  memset(commandLine, 0, sizeof commandLine);
  if (strlen(commandLineText) >= sizeof commandLine) return false;
  strcpy(commandLine, commandLineText);

  // The application name is given as well, so that a folder with blanks in
  // its name is never searched for a shorter program name ("C:\Program.exe").
  const BOOL started = CreateProcessA(programPath, commandLine, NULL, NULL, FALSE, creationFlags, NULL, NULL, startup, &info);
  if (!started) return false;
  if (process) {
    *process = info;
  } else {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  return true;
}

}  // namespace

bool StartProgram(const char* programPath, const char* arguments, PROCESS_INFORMATION* process) {
  char commandLine[kCommandLineSize];
  memset(commandLine, 0, sizeof commandLine);
  const int length = arguments ? snprintf(commandLine, sizeof commandLine, "%s %s", programPath, arguments)
                               : snprintf(commandLine, sizeof commandLine, "%s", programPath);
  if (length < 0 || static_cast<size_t>(length) >= sizeof commandLine) {
    if (process) memset(process, 0, sizeof *process);
    return false;
  }
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  return Launch(programPath, commandLine, &startup, 0, process);
}

bool StartProgramShown(const char* programPath, const char* commandLineText, WORD showState, DWORD creationFlags,
                       PROCESS_INFORMATION* process) {
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showState;
  return Launch(programPath, commandLineText, &startup, creationFlags, process);
}
