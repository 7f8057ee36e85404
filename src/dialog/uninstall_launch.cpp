// Next in the maintenance dialog: start the product's uninstall command.
#include <string.h>

#include "dialog/setup_dlg.h"
#include "dialog/uninstall_command.h"
#include "dialog/uninstall_program.h"
#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/records.h"

namespace {

// Starts `commandLine`, its text unchanged, with the program it names as
// application name; not waited for. Nothing is started when no program file
// is found.
void StartUninstallCommand(char* commandLine) {
  char program[records::kPathSize];
  if (!FindUninstallProgram(commandLine, program, sizeof program)) return;
  STARTUPINFOA startup;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  memset(&process, 0, sizeof process);
  if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return;
  // Declared in this order so that the process handle is closed first.
  ScopedHandle thread(process.hThread);
  ScopedHandle processHandle(process.hProcess);
}

}  // namespace

void CSetupDlg::OnOK() {
  char productKey[records::kPathSize];
  char command[records::kPathSize];
  memset(productKey, 0, sizeof productKey);
  memset(command, 0, sizeof command);
  // The information file beside the launcher names the product key. An
  // empty name would open HKEY_LOCAL_MACHINE itself: no key is opened then.
  ReadInstallInfoValue(records::kRegistryPathKey, productKey, sizeof productKey);
  if (productKey[0] && FindUninstallCommand(productKey, command)) StartUninstallCommand(command);
  CDialog::OnOK();
}
