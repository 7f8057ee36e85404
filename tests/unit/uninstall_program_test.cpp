#include <string>

#include "dialog/uninstall_program.h"
#include "dialog_fixture.h"

namespace {

// Launcher in C:\Pkg, current folder C:\Work: decoys planted in both.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    AfxInitApplicationContext();
    sim::SetCurrentFolder("C:\\Work");
  }
  static std::string Find(const std::string& commandLine) {
    char program[1024];
    memset(program, 'x', sizeof program);
    const bool found = FindUninstallProgram(commandLine.c_str(), program, sizeof program);
    EXPECT_EQ(found, program[0] != 0) << commandLine;
    return found ? program : "";
  }
  static void Plant(const std::string& path) { sim::WriteFile(path, "MZ"); }
};

TEST_F(ProgramTest, BareNameIsSearchedInSystemWindowsAndPathButNeverBesideTheLauncherOrHere) {
  const std::string command = "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}";
  Plant("C:\\Pkg\\MsiExec.exe");
  Plant("C:\\Work\\MsiExec.exe");
  Plant("C:\\Tools\\MsiExec.exe");
  sim::SetEnvironmentVariable("PATH", "C:\\Pkg;.;C:\\Work\\;Tools;\"C:\\Tools\"");
  EXPECT_EQ(Find(command), "C:\\Tools\\MsiExec.exe");
  sim::FailCall("LocalAlloc", 1);  // no memory for PATH: no folder of it searched
  EXPECT_EQ(Find(command), "");
  Plant("C:\\WINDOWS\\MsiExec.exe");
  EXPECT_EQ(Find(command), "C:\\WINDOWS\\MsiExec.exe");
  Plant("C:\\WINDOWS\\SYSTEM32\\MsiExec.exe");
  EXPECT_EQ(Find(command), "C:\\WINDOWS\\SYSTEM32\\MsiExec.exe");
  // Only the decoys: nothing.
  sim::RemoveFile("C:\\Tools\\MsiExec.exe");
  sim::RemoveFile("C:\\WINDOWS\\MsiExec.exe");
  sim::RemoveFile("C:\\WINDOWS\\SYSTEM32\\MsiExec.exe");
  EXPECT_EQ(Find(command), "");
  // The launcher's and the current folder named in short 8.3 forms, as a
  // PATH of 98 and Me often names folders, are recognised too.
  sim::SetModulePath("C:\\Program Files\\Pkg Dir\\Setup.exe");
  sim::SetCurrentFolder("C:\\Work Dir");
  Plant("C:\\Program Files\\Pkg Dir\\MsiExec.exe");
  Plant("C:\\Work Dir\\MsiExec.exe");
  sim::SetEnvironmentVariable("PATH", "C:\\PROGRA~1\\PKGDIR~1;C:\\workdi~1\\");
  EXPECT_EQ(Find(command), "");
}

TEST_F(ProgramTest, ExeIsAddedOnlyToANameWithoutExtension) {
  Plant("C:\\WINDOWS\\SYSTEM32\\msiexec.exe");
  Plant("C:\\WINDOWS\\SYSTEM32\\tool.com");
  EXPECT_EQ(Find("msiexec /x{1}"), "C:\\WINDOWS\\SYSTEM32\\msiexec.exe");
  EXPECT_EQ(Find("tool.com -u"), "C:\\WINDOWS\\SYSTEM32\\tool.com");
  EXPECT_EQ(Find("tool -u"), "");
  Plant("C:\\Apps.d\\un.exe");
  EXPECT_EQ(Find("C:\\Apps.d\\un -u"), "C:\\Apps.d\\un.exe");
}

TEST_F(ProgramTest, QuotedPathIsTakenAsItStands) {
  Plant("C:\\Program.exe");
  Plant("C:\\Program Files\\Maker\\uninst.exe");
  EXPECT_EQ(Find("\"C:\\Program Files\\Maker\\uninst.exe\" -x"), "C:\\Program Files\\Maker\\uninst.exe");
  EXPECT_EQ(Find("\"C:\\Program Files\\Maker\\missing.exe\" -x"), "");
  // A quoted bare name is still searched safely.
  Plant("C:\\Pkg\\MsiExec.exe");
  EXPECT_EQ(Find("\"MsiExec.exe\" /x"), "");
  Plant("C:\\WINDOWS\\SYSTEM32\\MsiExec.exe");
  EXPECT_EQ(Find("\"MsiExec.exe\" /x"), "C:\\WINDOWS\\SYSTEM32\\MsiExec.exe");
}

