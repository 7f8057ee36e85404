// The .reg reader on the forms regedit writes: REGEDIT4 (ANSI) and version
// 5.00 (UTF-16LE with a byte-order mark), CRLF or LF line ends, continued hex
// lines, deleted keys and values, and the findings for broken lines.
#include <gtest/gtest.h>

#include <string>

#include "framework/framework.h"
#include "reg_file.h"
#include "sim.h"

namespace {

using plan::ParseRegFile;
using plan::RegFile;

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// UTF-16LE with a byte-order mark; `text` is Latin-1.
std::string Utf16(const std::string& text) {
  std::string out = "\xFF\xFE";
  for (unsigned char c : text) {
    out += static_cast<char>(c);
    out += '\0';
  }
  return out;
}

class RegFileTest : public ::testing::Test {
 protected:
  void Pose(int codePage) {
    sim::Reset();
    sim::SetAnsiCodePage(codePage);
    AfxInitApplicationContext();
  }
  void SetUp() override { Pose(1252); }
  RegFile Load(const std::string& content) {
    RegFile file = ParseRegFile(content, "m.reg");
    plan::ApplyRegFile(file);
    return file;
  }
};

// Continued hex(7): two texts, each with its zero, and the closing zero.
const char kBody[] =
    "[HKEY_LOCAL_MACHINE\\Software\\A]\n"
    "@=\"default\"\n"
    "\"Path\"=\"C:\\\\Program Files\\\\\\\"Q\\\"\"\n"
    "\"Count\"=dword:0000012c\n"
    "\"Blob\"=hex:01,ff,\\\n"
    "  10\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\B]\n"
    "\"Who\"=\"me\"\n";

TEST_F(RegFileTest, Regedit4WithCrlfKeysStringsDwordsAndContinuedHex) {
  const RegFile file = Load(Crlf(std::string("REGEDIT4\n\n") + kBody +
                                 "\"Multi\"=hex(7):61,00,\\\n    62,00,00\n"));
  EXPECT_TRUE(file.errors.empty()) << file.errors[0];
  EXPECT_EQ(sim::GetValue("Software\\A", ""), std::string("default\0", 8));
  EXPECT_EQ(sim::GetValue("Software\\A", "Path"), std::string("C:\\Program Files\\\"Q\"\0", 21));
  EXPECT_EQ(sim::GetValueType("Software\\A", "Count"), static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(sim::GetValue("Software\\A", "Count"), std::string("\x2c\x01\0\0", 4));
  EXPECT_EQ(sim::GetValue("Software\\A", "Blob"), std::string("\x01\xff\x10", 3));
  EXPECT_EQ(sim::GetValueType("HKCU\\Software\\B", "Multi"), static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(sim::GetValue("HKCU\\Software\\B", "Multi"), std::string("a\0b\0\0", 5));
  EXPECT_EQ(sim::GetValue("HKCU\\Software\\B", "Who"), std::string("me\0", 3));
  EXPECT_FALSE(sim::KeyExists("Software\\B"));
  // The continued value is one entry, numbered by its first line.
  ASSERT_EQ(file.operations.size(), 8u);
  EXPECT_EQ(file.operations[4].line, 7);
  EXPECT_EQ(file.operations[7].line, 12);
}

TEST_F(RegFileTest, Version5Utf16WithLfEndsAndWideHexTexts) {
  const std::string text = std::string("Windows Registry Editor Version 5.00\n\n") + kBody +
                           "\"Expand\"=hex(2):25,00,e9,00,00,00\n\"Caf\xe9\"=\"\xe9t\xe9\"\n";
  const size_t calls = sim::Calls().size();
  const RegFile file = Load(Utf16(text));
  EXPECT_TRUE(file.errors.empty());
  EXPECT_TRUE(file.warnings.empty());
  EXPECT_EQ(sim::Calls().size(), calls) << "the reader's conversions are no calls of the launcher's";
  EXPECT_EQ(sim::GetValue("Software\\A", "Path"), std::string("C:\\Program Files\\\"Q\"\0", 21));
  EXPECT_EQ(sim::GetValue("Software\\A", "Blob"), std::string("\x01\xff\x10", 3));
  // Texts stored as UTF-16 reach the ANSI calls in the code page (1252 here).
  EXPECT_EQ(sim::GetValueType("HKCU\\Software\\B", "Expand"), static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(sim::GetValue("HKCU\\Software\\B", "Expand"), std::string("%\xe9\0", 3));
  EXPECT_EQ(sim::GetValue("HKCU\\Software\\B", "Caf\xe9"), std::string("\xe9t\xe9\0", 4));
}

TEST_F(RegFileTest, TextOutsideTheCodePageBecomesItsBestFitOrQuestionMarkWithAWarning) {
  Pose(932);
  // U+00E9 has a best fit in 932 (e), U+0E01 none.
  std::string text = Utf16("Windows Registry Editor Version 5.00\r\n[HKLM\\K]\r\n\"V\"=\"\xe9\"\r\n");
  text.insert(text.size() - 6, std::string("\x01\x0e", 2));
  const RegFile file = Load(text);
  EXPECT_EQ(sim::GetValue("K", "V"), std::string("e?\0", 3));
  ASSERT_EQ(file.warnings.size(), 1u);
  EXPECT_EQ(file.warnings[0],
            "m.reg:3: warning: text not representable in code page 932: '\xC3\xA9' (U+00E9) became 'e' (and 1 more)");
}

TEST_F(RegFileTest, DeletedKeysAndValues) {
  sim::SetString("Software\\Gone\\Sub", "x", "1");
  sim::SetString("Software\\Kept", "Old", "1");
  sim::SetString("Software\\Kept", "Stay", "1");
  const RegFile file = Load(Crlf("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software\\Gone]\n\"Lost\"=\"after a deleted key\"\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Kept]\n\"Old\"=-\n"));
  EXPECT_FALSE(sim::KeyExists("Software\\Gone"));
  EXPECT_FALSE(sim::ValueExists("Software\\Kept", "Old"));
  EXPECT_TRUE(sim::ValueExists("Software\\Kept", "Stay"));
  // A value under a deleted key has nowhere to go.
  ASSERT_EQ(file.errors.size(), 1u);
  EXPECT_EQ(file.errors[0], "m.reg:3: error: value below the key deleted on line 2: it has nowhere to go; put it below "
                            "a key that is not deleted");
}

TEST_F(RegFileTest, ValuesKeepTheirFirstPlaceAndNameInAnyLetterCase) {
  // Set again under another case: first place, first name, last data; deleted
  // and set again: last place.
  Load(Crlf("REGEDIT4\n[HKLM\\K]\n\"a\"=\"1\"\n\"B\"=\"2\"\n\"C\"=\"3\"\n\"A\"=dword:7\n\"b\"=-\n"
            "\"c\"=\"4\"\n\"b\"=\"5\"\n"));
  std::vector<std::string> names;
  for (const sim::KeyContents& k : sim::RegistryContents())
    if (k.path == "K") names = k.valueNames;
  EXPECT_EQ(names, (std::vector<std::string>{"a", "C", "b"}));
  EXPECT_EQ(sim::GetValue("K", "A"), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(sim::GetValue("K", "c"), std::string("4\0", 2));
}

TEST_F(RegFileTest, HexContinuedOverManyLines) {
  // 3000 lines, blanks before and after the backslashes, then a value whose
  // number tells that every line was counted.
  std::string text = "Windows Registry Editor Version 5.00\n[HKLM\\K]\n\"Big\"=hex:00,\t\\\n";
  std::string expected(1, '\0');
  for (int i = 1; i < 3000; ++i) {
    static const char kDigits[] = "0123456789abcdef";
    text += std::string(i % 3, ' ') + kDigits[i / 16 % 16] + kDigits[i % 16] + (i < 2999 ? ", \\ \n" : "\n");
    expected += static_cast<char>(i & 0xFF);
  }
  const RegFile file = Load(Utf16(text + "\"Next\"=\"\"\n"));
  EXPECT_TRUE(file.errors.empty()) << file.errors.at(0);
  EXPECT_EQ(sim::GetValue("K", "Big"), expected);
  ASSERT_EQ(file.operations.size(), 3u);
  EXPECT_EQ(file.operations[2].line, 3003);
  // Read as the lines joined would be: a byte cut by a line end, a blank
  // line that ends the value, a backslash at the end of the file.
  const RegFile joined =
      Load("REGEDIT4\n[HKLM\\K]\n\"Cut\"=hex(3):0\\\n1,0\\\n  2 , \\\n\n\"End\"=hex:01,\\\n  02,\\");
  ASSERT_EQ(joined.errors.size(), 1u);
  EXPECT_EQ(joined.errors[0],
            "m.reg:7: error: bad hex byte '\\': bytes are two hex digits with commas between, e.g. hex:01,ff");
  EXPECT_EQ(sim::GetValueType("K", "Cut"), static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(sim::GetValue("K", "Cut"), std::string("\x01\x02", 2));
}

TEST_F(RegFileTest, TrailByteThatLooksLikeABackslashDoesNotEscapeTheQuote) {
  Pose(932);
  // 0x95 0x5C is one Shift JIS character; its second byte is not an escape.
  const RegFile file = Load("REGEDIT4\r\n[HKLM\\K]\r\n\"V\"=\"\x95\x5c\"\r\n");
  EXPECT_TRUE(file.errors.empty());
  EXPECT_EQ(sim::GetValue("K", "V"), std::string("\x95\x5c\0", 3));
}

TEST_F(RegFileTest, FindingsNameTheLineAndTheFix) {
  EXPECT_EQ(ParseRegFile("REGEDIT5\r\n", "x.reg").errors.at(0),
            "x.reg:1: error: first line must be \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\": add it above "
            "the first key");
  const RegFile file = ParseRegFile(Crlf("REGEDIT4\n[HKLM\\K]\n\"A\"=hex:01,\\\n  0g\n\"B\"=dword:1x\n\"C\"=oops\n"
                                         "[HKEY_USERS\\S]\n[HKLM\\K\n\"D\"\n"),
                                    "x.reg");
  const std::vector<std::string> expected = {
      "x.reg:3: error: bad hex byte '0g': bytes are two hex digits with commas between, e.g. hex:01,ff",
      "x.reg:5: error: dword needs one to eight hex digits, e.g. dword:00000001",
      "x.reg:6: error: unknown value form: oops; use \"text\", dword:XXXXXXXX, hex:aa,bb or hex(N):aa,bb",
      "x.reg:7: error: HKEY_USERS is not simulated: give the keys of the user who runs the launcher below "
      "HKEY_CURRENT_USER",
      "x.reg:8: error: key without its closing ']': end the line with ]",
  };  // and nothing about the value below the key in error
  EXPECT_EQ(file.errors, expected);
  const RegFile nul = ParseRegFile(std::string("REGEDIT4\r\n[HKLM\\A\0B]\r\n[HKLM\\C]\r\n\"D\0E\"=\"1\"\r\n", 43), "n.reg");
  EXPECT_EQ(nul.errors, (std::vector<std::string>{
                            "n.reg:2: error: a NUL byte in the key's path: key names hold none; remove it",
                            "n.reg:4: error: a NUL byte in the value name: value names hold none; remove it"}));
}

// Windows' limits, each at its edge: 512 levels below the root, key names of
// 255 characters, value names of 16,383; a double-byte character is one.
TEST_F(RegFileTest, RegistryLimitsHoldAtTheirEdges) {
  Pose(932);
  std::string deep = "HKLM", deeper;
  for (int i = 0; i < 512; ++i) deep += "\\k";
  deeper = deep + "\\k";
  const std::string name(254, 'n'), value(16382, 'v');
  const RegFile edge = Load("REGEDIT4\r\n[" + deep + "]\r\n[HKLM\\\x95\x5c" + name + "]\r\n\"\x95\x5c" + value +
                            "\"=\"1\"\r\n");
  EXPECT_TRUE(edge.errors.empty()) << edge.errors.at(0);
  const RegFile over = Load("REGEDIT4\r\n[" + deeper + "]\r\n[HKLM\\\x95\x5c" + name + "x]\r\n[HKLM\\K]\r\n\"x\x95\x5c" +
                            value + "\"=\"1\"\r\n");
  ASSERT_EQ(over.errors.size(), 3u);
  EXPECT_NE(over.errors[0].find("m.reg:2: error: key 513 levels deep"), std::string::npos) << over.errors[0];
  EXPECT_NE(over.errors[1].find("m.reg:3: error: key name of 256 characters"), std::string::npos) << over.errors[1];
  EXPECT_NE(over.errors[2].find("m.reg:5: error: value name of 16384 characters"), std::string::npos)
      << over.errors[2];
}

}  // namespace
