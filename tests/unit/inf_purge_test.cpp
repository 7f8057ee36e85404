#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "removal/inf_purge.h"
#include "sim.h"

namespace {

const char kInfo[] = "C:\\Pkg\\InstallInfo.ini";
const char kInf[] = "C:\\WINDOWS\\inf\\";
const char kMarker[] = "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}";
const char kLowerMarker[] = "{5c1e0a93-7b24-4f6d-9e37-2a8b64d0c51f}";

// UTF-16 little-endian bytes of an ASCII text, each character widened.
std::string Wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string(1, c) + '\0';
  return out;
}
const std::string kBom = "\xFF\xFE";

class InfPurgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::CreateFolder("C:\\WINDOWS\\inf\\OTHER");
    _setmbcp(_MB_CP_ANSI);
  }
  void TearDown() override { EXPECT_EQ(sim::OpenHandles(), 0) << "handle left open"; }

  // An INF file in `folder` with its .pnf companion.
  static void AddInf(const std::string& name, const std::string& text, const std::string& folder = kInf) {
    sim::WriteFile(folder + name, text);
    sim::WriteFile(folder + name.substr(0, name.size() - 4) + ".pnf", "PNF");
  }
  static bool Has(const std::string& name, const std::string& folder = kInf) { return sim::FileExists(folder + name); }
  static void Purge(const std::string& folder = kInf) { PurgeOemInfFiles(folder.c_str(), kInfo); }
  // The folder searches made (the status of one file is a search too).
  static std::vector<std::string> Searches() {
    std::vector<std::string> patterns;
    for (const sim::Call& c : sim::Calls())
      if (c.function == "FindFirstFileA" && c.detail.size() > 5 && c.detail.compare(c.detail.size() - 5, 5, "*.inf") == 0)
        patterns.push_back(c.detail);
    return patterns;
  }
};

// ---- what is the product's ------------------------------------------------------------

TEST_F(InfPurgeTest, LowerCaseMarkerInAnsiTextDeletesTheFileAndItsPnfOnly) {
  AddInf("oem12.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n; " + std::string(kLowerMarker) + "\r\n");
  AddInf("oem13.inf", "[Version]\r\n; another maker {11111111-2222-3333-4444-555555555555}\r\n");
  Purge();  // no information file: the default marker decides
  EXPECT_FALSE(Has("oem12.inf"));
  EXPECT_FALSE(Has("oem12.pnf"));
  EXPECT_TRUE(Has("oem13.inf"));
  EXPECT_TRUE(Has("oem13.pnf"));
}

TEST_F(InfPurgeTest, MarkerMustEndWithinTheFirst2048Bytes) {
  const size_t m = sizeof kMarker - 1;
  AddInf("ends2048.inf", std::string(2048 - m, ';') + kMarker + "\r\n");
  AddInf("ends2049.inf", std::string(2049 - m, ';') + kMarker + "\r\n");
  Purge();
  EXPECT_FALSE(Has("ends2048.inf"));
  EXPECT_TRUE(Has("ends2049.inf"));
  EXPECT_TRUE(Has("ends2049.pnf"));
}

TEST_F(InfPurgeTest, Utf16WithByteOrderMarkIsReadWithinItsFirst1023Characters) {
  const size_t m = sizeof kMarker - 1;
  AddInf("near.inf", kBom + Wide("[Version]\r\n; " + std::string(kLowerMarker) + "\r\n"));
  AddInf("last.inf", kBom + Wide(std::string(1023 - m, ';') + kMarker));
  AddInf("beyond.inf", kBom + Wide(std::string(1024 - m, ';') + kMarker));
  AddInf("nomark.inf", Wide("; " + std::string(kMarker) + "\r\n"));  // ends at its first zero byte
  Purge();
  EXPECT_FALSE(Has("near.inf"));
  EXPECT_FALSE(Has("near.pnf"));
  EXPECT_FALSE(Has("last.inf"));
  EXPECT_TRUE(Has("beyond.inf"));
  EXPECT_TRUE(Has("nomark.inf"));
}

