#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device_fixture.h"
#include "devices/settling_wait.h"
#include "sim.h"

namespace {

using namespace devtest;

const char kId[] = "VID_04B8&PID_0001";
const char kUsb[] = "Enum\\USB";
const char kDot4[] = "Enum\\DOT4PRT";

std::string UsbKey(const std::string& sub) { return std::string(kUsb) + "\\" + sub; }
std::string Interface(int n) { return UsbKey(std::string(kId) + "&MI_0" + std::to_string(n)); }
void InstallPrinterFunction() { AddInstance(std::string(kDot4) + "\\ARVEN_PRINTER\\0000", kClassGuid); }

// A device plugged in whose interfaces never settle: each interface has an
// instance with its class fully recorded.
void PlugUnsettledDevice() {
  AddInstance(UsbKey(kId) + "\\0000", kBoth);
  for (int n = 0; n < 3; ++n) AddInstance(Interface(n) + "\\0000", kBoth);
}

std::vector<DWORD> Sleeps() {
  std::vector<DWORD> sleeps;
  for (const sim::Call& c : sim::Calls())
    if (c.function == "Sleep") sleeps.push_back(static_cast<DWORD>(std::stoul(c.detail)));
  return sleeps;
}

int OpenCalls(const std::string& path) {
  int n = 0;
  for (const sim::Call& c : sim::Calls())
    if (c.function == "RegOpenKeyExA" && c.detail == "HKLM\\" + path) ++n;
  return n;
}

class SettlingWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    WriteInstallInfo(kId);
  }
};

TEST_F(SettlingWaitTest, FindDeviceWithSetupClassTable) {
  const std::string noFile = "<no information file>";
  const std::string lowerGuid = "{4d36e979-e325-11ce-bfc1-08002be10318}";
  struct Row {
    const char* name;
    std::string guidUndInf;
    const char* root;
    std::function<void()> tree;
    bool found;
  };
  const Row rows[] = {
      {"no root", kGuid, kDot4, [] {}, false},
      {"GUID differing in case", kGuid, kDot4, [&] { AddInstance("Enum\\DOT4PRT\\D\\0000", kClassGuid, lowerGuid); }, true},
      {"expected GUID in lower case", lowerGuid, kDot4, [] { InstallPrinterFunction(); }, true},
      {"other classes only", kGuid, kDot4,
       [] { AddInstance("Enum\\DOT4PRT\\D\\0000", kClassGuid, "{4D36E96F-E325-11CE-BFC1-08002BE10318}"); }, false},
      {"second instance of a later device", kGuid, kDot4,
       [] {
         AddInstance("Enum\\DOT4PRT\\A\\0000", kNoValues);
         sim::CreateKey("Enum\\DOT4PRT\\B");
         AddInstance("Enum\\DOT4PRT\\C\\0000", kClassGuid, "{X}");
         AddInstance("Enum\\DOT4PRT\\C\\0001", kClassGuid);
       },
       true},
      {"Windows 2000/XP root", kGuid, "SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT",
       [] { AddInstance("SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT\\D\\0000", kClassGuid); }, true},
      {"empty GUIDUNDINF, instance without ClassGUID", "", kDot4,
       [] {
         InstallPrinterFunction();
         AddInstance("Enum\\DOT4PRT\\Z\\0000", kClass);
       },
       true},
      {"absent GUIDUNDINF, empty ClassGUID", noFile, kDot4, [] { AddInstance("Enum\\DOT4PRT\\Z\\0000", kClassGuid, ""); }, true},
      {"empty GUIDUNDINF, every ClassGUID set", "", kDot4, [] { InstallPrinterFunction(); }, false},
      {"ClassGUID of 1024 bytes reads as empty", kGuid, kDot4,
       [] { AddInstance("Enum\\DOT4PRT\\Z\\0000", kClassGuid, std::string(kGuid) + std::string(1024, ' ')); }, false},
  };
  for (const Row& r : rows) {
    sim::Reset();
    if (r.guidUndInf != noFile) WriteInstallInfo(kId, r.guidUndInf);
    r.tree();
    EXPECT_EQ(FindDeviceWithSetupClass(r.root), r.found) << r.name;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << r.name;
  }
  // Each instance key is opened as root, device and instance joined by backslashes.
  EXPECT_EQ(OpenCalls("SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT\\D\\0000"), 0);
  sim::Reset();
  WriteInstallInfo(kId);
  AddInstance("Enum\\DOT4PRT\\C\\0000", kNoValues);
  AddInstance("Enum\\DOT4PRT\\C\\0001", kClassGuid);
  EXPECT_TRUE(FindDeviceWithSetupClass(kDot4));
  EXPECT_EQ(OpenCalls("Enum\\DOT4PRT\\C\\0000"), 1);
  EXPECT_EQ(OpenCalls("Enum\\DOT4PRT\\C\\0001"), 1);
}

