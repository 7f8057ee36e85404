#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/setup_app.h"
#include "removal_double.h"
#include "sim.h"

namespace {

const char kDone[] = "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}";
const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";
const char kCaution[] =
    "Please uninstall the previous version of the ARVEN software before continuing with this installation";

class SetupAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    UninstallPrinterCalls().clear();
    sim::PoseAs(sim::Release::Win98SE);
    sim::CreateOutsideEvent(kDone, true);
    WriteInfo("Software\\Pkg", "Pdi");
    sim::WriteFile("C:\\Pkg\\Util\\OemHlt07.exe", "MZ");
    // What the process does at start-up, before the application object.
    AfxInitApplicationContext();
  }
  void TearDown() override { EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << "registry key left open"; }

  static void WriteInfo(const std::string& registryPath, const std::string& pdiEntry) {
    sim::WriteFile(kInfo, "[INSTALL_INFO]\r\nRegistryPath=" + registryPath + "\r\nPDIENTRY=" + pdiEntry + "\r\n");
  }
  static void MarkInstalled() {
    sim::SetString("Software\\Pkg", "PdiKEY", "1");
    sim::CreateKey("Software\\Corvale\\Pdi");
  }
  static int Run(const char* commandLine = "") { return theApp.RunSetup(commandLine); }
  static int Sets() { return sim::EventSetCount(kDone); }
  // Application names of the programs started, in order.
  static std::vector<std::string> Started() {
    std::vector<std::string> names;
    for (const sim::ProcessStart& start : sim::ProcessStarts()) names.push_back(start.applicationName);
    return names;
  }
};

// What the installation hand-off starts after a removal on every supported
// release: the dialog closer and the installer, never the 98 advertiser.
std::vector<std::string> AfterRemoval(const std::string& folder) {
  return {folder + "\\Util\\CloseDlg.exe", folder + "\\Install\\Setup.exe"};
}
std::vector<std::string> HelperThenHandoff(const std::string& folder) {
  std::vector<std::string> names = AfterRemoval(folder);
  names.insert(names.begin(), folder + "\\Util\\OemHlt07.exe");
  return names;
}

// ---- roads and the completion event ------------------------------------------

TEST_F(SetupAppTest, AnotherCopyEndsSilentlyWithTheEventSet) {
  sim::CreateOutsideEvent("PdiSetup", false);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Sets(), 1);
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);  // nothing past the instance test
  EXPECT_EQ(sim::CallCount("GetVersionExA"), 0);
}

TEST_F(SetupAppTest, EarlierEditionShowsCautionAndSetsTheEventOnlyAfterTheBoxCloses) {
  for (const char* edition : {"Software\\Ostrane\\Tamsk", "Software\\Ostrane\\Varnesse"}) {
    SetUp();
    sim::CreateKey(std::string(edition) + "\\Old");
    int setsWhileShown = -1;
    sim::OnMessageBox([&](const sim::MessageBoxShown&) {
      setsWhileShown = Sets();
      return IDOK;
    });
    Run();
    ASSERT_EQ(sim::MessageBoxes().size(), 1u) << edition;
    const sim::MessageBoxShown& box = sim::MessageBoxes()[0];
    EXPECT_EQ(box.text, kCaution);
    EXPECT_EQ(box.caption, "Caution!");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(setsWhileShown, 0) << edition;
    EXPECT_EQ(Sets(), 1) << edition;
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0);
  }
}

TEST_F(SetupAppTest, EarlierEditionKeyWithoutSubkeyDoesNotBlock) {
  sim::CreateKey("Software\\Ostrane\\Tamsk");
  sim::SetString("Software\\Ostrane\\Varnesse", "Leftover", "value only");
  Run();
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_EQ(Sets(), 1);
}

