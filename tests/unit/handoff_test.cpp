#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/handoff.h"
#include "sim.h"

namespace {

const char kDone[] = "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}";
const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";
const char kProduct[] = "Software\\Ostrane\\Product";
const char kId[] = "VID_1E2F&PID_0A07";
const char kGuid[] = "{6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}";
const char kInstaller[] = "C:\\Pkg\\Install\\Setup.exe";
const char kCloseDlg[] = "C:\\Pkg\\Util\\CloseDlg.exe";
const char kOemAdv[] = "C:\\Pkg\\Util\\OemAdv07.exe";
const char kCleanup[] = "C:\\Pkg\\Cleanup.exe";
const char kMsiexec[] = "C:\\WINDOWS\\SYSTEM32\\msiexec.exe";
const char kOemInf[] = "C:\\WINDOWS\\inf\\oem3.inf";
const char kOtherInf[] = "C:\\WINDOWS\\inf\\OTHER\\oem4.inf";
const char kLayoutInf[] = "C:\\WINDOWS\\inf\\layout.inf";
const char kStaleDll[] = "C:\\WINDOWS\\SYSTEM32\\Oemk3207.dll";
const char kCopiedDll[] = "C:\\WINDOWS\\SYSTEM32\\mfc42.dll";
const DWORD kInstallerRunsMs = 60000;

const sim::Release kSupported[] = {sim::Release::Win98, sim::Release::Win98SE, sim::Release::WinMe,
                                   sim::Release::Win2000, sim::Release::WinXP};

bool Is9x(sim::Release r) {
  return r == sim::Release::Win98 || r == sim::Release::Win98SE || r == sim::Release::WinMe;
}
std::string UsbRoot(bool nineX) { return nineX ? "Enum\\USB" : "SYSTEM\\CurrentControlSet\\Enum\\USB"; }
std::string Dot4Root(bool nineX) { return nineX ? "Enum\\DOT4PRT" : "SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT"; }

// What the installer saw when it started.
struct InstallerView {
  bool ran = false;
  DWORD time = 0;
  int eventSets = -1;
  bool msiexecWritable = false;
  bool msiexecReadable = false;
  bool oemInfLeft = false;
  bool staleDllLeft = false;
  std::string installMode;
};

class HandoffTest : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(sim::Release::WinXP); }
  void TearDown() override { ExpectNothingOpen("end of test"); }

  void Prepare(sim::Release release) {
    sim::Reset();
    sim::PoseAs(release);
    _setmbcp(_MB_CP_ANSI);
    sim::CreateOutsideEvent(kDone, true);
    sim::WriteFile(kInfo, std::string("[INSTALL_INFO]\r\nRegistryPath=") + kProduct + "\r\nPDIENTRY=Pdi\r\nVID_PID=" +
                              kId + "\r\nGUIDUNDINF=" + kGuid + "\r\n");
    sim::InstallConfigManager();
    view_ = InstallerView();
    for (const char* program : {kCloseDlg, kOemAdv, kCleanup}) Program(program);
    Program(kInstaller, kInstallerRunsMs, [this] { Look(); });
    sim::WriteFile(kMsiexec, "MZ");
  }
  static void Program(const std::string& path, DWORD runsForMs = 0, std::function<void()> behaviour = nullptr) {
    sim::WriteFile(path, "MZ");
    sim::DefineProgram(path, [behaviour]() -> DWORD {
      if (behaviour) behaviour();
      return 0;
    }, runsForMs);
  }
  // Runs in the installer's place while the launcher waits for it.
  void Look() {
    view_.ran = true;
    view_.time = sim::Now();
    view_.eventSets = sim::EventSetCount(kDone);
    view_.msiexecWritable = Opens(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    view_.msiexecReadable = Opens(GENERIC_READ, FILE_SHARE_READ);
    view_.oemInfLeft = sim::FileExists(kOemInf);
    view_.staleDllLeft = sim::FileExists(kStaleDll);
    view_.installMode = Mode();
  }
  static bool Opens(DWORD access, DWORD share) {
    HANDLE file = CreateFileA(kMsiexec, access, share, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  static void Run(bool removalMode = false, const char* folder = "C:\\Pkg") {
    RunInstallationHandoff(HandoffInputs{folder, kProduct, kInfo, removalMode});
  }
  static void ExpectNothingOpen(const std::string& when) {
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << when;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process), 0) << when;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Thread), 0) << when;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::File), 0) << when;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Event), 0) << when;
  }

  // The device has been plugged in: an interface key with one instance.
  static void PlugDevice(bool nineX) {
    sim::CreateKey(UsbRoot(nineX) + "\\" + kId + "&MI_00\\0000");
    sim::SetString(UsbRoot(nineX) + "\\" + kId + "&MI_00\\0000", "Class", "Image");
  }
  // Windows installed the printer function with the product's class.
  static void InstallPrinterFunction(bool nineX) {
    sim::SetString(Dot4Root(nineX) + "\\ARVEN_PRINTER\\0000", "ClassGUID", kGuid);
  }
  // A composite device whose three interfaces have settled without the
  // printer function: the 98/Me wait ends at once.
  static void PlugSettledDevice() {
    for (int n = 0; n < 3; ++n) {
      const std::string key = UsbRoot(true) + "\\" + kId + "&MI_0" + std::to_string(n) + "\\0000";
      sim::SetString(key, "Class", "Image");
      if (n > 0) sim::SetString(key, "ClassGUID", "{00000000-0000-0000-0000-000000000000}");
    }
  }
  static std::vector<std::string> Started() {
    std::vector<std::string> names;
    for (const sim::ProcessStart& start : sim::ProcessStarts()) names.push_back(start.applicationName);
    return names;
  }
  static const sim::ProcessStart* StartOf(const std::string& program) {
    for (const sim::ProcessStart& start : sim::ProcessStarts())
      if (start.applicationName == program) return &start;
    return nullptr;
  }
  static std::string Mode() {
    return sim::ValueExists(kProduct, "InstallMode") ? sim::GetValue(kProduct, "InstallMode") : "<absent>";
  }
  static int Sets() { return sim::EventSetCount(kDone); }

  InstallerView view_;
};

