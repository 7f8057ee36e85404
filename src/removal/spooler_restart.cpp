// Stopping and starting the print spooler with the system's net command.
#include <string.h>

#include "platform/handles.h"
#include "platform/start_program.h"
#include "records/records.h"
#include "records/system_folder.h"
#include "removal/printer_removal.h"

namespace {

const DWORD kAfterStopMs = 500;
const DWORD kAfterStartMs = 1000;

// Runs the system's net.exe, hidden, with `commandLine` as its text, and
// waits for it without a time limit. A command that cannot start is skipped.
void RunNetCommand(const char* netPath, const char* commandLine) {
  PROCESS_INFORMATION info;
  if (!StartProgramShown(netPath, commandLine, SW_HIDE, &info)) return;
  ScopedHandle process(info.hProcess);
  ScopedHandle thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
}

}  // namespace

// net.exe is started by its full path in the system folder: started by bare
// name, a net.exe in the launcher's or the current folder would run first,
// with the installer's rights.
void RestartSpooler() {
  char netPath[records::kPathSize];
  const bool found = BuildSystemFilePath("net.exe", netPath, sizeof netPath);
  if (found) RunNetCommand(netPath, "net stop spooler");
  Sleep(kAfterStopMs);
  if (found) RunNetCommand(netPath, "net start spooler");
  Sleep(kAfterStartMs);
}