TEST_F(SetupAppTest, InstalledProductSetsTheEventBeforeTheDialogAndNotAgain) {
  MarkInstalled();
  int setsWhileShown = -1;
  CWnd* mainWhileShown = nullptr;
  sim::DefineDialog("#102", [&](HWND) {
    setsWhileShown = Sets();
    mainWhileShown = AfxGetApp()->m_pMainWnd;
  });
  Run();
  ASSERT_EQ(sim::Dialogs().size(), 1u);
  EXPECT_EQ(sim::Dialogs()[0].parent, nullptr);
  EXPECT_EQ(setsWhileShown, 1);
  EXPECT_NE(mainWhileShown, nullptr);
  EXPECT_EQ(theApp.m_pMainWnd, nullptr);
  EXPECT_EQ(Sets(), 1);
  EXPECT_EQ(sim::CallCount("GetVersionExA"), 0);  // nothing of the installation runs
}

TEST_F(SetupAppTest, MarkerOrMakerKeyAloneIsNotInstalled) {
  sim::SetString("Software\\Pkg", "PdiKEY", "1");
  Run();
  EXPECT_TRUE(sim::Dialogs().empty());
  EXPECT_EQ(Sets(), 1);

  SetUp();
  sim::CreateKey("Software\\Pkg");
  sim::CreateKey("Software\\Corvale\\Pdi");
  Run();
  EXPECT_TRUE(sim::Dialogs().empty());
  EXPECT_EQ(Sets(), 1);

  // Without RegistryPath no product key is read: a marker at the root of
  // HKEY_LOCAL_MACHINE (which 98 allows) beside the maker key is no record.
  SetUp();
  WriteInfo("", "Pdi");
  sim::SetString("", "PdiKEY", "1");
  sim::CreateKey("Software\\Corvale\\Pdi");
  Run();
  EXPECT_TRUE(sim::Dialogs().empty());
  ASSERT_FALSE(Started().empty());
  EXPECT_EQ(Started().back(), "C:\\Pkg\\Install\\Setup.exe");
  EXPECT_EQ(sim::CallCount("RegQueryValueExA"), 0);
}

TEST_F(SetupAppTest, MarkerOfAnyTypeCountsButOneTooLongForItsBufferDoesNot) {
  MarkInstalled();
  sim::SetValue("Software\\Pkg", "PdiKEY", REG_DWORD, std::string("\x01\0\0\0", 4));
  sim::DefineDialog("#102");
  Run();
  EXPECT_EQ(sim::Dialogs().size(), 1u);

  SetUp();
  MarkInstalled();
  sim::SetValue("Software\\Pkg", "PdiKEY", REG_BINARY, std::string(1025, 'x'));
  sim::DefineDialog("#102");
  Run();
  EXPECT_TRUE(sim::Dialogs().empty());
}

TEST_F(SetupAppTest, UnsupportedReleasesEndSilentlyWithTheEventSet) {
  for (sim::Release release : {sim::Release::Win95, sim::Release::NT4, sim::Release::Win7, sim::Release::Win32s}) {
    SetUp();
    sim::PoseAs(release);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Sets(), 1);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    EXPECT_TRUE(sim::Dialogs().empty());
    EXPECT_TRUE(sim::ProcessStarts().empty());
  }
}

TEST_F(SetupAppTest, SupportedReleasesPassEveryGate) {
  for (sim::Release release : {sim::Release::Win98, sim::Release::Win98SE, sim::Release::WinMe,
                               sim::Release::Win2000, sim::Release::WinXP, sim::Release::Win2003}) {
    SetUp();
    sim::PoseAs(release);
    Run();
    EXPECT_EQ(Sets(), 1);
    EXPECT_TRUE(sim::MessageBoxes().empty());
    ASSERT_FALSE(sim::ProcessStarts().empty());
    EXPECT_EQ(sim::ProcessStarts().back().applicationName, "C:\\Pkg\\Install\\Setup.exe");
  }
}

