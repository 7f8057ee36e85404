#include <string>

#include "dialog/uninstall_command.h"
#include "dialog_fixture.h"

namespace {

using dlgtest::DialogTest;
using dlgtest::kProductKey;
using dlgtest::kUninstallKey;
using dlgtest::RegisterUninstall;

std::string Lookup(bool* found = nullptr) {
  char command[1024];
  memset(command, 'x', sizeof command);
  const bool ok = FindUninstallCommand(kProductKey, command);
  if (found) *found = ok;
  return ok ? std::string(command) : std::string();
}

TEST_F(DialogTest, TheEntryNameIsTheSecondFieldAsItStands) {
  sim::SetString(std::string(kUninstallKey) + "B", "UninstallString", "by B");
  sim::SetString(std::string(kUninstallKey) + " B", "UninstallString", "by blank B");
  // An empty name must not reach the Uninstall key itself.
  sim::SetString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "UninstallString", "by the key");
  const struct {
    const char* devices;
    const char* command;  // "" when nothing is found
  } cases[] = {
      {"A,B", "by B"}, {"A,B,C", "by B"}, {",B", "by B"}, {"A, B", "by blank B"},
      {"A", ""},       {"A,", ""},        {"A,,C", ""},   {"", ""},
  };
  for (const auto& c : cases) {
    sim::SetString(kProductKey, "InstalledDevices", c.devices);
    bool found = false;
    EXPECT_EQ(Lookup(&found), c.command) << c.devices;
    EXPECT_EQ(found, c.command[0] != 0) << c.devices;
  }
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0);
}

TEST_F(DialogTest, ACommaInsideADoubleByteCharacterIsNoSeparator) {
  sim::SetString(std::string(kUninstallKey) + "X", "UninstallString", "by X");
  sim::SetString(std::string(kUninstallKey) + "Y", "UninstallString", "by Y");
  sim::SetString(std::string(kUninstallKey) + "\x81", "UninstallString", "by 81");
  sim::SetString(std::string(kUninstallKey) + "\x81,X", "UninstallString", "by 81 X");
  // Code page 1252: 0x81 is a character of its own; 936: 0x81 0x2C is one.
  sim::SetString(kProductKey, "InstalledDevices", "\x81,X,Y");
  EXPECT_EQ(Lookup(), "by X");
  sim::SetString(kProductKey, "InstalledDevices", "A,\x81,X,Y");
  EXPECT_EQ(Lookup(), "by 81");
  sim::SetAnsiCodePage(936);
  AfxInitApplicationContext();
  sim::SetString(kProductKey, "InstalledDevices", "\x81,X,Y");
  EXPECT_EQ(Lookup(), "by Y");
  sim::SetString(kProductKey, "InstalledDevices", "A,\x81,X,Y");
  EXPECT_EQ(Lookup(), "by 81 X");
}

TEST_F(DialogTest, UninstallStringFitsUpTo1023Characters) {
  const std::string fits = "C:\\Apps\\u.exe " + std::string(1023 - 14, 'a');
  ASSERT_EQ(fits.size(), 1023u);
  RegisterUninstall("A,E", "E", fits);
  EXPECT_EQ(Lookup(), fits);
  RegisterUninstall("A,E", "E", fits + "a");
  bool found = true;
  EXPECT_EQ(Lookup(&found), "");
  EXPECT_FALSE(found);
}

TEST_F(DialogTest, UninstallStringWithoutItsZeroIsReadAsTerminatedText) {
  const std::string entry = std::string(kUninstallKey) + "E";
  sim::SetString(kProductKey, "InstalledDevices", "A,E");
  sim::SetValue(entry, "UninstallString", REG_SZ, std::string(1023, 'b'));
  EXPECT_EQ(Lookup(), std::string(1023, 'b'));
  sim::SetValue(entry, "UninstallString", REG_SZ, "short");
  EXPECT_EQ(Lookup(), "short");
  // 1024 bytes without a zero fill the buffer: they do not fit with it.
  sim::SetValue(entry, "UninstallString", REG_SZ, std::string(1024, 'b'));
  bool found = true;
  Lookup(&found);
  EXPECT_FALSE(found);
}

TEST_F(DialogTest, InstalledDevicesFitsUpTo5200BytesWithItsZero) {
  sim::SetString(std::string(kUninstallKey) + "E", "UninstallString", "by E");
  const std::string head = "A,E,";
  sim::SetString(kProductKey, "InstalledDevices", head + std::string(5199 - head.size(), 'z'));
  EXPECT_EQ(Lookup(), "by E");
  sim::SetString(kProductKey, "InstalledDevices", head + std::string(5200 - head.size(), 'z'));
  EXPECT_EQ(Lookup(), "");
}

