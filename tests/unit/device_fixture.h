// Shared set-up for the device probe and settling-wait tests: the information
// file beside the launcher, enumeration keys with instances, and a run of a
// scenario with each registry call failing in turn.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sim.h"

namespace devtest {

const char kGuid[] = "{4D36E979-E325-11CE-BFC1-08002BE10318}";

// C:\Pkg\InstallInfo.ini beside the default module path C:\Pkg\Setup.exe.
inline void WriteInstallInfo(const std::string& vidPid, const std::string& guid = kGuid) {
  sim::WriteFile("C:\\Pkg\\InstallInfo.ini",
                 "[INSTALL_INFO]\r\nVID_PID=" + vidPid + "\r\nGUIDUNDINF=" + guid + "\r\n");
}

enum Values { kNoValues = 0, kClass = 1, kClassGuid = 2, kBoth = 3 };

// An instance key at `path` with "Class" and/or "ClassGUID".
inline void AddInstance(const std::string& path, int values, const std::string& guid = kGuid) {
  sim::CreateKey(path);
  if (values & kClass) sim::SetString(path, "Class", "Image");
  if (values & kClassGuid) sim::SetString(path, "ClassGUID", guid);
}

// Selects the posed ANSI code page for the _mbs* routines, as the launcher
// does at start-up.
inline void UseCodePage(int codePage) {
  sim::SetAnsiCodePage(codePage);
  _setmbcp(_MB_CP_ANSI);
}

inline int RegistryCalls() {
  int n = 0;
  for (const sim::Call& c : sim::Calls())
    if (c.function.compare(0, 3, "Reg") == 0) ++n;
  return n;
}

// Runs `scenario` on a fresh machine prepared by `setup`, once with the nth
// registry call failing for n = 1, 2, ... until n passes the number of
// registry calls made, and checks that no key is left open each time.
inline void ForEachRegistryFailure(const std::function<void()>& setup, const std::function<void()>& scenario) {
  for (int n = 1;; ++n) {
    sim::Reset();
    setup();
    sim::FailCall("Reg*", n);
    scenario();
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << "registry call " << n << " failing";
    if (n > RegistryCalls()) break;
  }
}

}  // namespace devtest