TEST_F(InfPurgeTest, Utf16CharacterTheCodePageLacksDoesNotHideTheMarkerAfterIt) {
  std::string text = kBom + Wide("; ") + std::string("\x00\x4E", 2) + Wide(std::string(" ") + kMarker);
  AddInf("cjk.inf", text);
  Purge();
  EXPECT_FALSE(Has("cjk.inf"));
}

TEST_F(InfPurgeTest, Utf16CharacterTheCodePageLacksMatchesNoQuestionMarkOfTheMarker) {
  sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=?\r\n");
  AddInf("cjk.inf", kBom + std::string("\x00\x4E", 2));
  AddInf("asks.inf", kBom + Wide("?"));
  Purge();
  EXPECT_TRUE(Has("cjk.inf"));
  EXPECT_FALSE(Has("asks.inf"));
}

TEST_F(InfPurgeTest, Utf16IsReadInTheCodePagesOwnCharactersNeverTheirLookAlikes) {
  // "ｆ" (U+FF46) is no "F", though best fit makes it one; 0x83 0x61 is U+30C2.
  for (UINT page : {1252u, 932u}) {
    sim::SetAnsiCodePage(page);
    _setmbcp(_MB_CP_ANSI);
    sim::WriteFile(kInfo, page == 932 ? "[UNINSTALL]\r\nINFSGUID=\x83\x61-mark\r\n" : "");
    AddInf("lookalike.inf", kBom + Wide("{5C1E0A93-7B24-4") + std::string("\x46\xFF", 2) + Wide("6D-9E37-2A8B64D0C51F}"));
    AddInf("mine.inf", kBom + (page == 932 ? std::string("\xC2\x30", 2) + Wide("-MARK") : Wide(kMarker)));
    Purge();
    EXPECT_TRUE(Has("lookalike.inf") && !Has("mine.inf")) << page;
  }
}

TEST_F(InfPurgeTest, MarkerFromTheInformationFileInAnyCase) {
  sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=MyProduct-Inf\r\n");
  AddInf("mine.inf", "; myproduct-INF\r\n");
  AddInf("default.inf", std::string("; ") + kMarker + "\r\n");
  Purge();
  EXPECT_FALSE(Has("mine.inf"));
  EXPECT_TRUE(Has("default.inf"));
}

TEST_F(InfPurgeTest, EmptyMarkerDeletesNothing) {
  sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=\r\n");
  AddInf("a.inf", std::string("; ") + kMarker + "\r\n");
  AddInf("b.inf", "[Version]\r\n");
  Purge();
  EXPECT_TRUE(Has("a.inf"));
  EXPECT_TRUE(Has("b.inf"));
  EXPECT_EQ(sim::CallCount("DeleteFileA"), 0);
}

TEST_F(InfPurgeTest, DoubleByteCharactersAreNotUpperCasedInTheMiddle) {
  // 0x83 0x61 is one Shift-JIS character; upper-casing its second byte would
  // make it 0x83 0x41, another character.
  sim::SetAnsiCodePage(932);
  _setmbcp(_MB_CP_ANSI);
  sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=\x83\x61-mark\r\n");
  AddInf("mine.inf", "; \x83\x61-MARK\r\n");
  AddInf("other.inf", "; \x83\x41-MARK\r\n");
  Purge();
  EXPECT_FALSE(Has("mine.inf"));
  EXPECT_TRUE(Has("other.inf"));
}

TEST_F(InfPurgeTest, MarkerStartingInsideADoubleByteCharacterIsNoMatch) {
  // The bytes "ab-mark" follow the lead byte 0x83, which takes the "a" as
  // its second byte: the text holds no "AB-MARK" at a character boundary.
  sim::SetAnsiCodePage(932);
  _setmbcp(_MB_CP_ANSI);
  sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=ab-mark\r\n");
  AddInf("split.inf", "; \x83" "ab-mark\r\n");
  AddInf("whole.inf", "; \x83\x83" "ab-mark\r\n");
  Purge();
  EXPECT_TRUE(Has("split.inf"));
  EXPECT_FALSE(Has("whole.inf"));
}

// ---- what is skipped --------------------------------------------------------------