// The wizard watch sleeps 1000 ms for each poll that still sees a wizard.
TEST_F(SettlingWaitTest, WizardWatchSleepsWhileAWizardStaysOpen) {
  struct Row {
    sim::Release release;
    int codePage;
    std::string title;
    DWORD closesAt;  // 0: no wizard
    size_t polls;
  };
  const Row rows[] = {
      {sim::Release::Win98, 1252, "", 0, 0},
      {sim::Release::Win98, 1252, "Add Printer Wizard", 3000, 3},
      {sim::Release::Win98SE, 1252, "Found New Hardware", 2500, 3},
      {sim::Release::WinMe, 936, "\xD5\xD2\xB5\xBD\xD0\xC2\xD3\xB2\xBC\xFE", 1000, 1},
  };
  for (const Row& r : rows) {
    sim::Reset();
    sim::PoseAs(r.release);
    sim::SetAnsiCodePage(r.codePage);
    WriteInstallInfo(kId);
    InstallPrinterFunction();
    if (r.closesAt) {
      HWND w = sim::OpenWindow(r.title);
      sim::At(r.closesAt, [w] { sim::CloseWindow(w); });
    }
    WaitForHardwareSetup();
    EXPECT_EQ(Sleeps(), std::vector<DWORD>(r.polls, 1000)) << r.title;
    EXPECT_EQ(OpenCalls(kDot4), 1) << r.title;  // then one device test, already satisfied
  }
}

// A wizard that opens during the device poll does not send the wait back
// to the wizard watch: it only keeps an interface judged through its parent
// from counting, and the poll goes on at 500 ms.
TEST_F(SettlingWaitTest, WizardDuringDevicePollKeepsPollingAt500) {
  sim::PoseAs(sim::Release::Win98);
  const std::string parent = UsbKey(kId) + "\\0000";
  AddInstance(parent, kClass);  // interfaces absent, parent not yet set up
  sim::At(600, [] { sim::OpenWindow("Found New Hardware"); });
  sim::At(1000, [parent] { AddInstance(parent, kBoth); });
  sim::At(2600, [] { sim::CloseWindow(FindWindowA(NULL, "Found New Hardware")); });
  WaitForHardwareSetup();
  EXPECT_EQ(Sleeps(), std::vector<DWORD>(6, 500));
  EXPECT_EQ(sim::Now(), 3000u);

  // A wizard open at the start holds the wait in the wizard watch first.
  sim::Reset();
  sim::PoseAs(sim::Release::Win98);
  WriteInstallInfo(kId);
  PlugUnsettledDevice();
  sim::OpenWindow("Found New Hardware");
  sim::At(2500, [] { sim::CloseWindow(FindWindowA(NULL, "Found New Hardware")); });
  sim::At(5000, InstallPrinterFunction);
  WaitForHardwareSetup();
  std::vector<DWORD> expected(3, 1000);
  expected.insert(expected.end(), 4, 500);
  EXPECT_EQ(Sleeps(), expected);
}

