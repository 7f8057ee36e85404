// Texts that end in a lone lead byte, where the multibyte routines (as Wine's
// msvcrt and the simulator run them) take the terminating zero as the second
// byte of a character and read on: every buffer they see must hold a second
// zero. Each case here was found by the fuzz targets; under ASan a missing
// second zero is a heap or stack overflow.
#include <gtest/gtest.h>

#include <string>

#include "framework/text.h"
#include "sim.h"

namespace {

class LoneLeadByteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    sim::SetAnsiCodePage(932);
    _setmbcp(_MB_CP_ANSI);
  }
};

TEST_F(LoneLeadByteTest, CStringUpperCasesATextEndingInALeadByte) {
  CString text("ab\x81");
  text.MakeUpper();
  EXPECT_STREQ(text, "AB\x81");
  EXPECT_EQ(text.GetLength(), 3);
}

}  // namespace