const std::string kHardware("Hardware\0", 9);
const std::string kSoftware("Software\0", 9);

// ---- enumeration roots and the hardware mark -----------------------------------

TEST_F(HandoffTest, EachReleaseProbesItsOwnRoots) {
  for (sim::Release release : kSupported) {
    for (bool ownRoots : {true, false}) {
      Prepare(release);
      const bool nineX = Is9x(release) == ownRoots;
      PlugDevice(nineX);
      InstallPrinterFunction(nineX);
      Run();
      // Found where it is looked for: "Hardware" stays. Elsewhere: the key is
      // created with "Software".
      EXPECT_EQ(Mode(), ownRoots ? kHardware : kSoftware) << static_cast<int>(release) << " " << ownRoots;
      EXPECT_EQ(sim::CallCount("CreateProcessA"), Is9x(release) && release != sim::Release::WinMe ? 3 : 2);
    }
  }
}

TEST_F(HandoffTest, HardwareMarkOnlyWhenTheProbeFindsTheDevice) {
  // Plugged, key absent: created with "Hardware" before anything else runs.
  PlugDevice(false);
  InstallPrinterFunction(false);
  Run();
  EXPECT_EQ(Mode(), kHardware);
  EXPECT_EQ(sim::CallCount("RegCreateKeyExA"), 1);
  EXPECT_EQ(sim::CallCount("RegSetValueExA"), 1);
  EXPECT_LT(sim::FindCall("RegSetValueExA"), sim::FindCall("CreateProcessA"));

  // Not plugged, an old "Hardware" left by an earlier run: not written again.
  Prepare(sim::Release::WinXP);
  sim::SetString(kProduct, "InstallMode", "Hardware");
  InstallPrinterFunction(false);
  Run();
  EXPECT_EQ(Mode(), kHardware);
  EXPECT_EQ(sim::CallCount("RegSetValueExA"), 0);
  EXPECT_EQ(sim::CallCount("RegCreateKeyExA"), 0);

  // Plugged, but the key cannot be created: no mark; the settling then
  // creates the key with "Software" on its second try.
  Prepare(sim::Release::WinXP);
  PlugDevice(false);
  InstallPrinterFunction(false);
  sim::FailCall("RegCreateKeyExA", 1);
  Run();
  EXPECT_EQ(Mode(), kSoftware);
  EXPECT_EQ(sim::CallCount("RegCreateKeyExA"), 2);
  EXPECT_EQ(StartOf(kCleanup), nullptr);
}

