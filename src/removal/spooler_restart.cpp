// Stopping and starting the print spooler with the system's net command.
#include <string.h>

#include "platform/bounded_program.h"
#include "records/records.h"
#include "records/system_folder.h"
#include "removal/printer_removal.h"

namespace {

const DWORD kAfterStopMs = 500;
const DWORD kAfterStartMs = 1000;
// A stop or start of the spooler takes seconds. "net stop" asks whether to
// stop the services that depend on the spooler and waits for an answer on
// its hidden console that nobody can give: after this long it is ended.
const DWORD kNetCommandLimitMs = 60000;
const UINT kEndedNetExitCode = 1;

// Runs the system's net.exe, hidden, with `commandLine` as its text, and
// waits for it at most kNetCommandLimitMs; one still running then (or whose
// wait failed) is ended with the programs it started, so that two net
// commands never run together, and the restart goes on as after a failed
// command (no result is examined). A command that cannot start is skipped.
// `endsWithLauncher`: the command is ended also when the launcher goes while
// it waits (ended, or failing).
void RunNetCommand(const char* netPath, const char* commandLine, bool endsWithLauncher) {
  BoundedProgram net;
  if (net.Start(netPath, commandLine, endsWithLauncher)) net.WaitOrEnd(kNetCommandLimitMs, kEndedNetExitCode);
}

}  // namespace

// net.exe is started by its full path in the system folder: started by bare
// name, a net.exe in the launcher's or the current folder would run first,
// with the installer's rights.
void RestartSpooler() {
  char netPath[records::kPathSize];
  const bool found = BuildSystemFilePath("net.exe", netPath, sizeof netPath);
  // A "net stop" left behind would wait on its question for nobody; a
  // "net start" left behind still starts the spooler, and ending it with the
  // launcher could leave the spooler stopped.
  if (found) RunNetCommand(netPath, "net stop spooler", true);
  Sleep(kAfterStopMs);
  if (found) RunNetCommand(netPath, "net start spooler", false);
  Sleep(kAfterStartMs);
}