TEST_F(SetupAppTest, NoWaiterMeansNothingToSet) {
  sim::Reset();
  AfxInitApplicationContext();
  WriteInfo("Software\\Pkg", "Pdi");
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(sim::EventExists(kDone));  // opened, never created
  EXPECT_EQ(sim::CallCount("OpenEventA"), 1);
}

// ---- the information file ------------------------------------------------------

TEST_F(SetupAppTest, InformationFileLiesBesideTheLauncher) {
  Run();
  EXPECT_STREQ(theApp.m_szInstallInfoPath, kInfo);
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("CreateEventA"))].detail, "PdiSetup");
}

// The names are bare; without RegistryPath there is no product key, so a
// marker at the root and the bare maker key make no installed product.
TEST_F(SetupAppTest, MissingInformationFileGivesTheBareNames) {
  sim::RemoveFile(kInfo);
  sim::SetString("", "KEY", "marker in the root");
  sim::CreateKey("Software\\Corvale");
  sim::DefineDialog("#102");
  Run();
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("CreateEventA"))].detail, "Setup");
  EXPECT_EQ(sim::FindCall("RegQueryValueExA"), -1);
  EXPECT_TRUE(sim::Dialogs().empty());
  EXPECT_EQ(Started().back(), "C:\\Pkg\\Install\\Setup.exe");
}

TEST_F(SetupAppTest, DoubleByteFileNameWithTrailBackslashKeepsTheRightFolder) {
  sim::SetAnsiCodePage(932);
  AfxInitApplicationContext();
  sim::SetModulePath("C:\\Pkg\\Setup\x95\x5C.exe");  // the trail byte of this character is 0x5C
  Run("/aPrinter");
  EXPECT_STREQ(theApp.m_szInstallInfoPath, kInfo);
  EXPECT_EQ(Started(), HelperThenHandoff("C:\\Pkg"));

  SetUp();
  sim::SetAnsiCodePage(932);
  AfxInitApplicationContext();
  sim::WriteFile("C:\\\x95\x5C\\InstallInfo.ini", "[INSTALL_INFO]\r\nPDIENTRY=Folder\r\n");
  sim::SetModulePath("C:\\\x95\x5C\\Setup.exe");
  Run();
  EXPECT_STREQ(theApp.m_szInstallInfoPath, "C:\\\x95\x5C\\InstallInfo.ini");
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("CreateEventA"))].detail, "FolderSetup");
}

// ---- removal mode ------------------------------------------------------------------

TEST_F(SetupAppTest, RemovalTakesThePrinterNameFromTheThirdCharacter) {
  const struct {
    const char* commandLine;
    const char* printerName;  // nullptr: no removal
  } rows[] = {
      {"/aMy Printer", "My Printer"},
      {"/a My Printer", " My Printer"},
      {"x /aPrinter", "/aPrinter"},
      {"--silent /a", "silent /a"},
      {"/A Printer", nullptr},
      {"", nullptr},
  };
  for (const auto& row : rows) {
    SetUp();
    Run(row.commandLine);
    if (!row.printerName) {
      EXPECT_TRUE(UninstallPrinterCalls().empty()) << row.commandLine;
      continue;
    }
    ASSERT_EQ(UninstallPrinterCalls().size(), 1u) << row.commandLine;
    EXPECT_EQ(UninstallPrinterCalls()[0].printerName, row.printerName);
    EXPECT_EQ(UninstallPrinterCalls()[0].installInfoPath, kInfo);
    EXPECT_EQ(Sets(), 1);
  }
}

