#include <gtest/gtest.h>

#include <string>

#include "platform/start_program.h"
#include "sim.h"

namespace {

const char kProgram[] = "C:\\Pkg Folder\\Util\\Tool.exe";
// SW_SHOWMINNOACTIVE: any state but 0 (SW_HIDE), which a zero-filled block holds anyway.
const WORD kShowMinNoActive = 7;

class StartProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::WriteFile(kProgram, "MZ");
    sim::DefineProgram(kProgram);
  }
};

// The plain start: path and arguments as the command line, a STARTUPINFOA
// with nothing but its size, so the program shows its windows as it likes.
TEST_F(StartProgramTest, PlainStartSetsNoShowState) {
  ASSERT_TRUE(StartProgram(kProgram, "-Setup", NULL));
  const sim::ProcessStart& s = sim::ProcessStarts().at(0);
  EXPECT_EQ(s.applicationName, kProgram);
  EXPECT_EQ(s.commandLine, "C:\\Pkg Folder\\Util\\Tool.exe -Setup");
  EXPECT_EQ(s.startupFlags, 0u);
  EXPECT_EQ(s.showWindow, 0);
  EXPECT_EQ(s.startupInfoSize, sizeof(STARTUPINFOA));  // 68 in the Win32 build
  EXPECT_EQ(sim::OpenHandles(), 0);
}

// The shown start: the command-line text exactly as given, the show state
// and creation flags applied, the handles handed to the caller.
TEST_F(StartProgramTest, ShownStartKeepsTheTextAndShowState) {
  PROCESS_INFORMATION info;
  ASSERT_TRUE(StartProgramShown(kProgram, "tool stop it", kShowMinNoActive, CREATE_SUSPENDED, &info));
  const sim::ProcessStart& s = sim::ProcessStarts().at(0);
  EXPECT_EQ(s.creationFlags, static_cast<DWORD>(CREATE_SUSPENDED));
  EXPECT_EQ(s.applicationName, kProgram);
  EXPECT_EQ(s.commandLine, "tool stop it");
  EXPECT_EQ(s.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(s.showWindow, kShowMinNoActive);
  EXPECT_EQ(s.startupInfoSize, sizeof(STARTUPINFOA));
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process), 1);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
}

// A text that does not fit 1024 bytes is not started (not cut); a program
// that cannot start leaves no handles.
TEST_F(StartProgramTest, OverlongTextOrMissingProgramStartsNothing) {
  PROCESS_INFORMATION info;
  EXPECT_FALSE(StartProgramShown(kProgram, std::string(1024, 'x').c_str(), SW_HIDE, 0, &info));
  EXPECT_TRUE(sim::ProcessStarts().empty());
  EXPECT_TRUE(info.hProcess == NULL && info.hThread == NULL);
  EXPECT_TRUE(StartProgramShown(kProgram, std::string(1023, 'x').c_str(), SW_HIDE, 0, NULL));
  EXPECT_FALSE(StartProgramShown("C:\\Pkg\\None.exe", "none", SW_HIDE, 0, &info));
  EXPECT_TRUE(info.hProcess == NULL && info.hThread == NULL);
  EXPECT_EQ(sim::OpenHandles(), 0);
}

}  // namespace
