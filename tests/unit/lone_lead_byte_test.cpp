// Texts that end in a lone lead byte, where the multibyte routines (as Wine's
// msvcrt and the simulator run them) take the terminating zero as the second
// byte of a character and read on: every buffer they see must hold a second
// zero. The cases here were found by the fuzz targets (tests/fuzz); the
// simulator counts each walk past the end of a text into other bytes, and
// under ASan one past the buffer is an overflow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/installer_command.h"
#include "devices/usb_probe.h"
#include "dialog/uninstall_command.h"
#include "dialog/uninstall_program.h"
#include "framework/text.h"
#include "records/launcher_paths.h"
#include "records/records.h"
#include "records/text_end.h"
#include "sim.h"

namespace {

const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";

class LoneLeadByteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::SetAnsiCodePage(932);
    _setmbcp(_MB_CP_ANSI);
    sim::WriteFile(kInfo, "[INSTALL_INFO]\r\nRegistryPath=Software\\Pkg\r\n");
  }
  void TearDown() override { EXPECT_EQ(sim::MultibyteWalksPastText(), 0) << "a walk went past the end of a text"; }
};

TEST_F(LoneLeadByteTest, CStringUpperCasesATextEndingInALeadByte) {
  CString text("ab\x81");
  text.MakeUpper();
  EXPECT_STREQ(text, "AB\x81");
  EXPECT_EQ(text.GetLength(), 3);
}

// "InstalledLocation" with a quotation mark after an embedded zero: the text
// ends at the zero, so the folder is passed on.
TEST_F(LoneLeadByteTest, InstalledLocationEndsAtItsZero) {
  sim::SetValue("Software\\Pkg", "InstalledLocation", REG_SZ, std::string("C:\\Apps\x81\0\"x\0", 11));
  char location[records::kPathSize];
  ReadInstalledLocation(location, sizeof location);
  EXPECT_STREQ(location, "C:\\Apps\x81");
  char program[records::kPathSize], arguments[records::kPathSize];
  ASSERT_TRUE(BuildInstallerCommand("C:\\Pkg", location, program, arguments, sizeof program));
  EXPECT_STREQ(arguments, "/V\"INSTALLDIR=\\\"C:\\Apps\x81\\\"\"");
}

// "InstalledDevices" whose entry name ends in a lead byte before an embedded
// zero and a comma.
TEST_F(LoneLeadByteTest, InstalledDevicesEntryEndsAtItsZero) {
  sim::SetValue("Software\\Pkg", "InstalledDevices", REG_SZ, std::string("Printer,Entry\x81\0,Other\0", 21));
  sim::SetString(std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entry\x81"), "UninstallString",
                 "C:\\Tools\\Remove.exe");
  char command[records::kPathSize];
  ASSERT_TRUE(FindUninstallCommand("Software\\Pkg", command));
  EXPECT_STREQ(command, "C:\\Tools\\Remove.exe");
}

// The uninstall command is tried word by word: a word ending in a lead byte
// does not reach into the words after it.
TEST_F(LoneLeadByteTest, UninstallCommandWordsEndAtTheCut) {
  sim::WriteFile("C:\\WINDOWS\\SYSTEM32\\Remove\x81.exe", "MZ");
  char program[records::kPathSize];
  ASSERT_TRUE(FindUninstallProgram("Remove\x81 /X\\a", program, sizeof program));
  EXPECT_STREQ(program, "C:\\WINDOWS\\SYSTEM32\\Remove\x81.exe");
  ASSERT_TRUE(FindUninstallProgram("\"Remove\x81\"/X", program, sizeof program));
  EXPECT_STREQ(program, "C:\\WINDOWS\\SYSTEM32\\Remove\x81.exe");
}

// A hardware id ending in a lead byte after a longer one: the id buffer
// still holds the longer id's bytes past the new zero.
TEST_F(LoneLeadByteTest, HardwareIdAfterALongerOne) {
  sim::WriteFile(kInfo, "[INSTALL_INFO]\r\nVID_PID=VID_04B8&PID_0001,ab\x81\r\n");
  EXPECT_TRUE(MatchesHardwareId("USB\\AB\x81"));
  EXPECT_FALSE(MatchesHardwareId("USB\\VID_04B8"));
}

// A value that fills its buffer and ends in a lone lead byte has no room for
// a second zero: the half character goes.
TEST_F(LoneLeadByteTest, FullBufferLosesItsLoneLeadByte) {
  char text[8] = {'a', 'b', 'c', 'd', 'e', 'f', '\x81', 0};
  EndTextSafely(text, sizeof text);
  EXPECT_STREQ(text, "abcdef");
  char whole[8] = {'a', 'b', 'c', 'd', 'e', '\x81', '\x40', 0};  // one double-byte character at the end
  EndTextSafely(whole, sizeof whole);
  EXPECT_STREQ(whole, "abcde\x81\x40");
  char trail[8] = {'a', 'b', 'c', 'd', '\x81', '\x81', '\x81', 0};  // lead, its trail 0x81, then a lone lead
  EndTextSafely(trail, sizeof trail);
  EXPECT_STREQ(trail, "abcd\x81\x81");
  char stale[8] = {'a', '\x81', 0, 'x', 'y', 'z', 'w', 0};
  EndTextSafely(stale, sizeof stale);
  EXPECT_EQ(std::string(stale, sizeof stale), std::string("a\x81\0\0\0\0\0\0", 8));
}

TEST_F(LoneLeadByteTest, InformationFileValueFillingItsBuffer) {
  sim::WriteFile(kInfo, "[INSTALL_INFO]\r\nGUIDUNDINF=" + std::string(1022, 'g') + "\x81\r\n");
  char value[records::kPathSize];
  ReadInstallInfoValue(records::kGuidUndInfKey, value, sizeof value);
  EXPECT_EQ(std::strlen(value), 1022u);
}

}  // namespace
