// The gates of the launch sequence against faults that the road tests do
// not see: how the instance and completion events are made and released,
// the access the product's keys are opened with (a limited user on NT may
// only read HKLM), the order of the gates, what a failed guard means, and
// paths at the edge of their buffers.
#include <gtest/gtest.h>

#include <string>

#include "app/setup_app.h"
#include "removal_double.h"
#include "sim.h"

namespace {

const char kDone[] = "HLT_{3D72B1E4-0F58-4c19-A6E2-91B7C04D8E3A}";
const char kInstanceEvent[] = "PdiSetup";
const char kInstaller[] = "C:\\Pkg\\Install\\Setup.exe";

class GateGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    UninstallPrinterCalls().clear();
    sim::CreateOutsideEvent(kDone, true);
    sim::WriteFile("C:\\Pkg\\InstallInfo.ini", "[INSTALL_INFO]\r\nRegistryPath=Software\\Pkg\r\nPDIENTRY=Pdi\r\n");
    sim::WriteFile(kInstaller, "MZ");
    sim::DefineDialog("#102");
    AfxInitApplicationContext();
  }
  static void MarkInstalled() {
    sim::SetString("Software\\Pkg", "PdiKEY", "1");
    sim::CreateKey("Software\\Corvale\\Pdi");
  }
  static bool InstallerStarted() {
    for (const sim::ProcessStart& s : sim::ProcessStarts())
      if (s.applicationName == kInstaller) return true;
    return false;
  }
  static int Sets() { return sim::EventSetCount(kDone); }
};

// The instance event lives, unsignalled and auto-reset, as long as the
// launcher: a second launcher started meanwhile ends as another copy.
TEST_F(GateGuardTest, InstanceEventOutlivesTheSequenceAndStopsASecondLauncher) {
  theApp.RunSetup("");
  EXPECT_EQ(sim::EventReferences(kInstanceEvent), 1);
  EXPECT_FALSE(sim::EventManualReset(kInstanceEvent));
  EXPECT_FALSE(sim::EventSignaled(kInstanceEvent));
  ASSERT_TRUE(InstallerStarted());
  const size_t startsOfTheFirst = sim::ProcessStarts().size();

  theApp.RunSetup("");
  EXPECT_EQ(sim::ProcessStarts().size(), startsOfTheFirst);
  EXPECT_EQ(Sets(), 2);  // once per launcher
}

// Opened for every access, not inherited by the programs started, closed:
// only the outside waiter's handle is left, on each road.
TEST_F(GateGuardTest, CompletionEventIsOpenedForAllAccessNotInheritedAndReleased) {
  for (bool installed : {false, true}) {
    SetUp();
    if (installed) MarkInstalled();
    theApp.RunSetup("");
    ASSERT_EQ(sim::EventOpens().size(), 1u);
    EXPECT_EQ(sim::EventOpens()[0].name, kDone);
    EXPECT_EQ(sim::EventOpens()[0].access, static_cast<DWORD>(EVENT_ALL_ACCESS));
    EXPECT_EQ(sim::EventOpens()[0].inherit, FALSE);
    EXPECT_EQ(sim::EventReferences(kDone), 1) << installed;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Event), 1) << installed;  // the instance event
    EXPECT_EQ(Sets(), 1);
  }
}

// A user without administrator's rights on XP may only read HKLM: the
// earlier-edition and product keys are opened for reading, so the gates
// still hold for that user.
TEST_F(GateGuardTest, LimitedUserOnNtIsStillStoppedAndStillOfferedTheDialog) {
  sim::RunAsLimitedUser(true);
  sim::CreateKey("Software\\Ostrane\\Varnesse\\Old");
  theApp.RunSetup("");
  EXPECT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_FALSE(InstallerStarted());

  SetUp();
  sim::RunAsLimitedUser(true);
  MarkInstalled();
  theApp.RunSetup("");
  EXPECT_EQ(sim::Dialogs().size(), 1u);
  EXPECT_FALSE(InstallerStarted());
  for (const sim::KeyOpen& open : sim::KeyOpens())
    EXPECT_EQ(open.access, static_cast<REGSAM>(KEY_READ)) << open.path;
}

