#include <gtest/gtest.h>

#include <string>

#include "removal/platform_fixes.h"
#include "sim.h"

namespace {

const char kLayout[] = "C:\\WINDOWS\\inf\\layout.inf";
const char kLayoutText[] = "; layout\r\n[SourceDisksNames]\r\n5=\"Disk 5\"\r\n\r\n[SourceDisksFiles]\r\nfoo.sys=1\r\n";
const char kStale1[] = "C:\\WINDOWS\\SYSTEM32\\Oemk3207.dll";
const char kStale2[] = "C:\\WINDOWS\\SYSTEM32\\Oemrgx07.dll";
const char kSysMsvcp[] = "C:\\WINDOWS\\SYSTEM32\\msvcp60.dll";
const char kSysMfc[] = "C:\\WINDOWS\\SYSTEM32\\mfc42.dll";

class PlatformFixesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::WriteFile("C:\\Pkg\\Setup.exe", "MZ");
  }
  void TearDown() override { EXPECT_EQ(sim::OpenHandles(), 0) << "handle left open"; }

  static void LayStaleLibraries() {
    sim::WriteFile(kStale1, "old1");
    sim::WriteFile(kStale2, "old2");
  }
  // A fresh machine posed as `release`, with layout.inf and both stale
  // libraries, after ApplyPlatformFixes.
  void ApplyAs(sim::Release release) {
    SetUp();
    sim::PoseAs(release);
    sim::WriteFile(kLayout, kLayoutText);
    LayStaleLibraries();
    ApplyPlatformFixes();
  }
  static std::string LayoutEntry() {
    char value[128] = {0};
    GetPrivateProfileStringA("SourceDisksFiles", "usbhub.sys", "", value, sizeof value, kLayout);
    return value;
  }
};

// ---- which fixes each release gets -----------------------------------------------

TEST_F(PlatformFixesTest, Windows98PatchesLayoutThenDeletesBothLibraries) {
  ApplyAs(sim::Release::Win98);
  EXPECT_EQ(LayoutEntry(), "5,..\\system32\\drivers,26768");
  EXPECT_FALSE(sim::FileExists(kStale1));
  EXPECT_FALSE(sim::FileExists(kStale2));
  const int write = sim::FindCall("WritePrivateProfileStringA");
  ASSERT_GE(write, 0);
  EXPECT_GT(sim::FindCall("DeleteFileA"), write) << "layout.inf is patched before the deletions";
}

TEST_F(PlatformFixesTest, SecondEditionAndMeDeleteTheLibrariesOnly) {
  for (sim::Release release : {sim::Release::Win98SE, sim::Release::WinMe}) {
    ApplyAs(release);
    EXPECT_EQ(sim::ReadFile(kLayout), kLayoutText) << static_cast<int>(release);
    EXPECT_EQ(sim::CallCount("WritePrivateProfileStringA"), 0);
    EXPECT_FALSE(sim::FileExists(kStale1));
    EXPECT_FALSE(sim::FileExists(kStale2));
  }
}

TEST_F(PlatformFixesTest, OtherReleasesChangeNothing) {
  for (sim::Release release : {sim::Release::Win95, sim::Release::NT4, sim::Release::Win32s, sim::Release::Win2000,
                               sim::Release::WinXP, sim::Release::Win2003, sim::Release::Win7}) {
    ApplyAs(release);
    EXPECT_EQ(sim::ReadFile(kLayout), kLayoutText) << static_cast<int>(release);
    EXPECT_TRUE(sim::FileExists(kStale1)) << static_cast<int>(release);
    EXPECT_TRUE(sim::FileExists(kStale2)) << static_cast<int>(release);
    EXPECT_EQ(sim::CallCount("SetFileAttributesA"), 0);
  }
}

// ---- layout.inf ---------------------------------------------------------------------

TEST_F(PlatformFixesTest, LayoutEntryReplacesAnOlderValueAndKeepsTheRest) {
  sim::WriteFile(kLayout, "[SourceDisksFiles]\r\nusbhub.sys=1,,1000\r\nfoo.sys=1\r\n[Other]\r\nx=y\r\n");
  PatchLayoutInf();
  EXPECT_EQ(sim::ReadFile(kLayout),
            "[SourceDisksFiles]\r\nusbhub.sys=5,..\\system32\\drivers,26768\r\nfoo.sys=1\r\n[Other]\r\nx=y\r\n");
}

