// The state file: the registry written as REGEDIT4 reads back as the same
// registry, whatever the types, names and bytes.
#include <gtest/gtest.h>

#include "framework/framework.h"
#include "reg_file.h"
#include "sim.h"
#include "state_file.h"

namespace {

std::string Dump() {
  std::string out;
  for (const sim::KeyContents& k : sim::RegistryContents()) {
    out += "[" + k.path + "]\n";
    for (size_t i = 0; i < k.valueNames.size(); ++i)
      out += k.valueNames[i] + "|" + std::to_string(k.valueTypes[i]) + "|" + k.valueData[i] + "\n";
  }
  return out;
}

// Under each code page: in 932 a trail byte 0x5C is no escape, and a text
// ending in a lead byte or holding a line break cannot be written as "...".
class StateFileTest : public ::testing::TestWithParam<int> {
 protected:
  void Pose() {
    sim::Reset();
    sim::SetAnsiCodePage(GetParam());
    AfxInitApplicationContext();
  }
};

TEST_P(StateFileTest, RegistryReadsBackUnchanged) {
  Pose();
  sim::SetString("Software\\P", "", "default");
  sim::SetString("Software\\P", "Quote\"and\\slash", "C:\\Dir\\\"x\"");
  sim::SetValue("Software\\P", "Dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
  sim::SetValue("Software\\P", "ShortDword", REG_DWORD, std::string("\x01\x02", 2));
  sim::SetValue("Software\\P", "NoZero", REG_SZ, "abc");
  sim::SetValue("Software\\P", "TwoZeros", REG_SZ, std::string("a\0b\0", 4));
  sim::SetValue("Software\\P", "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  sim::SetValue("Software\\P", "Blob", REG_BINARY, std::string("\0\xff", 2));
  sim::SetValue("Software\\P", "Empty", REG_BINARY, "");
  sim::SetValue("Software\\P", "Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8));
  sim::SetString("Software\\P", "High", "\xe9t\xe9");
  sim::CreateKey("Software\\P\\Empty key");
  sim::SetString("HKCU\\Software\\U", "Who", "me");
  sim::SetString("Software\\P", "Trail\x83\x5c", "\x83\x5c\"\x83\x5c");
  sim::SetString("Software\\P", "LeadAtEnd", "a\x83");
  sim::SetString("Software\\P", "Lines", "one\r\ntwo\nthree");
  // Keys at HKLM's top named like a root stay below HKLM, and HKCU's below HKCU.
  sim::SetString("HKLM\\HKCU\\Soft", "V", "1");
  sim::CreateKey("HKLM\\hklm\\Deep");
  sim::CreateKey("HKCU\\HKLM");
  sim::CreateKey("\x83\x5c\x83t\\Sub");  // in 932 one key name: the 0x5C ends a character
  const std::string before = Dump();
  const std::string text = plan::RegistryAsRegedit4();

  Pose();
  const plan::RegFile file = plan::ParseRegFile(text, "state.reg");
  ASSERT_TRUE(file.errors.empty()) << file.errors[0] << "\n" << text;
  plan::ApplyRegFile(file);
  EXPECT_EQ(Dump(), before) << text;
  EXPECT_NE(before.find("[HKCU\\Software\\U]"), std::string::npos);
  EXPECT_NE(before.find("[Software\\P\\Empty key]"), std::string::npos);
  for (const char* key : {"[HKEY_LOCAL_MACHINE\\HKCU\\Soft]", "[HKEY_LOCAL_MACHINE\\hklm\\Deep]",
                          "[HKEY_CURRENT_USER\\HKLM]"})
    EXPECT_NE(text.find(key), std::string::npos) << key << "\n" << text;
  EXPECT_EQ(sim::KeyExists("\x83"), GetParam() != 932);
}

INSTANTIATE_TEST_SUITE_P(CodePages, StateFileTest, ::testing::Values(1252, 932));

}  // namespace