TEST_F(SetupAppTest, RemovalStartsTheHelperOnlyOnThe9xFamilyAndPausesBeforeRemoving) {
  for (sim::Release release : {sim::Release::Win98, sim::Release::Win98SE, sim::Release::WinMe}) {
    SetUp();
    sim::PoseAs(release);
    Run("/aPrinter");
    EXPECT_EQ(Started(), HelperThenHandoff("C:\\Pkg"));
    const sim::ProcessStart& start = sim::ProcessStarts()[0];
    EXPECT_EQ(start.commandLine, "C:\\Pkg\\Util\\OemHlt07.exe");
    EXPECT_FALSE(start.applicationNameNull);  // never found by a search of the path's blanks
    EXPECT_FALSE(start.inheritHandles);
    EXPECT_EQ(start.creationFlags, 0u);
    EXPECT_TRUE(start.environmentNull);
    EXPECT_TRUE(start.currentDirectoryNull);
    EXPECT_EQ(start.startupInfoSize, sizeof(STARTUPINFOA));
    ASSERT_EQ(UninstallPrinterCalls().size(), 1u);
    EXPECT_EQ(UninstallPrinterCalls()[0].time, start.time + 500);
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process) + sim::OpenHandles(sim::HandleKind::Thread), 0);
  }
  for (sim::Release release : {sim::Release::Win2000, sim::Release::WinXP, sim::Release::Win95}) {
    SetUp();
    sim::PoseAs(release);
    Run("/aPrinter");
    if (release == sim::Release::Win95)
      EXPECT_TRUE(sim::ProcessStarts().empty());
    else
      EXPECT_EQ(Started(), AfterRemoval("C:\\Pkg"));
    EXPECT_EQ(sim::CallCount("Sleep"), 0);
    EXPECT_EQ(UninstallPrinterCalls().size(), 1u);
  }
}

TEST_F(SetupAppTest, MissingHelperStillPausesAndRemoves) {
  sim::RemoveFile("C:\\Pkg\\Util\\OemHlt07.exe");
  Run("/aPrinter");
  EXPECT_EQ(Started(), HelperThenHandoff("C:\\Pkg"));
  EXPECT_FALSE(sim::ProcessStarts()[0].started);
  EXPECT_EQ(sim::CallCount("Sleep"), 1);
  EXPECT_EQ(UninstallPrinterCalls().size(), 1u);
}

TEST_F(SetupAppTest, FolderWithBlanksStartsTheHelperNotAShorterName) {
  sim::SetModulePath("C:\\Program Files\\Pkg\\Setup.exe");
  sim::WriteFile("C:\\Program.exe", "MZ");
  sim::WriteFile("C:\\Program Files\\Pkg\\Util\\OemHlt07.exe", "MZ");
  Run("/aPrinter");
  EXPECT_EQ(Started(), HelperThenHandoff("C:\\Program Files\\Pkg"));
  EXPECT_EQ(sim::ProcessStarts()[0].commandLine, "C:\\Program Files\\Pkg\\Util\\OemHlt07.exe");
  EXPECT_TRUE(sim::ProcessStarts()[0].started);
}

TEST_F(SetupAppTest, SecondCopyInRemovalModeRemovesFirstThenEnds) {
  sim::CreateOutsideEvent("PdiSetup", false);
  Run("/aPrinter");
  EXPECT_EQ(UninstallPrinterCalls().size(), 1u);
  EXPECT_EQ(sim::ProcessStarts().size(), 1u);
  EXPECT_EQ(Sets(), 1);
  EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);
}

// ---- lengths -----------------------------------------------------------------------

TEST_F(SetupAppTest, LauncherPathThatDoesNotFitEndsTheRunWithTheEventSet) {
  // Module path too long for its buffer, then a folder whose information-file
  // path alone would not fit.
  for (size_t folderLength : {1030u, 1010u}) {
    SetUp();
    sim::SetModulePath("C:\\" + std::string(folderLength - 3, 'd') + "\\Setup.exe");
    Run("/aPrinter");
    EXPECT_EQ(Sets(), 1) << folderLength;
    EXPECT_EQ(sim::CallCount("CreateEventA"), 0) << folderLength;
    EXPECT_EQ(sim::CallCount("GetPrivateProfileStringA"), 0) << folderLength;
    EXPECT_TRUE(UninstallPrinterCalls().empty());
  }
}

