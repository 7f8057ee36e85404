#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/records.h"
#include "sim.h"

namespace {

class LauncherPathsTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(LauncherPathsTest, RegistryTextIsAlwaysTerminated) {
  const std::string path = "Software\\Pkg";
  sim::SetValue(path, "Exact", REG_SZ, std::string(8, 'e'));  // stored without its zero
  sim::SetValue(path, "Short", REG_SZ, "abc");                 // also without its zero
  sim::SetString(path, "Full", std::string(7, 'f'));           // 7 + zero = 8 bytes
  ScopedRegKey key;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ));

  char buffer[8];
  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(QueryRegistryText(key.get(), "Exact", buffer, sizeof buffer), ERROR_MORE_DATA);
  EXPECT_STREQ(buffer, "");

  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(QueryRegistryText(key.get(), "Short", buffer, sizeof buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "abc");

  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(QueryRegistryText(key.get(), "Full", buffer, sizeof buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "fffffff");

  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(QueryRegistryText(key.get(), "Absent", buffer, sizeof buffer), ERROR_FILE_NOT_FOUND);
  EXPECT_STREQ(buffer, "");
}

TEST_F(LauncherPathsTest, FormatTextRefusesWhatDoesNotFit) {
  char buffer[6];
  EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s%s", "ab", "cde"));
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s%s", "ab", "cdef"));
  EXPECT_STREQ(buffer, "");
}

TEST_F(LauncherPathsTest, InformationValuesComeFromBesideTheModule) {
  sim::SetModulePath("D:\\Drivers\\Setup.exe");
  sim::WriteFile("D:\\Drivers\\InstallInfo.ini", "[install_info]\r\nvid_pid = VID_1234&PID_0001 \r\n");
  char value[records::kPathSize];
  ReadInstallInfoValue(records::kVidPidKey, value, sizeof value);
  EXPECT_STREQ(value, "VID_1234&PID_0001");
  ReadInstallInfoValue(records::kGuidUndInfKey, value, sizeof value);
  EXPECT_STREQ(value, "");

  char small[5];
  ReadInstallInfoValue(records::kVidPidKey, small, sizeof small);
  EXPECT_STREQ(small, "VID_");  // cut at size - 1, as the profile call does
}

TEST_F(LauncherPathsTest, ModulePathWithoutFolderOrTooLongGivesNoFolder) {
  char folder[records::kPathSize];
  sim::SetModulePath("Setup.exe");
  EXPECT_FALSE(GetLauncherFolder(folder, sizeof folder));
  EXPECT_STREQ(folder, "");

  sim::SetModulePath("C:\\" + std::string(1024, 'x') + "\\Setup.exe");
  EXPECT_FALSE(GetLauncherFolder(folder, sizeof folder));

  sim::SetModulePath("D:\\Setup.exe");
  ASSERT_TRUE(GetLauncherFolder(folder, sizeof folder));
  EXPECT_STREQ(folder, "D:");  // no trailing backslash, even at a drive's root
  char path[records::kPathSize];
  ASSERT_TRUE(BuildInstallInfoPath(path, sizeof path));
  EXPECT_STREQ(path, "D:\\InstallInfo.ini");
}

}  // namespace
