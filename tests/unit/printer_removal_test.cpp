#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "removal/printer_removal.h"
#include "sim.h"

namespace {

const char kPrinter[] = "E2E Printer";
const char kDriver[] = "E2E Driver";
const char kNet[] = "C:\\WINDOWS\\SYSTEM32\\net.exe";
const DWORD kNetRunsMs = 300;

// The calls that make up the road taken, in order.
std::vector<std::string> Road() {
  static const std::set<std::string> steps = {
      "CMP_WaitNoPendingInstallEvents", "OpenPrinterA", "EnumWindows",          "CreateProcessA",
      "DeletePrinter",                  "ClosePrinter", "DeletePrinterDriverA", "DeletePrinterDriverExA"};
  std::vector<std::string> road;
  for (const sim::Call& c : sim::Calls())
    if (steps.count(c.function)) road.push_back(c.function);
  return road;
}

std::vector<std::string> Repeat(const std::string& step, int times) { return std::vector<std::string>(times, step); }

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

int Pauses(DWORD ms) {
  int n = 0;
  for (const sim::Call& c : sim::Calls())
    if (c.function == "Sleep" && c.detail == std::to_string(ms)) ++n;
  return n;
}

std::vector<std::string> NetCommands() {
  std::vector<std::string> commands;
  for (const sim::ProcessStart& s : sim::ProcessStarts()) commands.push_back(s.commandLine);
  return commands;
}

std::string DetailOf(const std::string& function) {
  const int i = sim::FindCall(function);
  return i < 0 ? std::string("<not called>") : sim::Calls()[i].detail;
}

// IDOK commands the window received.
int OkCommands(HWND window) {
  int n = 0;
  for (const sim::WindowMessage& m : sim::MessagesReceived(window))
    if (m.message == WM_COMMAND && m.wParam == IDOK && m.lParam == 0) ++n;
  return n;
}

void ExpectAllReleased() {
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Printer), 0);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Module), 0);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process), 0);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Thread), 0);
  EXPECT_EQ(sim::LocalBlocks(), 0);
}

// A machine with the product's queue and another maker's, the system's
// winspool.drv, cfgmgr32.dll and net.exe.
void PrepareMachine(sim::Release release) {
  sim::Reset();
  sim::PoseAs(release);
  sim::InstallConfigManager();
  sim::InstallWinspool();
  sim::InstallNetCommand(kNetRunsMs);
  sim::AddPrinterDriver(kDriver);
  sim::AddPrinter(kPrinter, kDriver);
  sim::AddPrinterDriver("Other Driver");
  sim::AddPrinter("Other Printer", "Other Driver");
}

void ExpectOtherQueueKept() {
  EXPECT_TRUE(sim::PrinterExists("Other Printer"));
  EXPECT_TRUE(sim::PrinterDriverExists("Other Driver"));
}

const std::vector<std::string> kOpenOnNt = {"CMP_WaitNoPendingInstallEvents", "OpenPrinterA"};
const std::vector<std::string> kRestart = Repeat("CreateProcessA", 2);
const std::vector<std::string> kDeleteOnNt = {"DeletePrinter", "ClosePrinter", "DeletePrinterDriverExA"};

class PrinterRemovalNtTest : public ::testing::TestWithParam<sim::Release> {
 protected:
  void SetUp() override { PrepareMachine(GetParam()); }
};

