// The package lint on small packages written to a temporary folder: each
// finding names the line and says what the launcher would do with the value.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lint.h"

namespace {

namespace fs = std::filesystem;

class LintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("plan-lint-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    for (const char* f : {"Install/Setup.exe", "Util/CloseDlg.exe", "Util/OemAdv07.exe", "Util/OemHlt07.exe",
                          "Cleanup.exe", "msvcp60.dll", "mfc42.dll"})
      Write(f, "MZ");
    options_.packageDir = dir_.string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& content) {
    fs::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  // InstallInfo.ini with good values, one of them replaced by `line`.
  void Info(const std::string& key, const std::string& line) {
    std::string text = "[INSTALL_INFO]\r\n";
    const std::vector<std::pair<std::string, std::string>> good = {
        {"RegistryPath", "RegistryPath=Software\\Ostrane\\P"},
        {"PDIENTRY", "PDIENTRY=P"},
        {"GUIDUNDINF", "GUIDUNDINF={6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}"},
        {"VID_PID", "VID_PID=VID_1E2F&PID_0A07"}};
    for (const auto& g : good) text += (g.first == key ? line : g.second) + "\r\n";
    text += "[UNINSTALL]\r\n" + (key == "INFSGUID" ? line : "INFSGUID={5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}") + "\r\n";
    Write("InstallInfo.ini", text);
  }
  // Every finding as "where: error|warning: what [CODE]".
  std::vector<std::string> Lint() {
    std::vector<plan::Finding> findings;
    std::string error;
    EXPECT_TRUE(plan::LintPackage(options_, &findings, &error)) << error;
    std::vector<std::string> lines;
    for (const plan::Finding& f : findings)
      lines.push_back(f.where + ": " + (f.note ? "note: " : f.error ? "error: " : "warning: ") + f.what + " [" + f.code + "]");
    return lines;
  }

  // The first finding of InstallInfo.ini after those of line 0.
  std::string FirstAfterLine0() {
    for (const std::string& f : Lint())
      if (f.compare(0, 18, "InstallInfo.ini:0:") != 0) return f;
    return "";
  }

  fs::path dir_;
  plan::Options options_;
};

TEST_F(LintTest, GoodPackageHasNoFinding) {
  Info("", "");
  EXPECT_EQ(Lint(), std::vector<std::string>{});
}

TEST_F(LintTest, ValuesLongerThanTheLauncherReadsAreCut) {
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07" + std::string(1010, ','));
  EXPECT_EQ(Lint().at(0), "InstallInfo.ini:5: error: VID_PID is 1027 bytes: the launcher reads 1023 and cuts the rest [INI13]");
  // 1023 bytes fit with their zero; 1024 do not.
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07" + std::string(1023 - 17, ','));
  EXPECT_EQ(Lint().at(0).find("cuts"), std::string::npos);
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07" + std::string(1024 - 17, ','));
  EXPECT_EQ(Lint().at(0), "InstallInfo.ini:5: error: VID_PID is 1024 bytes: the launcher reads 1023 and cuts the rest [INI13]");
  Info("INFSGUID", "INFSGUID={5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}" + std::string(230, ' ') + "x");
  EXPECT_EQ(Lint().at(0), "InstallInfo.ini:7: error: INFSGUID is 269 bytes: the launcher reads 259 and cuts the rest [INI13]");
}

TEST_F(LintTest, HardwareIdsOfAtMost255Bytes) {
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07" + std::string(256 - 17, 'F'));
  EXPECT_EQ(Lint(), std::vector<std::string>{"InstallInfo.ini:5: error: hardware id of 256 bytes: at most 255 [VID01]"});
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07" + std::string(255 - 17, 'F'));
  EXPECT_EQ(Lint().at(0).find("at most 255"), std::string::npos);
  Info("VID_PID", "VID_PID=vid_1e2f&pid_0a07,VID_1E2F&PID_0A08");
  EXPECT_EQ(Lint(), std::vector<std::string>{});
}