// ---- install-mode settling ---------------------------------------------------------

TEST_F(HandoffTest, InstallModeSettlingTable) {
  const struct Row {
    const char* name;
    bool plugged;
    bool keyExists;
    const char* before;  // nullptr: no value
    DWORD type;
    bool printerFunction;
    std::string after;  // "<absent>" when no value
    bool cleanup;
  } rows[] = {
      {"plugged, new key, printer function missing", true, false, nullptr, REG_SZ, false, kSoftware, true},
      {"plugged, new key, printer function present", true, false, nullptr, REG_SZ, true, kHardware, false},
      {"not plugged, no key", false, false, nullptr, REG_SZ, false, kSoftware, false},
      {"not plugged, old Hardware, printer missing", false, true, "Hardware", REG_SZ, false, kSoftware, true},
      {"not plugged, old Hardware, printer present", false, true, "Hardware", REG_SZ, true, kHardware, false},
      {"not plugged, key without the value", false, true, nullptr, REG_SZ, false, "<absent>", false},
      {"not plugged, Software", false, true, "Software", REG_SZ, false, kSoftware, false},
      {"other letter case", false, true, "hardware", REG_SZ, false, std::string("hardware\0", 9), false},
      {"trailing blank", false, true, "Hardware ", REG_SZ, false, std::string("Hardware \0", 10), false},
      {"same bytes, another type", false, true, "Hardware", REG_BINARY, false, kSoftware, true},
  };
  for (const Row& row : rows) {
    Prepare(sim::Release::WinXP);
    if (row.plugged) PlugDevice(false);
    if (row.printerFunction) InstallPrinterFunction(false);
    if (row.keyExists) sim::CreateKey(kProduct);
    if (row.before) sim::SetValue(kProduct, "InstallMode", row.type, std::string(row.before) + '\0');
    Run();
    EXPECT_EQ(Mode(), row.after) << row.name;
    EXPECT_EQ(StartOf(kCleanup) != nullptr, row.cleanup) << row.name;
    EXPECT_EQ(view_.installMode, row.after) << row.name << ": settled before the installer starts";
    // Only a settling that acts waits for Windows.
    const bool waited = sim::CallCount("CMP_WaitNoPendingInstallEvents") > 0;
    EXPECT_EQ(waited, row.after != "<absent>" && (row.cleanup || row.after == kHardware)) << row.name;
  }
}

TEST_F(HandoffTest, InstallerStartsOnlyAfterTheWizardHasClosedAndTheDevicePollHasEnded) {
  Prepare(sim::Release::Win98SE);
  PlugDevice(true);
  HWND wizard = sim::OpenWindow("Found New Hardware");
  sim::At(5000, [wizard] { sim::CloseWindow(wizard); });
  sim::At(8000, [] { InstallPrinterFunction(true); });
  Run();
  ASSERT_TRUE(view_.ran);
  EXPECT_GE(view_.time, 8000u);
  EXPECT_LT(view_.time, 8500u);
  EXPECT_EQ(Mode(), kHardware);
  EXPECT_EQ(StartOf(kCleanup), nullptr);
  ASSERT_NE(StartOf(kCloseDlg), nullptr);
  EXPECT_EQ(StartOf(kCloseDlg)->time, view_.time);
}