TEST_P(PrinterRemovalNtTest, NoWindowTwentyOnePassesThenRestartAndDeletions) {
  RemovePrinterAndDriver(kPrinter);
  EXPECT_EQ(Road(), Join({kOpenOnNt, Repeat("EnumWindows", 21), kRestart, kDeleteOnNt}));
  EXPECT_EQ(Pauses(500), 20 + 1);  // the window passes, then the one after "net stop"
  EXPECT_EQ(Pauses(1000), 1);
  EXPECT_EQ(DetailOf("CMP_WaitNoPendingInstallEvents"), std::to_string(INFINITE));
  EXPECT_EQ(DetailOf("OpenPrinterA"), "E2E Printer|0xf000c|(null)|(null)");
  EXPECT_EQ(DetailOf("DeletePrinterDriverExA"), "(null)|(null)|E2E Driver|1|0");
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
  EXPECT_FALSE(sim::PrinterDriverExists(kDriver));
  ExpectOtherQueueKept();
  ExpectAllReleased();

  // The spooler commands: the system's net.exe by its full path, hidden,
  // each waited for, with the pauses after them.
  const std::vector<sim::ProcessStart>& starts = sim::ProcessStarts();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(NetCommands(), (std::vector<std::string>{"net stop spooler", "net start spooler"}));
  for (const sim::ProcessStart& s : starts) {
    EXPECT_EQ(s.applicationName, kNet);
    EXPECT_FALSE(s.applicationNameNull);
    EXPECT_EQ(s.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
    EXPECT_EQ(s.showWindow, SW_HIDE);
  }
  EXPECT_EQ(starts[0].time, 20 * 500u);
  EXPECT_EQ(starts[1].time, starts[0].time + kNetRunsMs + 500);
  EXPECT_EQ(sim::Now(), starts[1].time + kNetRunsMs + 1000);
}

TEST_P(PrinterRemovalNtTest, WindowPresentAtOnceGetsOkWithoutPause) {
  HWND queue = sim::OpenWindow("E2E Printer - Queue");
  HWND other = sim::OpenWindow("Printers");
  RemovePrinterAndDriver(kPrinter);
  EXPECT_EQ(Road(), Join({kOpenOnNt, {"EnumWindows"}, kRestart, kDeleteOnNt}));
  EXPECT_EQ(OkCommands(queue), 1);
  EXPECT_TRUE(sim::MessagesReceived(other).empty());
  EXPECT_EQ(sim::MessagesReceived(queue)[0].time, 0u);
  EXPECT_EQ(Pauses(500), 1);  // only the one after "net stop"
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
  ExpectAllReleased();
}

TEST_P(PrinterRemovalNtTest, WindowAppearingAtThreeSecondsEndsThePasses) {
  HWND queue = nullptr;
  sim::At(3000, [&] { queue = sim::OpenWindow("Printing - E2E Printer (2 documents)"); });
  RemovePrinterAndDriver(kPrinter);
  ASSERT_NE(queue, nullptr);
  EXPECT_EQ(OkCommands(queue), 1);
  EXPECT_EQ(sim::MessagesReceived(queue)[0].time, 3000u);
  EXPECT_EQ(Road(), Join({kOpenOnNt, Repeat("EnumWindows", 7), kRestart, kDeleteOnNt}));
  EXPECT_EQ(sim::ProcessStarts()[0].time, 3000u);
}

INSTANTIATE_TEST_SUITE_P(Nt5, PrinterRemovalNtTest,
                         ::testing::Values(sim::Release::WinXP, sim::Release::Win2000, sim::Release::Win2003));

class PrinterRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override { PrepareMachine(sim::Release::WinXP); }
};

TEST_F(PrinterRemovalTest, OnlyTheFirstOfTwoMatchingWindowsGetsOk) {
  HWND lower = sim::OpenWindow("E2E Printer - Queue");
  HWND top = sim::OpenWindow("Document Properties: E2E Printer");
  RemovePrinterAndDriver(kPrinter);
  EXPECT_EQ(OkCommands(top), 1);  // the topmost is met first
  EXPECT_TRUE(sim::MessagesReceived(lower).empty());
  EXPECT_EQ(sim::CallCount("EnumWindows"), 1);
}