TEST_F(SettlingWaitTest, PrinterDeviceWaitEndsAtEachCondition) {
  struct Row {
    const char* name;
    std::function<void()> setup;
    size_t polls;
  };
  const Row rows[] = {
      {"printer function already installed", [] {
         InstallPrinterFunction();
         PlugUnsettledDevice();
       }, 0},
      {"no device enumerated", [] {}, 0},
      {"printer function installed at 1.5 s", [] {
         PlugUnsettledDevice();
         sim::At(1500, InstallPrinterFunction);
       }, 3},
      {"device gone at 1 s", [] {
         PlugUnsettledDevice();
         sim::At(1000, [] {
           sim::DeleteKey(UsbKey(kId));
           for (int n = 0; n < 3; ++n) sim::DeleteKey(Interface(n));
         });
       }, 2},
      {"interface class recorded without GUID at 2 s", [] {
         PlugUnsettledDevice();
         sim::At(2000, [] { sim::DeleteValue(Interface(1) + "\\0000", "ClassGUID"); });
       }, 4},
      {"still polling after an hour", [] {
         PlugUnsettledDevice();
         sim::At(3600 * 1000, InstallPrinterFunction);
       }, 7200},
  };
  for (const Row& r : rows) {
    sim::Reset();
    sim::PoseAs(sim::Release::Win98SE);
    WriteInstallInfo(kId);
    r.setup();
    WaitForPrinterDevice();
    EXPECT_EQ(Sleeps(), std::vector<DWORD>(r.polls, 500)) << r.name;
    EXPECT_EQ(sim::Now(), r.polls * 500) << r.name;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << r.name;
  }
  // The hour: one DOT4 test before the first poll and one after each.
  EXPECT_EQ(OpenCalls(kDot4), 7201);
  // Nothing enumerated for the listed ids: one DOT4 test and one USB test.
  sim::Reset();
  WriteInstallInfo("");
  PlugUnsettledDevice();
  WaitForPrinterDevice();
  EXPECT_EQ(OpenCalls(kDot4), 1);
  EXPECT_EQ(OpenCalls(kUsb), 1);
  EXPECT_EQ(sim::CallCount("Sleep"), 0);
}

TEST_F(SettlingWaitTest, Windows2000AndXpWaitForPlugAndPlay) {
  for (sim::Release release : {sim::Release::Win2000, sim::Release::WinXP, sim::Release::Win2003}) {
    sim::Reset();
    sim::PoseAs(release);
    sim::InstallConfigManager(true);
    sim::SetPendingInstallsUntil(4000);
    sim::OpenWindow("Found New Hardware");
    WaitForHardwareSetup();
    EXPECT_EQ(sim::Now(), 4000u);
    ASSERT_EQ(sim::CallCount("CMP_WaitNoPendingInstallEvents"), 1);
    EXPECT_EQ(sim::Calls()[sim::FindCall("CMP_WaitNoPendingInstallEvents")].detail, std::to_string(INFINITE));
    EXPECT_EQ(sim::LibraryTrail(), "+cfgmgr32.dll|8 -cfgmgr32.dll");
    EXPECT_EQ(sim::CallCount("FindWindowA") + sim::CallCount("RegOpenKeyExA") + sim::CallCount("Sleep"), 0);
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0);

    for (bool libraryPresent : {true, false}) {
      sim::Reset();
      sim::PoseAs(release);
      if (libraryPresent) sim::InstallConfigManager(false);
      sim::SetPendingInstallsUntil(4000);
      WaitForHardwareSetup();
      EXPECT_EQ(sim::Now(), 0u);
      EXPECT_EQ(sim::CallCount("LoadLibraryExA"), 1);
      EXPECT_EQ(sim::CallCount("GetProcAddress"), libraryPresent ? 1 : 0);
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0);
    }
  }
}

TEST_F(SettlingWaitTest, UnsupportedReleasesReturnAtOnceTouchingNothing) {
  for (sim::Release release : {sim::Release::Win95, sim::Release::NT4, sim::Release::Win32s, sim::Release::Win7}) {
    sim::Reset();
    sim::PoseAs(release);
    WriteInstallInfo(kId);
    PlugUnsettledDevice();
    sim::OpenWindow("Add New Hardware Wizard");
    sim::InstallConfigManager(true);
    sim::SetPendingInstallsUntil(4000);
    WaitForHardwareSetup();
    for (const sim::Call& c : sim::Calls())
      EXPECT_TRUE(c.function == "GetVersionExA") << c.function << " called";
    EXPECT_EQ(sim::Now(), 0u);
  }
}