TEST_F(HandoffTest, CleanupToolIsWaitedForBeforeSoftwareIsWritten) {
  PlugDevice(false);
  sim::WriteFile("C:\\Pkg\\mfc42.dll", "MZ new");
  bool copiedFirst = false;  // the runtime copy comes before the settling
  Program(kCleanup, 3000, [&copiedFirst] { copiedFirst = sim::FileExists(kCopiedDll); });
  Run();
  EXPECT_TRUE(copiedFirst);
  const sim::ProcessStart* cleanup = StartOf(kCleanup);
  ASSERT_NE(cleanup, nullptr);
  EXPECT_EQ(cleanup->commandLine, "C:\\Pkg\\Cleanup.exe -Setup");
  DWORD softwareWritten = 0;
  for (const sim::Call& call : sim::Calls())
    if (call.function == "RegSetValueExA") softwareWritten = call.time;
  EXPECT_EQ(softwareWritten, cleanup->time + 3000);
  EXPECT_EQ(Mode(), kSoftware);
  EXPECT_GE(view_.time, softwareWritten);
}

// ---- preparing the system ------------------------------------------------------------

TEST_F(HandoffTest, PurgeAndFixUpsByRelease) {
  const std::string marked = "[Version]\r\n; {5c1e0a93-7b24-4f6d-9e37-2a8b64d0c51f}\r\n";
  for (sim::Release release : kSupported) {
    Prepare(release);
    sim::WriteFile(kOemInf, marked);
    sim::WriteFile(kOtherInf, marked);
    sim::WriteFile(kLayoutInf, "[SourceDisksNames]\r\n");
    sim::WriteFile(kStaleDll, "MZ");
    sim::WriteFile("C:\\Pkg\\mfc42.dll", "MZ new");
    Run();
    const bool purged = release == sim::Release::Win98 || release == sim::Release::Win98SE;
    const int r = static_cast<int>(release);
    EXPECT_EQ(sim::FileExists(kOemInf), !purged) << r;
    EXPECT_EQ(sim::FileExists(kOtherInf), !purged) << r;
    EXPECT_EQ(view_.oemInfLeft, !purged) << r << ": purged before the installer starts";
    EXPECT_EQ(sim::FileExists(kStaleDll), !Is9x(release)) << r;
    EXPECT_EQ(view_.staleDllLeft, !Is9x(release)) << r << ": fixed before the installer starts";
    EXPECT_EQ(sim::ReadFile(kLayoutInf).find("usbhub.sys") != std::string::npos, release == sim::Release::Win98)
        << r;
    EXPECT_EQ(sim::ReadFile(kCopiedDll), "MZ new") << r;
  }
}

TEST_F(HandoffTest, MsiexecIsHeldForReadingOnlyWhileTheInstallerRunsOnMe) {
  for (sim::Release release : kSupported) {
    Prepare(release);
    Run();
    const bool me = release == sim::Release::WinMe;
    ASSERT_TRUE(view_.ran);
    EXPECT_EQ(view_.msiexecWritable, !me) << static_cast<int>(release);
    EXPECT_TRUE(view_.msiexecReadable) << static_cast<int>(release);
    ExpectNothingOpen("after the hand-off");
  }
  // No msiexec.exe: nothing held, the installer runs all the same.
  Prepare(sim::Release::WinMe);
  sim::RemoveFile(kMsiexec);
  Run();
  EXPECT_TRUE(view_.ran);
  EXPECT_EQ(Sets(), 1);
}

// ---- programs started ------------------------------------------------------------------

