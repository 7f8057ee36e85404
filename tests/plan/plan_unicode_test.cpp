// The machine's texts for the terminal and for JSON: each code page's
// characters in UTF-8, a byte that is none shown as \xNN.
#include <gtest/gtest.h>

#include "plan_unicode.h"

namespace {

TEST(PlanUnicodeTest, CodePageBytesBecomeUtf8AndStrayBytesStayVisible) {
  const struct {
    int codePage;
    std::string bytes, utf8;
  } cases[] = {
      {1252, "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
      {1252, "a\x81z", "a\\x81z"},                               // no character in 1252
      {932, "\x83\x5C\x83\x74\x83\x67", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"},  // a trail byte 0x5C is no backslash
      {932, "P\x83", "P\\x83"},                                  // a lead byte cut off
      {936, "\xC4\xE3", "\xE4\xBD\xA0"},
      {949, "\xC7\xD1", "\xED\x95\x9C"},
  };
  for (const auto& c : cases) EXPECT_EQ(plan::AnsiToUtf8(c.bytes, c.codePage), c.utf8) << c.codePage;
  EXPECT_EQ(plan::JsonText("\"\x83\x5C\"\n", 932), "\"\\\"\xE3\x82\xBD\\\"\\u000a\"");
  EXPECT_EQ(plan::JsonStringBytes("\"a\\u0083\\\\\\\"\""), "a\x83\\\"");
}

}  // namespace