TEST_F(InfPurgeTest, FolderNamedInfAndEmptyFileAreSkippedAndTheSearchGoesOn) {
  sim::CreateFolder(std::string(kInf) + "x.inf");
  sim::WriteFile(std::string(kInf) + "x.inf\\inside.inf", kMarker);
  sim::WriteFile(std::string(kInf) + "empty.inf", "");
  AddInf("after.inf", kMarker);
  Purge();
  EXPECT_TRUE(sim::FolderExists(std::string(kInf) + "x.inf"));
  EXPECT_TRUE(Has("x.inf\\inside.inf"));
  EXPECT_TRUE(Has("empty.inf"));
  EXPECT_FALSE(Has("after.inf"));
  for (const sim::Call& c : sim::Calls()) {
    if (c.function == "CreateFileA") {
      EXPECT_EQ(c.detail.find("empty.inf"), std::string::npos) << "empty file opened";
    }
    if (c.function != "FindFirstFileA" || c.detail.find("*") == std::string::npos) {
      EXPECT_EQ(c.detail.find("x.inf"), std::string::npos) << c.function << ": a folder is no candidate";
    }
  }
}

TEST_F(InfPurgeTest, CompanionNameReplacesFromTheLastDot) {
  const std::string folder = "C:\\Win.98\\inf\\";
  sim::CreateFolder(folder);
  AddInf("oem1.x.inf", kMarker, folder);
  sim::WriteFile(folder + "oem1.pnf", "PNF");
  Purge(folder);
  EXPECT_FALSE(Has("oem1.x.inf", folder));
  EXPECT_FALSE(Has("oem1.x.pnf", folder));
  EXPECT_TRUE(Has("oem1.pnf", folder));
}