TEST_F(SetupAppTest, PdiEntryIsAcceptedUpToTheLongestNameThatFits) {
  const size_t longest = 1023 - std::string("Software\\Corvale\\").size();
  WriteInfo("Software\\Pkg", std::string(longest, 'p'));
  Run("/aPrinter");
  EXPECT_EQ(sim::CallCount("CreateEventA"), 1);
  EXPECT_EQ(UninstallPrinterCalls().size(), 1u);

  SetUp();
  WriteInfo("Software\\Pkg", std::string(longest + 1, 'p'));
  Run("/aPrinter");
  EXPECT_EQ(sim::CallCount("CreateEventA"), 0);
  EXPECT_TRUE(UninstallPrinterCalls().empty());
  EXPECT_EQ(Sets(), 1);
}

TEST_F(SetupAppTest, CommandLineTooLongForItsBufferIsNotTakenForRemoval) {
  std::string longLine = "/a" + std::string(1022, 'n');  // 1024 bytes, no room for the zero
  Run(longLine.c_str());
  EXPECT_TRUE(UninstallPrinterCalls().empty());
  EXPECT_EQ(Sets(), 1);

  SetUp();
  longLine.pop_back();  // 1023 bytes fit
  Run(longLine.c_str());
  ASSERT_EQ(UninstallPrinterCalls().size(), 1u);
  EXPECT_EQ(UninstallPrinterCalls()[0].printerName.size(), 1021u);
}

// ---- faults --------------------------------------------------------------------------

TEST_F(SetupAppTest, EachRegistryCallFailingInTurnLeavesNoKeyOpenAndStillSignals) {
  for (int n = 1;; ++n) {
    SetUp();
    MarkInstalled();
    sim::CreateKey("Software\\Ostrane\\Tamsk");
    sim::CreateKey("Software\\Ostrane\\Varnesse");
    sim::DefineDialog("#102");
    sim::FailCall("Reg*", n);
    Run();
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << "failing registry call " << n;
    EXPECT_EQ(Sets(), 1) << "failing registry call " << n;
    int registryCalls = 0;
    for (const sim::Call& c : sim::Calls())
      if (c.function.rfind("Reg", 0) == 0) ++registryCalls;
    if (registryCalls < n) break;  // the rule no longer hit any call
  }
}

TEST_F(SetupAppTest, FailuresOfTheOtherCallsTakeTheirNegativeBranch) {
  for (const char* function : {"GetModuleFileNameA", "GetPrivateProfileStringA", "CreateEventA", "OpenEventA",
                               "GetVersionExA", "CreateProcessA", "MessageBoxA", "DialogBoxParamA"}) {
    SetUp();
    sim::FailCall(function, 1);
    Run("/aPrinter");
    EXPECT_LE(Sets(), 1) << function;
  }
}

// ---- the application object ------------------------------------------------------

TEST_F(SetupAppTest, StartUpRunsTheSequenceWithTheCommandLineAndNoMessageLoop) {
  char commandLine[] = "/aLaser";
  EXPECT_EQ(AfxWinMain(nullptr, nullptr, commandLine, SW_SHOWNORMAL), 0);
  EXPECT_EQ(theApp.m_lpCmdLine, commandLine);
  ASSERT_EQ(UninstallPrinterCalls().size(), 1u);
  EXPECT_EQ(UninstallPrinterCalls()[0].printerName, "Laser");
  EXPECT_FALSE(theApp.InitInstance());
  EXPECT_EQ(AfxGetApp(), &theApp);
}

TEST_F(SetupAppTest, HelpIsTheOnlyRoutedCommand) {
  EXPECT_TRUE(theApp.OnCmdMsg(ID_HELP));
  EXPECT_FALSE(theApp.OnCmdMsg(IDOK));
}

}  // namespace
