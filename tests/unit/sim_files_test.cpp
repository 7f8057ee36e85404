// The simulated file system where it models what the contract tests cannot
// pin under Wine: FAT listing order, other programs' holds, handle counts and
// the attributes a copy takes. (Injected failures of the new calls are
// exercised by the purge and fix-up tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim.h"

namespace {

std::vector<std::string> List(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

class SimFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(SimFilesTest, SearchListsInCreationOrderAndSkipsWhatWasDeletedMeanwhile) {
  sim::WriteFile("C:\\F\\zeta.inf", "z");
  sim::CreateFolder("C:\\F\\beta.inf");
  sim::WriteFile("C:\\F\\Alpha.INF", "a");
  sim::WriteFile("C:\\F\\gamma.txt", "g");
  sim::WriteFile("C:\\F\\sub\\deep.inf", "d");
  EXPECT_EQ(List("C:\\F\\*.inf"), std::vector<std::string>({"zeta.inf", "beta.inf", "Alpha.INF"}));
  EXPECT_EQ(sim::FolderEntries("C:\\F"), std::vector<std::string>({"zeta.inf", "beta.inf", "Alpha.INF", "gamma.txt", "sub"}));

  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA("C:\\F\\*.inf", &data);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Find), 1);
  sim::RemoveFile("C:\\F\\Alpha.INF");
  ASSERT_TRUE(FindNextFileA(find, &data));
  EXPECT_STREQ(data.cFileName, "beta.inf");
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_FALSE(CloseHandle(find)) << "a search has its own closer";
  EXPECT_TRUE(FindClose(find));
  EXPECT_EQ(sim::OpenHandles(), 0);
}

TEST_F(SimFilesTest, ReaderHoldLetsOthersReadButNotWrite) {
  sim::WriteFile("C:\\W\\msiexec.exe", "MZ");
  EXPECT_TRUE(sim::OtherProgramCouldOpen("C:\\W\\msiexec.exe", GENERIC_WRITE));
  HANDLE held = CreateFileA("C:\\W\\msiexec.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::File), 1);
  EXPECT_TRUE(sim::OtherProgramCouldOpen("C:\\W\\MSIEXEC.EXE", GENERIC_READ));
  EXPECT_FALSE(sim::OtherProgramCouldOpen("C:\\W\\msiexec.exe", GENERIC_WRITE));
  CloseHandle(held);
  EXPECT_TRUE(sim::OtherProgramCouldOpen("C:\\W\\msiexec.exe", GENERIC_WRITE));
  EXPECT_FALSE(sim::OtherProgramCouldOpen("C:\\W\\absent.exe", GENERIC_READ));

  const int hold = sim::HoldFile("C:\\W\\msiexec.exe", GENERIC_READ | GENERIC_WRITE, 0);
  SetLastError(0);
  EXPECT_EQ(CreateFileA("C:\\W\\msiexec.exe", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  sim::ReleaseFile(hold);
  EXPECT_EQ(sim::OpenHandles(), 0);
}

TEST_F(SimFilesTest, AttributesAndCopyKeepTheSourcesAttributes) {
  sim::WriteFile("C:\\A\\new.dll", "new");
  EXPECT_EQ(sim::Attributes("C:\\A\\new.dll"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(sim::Attributes("C:\\A\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  sim::SetAttributes("C:\\A\\new.dll", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(sim::Attributes("C:\\A\\new.dll"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CopyFileA("C:\\A\\new.dll", "C:\\A\\copy.dll", TRUE));
  EXPECT_EQ(sim::Attributes("C:\\A\\copy.dll"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(CopyFileA("C:\\A\\new.dll", "C:\\A\\copy.dll", FALSE)) << "a read-only target is not replaced";
  EXPECT_FALSE(CopyFileA("C:\\A\\new.dll", "C:\\Absent\\copy.dll", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  SetFileAttributesA("C:\\A\\new.dll", FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(sim::Attributes("C:\\A\\new.dll"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
}

}  // namespace