TEST_F(LintTest, RegistryPathMustBeRelativeWithoutEmptyNames) {
  // Key names of 255 characters, paths of 260 (seen refused by Wine's ANSI calls over that), no NUL.
  Info("RegistryPath", "RegistryPath=" + std::string(255, 'K') + "\\" + std::string(4, 'K'));
  EXPECT_EQ(Lint(), std::vector<std::string>{});
  for (const std::string& bad : std::vector<std::string>{"\\Software\\P", "Software\\P\\", "Software\\\\P", "HKLM\\Software\\P", "hkcu\\P", "HKU",
                          "hkey_local_machine\\Software\\P", "", std::string(256, 'K'),
                          "Software\\" + std::string(252, 'K') + "\\K", std::string("Software\\P\0Q", 12)}) {
    Info("RegistryPath", "RegistryPath=" + bad);
    const std::vector<std::string> found = Lint();
    ASSERT_EQ(found.size(), 1u) << bad;
    EXPECT_EQ(found[0].compare(0, 18, "InstallInfo.ini:2:"), 0) << found[0];  // REG05 is a warning
  }
}

TEST_F(LintTest, PdiEntryLimitsAndGuids) {
  // The instance event <PDIENTRY>Setup takes 259 characters, a key name 255.
  Info("PDIENTRY", "PDIENTRY=" + std::string(254, 'P'));
  EXPECT_EQ(Lint(), std::vector<std::string>{});
  const std::string event = "InstallInfo.ini:3: error: PDIENTRY is 255 characters: the instance event <PDIENTRY>Setup "
                            "may have at most 259, so no event is created and a second launcher is not kept out; keep "
                            "it to 254 [PDI04]";
  Info("PDIENTRY", "PDIENTRY=" + std::string(255, 'P'));
  EXPECT_EQ(Lint(), std::vector<std::string>{event});
  options_.codePage = 932;  // a double-byte character is one
  Info("PDIENTRY", "PDIENTRY=\x83\x5C" + std::string(255, 'P'));
  EXPECT_EQ(Lint(), (std::vector<std::string>{"InstallInfo.ini:3: error: PDIENTRY is 256 characters: a registry key "
                                              "name (Software\\Corvale\\<PDIENTRY>) holds at most 255 [PDI03]",
                                              std::string(event).replace(event.find("255"), 3, "256")}));
  options_.codePage = 1252;
  for (const char* bad : {"PDIENTRY=Sample\\Printer", "PDIENTRY=Sample\tPrinter"}) {
    Info("PDIENTRY", bad);
    ASSERT_EQ(Lint().size(), 1u) << bad;
    EXPECT_NE(Lint()[0].find("InstallInfo.ini:3: error: PDIENTRY holds a"), std::string::npos) << Lint()[0];
  }
  Info("PDIENTRY", "PDIENTRY=" + std::string(1007, 'P'));
  EXPECT_EQ(Lint(), std::vector<std::string>{
                        "InstallInfo.ini:3: error: PDIENTRY longer than 1006 bytes: the launcher ends without installing [PDI05]"});
  Info("GUIDUNDINF", "GUIDUNDINF={6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D3G}");
  EXPECT_EQ(Lint(), std::vector<std::string>{"InstallInfo.ini:4: error: GUIDUNDINF is not a GUID {xxxxxxxx-xxxx-...} [GUID01]"});
  Info("GUIDUNDINF", "GUIDUNDINF=");
  ASSERT_EQ(Lint().size(), 1u);
  EXPECT_EQ(Lint()[0].find("InstallInfo.ini:4: error: GUIDUNDINF is empty: any printer function without a ClassGUID"), 0u);
  Info("INFSGUID", "INFSGUID=6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36");
  EXPECT_EQ(Lint(), std::vector<std::string>{"InstallInfo.ini:7: error: INFSGUID is not a GUID {xxxxxxxx-xxxx-...} [GUID04]"});
}

