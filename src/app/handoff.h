// The installation hand-off: the second half of the launch sequence, run
// once every gate has passed on Windows 98, 98 SE, Me, 2000 or XP. It records
// the install mode, lets Windows finish a device installation, prepares the
// system, starts the side programs and the package's installer, waits for
// the installer to end and only then sets the completion event.
#pragma once

#include "platform/win32.h"

struct HandoffInputs {
  const char* launcherFolder;   // no trailing backslash
  const char* registryPath;     // the product key below HKEY_LOCAL_MACHINE
  const char* installInfoPath;  // InstallInfo.ini beside the launcher
  bool removalMode;             // a printer was removed earlier in this run
};

// Runs the hand-off to its end. Whatever fails on the way, the completion
// event is set exactly once, as the last step, and every handle the hand-off
// opened is closed before it.
void RunInstallationHandoff(const HandoffInputs& inputs);
