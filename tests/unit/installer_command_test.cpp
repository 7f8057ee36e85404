#include <gtest/gtest.h>

#include <string>

#include "app/installer_command.h"
#include "sim.h"

namespace {

const char kProduct[] = "Software\\Ostrane\\Product";

class InstalledLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::WriteFile("C:\\Pkg\\InstallInfo.ini", std::string("[INSTALL_INFO]\r\nRegistryPath=") + kProduct + "\r\n");
  }
  void TearDown() override { EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0); }
  static std::string Read() {
    char location[1024];
    memset(location, 'x', sizeof location);
    ReadInstalledLocation(location, sizeof location);
    return location;
  }
};

TEST_F(InstalledLocationTest, OneTrailingBackslashIsRemoved) {
  const struct {
    std::string stored;
    std::string read;
  } rows[] = {
      {"C:\\Apps\\Product\\", "C:\\Apps\\Product"},
      {"C:\\Apps\\Product\\\\", "C:\\Apps\\Product\\"},
      {"C:\\Apps\\Product", "C:\\Apps\\Product"},
      {"\\", ""},
      {"", ""},
      {"C:\\Program Files\\Product\\", "C:\\Program Files\\Product"},
  };
  for (const auto& row : rows) {
    sim::SetString(kProduct, "InstalledLocation", row.stored);
    EXPECT_EQ(Read(), row.read) << row.stored;
  }
}

TEST_F(InstalledLocationTest, NothingToReadGivesTheEmptyString) {
  EXPECT_EQ(Read(), "");  // no product key
  sim::CreateKey(kProduct);
  EXPECT_EQ(Read(), "");  // no value
  sim::SetValue(kProduct, "InstalledLocation", REG_SZ, std::string(1025, 'd'));
  EXPECT_EQ(Read(), "");  // does not fit
  sim::SetValue(kProduct, "InstalledLocation", REG_SZ, "C:\\" + std::string(1021, 'd'));
  EXPECT_EQ(Read(), "");  // exactly full, no room for the zero
  sim::SetString(kProduct, "InstalledLocation", "C:\\Apps\\");
  sim::RemoveFile("C:\\Pkg\\InstallInfo.ini");
  EXPECT_EQ(Read(), "");  // no information file: the product key path is empty
}

TEST_F(InstalledLocationTest, UsesItsOwnInformationFileAndReadAccess) {
  sim::SetString(kProduct, "InstalledLocation", "C:\\Apps\\");
  sim::SetModulePath("D:\\Other\\Setup.exe");
  EXPECT_EQ(Read(), "");
  sim::WriteFile("D:\\Other\\InstallInfo.ini", std::string("[INSTALL_INFO]\r\nRegistryPath=") + kProduct + "\r\n");
  sim::ClearCalls();
  EXPECT_EQ(Read(), "C:\\Apps");
  EXPECT_EQ(sim::Calls()[static_cast<size_t>(sim::FindCall("RegOpenKeyExA"))].detail, std::string("HKLM\\") + kProduct);
  EXPECT_EQ(sim::CallCount("RegCreateKeyExA"), 0);
}

TEST_F(InstalledLocationTest, DoubleByteCharacterEndingIn5CIsKept) {
  sim::SetAnsiCodePage(932);
  _setmbcp(_MB_CP_ANSI);
  sim::SetString(kProduct, "InstalledLocation", "C:\\\x95\x5C");  // ends in a trail byte 0x5C
  EXPECT_EQ(Read(), "C:\\\x95\x5C");
  sim::SetString(kProduct, "InstalledLocation", "C:\\\x95\x5C\\");
  EXPECT_EQ(Read(), "C:\\\x95\x5C");
}

struct Built {
  bool start;
  std::string program;
  std::string arguments;
};

Built Build(const std::string& folder, const std::string& location) {
  char program[1024];
  char arguments[1024];
  memset(program, 'x', sizeof program);
  memset(arguments, 'x', sizeof arguments);
  const bool start = BuildInstallerCommand(folder.c_str(), location.c_str(), program, arguments, 1024);
  return Built{start, program, arguments};
}

TEST(InstallerCommandTest, InstallDirIsPassedQuotedForTheInstaller) {
  Built b = Build("D:", "C:\\Program Files\\Product\\");
  EXPECT_TRUE(b.start);
  EXPECT_EQ(b.program, "D:\\Install\\Setup.exe");
  EXPECT_EQ(b.arguments, "/V\"INSTALLDIR=\\\"C:\\Program Files\\Product\\\\\"\"");
  // As one command line: D:\Install\Setup.exe /V"INSTALLDIR=\"C:\Program Files\Product\\""
  b = Build("C:\\Pkg Folder", "C:\\Apps");
  EXPECT_EQ(b.program + " " + b.arguments, "C:\\Pkg Folder\\Install\\Setup.exe /V\"INSTALLDIR=\\\"C:\\Apps\\\"\"");
  b = Build("D:", "");
  EXPECT_TRUE(b.start);
  EXPECT_EQ(b.program, "D:\\Install\\Setup.exe");
  EXPECT_EQ(b.arguments, "");
}

TEST(InstallerCommandTest, LocationWithAQuotationMarkIsNotPassed) {
  for (const char* location : {"C:\\Apps\" /qn REBOOT=Force \"", "\"", "C:\\A\"pps"}) {
    Built b = Build("D:", location);
    EXPECT_TRUE(b.start) << location;
    EXPECT_EQ(b.program, "D:\\Install\\Setup.exe");
    EXPECT_EQ(b.arguments, "") << location;
  }
}

TEST(InstallerCommandTest, ACommandLineThatWouldNotFitIsNeverCut) {
  const std::string folder = "D:";  // program path: 20 bytes
  const size_t argumentOverhead = std::string("/V\"INSTALLDIR=\\\"\\\"\"").size();  // 19
  // 20 + blank + 19 + location must stay within 1023 bytes.
  const size_t longest = 1023 - 20 - 1 - argumentOverhead;
  Built b = Build(folder, std::string(longest, 'l'));
  EXPECT_EQ(b.program.size() + 1 + b.arguments.size(), 1023u);
  b = Build(folder, std::string(longest + 1, 'l'));
  EXPECT_TRUE(b.start);
  EXPECT_EQ(b.arguments, "");

  // The program path alone: 1023 bytes fit, 1024 do not.
  const std::string suffix = "\\Install\\Setup.exe";
  b = Build(std::string(1023 - suffix.size(), 'f'), "C:\\Apps");
  EXPECT_TRUE(b.start);
  EXPECT_EQ(b.program.size(), 1023u);
  EXPECT_EQ(b.arguments, "");
  b = Build(std::string(1024 - suffix.size(), 'f'), "C:\\Apps");
  EXPECT_FALSE(b.start);
  EXPECT_EQ(b.program, "");
  EXPECT_EQ(b.arguments, "");
}

}  // namespace