TEST_F(ProgramTest, UnquotedPathWithBlanksPrefersTheWholeNameOverAShorterDecoy) {
  Plant("C:\\Program.exe");
  Plant("C:\\Program Files\\Maker\\uninst.exe");
  EXPECT_EQ(Find("C:\\Program Files\\Maker\\uninst.exe -x"), "C:\\Program Files\\Maker\\uninst.exe");
  EXPECT_EQ(Find("C:\\Program Files\\Maker\\uninst -x"), "C:\\Program Files\\Maker\\uninst.exe");
  EXPECT_EQ(Find("C:\\Program Files\\Maker\\uninst.exe"), "C:\\Program Files\\Maker\\uninst.exe");
  // The whole name is missing: a shorter prefix whose next word continues
  // into an existing folder never stands in for it, at any depth.
  EXPECT_EQ(Find("C:\\Program Files\\Other\\gone.exe -x"), "");
  EXPECT_EQ(Find("C:\\Program Files -x"), "");
  Plant("C:\\My Big Apps\\keep.txt");
  Plant("C:\\My.exe");
  EXPECT_EQ(Find("C:\\My Big Apps\\gone.exe -x"), "");
  // A shorter prefix followed by arguments only is still the program.
  EXPECT_EQ(Find("C:\\Program -x C:\\Temp"), "C:\\Program.exe");
  EXPECT_EQ(Find("C:\\Program Filez\\gone.exe -x"), "C:\\Program.exe");
  // A folder of the program's own name beside it: no text goes on past the
  // name into it (Windows drops trailing blanks and dots when it looks a
  // path up, so "C:\\Maker\\Uninst " would be that folder).
  Plant("C:\\Maker\\Uninst.exe");
  sim::CreateFolder("C:\\Maker\\Uninst");
  EXPECT_EQ(Find("C:\\Maker\\Uninst /S"), "C:\\Maker\\Uninst.exe");
  EXPECT_EQ(Find("C:\\Maker\\Uninst . /S"), "C:\\Maker\\Uninst.exe");
  EXPECT_EQ(Find("C:\\Maker\\Uninst\\gone.exe /S"), "");
  sim::CreateFolder("C:\\Maker\\Uninst x");
  EXPECT_EQ(Find("C:\\Maker\\Uninst x.\\gone.exe /S"), "");
}

// Code page 932: the second byte of "\x83\x5C" is no separator, so the text
// goes on into the folder "C:\\A <that character>B", and C:\\A.exe is no
// stand-in for the missing program in it.
TEST_F(ProgramTest, TrailByteOfADoubleByteCharacterIsNoSeparator) {
  sim::SetAnsiCodePage(932);
  _setmbcp(_MB_CP_ANSI);
  Plant("C:\\A.exe");
  Plant("C:\\A \x83\x5C" "B\\un.exe");
  EXPECT_EQ(Find("C:\\A \x83\x5C" "B\\gone.exe /x"), "");
  EXPECT_EQ(Find("C:\\A \x83\x5C" "B\\un /x"), "C:\\A \x83\x5C" "B\\un.exe");
  EXPECT_EQ(Find("C:\\A \x83\x41" "B\\gone.exe /x"), "C:\\A.exe");
}

TEST_F(ProgramTest, RelativeFolderIsNeverResolved) {
  Plant("C:\\Pkg\\Maker\\uninst.exe");
  Plant("C:\\Work\\Maker\\uninst.exe");
  EXPECT_EQ(Find("Maker\\uninst.exe -x"), "");
  EXPECT_EQ(Find(".\\uninst.exe"), "");
  EXPECT_EQ(Find(""), "");
  EXPECT_EQ(Find("   "), "");
}

}  // namespace