TEST_F(LintTest, TextTheCodePageCannotHold) {
  Info("PDIENTRY", "PDIENTRY=Caf\xC3\xA9");  // UTF-8
  EXPECT_EQ(Lint(), std::vector<std::string>{"InstallInfo.ini:3: warning: looks like UTF-8; the launcher reads it as "
                                             "code page 1252: save it in that code page [INI06]"});
  options_.codePage = 932;
  Info("PDIENTRY", "PDIENTRY=\x83\x76\x83\x8A\x83\x93\x83\x5E");  // Shift JIS, one trail byte is 0x5C-free
  EXPECT_EQ(Lint(), std::vector<std::string>{});
  Info("PDIENTRY", "PDIENTRY=P\x83");  // a lead byte cut off at the line end
  EXPECT_EQ(Lint(), std::vector<std::string>{"InstallInfo.ini:3: error: broken double-byte character in code page 932 [INI07]"});
  Info("PDIENTRY", "PDIENTRY=\x83\x5C");  // its trail byte is no backslash
  EXPECT_EQ(Lint(), std::vector<std::string>{});
  // Every posed code page by its own table: undefined single bytes, an
  // unassigned pair, the default character's own pair, UTF-8 in 1251.
  const struct {
    int codePage;
    const char* value;
    const char* finding;  // severity and text; "" for none
  } cases[] = {{1250, "P\x98", "error: byte 0x98 is no character in code page 1250 [INI05]"},
               {1250, "P\x9A\xB9", ""},
               {1251, "P\x98", "error: byte 0x98 is no character in code page 1251 [INI05]"},
               {1251, "\xD0\x9F", "warning: looks like UTF-8; the launcher reads it as code page 1251: save it in that code page [INI06]"},
               {936, "P\xFF", "error: byte 0xFF is no character in code page 936 [INI05]"},
               {932, "P\xA0", "error: byte 0xA0 is no character in code page 932 [INI05]"},
               {932, "P\x85\x40", "error: broken double-byte character in code page 932 [INI07]"},
               {932, "P\x81\x45", ""}};
  for (const auto& c : cases) {
    options_.codePage = c.codePage;
    Info("PDIENTRY", std::string("PDIENTRY=") + c.value);
    const std::vector<std::string> none, one = {std::string("InstallInfo.ini:3: ") + c.finding};
    EXPECT_EQ(Lint(), *c.finding ? one : none) << c.codePage << " " << c.value;
  }
}

TEST_F(LintTest, UnicodeFilesAndAMissingFile) {
  // Findings are in the order of their lines: keys missing from a missing section are on line 0.
  Write("InstallInfo.ini", "\xEF\xBB\xBF[INSTALL_INFO]\r\nRegistryPath=Software\\P\r\n");
  EXPECT_EQ(FirstAfterLine0().find("InstallInfo.ini:1: error: UTF-8 byte-order mark: how Windows reads it is not "
                                   "documented; read as ANSI text, its three bytes belong to line 1, so a section "
                                   "header there is not found"), 0u);
  // A UTF-16 file is one finding, not a NUL byte a line.
  Write("InstallInfo.ini", std::string("\xFF\xFE[\0X\0]\0\r\0\n\0K\0=\0\r\0\n\0", 20));
  EXPECT_EQ(FirstAfterLine0().find("InstallInfo.ini:1: error: UTF-16 text: 2000, XP and 2003 read it as Unicode, but "
                                   "95, 98 and Me read its bytes as ANSI text"), 0u);
  for (const std::string& f : Lint()) EXPECT_EQ(f.find("[INI08]"), std::string::npos) << f;
  Write("InstallInfo.ini", std::string("[\0I\0N\0", 6));
  EXPECT_EQ(FirstAfterLine0().find("InstallInfo.ini:1: error: UTF-16 without a byte-order mark"), 0u);
  fs::remove(dir_ / "InstallInfo.ini");
  fs::remove(dir_ / "mfc42.dll");
  const std::vector<std::string> found = Lint();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], "InstallInfo.ini:0: error: not found in the package: every key takes its default and nothing can "
                      "be installed [INI01]");
  EXPECT_EQ(found[1], "mfc42.dll:0: warning: missing from the package; the launcher copies it on Windows 98, 98 Second "
                      "Edition, Me, 2000, XP and Server 2003 (without the device, in removal mode (/a)) [FILE02]");
  fs::remove(dir_ / "Install/Setup.exe");
  EXPECT_EQ(Lint().at(1).find("Install\\Setup.exe:0: error: missing from the package; the launcher starts it on"), 0u)
      << Lint().at(1);
}

