// Shared set-up for the maintenance dialog tests: the English layout of
// dialog 102 as the simulated dialog manager builds it, its strings and
// icon, the information file naming the product key, and a registered
// uninstall command whose program exists in the system folder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialog/setup_dlg.h"
#include "sim.h"

namespace dlgtest {

const char kProductKey[] = "Software\\Pkg";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kMsiExec[] = "C:\\WINDOWS\\SYSTEM32\\MsiExec.exe";
const char kCommand[] = "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}";
const char kHeading[] = "Software Has Already Been Successfully Installed";
const char kSubHeading[] = "Choose one of the following.";

inline sim::DialogLayout EnglishLayout(LONG clientHeight = 313) {
  sim::DialogLayout layout;
  layout.clientHeight = clientHeight;
  layout.controls = {
      {IDOK, "BUTTON", 0x50010000, "&Next >"},
      {IDCANCEL, "BUTTON", 0x50010001, "Cancel"},
      {-1, "BUTTON", 0x50000007, ""},
      {-1, "STATIC", 0x5000000E, ""},
      {IDC_RADIO_UNINSTALL, "BUTTON", 0x50032409, "Uninstall - ..."},
      {IDC_RADIO_ADD_DEVICE, "BUTTON", 0x50012409, "Add a Device - ..."},
  };
  return layout;
}

inline void WriteInstallInfo(const std::string& registryPath) {
  sim::WriteFile("C:\\Pkg\\InstallInfo.ini", "[INSTALL_INFO]\r\nRegistryPath=" + registryPath + "\r\n");
}

inline void RegisterUninstall(const std::string& devices, const std::string& entry, const std::string& command) {
  sim::SetString(kProductKey, "InstalledDevices", devices);
  sim::SetString(kUninstallKey + entry, "UninstallString", command);
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    AfxInitApplicationContext();
    sim::DefineDialogLayout("#102", EnglishLayout());
    sim::DefineString(IDS_ALREADY_INSTALLED, kHeading);
    sim::DefineString(IDS_CHOOSE_OPTION, kSubHeading);
    sim::DefineIcon(IDR_MAINFRAME);
    WriteInstallInfo(kProductKey);
    RegisterUninstall("Printer,ProductEntry,Other", "ProductEntry", kCommand);
    sim::WriteFile(kMsiExec, "MZ");
  }
  void TearDown() override {
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Any), 0) << "handle left open";
    EXPECT_EQ(sim::LiveFonts(), 0) << "font left behind";
    EXPECT_EQ(sim::OpenPaints(), 0) << "paint not ended";
  }
  // Shows the dialog; `user` plays the user while it is up. Returns what
  // DoModal returned.
  static INT_PTR Show(std::function<void(HWND)> user) {
    sim::DefineDialog("#102", std::move(user));
    CSetupDlg dialog(nullptr);
    return dialog.DoModal();
  }
  // Chooses Uninstall and presses Next.
  static INT_PTR Uninstall() {
    return Show([](HWND d) {
      sim::Click(d, IDC_RADIO_UNINSTALL);
      sim::Click(d, IDOK);
    });
  }
};

}  // namespace dlgtest