// OK (WM_COMMAND, IDOK, SMTO_NORMAL | SMTO_ABORTIFHUNG, 5 s) is handled before the removal goes
// on, or the window is given up: at once when hung, after 5 s when slow; the passes end either way.
// A "net stop" that never ends is waited for 60 s, then ended, and "net start" follows.
TEST_F(PrinterRemovalTest, QueueWindowAndNetStopCannotHoldTheRemoval) {
  const struct { DWORD answersAfter; bool handled; DWORD goesOnAt; } cases[] = {
      {0, true, 0}, {4000, true, 4000}, {6000, false, 5000}, {INFINITE, false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answersAfter);
    PrepareMachine(sim::Release::WinXP);
    sim::InstallNetCommand(kNetRunsMs, INFINITE);
    HWND queue = sim::OpenWindow("E2E Printer - Queue");
    sim::WindowAnswersAfter(queue, c.answersAfter);
    RemovePrinterAndDriver(kPrinter);
    EXPECT_EQ(DetailOf("SendMessageTimeoutA"), "E2E Printer - Queue|273|1|2|5000");
    const std::vector<sim::WindowMessage> got = sim::MessagesReceived(queue);
    EXPECT_EQ(!got.empty() && got[0].time <= c.goesOnAt, c.handled);
    EXPECT_EQ(Road(), Join({kOpenOnNt, {"EnumWindows"}, kRestart, kDeleteOnNt}));
    EXPECT_EQ(sim::ProcessStarts()[0].time, c.goesOnAt);
    // net stop and its net1.exe, ended as one job, before net start runs;
    // only the stop's job ends its programs with the launcher.
    EXPECT_EQ(DetailOf("TerminateJobObject"), std::string(kNet) + "|2|1");
    EXPECT_EQ(sim::CallCount("TerminateJobObject"), 1);
    EXPECT_EQ(DetailOf("SetInformationJobObject"), "9|8192");
    EXPECT_EQ(sim::CallCount("SetInformationJobObject"), 1);
    EXPECT_LT(sim::FindCall("SetInformationJobObject"), sim::FindCall("CreateProcessA"));
    EXPECT_EQ(sim::RunningPrograms(), std::vector<std::string>{});
    EXPECT_EQ(sim::ProcessStarts()[1].time, c.goesOnAt + 60000 + 10 + 500);
    EXPECT_EQ(sim::ProcessStarts()[1].runningAtStart, std::vector<std::string>{});
    EXPECT_EQ(sim::EndlessWaits(), 0);
    EXPECT_FALSE(sim::PrinterExists(kPrinter));
    ExpectAllReleased();
  }
}

// A net command that does not end by itself (its wait runs out or fails, or
// it cannot be resumed) is ended with the net1.exe it started, and both are
// gone before the restart goes on (whenever the job stops counting them): as
// one job; by parent id where it cannot join a job of its own or the job
// cannot be ended, sparing an older process whose parent had the same id and
// a later one of another parent; alone on releases without job objects.
class PrinterRemovalJobCountTest : public ::testing::TestWithParam<bool> {};