TEST_F(LintTest, CommandLinesThatDoNotFitAtTheLocation) {
  Info("", "");
  // 260 bytes with "\Cleanup.exe -Setup" before its zero: one byte too many.
  options_.location = "C:\\" + std::string(260 - 19 - 3, 'L');
  std::vector<std::string> found = Lint();
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0].find("Cleanup.exe:0: error: its command line at C:\\LLL"), 0u) << found[0];
  options_.location.pop_back();
  found = Lint();
  for (const std::string& f : found) EXPECT_EQ(f.find("its command line"), std::string::npos) << f;
  // A program path of 260 bytes reaches MAX_PATH; 259 do not.
  options_.location = "C:\\" + std::string(260 - 18 - 3, 'L');
  found = Lint();
  const auto installer = std::find_if(found.begin(), found.end(), [](const std::string& f) {
    return f.find("Install\\Setup.exe:0: error: path at C:\\LLL") == 0;
  });
  ASSERT_NE(installer, found.end());
  EXPECT_NE(installer->find("is 260 characters"), std::string::npos) << *installer;
  options_.location.pop_back();
  for (const std::string& f : Lint()) EXPECT_EQ(f.find("Install\\Setup.exe:0: error"), std::string::npos) << f;
  // Counted in characters of the code page, as the calls convert them: 260
  // bytes holding a double-byte character are 259 characters.
  options_.codePage = 932;
  options_.location = "C:\\\x82\xA0" + std::string(260 - 18 - 5, 'L');
  for (const std::string& f : Lint()) EXPECT_EQ(f.find("Install\\Setup.exe:0: error"), std::string::npos) << f;
}

TEST_F(LintTest, UnknownNamesGetTheNearestSpellingAndFindingsAreCapped) {
  Info("VID_PID", "VID_PID=VID_1E2F&PID_0A07\r\nPDIENTYR=P\r\nColour=red\r\n[UNINSTAL]");
  EXPECT_EQ(Lint(), (std::vector<std::string>{
                        "InstallInfo.ini:6: warning: unknown key PDIENTYR in [INSTALL_INFO]: the launcher reads PDIENTRY; is it meant? [INI10]",
                        "InstallInfo.ini:7: warning: unknown key Colour in [INSTALL_INFO]: the launcher never reads it "
                        "(it reads RegistryPath, PDIENTRY, GUIDUNDINF, VID_PID) [INI10]",
                        "InstallInfo.ini:8: warning: unknown section [UNINSTAL]: the launcher reads UNINSTALL; is it meant? [INI09]"}));
  std::string many = "VID_PID=VID_1E2F&PID_0A07";
  for (int i = 0; i < 30; ++i) many += ",x" + std::to_string(i);
  Info("VID_PID", many);
  const std::vector<std::string> found = Lint();
  ASSERT_EQ(found.size(), 21u);
  EXPECT_EQ(found.back(), "InstallInfo.ini:0: note: 10 more finding(s) not shown (10 error(s)): at most 20 per file [NOTE01]");
}

}  // namespace