TEST_F(PlatformFixesTest, LayoutInfFollowsTheWindowsFolderAndIsNotBuiltWhenItDoesNotFit) {
  sim::SetWindowsDirectory("D:\\WIN");
  sim::CreateFolder("D:\\WIN\\inf");
  PatchLayoutInf();
  EXPECT_EQ(sim::ReadFile("D:\\WIN\\inf\\layout.inf"), "[SourceDisksFiles]\r\nusbhub.sys=5,..\\system32\\drivers,26768\r\n");

  // 1024 bytes hold a Windows folder of 1008 characters with "\inf\layout.inf"
  // and its zero, and no more.
  for (size_t length : {1008u, 1009u}) {
    sim::Reset();
    const std::string folder = "D:\\" + std::string(length - 3, 'w');
    sim::SetWindowsDirectory(folder);
    sim::CreateFolder(folder + "\\inf");
    PatchLayoutInf();
    EXPECT_EQ(sim::CallCount("WritePrivateProfileStringA"), length == 1008u ? 1 : 0) << length;
  }
}

// ---- stale libraries ----------------------------------------------------------------

TEST_F(PlatformFixesTest, ReadOnlyHiddenSystemLibraryIsDeletedAllTheSame) {
  LayStaleLibraries();
  sim::SetAttributes(kStale1, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  DeleteStaleOemDlls();
  EXPECT_FALSE(sim::FileExists(kStale1));
  EXPECT_FALSE(sim::FileExists(kStale2));
}

TEST_F(PlatformFixesTest, OnlyTheSecondLibraryExists) {
  sim::WriteFile(kStale2, "old2");
  sim::SetAttributes(kStale2, FILE_ATTRIBUTE_READONLY);
  DeleteStaleOemDlls();
  EXPECT_FALSE(sim::FileExists(kStale2));
  EXPECT_EQ(sim::CallCount("DeleteFileA"), 2);
}

// ---- runtime libraries ------------------------------------------------------------

TEST_F(PlatformFixesTest, RuntimeLibrariesReachAnEmptySystemFolder) {
  sim::WriteFile("C:\\Pkg\\msvcp60.dll", "new msvcp");
  CopyRuntimeLibraries();
  EXPECT_EQ(sim::ReadFile(kSysMsvcp), "new msvcp");
  EXPECT_FALSE(sim::FileExists(kSysMfc));
}

TEST_F(PlatformFixesTest, RuntimeLibrariesReplaceOlderOnesInTheSystemFolder) {
  sim::WriteFile("C:\\Pkg\\msvcp60.dll", "new msvcp");
  sim::WriteFile("C:\\Pkg\\mfc42.dll", "new mfc");
  sim::WriteFile(kSysMsvcp, "old msvcp");
  CopyRuntimeLibraries();
  EXPECT_EQ(sim::ReadFile(kSysMsvcp), "new msvcp");
  EXPECT_EQ(sim::ReadFile(kSysMfc), "new mfc");
  EXPECT_EQ(sim::ReadFile("C:\\Pkg\\msvcp60.dll"), "new msvcp");
}

TEST_F(PlatformFixesTest, RuntimeCopyNeverGoesFromTheSystemFolderToThePackage) {
  sim::WriteFile(kSysMsvcp, "system msvcp");
  sim::WriteFile(kSysMfc, "system mfc");
  sim::WriteFile("C:\\Pkg\\mfc42.dll", "package mfc");
  CopyRuntimeLibraries();
  EXPECT_FALSE(sim::FileExists("C:\\Pkg\\msvcp60.dll"));
  EXPECT_EQ(sim::ReadFile(kSysMsvcp), "system msvcp");
  EXPECT_EQ(sim::ReadFile(kSysMfc), "package mfc");
}

TEST_F(PlatformFixesTest, RuntimeLibraryInUseStaysAndTheOtherIsStillCopied) {
  sim::WriteFile("C:\\Pkg\\msvcp60.dll", "new msvcp");
  sim::WriteFile("C:\\Pkg\\mfc42.dll", "new mfc");
  sim::WriteFile(kSysMsvcp, "old msvcp");
  const int hold = sim::HoldFile(kSysMsvcp, GENERIC_READ, FILE_SHARE_READ);
  CopyRuntimeLibraries();
  sim::ReleaseFile(hold);
  EXPECT_EQ(sim::ReadFile(kSysMsvcp), "old msvcp");
  EXPECT_EQ(sim::ReadFile(kSysMfc), "new mfc");
}

// ---- clean-up program -------------------------------------------------------------

TEST_F(PlatformFixesTest, CleanupToolStartsByFullPathUnquotedAndIsWaitedFor) {
  sim::SetModulePath("C:\\Program Files\\Pkg\\Setup.exe");
  sim::WriteFile("C:\\Program Files\\Pkg\\Cleanup.exe", "MZ");
  sim::DefineProgram("C:\\Program Files\\Pkg\\Cleanup.exe", nullptr, 7000);
  RunCleanupTool();
  ASSERT_EQ(sim::ProcessStarts().size(), 1u);
  const sim::ProcessStart& start = sim::ProcessStarts()[0];
  EXPECT_EQ(start.applicationName, "C:\\Program Files\\Pkg\\Cleanup.exe");
  EXPECT_EQ(start.commandLine, "C:\\Program Files\\Pkg\\Cleanup.exe -Setup");
  EXPECT_FALSE(start.inheritHandles);
  EXPECT_EQ(start.creationFlags, 0u);
  EXPECT_EQ(start.startupInfoSize, sizeof(STARTUPINFOA));
  EXPECT_EQ(sim::Now(), 7000u) << "returns only when the program has ended";
}

TEST_F(PlatformFixesTest, MissingCleanupToolLeavesNothingOpen) {
  RunCleanupTool();
  ASSERT_EQ(sim::ProcessStarts().size(), 1u);
  EXPECT_FALSE(sim::ProcessStarts()[0].started);
}

TEST_F(PlatformFixesTest, CleanupCommandLineThatDoesNotFitIsNotStarted) {
  // The command line and its zero fill 260 bytes with a folder of 240
  // characters; one more and it is skipped, never cut.
  for (size_t length : {240u, 241u}) {
    SetUp();
    const std::string folder = "C:\\" + std::string(length - 3, 'p');
    sim::SetModulePath(folder + "\\Setup.exe");
    sim::WriteFile(folder + "\\Cleanup.exe", "MZ");
    RunCleanupTool();
    ASSERT_EQ(sim::ProcessStarts().size(), length == 240u ? 1u : 0u) << length;
    if (length == 240u) {
      EXPECT_EQ(sim::ProcessStarts()[0].commandLine.size(), 259u);
    }
  }
}

// ---- every call failing in turn -------------------------------------------------------

TEST_F(PlatformFixesTest, EachSystemCallFailingLeavesNothingOpenAndNeverCopiesBackwards) {
  const char* kCalls[] = {"GetWindowsDirectoryA", "GetSystemDirectoryA", "GetModuleFileNameA",
                          "WritePrivateProfileStringA", "SetFileAttributesA", "DeleteFileA", "CopyFileA",
                          "CreateProcessA", "WaitForSingleObject", "CloseHandle"};
  for (const char* call : kCalls) {
    for (int nth = 1; nth <= 2; ++nth) {
      SetUp();
      sim::PoseAs(sim::Release::Win98);
      sim::WriteFile(kLayout, kLayoutText);
      LayStaleLibraries();
      sim::WriteFile("C:\\Pkg\\msvcp60.dll", "new");
      sim::WriteFile(kSysMfc, "system");
      sim::WriteFile("C:\\Pkg\\Cleanup.exe", "MZ");
      sim::FailCall(call, nth);
      ApplyPlatformFixes();
      CopyRuntimeLibraries();
      RunCleanupTool();
      EXPECT_FALSE(sim::FileExists("C:\\Pkg\\mfc42.dll")) << call << " " << nth;
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process) + sim::OpenHandles(sim::HandleKind::Thread), 0)
          << call << " " << nth;
    }
  }
}

}  // namespace