TEST_P(PrinterRemovalJobCountTest, NetCommandEndedWithWhatItStarted) {
  const std::string net1 = "C:\\WINDOWS\\SYSTEM32\\net1.exe";
  const struct { const char* name; sim::Release release; const char* fail; DWORD stopRuns, endedAfter; } cases[] = {
      {"job", sim::Release::WinXP, "", INFINITE, 60000 + 10},
      {"wait failed", sim::Release::Win2000, "WaitForSingleObject", kNetRunsMs, 10},
      {"not resumed", sim::Release::WinXP, "ResumeThread", kNetRunsMs, 10},
      {"job not listed", sim::Release::WinXP, "QueryInformationJobObject", INFINITE, 60000 + 10},
      {"no job", sim::Release::WinXP, "AssignProcessToJobObject", INFINITE, 60000 + 10 + 10},
      {"job not ended", sim::Release::WinXP, "TerminateJobObject", INFINITE, 60000 + 10 + 10},
      {"98", sim::Release::Win98, "", INFINITE, 60000 + 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PrepareMachine(c.release);
    sim::JobCountsEndingProcesses(GetParam());
    sim::InstallNetCommand(kNetRunsMs, c.stopRuns);
    if (c.fail[0]) sim::FailCall(c.fail, 1);
    Sleep(10);
    sim::AddRunningProcess("C:\\Other\\older.exe", 104);  // net stop will have id 104
    sim::At(30, [] { sim::AddRunningProcess("C:\\Other\\later.exe", 7); });
    Sleep(10);
    RestartSpooler();
    const bool jobs = c.release != sim::Release::Win98;
    EXPECT_EQ(sim::ProcessStarts()[0].creationFlags, jobs ? static_cast<DWORD>(CREATE_SUSPENDED) : 0u);
    const bool joined = jobs && std::string(c.fail) != "AssignProcessToJobObject";
    const bool byParent = jobs && (!joined || std::string(c.fail) == "TerminateJobObject");
    EXPECT_EQ(sim::CallCount("TerminateJobObject"), joined ? 1 : 0);
    std::vector<std::string> ended;
    for (const sim::Call& call : sim::Calls())
      if (call.function == "TerminateProcess") ended.push_back(call.detail);
    const std::vector<std::string> byId = {kNet + std::string("|1"), net1 + "|1"};
    EXPECT_EQ(ended, byParent ? byId : jobs ? std::vector<std::string>{} : std::vector<std::string>{byId[0]});
    // net start came once the stop had ended (a moment after each end was
    // asked for: by parent id the command is waited for before its children
    // are ended); only the older process and, on 98 (where nothing changes),
    // the stop's worker are left.
    EXPECT_EQ(sim::ProcessStarts()[1].time, 20 + c.endedAfter + 500);
    std::vector<std::string> left = {"C:\\Other\\older.exe"};
    if (!jobs) left.push_back(net1);
    left.push_back("C:\\Other\\later.exe");
    EXPECT_EQ(sim::ProcessStarts()[1].runningAtStart, left);
    EXPECT_EQ(sim::RunningPrograms(), left);
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process) + sim::OpenHandles(sim::HandleKind::Job) +
                  sim::OpenHandles(sim::HandleKind::Snapshot),
              0);
  }
}

INSTANTIATE_TEST_SUITE_P(CountedUntilGoneOrUntilAskedToEnd, PrinterRemovalJobCountTest, ::testing::Bool());

TEST_F(PrinterRemovalTest, TitleMatchIsCaseSensitive) {
  HWND queue = sim::OpenWindow("e2e printer - Queue");
  RemovePrinterAndDriver(kPrinter);
  EXPECT_TRUE(sim::MessagesReceived(queue).empty());
  EXPECT_EQ(sim::CallCount("EnumWindows"), 21);
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
}

// Code page 932: "ア1" (83 41 31) holds the bytes of "A1" only across a
// character boundary, so it is no match; "ア A1" is.
TEST_F(PrinterRemovalTest, TitleSearchIsMultibyteAware) {
  sim::SetAnsiCodePage(932);
  _setmbcp(_MB_CP_ANSI);
  sim::AddPrinterDriver("A1 Driver");
  sim::AddPrinter("A1", "A1 Driver");
  HWND trap = sim::OpenWindow("\x83\x41" "1 queue");
  RemovePrinterAndDriver("A1");
  EXPECT_TRUE(sim::MessagesReceived(trap).empty());
  EXPECT_EQ(sim::CallCount("EnumWindows"), 21);
  EXPECT_FALSE(sim::PrinterExists("A1"));

  sim::AddPrinter("A1", "A1 Driver");
  HWND queue = sim::OpenWindow("\x83\x41 A1");
  RemovePrinterAndDriver("A1");
  EXPECT_EQ(OkCommands(queue), 1);
}