DWORD PlantedWait(DWORD) {
  ADD_FAILURE() << "the copy in the package folder ran";
  return 77;
}

TEST_F(SettlingWaitTest, ConfigManagerLoadedOnlyFromTheSystemFolder) {
  const FARPROC planted = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(&PlantedWait));
  sim::DefineLibrary("C:\\Pkg\\cfgmgr32.dll", {{"CMP_WaitNoPendingInstallEvents", planted}});
  EXPECT_EQ(WaitNoPendingInstallEvents(INFINITE), static_cast<DWORD>(-1));
  sim::InstallConfigManager(true);
  sim::SetPendingInstallsUntil(5000);
  EXPECT_EQ(WaitNoPendingInstallEvents(1000), static_cast<DWORD>(WAIT_TIMEOUT));  // time-out passed unchanged
  EXPECT_EQ(sim::Now(), 1000u);
  EXPECT_EQ(WaitNoPendingInstallEvents(INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(sim::Now(), 5000u);
  for (const sim::Call& c : sim::Calls())
    if (c.function == "LoadLibraryExA") {
      EXPECT_EQ(c.detail.find("C:\\WINDOWS\\SYSTEM32\\"), 0u);
    }
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0);

  // The system folder as Windows reports it, a root folder included.
  for (const std::string folder : {"D:\\WINNT\\system32", "C:\\"}) {
    sim::Reset();
    sim::SetSystemDirectory(folder);
    sim::InstallConfigManager(true);
    EXPECT_EQ(WaitNoPendingInstallEvents(INFINITE), static_cast<DWORD>(WAIT_OBJECT_0)) << folder;
    const std::string expected = folder.back() == '\\' ? folder + "cfgmgr32.dll" : folder + "\\cfgmgr32.dll";
    EXPECT_EQ(sim::Calls()[sim::FindCall("GetProcAddress") - 1].detail, expected + "|8");
  }
}

TEST_F(SettlingWaitTest, ConfigManagerFailuresGiveMinusOneAndFreeTheLibrary) {
  for (const char* failing : {"GetSystemDirectoryA", "LoadLibraryExA", "GetProcAddress"}) {
    sim::Reset();
    sim::InstallConfigManager(true);
    sim::SetPendingInstallsUntil(5000);
    sim::FailCall(failing, 1);  // cfgmgr32's own: no companion stands beside the launcher
    EXPECT_EQ(WaitNoPendingInstallEvents(INFINITE), static_cast<DWORD>(-1)) << failing;
    EXPECT_EQ(sim::Now(), 0u) << failing;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0) << failing;
  }
}

TEST_F(SettlingWaitTest, NoKeyLeftOpenWhenAnyRegistryCallFails) {
  ForEachRegistryFailure(
      [] {
        WriteInstallInfo(kId);
        AddInstance("Enum\\DOT4PRT\\A\\0000", kClassGuid, "{X}");
        AddInstance("Enum\\DOT4PRT\\A\\0001", kNoValues);
        AddInstance("Enum\\DOT4PRT\\B\\0000", kClassGuid);
      },
      [] { FindDeviceWithSetupClass(kDot4); });
  ForEachRegistryFailure(
      [] {
        sim::PoseAs(sim::Release::WinMe);
        WriteInstallInfo(kId);
        sim::OpenWindow("Add New Hardware Wizard");
        sim::At(1200, [] { sim::CloseWindow(FindWindowA(NULL, "Add New Hardware Wizard")); });
        PlugUnsettledDevice();
        sim::At(3000, InstallPrinterFunction);
      },
      [] {
        WaitForHardwareSetup();
        EXPECT_LE(sim::Now(), 3500u);  // a failed read costs at most one more poll
      });
}

}  // namespace