TEST_F(InfPurgeTest, ReadOnlyHiddenSystemProductFilesAreDeleted) {
  AddInf("ro.inf", kMarker);
  sim::SetAttributes(std::string(kInf) + "ro.inf", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  sim::SetAttributes(std::string(kInf) + "ro.pnf", FILE_ATTRIBUTE_READONLY);
  Purge();
  EXPECT_FALSE(Has("ro.inf"));
  EXPECT_FALSE(Has("ro.pnf"));
}

TEST_F(InfPurgeTest, FileHeldByAnotherProgramIsSkippedBeforeAndAfterProductFiles) {
  AddInf("a-other.inf", "[Version]\r\n");
  AddInf("b-ours.inf", kMarker);
  AddInf("c-ours-held.inf", kMarker);
  AddInf("d-ours.inf", kMarker);
  // A reader that shares everything still keeps an exclusive open out.
  const int held1 = sim::HoldFile(std::string(kInf) + "a-other.inf", GENERIC_READ, 0);
  const int held2 = sim::HoldFile(std::string(kInf) + "c-ours-held.inf", GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  Purge();
  sim::ReleaseFile(held1);
  sim::ReleaseFile(held2);
  EXPECT_TRUE(Has("a-other.inf"));
  EXPECT_FALSE(Has("b-ours.inf"));
  EXPECT_TRUE(Has("c-ours-held.inf"));
  EXPECT_TRUE(Has("c-ours-held.pnf"));
  EXPECT_FALSE(Has("d-ours.inf"));
  EXPECT_FALSE(Has("d-ours.pnf"));
}

TEST_F(InfPurgeTest, PathsThatDoNotFitAreSkippedNeverCut) {
  // Folder + "*.inf" needs 6 more bytes than the folder; 260 bytes in all.
  const std::string folder = "C:\\" + std::string(240, 'f') + "\\";  // 244 characters
  sim::CreateFolder(folder);
  const std::string n11(11, 'n'), n12(12, 'n'), n15(15, 'n');
  AddInf("short.inf", kMarker, folder);     // 253 characters
  AddInf(n11 + ".inf", kMarker, folder);    // 259: fits with its zero
  AddInf(n12 + ".inf", kMarker, folder);    // 260: skipped
  AddInf(n15 + ".inf", kMarker, folder);    // 263: skipped
  sim::WriteFile(folder + n15, kMarker);    // what that path would name if cut to 259
  Purge(folder);
  EXPECT_FALSE(Has("short.inf", folder));
  EXPECT_FALSE(Has(n11 + ".inf", folder));
  EXPECT_TRUE(Has(n12 + ".inf", folder));
  EXPECT_TRUE(Has(n15 + ".inf", folder));
  EXPECT_TRUE(Has(n15 + ".pnf", folder));
  EXPECT_TRUE(Has(n15, folder));

  // 258 characters: with "*.inf" the pattern would not fit, and cut to
  // "...\*" it would match every file of the folder.
  const std::string deep = "C:\\" + std::string(254, 'd') + "\\";
  sim::CreateFolder(deep);
  AddInf("a.inf", kMarker, deep);
  sim::WriteFile(deep + "x", kMarker);  // its path would fit
  sim::ClearCalls();
  Purge(deep);
  EXPECT_TRUE(Has("a.inf", deep));
  EXPECT_TRUE(Has("x", deep));
  EXPECT_TRUE(Searches().empty());
}

// ---- both folders ------------------------------------------------------------------

TEST_F(InfPurgeTest, WindowsInfFolderThenItsOtherSubfolder) {
  AddInf("a.inf", kMarker);
  AddInf("b.inf", kMarker, std::string(kInf) + "OTHER\\");
  AddInf("c.inf", kMarker, std::string(kInf) + "OTHER\\deeper\\");
  PurgeWindowsInfFolders(kInfo);
  EXPECT_FALSE(Has("a.inf"));
  EXPECT_FALSE(Has("OTHER\\b.inf"));
  EXPECT_FALSE(Has("OTHER\\b.pnf"));
  EXPECT_TRUE(Has("OTHER\\deeper\\c.inf"));
  EXPECT_EQ(Searches(), std::vector<std::string>({"C:\\WINDOWS\\inf\\*.inf", "C:\\WINDOWS\\inf\\OTHER\\*.inf"}));
}

TEST_F(InfPurgeTest, NoOtherSubfolderOrNoInfFolderIsNoError) {
  sim::Reset();
  _setmbcp(_MB_CP_ANSI);
  sim::CreateFolder("C:\\WINDOWS\\inf");
  AddInf("a.inf", kMarker);
  PurgeWindowsInfFolders(kInfo);
  EXPECT_FALSE(Has("a.inf"));
  EXPECT_EQ(Searches().size(), 2u);
  sim::SetWindowsDirectory("D:\\NOWIN");
  sim::ClearCalls();
  PurgeWindowsInfFolders(kInfo);
  EXPECT_EQ(Searches().size(), 2u);
  EXPECT_EQ(sim::CallCount("FindNextFileA"), 0);
}

// ---- every platform call failing in turn ---------------------------------------------

TEST_F(InfPurgeTest, EachPlatformCallFailingDeletesNothingElseAndClosesEverything) {
  const std::vector<std::string> calls = {
      "GetWindowsDirectoryA", "GetPrivateProfileStringA", "FindFirstFileA", "FindNextFileA", "FindClose",
      "CreateFileA", "ReadFile", "CloseHandle", "WideCharToMultiByte", "SetFileAttributesA", "DeleteFileA"};
  const std::string other = std::string(kInf) + "OTHER\\";
  for (const std::string& call : calls) {
    for (int nth = 1; nth <= 6; ++nth) {
      SetUp();
      sim::WriteFile(kInfo, "[UNINSTALL]\r\nINFSGUID=our-mark\r\n");
      AddInf("a.inf", "[Version]\r\n; theirs\r\n");
      AddInf("b.inf", kBom + Wide("; OUR-MARK"));
      AddInf("c.inf", Wide("; our-mark"));
      AddInf("d.inf", "; our-mark");
      AddInf("e.inf", "[Version]\r\n", other);
      AddInf("f.inf", "; our-mark", other);
      sim::FailCall(call, nth);
      PurgeWindowsInfFolders(kInfo);
      const std::string at = call + " #" + std::to_string(nth);
      for (const char* kept : {"a.inf", "a.pnf", "c.inf", "c.pnf", "OTHER\\e.inf", "OTHER\\e.pnf"})
        EXPECT_TRUE(Has(kept)) << kept << " deleted with " << at << " failing";
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::File), 0) << at;
      EXPECT_EQ(sim::OpenHandles(sim::HandleKind::Find), 0) << at;
    }
  }
}

}  // namespace
