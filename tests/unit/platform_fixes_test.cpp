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
const char kPkgMsvcp[] = "C:\\Pkg\\msvcp60.dll";

// A minimal PE32 library whose one section holds a version resource of
// `ms`.`ls`: MZ header, PE header at 0x40, section table at 0x138, the
// section's data (RVA 0x1000) at 0x200: root, name and language directories
// at 0, 0x18 and 0x30, the data entry at 0x48, VS_VERSIONINFO at 0x58. The
// DWORD at `patchAt` (when not 0) is then made `patch`.
std::string VersionedLibrary(DWORD ms, DWORD ls, size_t patchAt = 0, DWORD patch = 0) {
  std::string image(0x200 + 0xB4, '\0');
  auto put = [&image](size_t at, DWORD value, int bytes) {
    for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
  };
  put(0, 0x5A4D, 2), put(0x3C, 0x40, 4), put(0x40, 0x4550, 4), put(0x46, 1, 2), put(0x54, 0xE0, 2);
  put(0x58, 0x10B, 2), put(0x58 + 92, 16, 4), put(0x58 + 112, 0x1000, 4), put(0x58 + 116, 0xB4, 4);
  put(0x138 + 12, 0x1000, 4), put(0x138 + 16, 0xB4, 4), put(0x138 + 20, 0x200, 4);
  for (DWORD dir : {0u, 0x18u, 0x30u}) put(0x200 + dir + 14, 1, 2);
  put(0x210, 16, 4), put(0x214, 0x80000018, 4), put(0x228, 1, 4), put(0x22C, 0x80000030, 4);
  put(0x240, 0x409, 4), put(0x244, 0x48, 4), put(0x248, 0x1058, 4), put(0x24C, 92, 4);
  put(0x258, 92, 2), put(0x25A, 52, 2);
  const char key[] = "VS_VERSION_INFO";
  for (size_t i = 0; i < sizeof key; ++i) put(0x25E + 2 * i, key[i], 2);
  put(0x280, 0xFEEF04BD, 4), put(0x288, ms, 4), put(0x28C, ls, 4);
  if (patchAt) put(patchAt, patch, 4);
  return image;
}

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

// Which copy of msvcp60.dll the system folder ends with, by what each side
// holds ("" = no such file); mfc42.dll is absent on both sides.
TEST_F(PlatformFixesTest, RuntimeLibraryIsCopiedOnlyOverNoneUnversionedOrOlder) {
  const DWORD k60 = 0x00060000, k8168 = 0x1FE80000, k8972 = 0x230C0000;  // 6.0, 8168.0, 8972.0
  const std::string v8168 = VersionedLibrary(k60, k8168), v8972 = VersionedLibrary(k60, k8972);
  const struct {
    const char* what;
    std::string system, package;
    bool copied;
  } kRows[] = {
      {"no system copy", "", v8168, true},
      {"system older", v8168, v8972, true},
      {"same version", v8972, v8972 + "x", false},
      {"system newer", v8972, v8168, false},
      {"major.minor decide before build", v8972, VersionedLibrary(0x00060001, 0), true},
      {"a later system minor wins over any build", VersionedLibrary(0x00060002, 0), v8972, false},
      {"system unversioned", "MZ old", v8168, true},
      {"package unversioned", v8168, "MZ new", false},
      {"both unversioned", "old", "new", true},
      {"package lacks it", v8168, "", false},
      {"package truncated", v8168, v8972.substr(0, 0x270), false},
      {"system truncated", v8972.substr(0, 0x140), v8168, true},
      {"PE header beyond 4 GB", v8168, VersionedLibrary(k60, k8972, 0x3C, 0xFFFFFFF0), false},
      {"section data beyond the file", v8168, VersionedLibrary(k60, k8972, 0x138 + 20, 0x7FFFFFF0), false},
      {"version data outside every section", v8168, VersionedLibrary(k60, k8972, 0x248, 0x5000), false},
      {"language directory leads back to the root", v8168, VersionedLibrary(k60, k8972, 0x244, 0x80000000), false},
      {"name directory is its own", v8168, VersionedLibrary(k60, k8972, 0x22C, 0x80000018), false},
      {"no fixed-info signature", v8168, VersionedLibrary(k60, k8972, 0x280, 0xFEEF04BE), false},
  };
  for (const auto& row : kRows) {
    SetUp();
    if (!row.system.empty()) sim::WriteFile(kSysMsvcp, row.system);
    if (!row.package.empty()) sim::WriteFile(kPkgMsvcp, row.package);
    CopyRuntimeLibraries();
    const std::string now = sim::ReadFile(kSysMsvcp);
    EXPECT_STREQ(now == row.package ? "copied" : now == row.system ? "kept" : "?", row.copied ? "copied" : "kept")
        << row.what;
    EXPECT_EQ(sim::OpenHandles(), 0) << row.what;
  }
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
                          "CreateProcessA", "WaitForSingleObject", "CloseHandle", "CreateFileA",
                          "SetFilePointer", "ReadFile"};
  for (const char* call : kCalls) {
    for (int nth = 1; nth <= 2; ++nth) {
      SetUp();
      sim::PoseAs(sim::Release::Win98);
      sim::WriteFile(kLayout, kLayoutText);
      LayStaleLibraries();
      sim::WriteFile(kPkgMsvcp, VersionedLibrary(6, 0));
      sim::WriteFile(kSysMsvcp, VersionedLibrary(6, 1));
      sim::WriteFile(kSysMfc, "system");
      sim::WriteFile("C:\\Pkg\\Cleanup.exe", "MZ");
      sim::FailCall(call, nth);
      ApplyPlatformFixes();
      CopyRuntimeLibraries();
      RunCleanupTool();
      EXPECT_FALSE(sim::FileExists("C:\\Pkg\\mfc42.dll")) << call << " " << nth;
      EXPECT_EQ(sim::ReadFile(kSysMsvcp), VersionedLibrary(6, 1)) << call << " " << nth;
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::File), 0) << call << " " << nth;
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Process) + sim::OpenHandles(sim::HandleKind::Thread), 0)
          << call << " " << nth;
    }
  }
}

}  // namespace