TEST_F(HandoffTest, SideProgramsByReleaseAndModeStartRightBeforeTheInstaller) {
  for (sim::Release release : kSupported) {
    for (bool removal : {false, true}) {
      Prepare(release);
      Run(removal);
      std::vector<std::string> expected = {kCloseDlg, kInstaller};
      if (!removal && (release == sim::Release::Win98 || release == sim::Release::Win98SE))
        expected.insert(expected.begin() + 1, kOemAdv);
      EXPECT_EQ(Started(), expected) << static_cast<int>(release) << " removal " << removal;
      for (const sim::ProcessStart& start : sim::ProcessStarts()) {
        EXPECT_EQ(start.time, view_.time) << start.applicationName << ": no pause between the starts";
        EXPECT_EQ(start.commandLine, start.applicationName == kInstaller ? kInstaller : start.applicationName);
        EXPECT_FALSE(start.applicationNameNull);
        EXPECT_FALSE(start.inheritHandles);
        EXPECT_EQ(start.creationFlags, 0u);
      }
    }
  }
}

// The command line's cases are those of installer_command_test.cpp; here
// only that the hand-off hands the installer what they build.
TEST_F(HandoffTest, InstallerGetsTheEarlierLocationOrNothing) {
  sim::SetString(kProduct, "InstalledLocation", "C:\\Program Files\\Product\\");
  Run();
  ASSERT_NE(StartOf(kInstaller), nullptr);
  EXPECT_EQ(StartOf(kInstaller)->commandLine,
            "C:\\Pkg\\Install\\Setup.exe /V\"INSTALLDIR=\\\"C:\\Program Files\\Product\\\"\"");

  Prepare(sim::Release::WinXP);
  sim::SetString(kProduct, "InstalledLocation", "C:\\Apps\" /qn \"");
  Run();
  ASSERT_NE(StartOf(kInstaller), nullptr);
  EXPECT_EQ(StartOf(kInstaller)->commandLine, kInstaller);

  // 1006 bytes of folder: InstallInfo.ini still fits beside it, the
  // programs' paths (18 bytes more) no longer do. Nothing starts; the
  // hand-off still ends as usual.
  Prepare(sim::Release::WinXP);
  const std::string folder = "C:\\" + std::string(1003, 'f');
  sim::SetModulePath(folder + "\\Setup.exe");
  Run(false, folder.c_str());
  EXPECT_TRUE(sim::ProcessStarts().empty());
  EXPECT_EQ(Sets(), 1);
}

// Without RegistryPath the product key would be HKEY_LOCAL_MACHINE itself:
// nothing is created, written or read there, and the installation goes on
// as for "Software" (no settling wait, no clean-up, no earlier location).
TEST_F(HandoffTest, EmptyRegistryPathTouchesNoKeyAtTheRoot) {
  sim::WriteFile(kInfo, std::string("[INSTALL_INFO]\r\nPDIENTRY=Pdi\r\nVID_PID=") + kId + "\r\n");
  PlugDevice(false);
  sim::SetString("", "InstallMode", "Hardware");
  sim::SetString("", "InstalledLocation", "C:\\Apps\\");
  RunInstallationHandoff(HandoffInputs{"C:\\Pkg", "", kInfo, false});
  EXPECT_EQ(sim::CallCount("RegCreateKeyExA"), 0);
  EXPECT_EQ(sim::GetValue("", "InstallMode"), std::string("Hardware\0", 9));
  EXPECT_EQ(sim::CallCount("CMP_WaitNoPendingInstallEvents"), 0);
  EXPECT_EQ(StartOf(kCleanup), nullptr);
  ASSERT_NE(StartOf(kInstaller), nullptr);
  EXPECT_EQ(StartOf(kInstaller)->commandLine, kInstaller);
  EXPECT_EQ(Sets(), 1);
}

// ---- the end ---------------------------------------------------------------------------