// A failed driver deletion is retried once, after a second restart; a
// second failure is left at that.
TEST_F(PrinterRemovalTest, DriverDeletionRetriedOnceAfterASecondRestart) {
  for (int failures : {1, 2}) {
    SCOPED_TRACE(failures);
    PrepareMachine(sim::Release::WinXP);
    for (int n = 1; n <= failures; ++n) sim::FailCall("DeletePrinterDriverExA", n);
    RemovePrinterAndDriver(kPrinter);
    EXPECT_EQ(Road(), Join({kOpenOnNt, Repeat("EnumWindows", 21), kRestart, kDeleteOnNt, kRestart,
                            {"DeletePrinterDriverExA"}}));
    EXPECT_EQ(NetCommands(), (std::vector<std::string>{"net stop spooler", "net start spooler", "net stop spooler",
                                                       "net start spooler"}));
    EXPECT_FALSE(sim::PrinterExists(kPrinter));
    EXPECT_EQ(sim::PrinterDriverExists(kDriver), failures == 2);
    // The retry asks for the same deletion as the first attempt.
    const std::vector<sim::Call>& calls = sim::Calls();
    std::vector<std::string> deletions;
    for (const sim::Call& c : calls)
      if (c.function == "DeletePrinterDriverExA") deletions.push_back(c.detail);
    EXPECT_EQ(deletions, Repeat(DetailOf("DeletePrinterDriverExA"), 2));
    EXPECT_EQ(deletions[0].substr(deletions[0].size() - 4), "|1|0");  // DPD_DELETE_UNUSED_FILES, version 0
    ExpectAllReleased();
  }
}

TEST_F(PrinterRemovalTest, WithoutDeletePrinterDriverExTheDriverStays) {
  sim::InstallWinspool({"DeletePrinterDriverExA"});
  RemovePrinterAndDriver(kPrinter);
  EXPECT_EQ(Road(), Join({kOpenOnNt, Repeat("EnumWindows", 21), kRestart, {"DeletePrinter", "ClosePrinter"}}));
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
  EXPECT_TRUE(sim::PrinterDriverExists(kDriver));
  ExpectAllReleased();
}

// Whatever the spooler says, nothing is removed, no window is looked for and
// the spooler is not restarted; on NT 5.x the Plug and Play wait has been made.
void ExpectNothingRemoved() {
  EXPECT_EQ(sim::CallCount("EnumWindows"), 0);
  EXPECT_TRUE(sim::ProcessStarts().empty());
  EXPECT_EQ(sim::CallCount("DeletePrinter"), 0);
  EXPECT_TRUE(sim::PrinterExists(kPrinter));
  EXPECT_TRUE(sim::PrinterDriverExists(kDriver));
  ExpectOtherQueueKept();
  ExpectAllReleased();
}

TEST_F(PrinterRemovalTest, UnknownPrinterRemovesNothing) {
  RemovePrinterAndDriver("No Such Printer");
  EXPECT_EQ(Road(), kOpenOnNt);
  EXPECT_EQ(sim::Now(), 0u);
  ExpectNothingRemoved();
}

TEST_F(PrinterRemovalTest, InformationThatCannotBeReadRemovesNothing) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    int queries;  // GetPrinterA calls made before the operation ends
    int allocations;
  } cases[] = {
      {"size query fails", [] { sim::FailCall("GetPrinterA", 1); }, 1, 0},
      {"read fails", [] { sim::FailCall("GetPrinterA", 2); }, 2, 1},
      {"block not allocated", [] { sim::FailCall("LocalAlloc", 1); }, 1, 1},
      {"null handle", [] { sim::OpenPrinterGivesNullHandle(true); }, 0, 0},
      // Between the two queries the information shrinks: the read succeeds
      // with a smaller size than the query reported.
      {"sizes differ, smaller", [] { sim::BetweenPrinterQueries([] { sim::AddPrinter(kPrinter, "D"); }); }, 2, 1},
      {"sizes differ, larger",
       [] { sim::BetweenPrinterQueries([] { sim::AddPrinter(kPrinter, std::string(kDriver) + " v2"); }); }, 2, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PrepareMachine(sim::Release::WinXP);
    c.arrange();
    RemovePrinterAndDriver(kPrinter);
    EXPECT_EQ(sim::CallCount("GetPrinterA"), c.queries);
    EXPECT_EQ(sim::CallCount("LocalAlloc"), c.allocations);
    ExpectNothingRemoved();
  }
}

