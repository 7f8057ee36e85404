// Every helper that takes a buffer and its size writes nothing, not even a
// terminating zero, into a buffer of size 0, and reports that nothing fit.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/installer_command.h"
#include "dialog/uninstall_command.h"
#include "dialog/uninstall_program.h"
#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/system_folder.h"
#include "sim.h"

namespace {

// Hands `use` a pointer into the middle of guard bytes with size 0 and
// checks that none of them changed (also the byte before: size - 1).
void ExpectUntouched(const char* helper, const std::function<void(char*)>& use) {
  char guard[8];
  memset(guard, 'G', sizeof guard);
  use(guard + 4);
  EXPECT_EQ(std::string(guard, sizeof guard), std::string(8, 'G')) << helper;
}

TEST(ZeroSizeTest, HelpersLeaveABufferOfSizeZeroAlone) {
  sim::Reset();
  sim::WriteFile("C:\\Pkg\\InstallInfo.ini", "[INSTALL_INFO]\r\nRegistryPath=Software\\Pkg\r\n");
  sim::SetString("Software\\Pkg", "InstalledLocation", "C:\\Apps\\");
  sim::SetValue("Software\\Pkg", "Empty", REG_SZ, "");
  sim::WriteFile("C:\\WINDOWS\\SYSTEM32\\MsiExec.exe", "MZ");

  ExpectUntouched("GetLauncherFolder", [](char* b) { EXPECT_FALSE(GetLauncherFolder(b, 0)); });
  ExpectUntouched("BuildInstallInfoPath", [](char* b) { EXPECT_FALSE(BuildInstallInfoPath(b, 0)); });
  ExpectUntouched("ReadInstallInfoValue", [](char* b) { ReadInstallInfoValue("RegistryPath", b, 0); });
  ExpectUntouched("FormatText", [](char* b) { EXPECT_FALSE(FormatText(b, 0, "%s", "")); });
  ExpectUntouched("BuildSystemFilePath", [](char* b) { EXPECT_FALSE(BuildSystemFilePath("a.dll", b, 0)); });
  ExpectUntouched("ReadInstalledLocation", [](char* b) { ReadInstalledLocation(b, 0); });
  ExpectUntouched("BuildInstallerCommand", [](char* b) { EXPECT_FALSE(BuildInstallerCommand("C:\\Pkg", "", b, b, 0)); });
  ExpectUntouched("FindUninstallProgram", [](char* b) { EXPECT_FALSE(FindUninstallProgram("MsiExec.exe /X", b, 0)); });
  for (const char* value : {"InstalledLocation", "Empty", "Absent"}) {
    ExpectUntouched("ReadRegistryString", [value](char* b) {
      EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\Pkg", value, b, 0, "default"));
    });
    ScopedRegKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, "Software\\Pkg", KEY_READ));
    ExpectUntouched("QueryRegistryText", [&key, value](char* b) {
      EXPECT_NE(QueryRegistryText(key.get(), value, b, 0), ERROR_SUCCESS) << value;
    });
  }
  EXPECT_EQ(sim::OpenHandles(), 0);
}

}  // namespace