TEST_F(HandoffTest, EventIsSetOnceAfterTheInstallerHasEnded) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);  // as a device probe may leave it
  Run();
  EXPECT_EQ(view_.eventSets, 0);
  EXPECT_EQ(Sets(), 1);
  const int wait = sim::FindCall("WaitForSingleObject");
  ASSERT_NE(wait, -1);
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(wait)].detail, std::string(kInstaller) + "|INFINITE");  // the user's own work: no limit
  const int priority = sim::FindCall("SetThreadPriority", static_cast<size_t>(wait));
  const int closeInstaller = sim::FindCall("CloseHandle", static_cast<size_t>(priority));
  const int set = sim::FindCall("SetEvent", static_cast<size_t>(closeInstaller));
  ASSERT_NE(set, -1);
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(priority)].detail, "0");
  int installerHandlesClosed = 0;  // process and thread, between the priority and the event
  for (int i = priority; i < set; ++i)
    if (sim::Calls()[static_cast<size_t>(i)].function == "CloseHandle" &&
        sim::Calls()[static_cast<size_t>(i)].detail == kInstaller)
      ++installerHandlesClosed;
  EXPECT_EQ(installerHandlesClosed, 2);
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(set)].time, view_.time + kInstallerRunsMs);
  EXPECT_EQ(sim::ThreadPriority(), THREAD_PRIORITY_NORMAL);

  // On Me the msiexec hold is let go before the event too.
  Prepare(sim::Release::WinMe);
  Run();
  int closeHold = -1;
  for (size_t i = 0; i < sim::Calls().size(); ++i)
    if (sim::Calls()[i].function == "CloseHandle" && sim::Calls()[i].detail == kMsiexec) closeHold = static_cast<int>(i);
  EXPECT_GT(closeHold, sim::FindCall("WaitForSingleObject"));
  EXPECT_LT(closeHold, sim::FindCall("SetEvent"));
}

TEST_F(HandoffTest, EachPlatformCallFailingInTurnStillEndsCleanlyWithOneSet) {
  const struct {
    sim::Release release;
    std::function<void()> setup;
  } situations[] = {
      {sim::Release::WinMe, [] { PlugDevice(true); InstallPrinterFunction(true); }},
      {sim::Release::Win98, [] { PlugSettledDevice(); sim::WriteFile(kOemInf, "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}"); }},
      {sim::Release::WinXP, [] { PlugDevice(false); sim::SetString(kProduct, "InstalledLocation", "C:\\Apps\\"); }},
  };
  for (const auto& situation : situations) {
    for (const char* function : {"Reg*", "CreateProcessA", "WaitForSingleObject", "CreateFileA", "GetSystemDirectoryA",
                                 "GetWindowsDirectoryA", "GetModuleFileNameA", "GetPrivateProfileStringA", "GetVersionExA",
                                 "SetThreadPriority", "CopyFileA", "DeleteFileA", "FindFirstFileA",
                                 "WritePrivateProfileStringA", "OpenEventA", "SetEvent"}) {
      for (int n = 1;; ++n) {
        Prepare(situation.release);
        situation.setup();
        sim::FailCall(function, n);
        Run();
        const std::string what = std::string(function) + " #" + std::to_string(n) + " failing on " +
                                 std::to_string(static_cast<int>(situation.release));
        const bool eventCallFailed = std::string(function) == "OpenEventA" || std::string(function) == "SetEvent";
        EXPECT_EQ(Sets(), eventCallFailed ? 0 : 1) << what;
        EXPECT_EQ(sim::CallCount("OpenEventA"), 1) << what;
        ExpectNothingOpen(what);
        int calls = 0;
        for (const sim::Call& call : sim::Calls())
          if (std::string(function).back() == '*' ? call.function.compare(0, 3, "Reg") == 0 : call.function == function)
            ++calls;
        if (n >= calls) break;
      }
    }
  }
}

}  // namespace