TEST_F(PrinterRemovalTest, WithoutUsableWinspoolNothingIsDone) {
  const std::vector<std::vector<std::string>> missing = {
      {"OpenPrinterA"}, {"GetPrinterA"}, {"DeletePrinter"}, {"ClosePrinter"}};
  for (const auto& m : missing) {
    SCOPED_TRACE(m[0]);
    PrepareMachine(sim::Release::WinXP);
    sim::InstallWinspool(m);
    RemovePrinterAndDriver(kPrinter);
    EXPECT_EQ(sim::CallCount("OpenPrinterA"), 0);
    ExpectNothingRemoved();
  }
}

// A winspool.drv beside the launcher is never loaded: the system folder's is
// named by its full path; what it brings along only where a copy lies beside
// the launcher or in the current folder, so none is taken.
TEST_F(PrinterRemovalTest, WinspoolLoadedFromTheSystemFolderOnly) {
  const struct { sim::Release release; std::vector<std::string> planted; const char* trail; } cases[] = {
      {sim::Release::WinXP, {}, "+cfgmgr32.dll|8 -cfgmgr32.dll +winspool.drv|8 -winspool.drv"},
      {sim::Release::WinXP, {"C:\\Pkg\\rpcrt4.dll", "C:\\Pkg\\setupapi.dll", "C:\\Pkg\\compstui.dll", "C:\\Work\\spoolss.dll"},
       "+rpcrt4.dll|8 +setupapi.dll|8 +cfgmgr32.dll|8 -cfgmgr32.dll -setupapi.dll -rpcrt4.dll "
       "+compstui.dll|8 +spoolss.dll|8 +winspool.drv|8 -winspool.drv -spoolss.dll -compstui.dll"},
      {sim::Release::Win98SE, {}, "+winspool.drv|8 -winspool.drv"},
      {sim::Release::Win98SE, {"C:\\Work\\spoolss.dll", "C:\\Pkg\\localspl.dll"},
       "+spoolss.dll|8 +localspl.dll|8 +winspool.drv|8 -winspool.drv -spoolss.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.planted.size()));
    PrepareMachine(c.release);
    sim::SetCurrentFolder("C:\\Work");
    sim::DefineLibrary("C:\\Pkg\\Winspool.drv", {});
    for (const std::string& planted : c.planted) sim::WriteFile(planted, "MZ");
    RemovePrinterAndDriver(kPrinter);
    EXPECT_EQ(sim::LibraryTrail(), c.trail);
    EXPECT_EQ(sim::LibrariesTakenFromElsewhere(), std::vector<std::string>{});
    EXPECT_FALSE(sim::PrinterExists(kPrinter));
  }

  PrepareMachine(sim::Release::WinXP);
  sim::SetSystemDirectory("C:\\WINNT\\system32");
  RemovePrinterAndDriver(kPrinter);  // no winspool.drv in that folder
  ExpectNothingRemoved();
}

// A driver name of 260 bytes does not fit the buffer with its terminator: it
// is not cut, so no driver is deleted, but the queue still is.
TEST_F(PrinterRemovalTest, OverlongDriverNameIsNotCut) {
  for (sim::Release release : {sim::Release::WinXP, sim::Release::Win98SE}) {
    for (size_t length : {259u, 260u}) {
      SCOPED_TRACE(std::to_string(length));
      PrepareMachine(release);
      const std::string driver(length, 'D');
      sim::AddPrinterDriver(driver);
      sim::AddPrinterDriver(driver.substr(0, 259));
      sim::AddPrinter(kPrinter, driver);
      RemovePrinterAndDriver(kPrinter);
      EXPECT_FALSE(sim::PrinterExists(kPrinter));
      EXPECT_EQ(sim::PrinterDriverExists(driver), length == 260);
      EXPECT_EQ(sim::CallCount("DeletePrinterDriverExA") + sim::CallCount("DeletePrinterDriverA"),
                length == 260 ? 0 : 1);
      ExpectAllReleased();
    }
  }
}

// Without net.exe there is nothing to wait for; the pauses still hold and
// the removal goes on. A net.exe beside the launcher is never started.
TEST_F(PrinterRemovalTest, MissingNetCommandKeepsThePauses) {
  sim::RemoveFile(kNet);
  sim::WriteFile("C:\\Pkg\\net.exe", "MZ");
  sim::DefineProgram("C:\\Pkg\\net.exe");
  RemovePrinterAndDriver(kPrinter);
  ASSERT_EQ(sim::ProcessStarts().size(), 2u);
  for (const sim::ProcessStart& s : sim::ProcessStarts()) {
    EXPECT_FALSE(s.started);
    EXPECT_EQ(s.applicationName, kNet);
  }
  EXPECT_EQ(Pauses(500), 21);
  EXPECT_EQ(Pauses(1000), 1);
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
  EXPECT_FALSE(sim::PrinterDriverExists(kDriver));
}

// An empty name would be found in every title: nothing is done.
TEST_F(PrinterRemovalTest, EmptyNameDoesNothing) {
  HWND window = sim::OpenWindow("Anything");
  RemovePrinterAndDriver("");
  EXPECT_TRUE(sim::MessagesReceived(window).empty());
  EXPECT_TRUE(sim::Calls().empty());
}

class PrinterRemovalOtherReleaseTest : public ::testing::TestWithParam<sim::Release> {
 protected:
  void SetUp() override { PrepareMachine(GetParam()); }
};

TEST_P(PrinterRemovalOtherReleaseTest, DeletesDirectlyWithoutWaitPassOrRestart) {
  sim::OpenWindow("E2E Printer - Queue");
  RemovePrinterAndDriver(kPrinter);
  EXPECT_EQ(Road(), (std::vector<std::string>{"OpenPrinterA", "DeletePrinter", "ClosePrinter", "DeletePrinterDriverA"}));
  EXPECT_EQ(DetailOf("DeletePrinterDriverA"), "(null)|(null)|E2E Driver");
  EXPECT_EQ(sim::CallCount("Sleep"), 0);
  EXPECT_FALSE(sim::PrinterExists(kPrinter));
  EXPECT_FALSE(sim::PrinterDriverExists(kDriver));
  ExpectOtherQueueKept();
  ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(Others, PrinterRemovalOtherReleaseTest,
                         ::testing::Values(sim::Release::Win98, sim::Release::Win98SE, sim::Release::WinMe,
                                           sim::Release::Win95, sim::Release::NT4, sim::Release::Win7));

// Each platform call failing in turn, at each of its calls: no crash, nothing
// of another maker's removed, every handle and the block released.
TEST(PrinterRemovalFaultTest, EachPlatformCallFailingInTurn) {
  const char* const functions[] = {"GetVersionExA", "GetSystemDirectoryA", "LoadLibraryExA", "GetProcAddress",
                                   "OpenPrinterA",  "GetPrinterA",         "LocalAlloc",   "EnumWindows",
                                   "GetWindowTextA", "SendMessageTimeoutA", "CreateProcessA", "WaitForSingleObject",
                                   "DeletePrinter", "DeletePrinterDriverA", "DeletePrinterDriverExA",
                                   "CMP_WaitNoPendingInstallEvents"};
  for (sim::Release release : {sim::Release::WinXP, sim::Release::WinMe}) {
    for (const char* function : functions) {
      PrepareMachine(release);
      sim::OpenWindow("E2E Printer - Queue");
      RemovePrinterAndDriver(kPrinter);
      const int calls = sim::CallCount(function);
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(std::string(function) + " call " + std::to_string(n));
        PrepareMachine(release);
        sim::OpenWindow("E2E Printer - Queue");
        sim::FailCall(function, n);
        RemovePrinterAndDriver(kPrinter);
        ExpectOtherQueueKept();
        ExpectAllReleased();
      }
    }
  }
}

}  // namespace