TEST_F(DialogTest, EntryNamesLongerThan207CharactersAreNotFound) {
  const std::string longest(207, 'n');
  RegisterUninstall("A," + longest, longest, "by longest");
  EXPECT_EQ(Lookup(), "by longest");
  sim::SetString(kProductKey, "InstalledDevices", "A," + longest + "n");
  sim::ClearCalls();
  EXPECT_EQ(Lookup(), "");
  EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 1);  // the product key only
}

TEST_F(DialogTest, ReadRegistryStringGivesTheDefaultWhenTheValueCannotBeRead) {
  char buffer[16];
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\Missing", "V", buffer, sizeof buffer, "dflt"));
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kProductKey, "Missing", buffer, sizeof buffer, "other"));
  EXPECT_STREQ(buffer, "other");
  sim::SetString(kProductKey, "Long", std::string(16, 'l'));
  EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, kProductKey, "Long", buffer, sizeof buffer, ""));
  EXPECT_STREQ(buffer, "");
  // The type is not looked at.
  sim::SetValue(kProductKey, "Expand", REG_EXPAND_SZ, std::string("%x%\0", 4));
  EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, kProductKey, "Expand", buffer, sizeof buffer, ""));
  EXPECT_STREQ(buffer, "%x%");
  EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0);
}

// ---- Next when a hop fails: the dialog ends with IDOK, nothing starts ------------

TEST_F(DialogTest, EveryFailingHopEndsTheDialogAndStartsNothing) {
  const std::string entry = std::string(kUninstallKey) + "ProductEntry";
  const std::vector<std::pair<const char*, std::function<void()>>> hops = {
      {"no information file", [] { sim::RemoveFile("C:\\Pkg\\InstallInfo.ini"); }},
      {"no product key", [] { sim::DeleteKey(kProductKey); }},
      {"no InstalledDevices", [] { sim::DeleteValue(kProductKey, "InstalledDevices"); }},
      {"empty InstalledDevices", [] { sim::SetString(kProductKey, "InstalledDevices", ""); }},
      {"no comma", [] { sim::SetString(kProductKey, "InstalledDevices", "ProductEntry"); }},
      {"empty second field", [] { sim::SetString(kProductKey, "InstalledDevices", "A,,ProductEntry"); }},
      {"no Uninstall entry", [=] { sim::DeleteKey(entry); }},
      {"no UninstallString", [=] { sim::DeleteValue(entry, "UninstallString"); }},
      {"UninstallString too long", [=] { sim::SetString(entry, "UninstallString", std::string(1024, 'c')); }},
      {"program only beside the launcher and in the current folder",
       [] {
         sim::RemoveFile(dlgtest::kMsiExec);
         sim::WriteFile("C:\\Pkg\\MsiExec.exe", "MZ");
         sim::WriteFile("C:\\Work\\MsiExec.exe", "MZ");
         sim::SetCurrentFolder("C:\\Work");
       }},
      {"start fails", [] { sim::FailCall("CreateProcessA", 1); }},
  };
  for (const auto& hop : hops) {
    SetUp();
    hop.second();
    EXPECT_EQ(Uninstall(), IDOK) << hop.first;
    for (const auto& start : sim::ProcessStarts()) EXPECT_FALSE(start.started) << hop.first;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Any), 0) << hop.first;
  }
}

TEST_F(DialogTest, EmptyRegistryPathOpensNoKey) {
  for (const char* info : {"[INSTALL_INFO]\r\nRegistryPath=\r\n", "[INSTALL_INFO]\r\nPDIENTRY=Pdi\r\n"}) {
    SetUp();
    sim::WriteFile("C:\\Pkg\\InstallInfo.ini", info);
    EXPECT_EQ(Uninstall(), IDOK);
    EXPECT_EQ(sim::CallCount("RegOpenKeyExA"), 0);
    EXPECT_TRUE(sim::ProcessStarts().empty());
  }
}

TEST_F(DialogTest, EachRegistryCallFailingLeavesNoKeyOpen) {
  for (int call = 0; call < 4; ++call) {
    SetUp();
    const int nth = call % 2 + 1;  // the product key's, then the Uninstall entry's
    sim::FailCall(call < 2 ? "RegOpenKeyExA" : "RegQueryValueExA", nth);
    EXPECT_EQ(Uninstall(), IDOK) << nth;
    EXPECT_TRUE(sim::ProcessStarts().empty()) << nth;
    EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Key), 0) << nth;
  }
}

}  // namespace
