// Texts that end in a lone lead byte of the double-byte code page, and a
// package on a read-only medium: each text is taken whole, nothing is read
// past its end (the sanitizer build checks that), and nothing is written
// beside the launcher.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "app/installer_command.h"
#include "app/setup_app.h"
#include "devices/usb_probe.h"
#include "dialog/uninstall_command.h"
#include "records/launcher_paths.h"
#include "removal_double.h"
#include "sim.h"

namespace {

const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";
const char kLead[] = "\x81";  // a lead byte in code page 932

class HostileInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    UninstallPrinterCalls().clear();
    sim::SetAnsiCodePage(932);
    AfxInitApplicationContext();
  }
};

TEST_F(HostileInputTest, TextsEndingInALoneLeadByteAreTakenWhole) {
  sim::WriteFile(kInfo, std::string("[INSTALL_INFO]\r\nRegistryPath=Software\\Pkg\r\nPDIENTRY=Pdi") + kLead +
                            "\r\nVID_PID=VID_04B8&PID_0001" + kLead + "\r\n");
  // The command line and PDIENTRY.
  theApp.RunSetup((std::string("/aPrinter") + kLead).c_str());
  ASSERT_EQ(UninstallPrinterCalls().size(), 1u);
  EXPECT_EQ(UninstallPrinterCalls()[0].printerName, std::string("Printer") + kLead);
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("CreateEventA"))].detail,
            std::string("Pdi") + kLead + "Setup");

  // A hardware id: a key whose name holds it whole (its lead byte begins a
  // character there) is found, the id without the lead byte is not taken
  // for it.
  sim::CreateKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_04B8&PID_0001\\0000");
  EXPECT_FALSE(FindUsbDevice("SYSTEM\\CurrentControlSet\\Enum\\USB"));
  sim::CreateKey(std::string("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_04B8&PID_0001") + kLead + "\x40\\0000");
  EXPECT_TRUE(FindUsbDevice("SYSTEM\\CurrentControlSet\\Enum\\USB"));

  // The earlier installation's folder keeps its last byte: a lead byte is
  // no backslash to remove.
  sim::SetString("Software\\Pkg", "InstalledLocation", std::string("C:\\Apps") + kLead);
  char location[1024];
  ReadInstalledLocation(location, sizeof location);
  EXPECT_EQ(std::string(location), std::string("C:\\Apps") + kLead);

  // The uninstall entry named last in InstalledDevices.
  sim::SetString("Software\\Pkg", "InstalledDevices", std::string("Printer,Entry") + kLead);
  sim::SetString(std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entry") + kLead,
                 "UninstallString", "remove it");
  char command[1024];
  ASSERT_TRUE(FindUninstallCommand("Software\\Pkg", command));
  EXPECT_STREQ(command, "remove it");

  // The launcher's own file name.
  sim::SetModulePath(std::string("C:\\Pkg\\Setup") + kLead);
  char folder[1024];
  ASSERT_TRUE(GetLauncherFolder(folder, sizeof folder));
  EXPECT_STREQ(folder, "C:\\Pkg");
}

// Every file of the package read-only, as on a CD: a first installation
// with the device on Windows 98 (the road that changes the most) leaves
// every file of the package as it was, and still starts the installer.
TEST_F(HostileInputTest, PackageOnAReadOnlyMediumIsNeverWritten) {
  sim::SetAnsiCodePage(1252);
  AfxInitApplicationContext();
  sim::PoseAs(sim::Release::Win98);
  sim::WriteFile(kInfo, "[INSTALL_INFO]\r\nRegistryPath=Software\\Pkg\r\nPDIENTRY=Pdi\r\nVID_PID=VID_04B8&PID_0001\r\n");
  for (const char* name : {"\\Install\\Setup.exe", "\\Util\\CloseDlg.exe", "\\Util\\OemAdv07.exe", "\\Cleanup.exe",
                           "\\msvcp60.dll", "\\mfc42.dll", "\\Setup.exe"})
    sim::WriteFile(std::string("C:\\Pkg") + name, "MZ");
  sim::SetString("Enum\\USB\\VID_04B8&PID_0001&MI_00\\0000", "Class", "Image");
  sim::SetString("Enum\\USB\\VID_04B8&PID_0001&MI_01\\0000", "Class", "Image");
  sim::SetString("Enum\\USB\\VID_04B8&PID_0001&MI_01\\0000", "ClassGUID", "{0}");
  sim::SetString("Enum\\USB\\VID_04B8&PID_0001\\0000", "ClassGUID", "{0}");
  sim::SetString("Enum\\USB\\VID_04B8&PID_0001\\0000", "Class", "Image");
  std::map<std::string, std::pair<std::string, DWORD>> before;
  for (const std::string& path : sim::AllFiles()) {
    if (path.compare(0, 7, "C:\\Pkg\\") != 0) continue;
    sim::SetAttributes(path, FILE_ATTRIBUTE_READONLY);
    before[path] = {sim::ReadFile(path), sim::Attributes(path)};
  }
  theApp.RunSetup("");
  std::map<std::string, std::pair<std::string, DWORD>> after;
  for (const std::string& path : sim::AllFiles())
    if (path.compare(0, 7, "C:\\Pkg\\") == 0) after[path] = {sim::ReadFile(path), sim::Attributes(path)};
  EXPECT_EQ(after, before);
  for (const sim::Call& c : sim::Calls()) {
    const bool writes = c.function == "WritePrivateProfileStringA" || c.function == "SetFileAttributesA" ||
                        c.function == "DeleteFileA";
    EXPECT_FALSE(writes && c.detail.find("C:\\Pkg\\") != std::string::npos) << c.function << " " << c.detail;
  }
  EXPECT_EQ(sim::ProcessStarts().back().applicationName, "C:\\Pkg\\Install\\Setup.exe");
  EXPECT_TRUE(sim::FileExists("C:\\WINDOWS\\SYSTEM32\\mfc42.dll"));
}

}  // namespace