// Both at once: the earlier edition must go first, the dialog is not shown.
TEST_F(GateGuardTest, EarlierEditionIsTestedBeforeTheInstalledProduct) {
  MarkInstalled();
  sim::CreateKey("Software\\Ostrane\\Tamsk\\Old");
  theApp.RunSetup("");
  EXPECT_EQ(sim::MessageBoxes().size(), 1u);
  EXPECT_TRUE(sim::Dialogs().empty());
  EXPECT_EQ(Sets(), 1);
}

// Only ERROR_ALREADY_EXISTS means another copy; an event that cannot be
// created at all leaves the guard down and the installation runs.
TEST_F(GateGuardTest, InstanceEventThatCannotBeCreatedIsNotAnotherCopy) {
  sim::FailCall("CreateEventA", 1);
  theApp.RunSetup("");
  EXPECT_TRUE(InstallerStarted());
  EXPECT_EQ(Sets(), 1);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Event), 0);
}

// While the user reads the box the launcher holds no key, only its
// instance event, and the waiting program is not yet released.
TEST_F(GateGuardTest, NothingButTheInstanceEventIsHeldWhileTheCautionBoxIsUp) {
  sim::CreateKey("Software\\Ostrane\\Tamsk\\Old");
  int keys = -1, events = -1, sets = -1;
  sim::OnMessageBox([&](const sim::MessageBoxShown&) {
    keys = sim::OpenHandles(sim::HandleKind::Key);
    events = sim::OpenHandles(sim::HandleKind::Event);
    sets = Sets();
    return IDOK;
  });
  theApp.RunSetup("");
  EXPECT_EQ(keys, 0);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(sets, 0);
}

// A marker that fills its whole 1024-byte buffer is read: installed.
TEST_F(GateGuardTest, MarkerFillingItsWholeBufferCountsAsInstalled) {
  MarkInstalled();
  sim::SetValue("Software\\Pkg", "PdiKEY", REG_BINARY, std::string(1024, 'm'));
  theApp.RunSetup("");
  EXPECT_EQ(sim::Dialogs().size(), 1u);
}

// A launcher folder where the information file's path still fits 1024
// bytes but the removal helper's does not: the helper is not started (no
// cut path), the pause and the removal still happen. One byte shorter, the
// helper's path fits and it starts.
TEST_F(GateGuardTest, RemovalHelperPathAtTheEdgeOfItsBuffer) {
  const size_t helper = std::string("\\Util\\OemHlt07.exe").size();
  for (size_t folderLength : {1023 - helper, 1024 - helper, 1025 - helper}) {
    SetUp();
    sim::PoseAs(sim::Release::Win98SE);
    const std::string folder = "C:\\" + std::string(folderLength - 3, 'd');
    sim::SetModulePath(folder + "\\Setup.exe");
    sim::WriteFile(folder + "\\InstallInfo.ini", "[INSTALL_INFO]\r\nPDIENTRY=Pdi\r\n");
    sim::WriteFile(folder + "\\Util\\OemHlt07.exe", "MZ");
    theApp.RunSetup("/aPrinter");
    const bool fits = folderLength + helper <= 1023;
    ASSERT_EQ(sim::ProcessStarts().empty(), !fits) << folderLength;
    if (fits) {
      EXPECT_EQ(sim::ProcessStarts()[0].commandLine, folder + "\\Util\\OemHlt07.exe");
    }
    EXPECT_NE(sim::FindCall("Sleep"), -1) << folderLength;
    EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("Sleep"))].detail, "500");
    ASSERT_EQ(UninstallPrinterCalls().size(), 1u) << folderLength;
    EXPECT_EQ(UninstallPrinterCalls()[0].installInfoPath, folder + "\\InstallInfo.ini");
  }
}

}  // namespace
