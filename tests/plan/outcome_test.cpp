// --compare: the observed lines held against the plan's.
#include <gtest/gtest.h>

#include <sstream>

#include "outcome.h"

namespace {

// Too many differing lines for the alignment's table: each side is still
// shown whole, the common first and last lines as they are.
TEST(OutcomeTest, CompareShowsEveryLineOfSidesTooLargeToAlign) {
  std::vector<std::string> planned = {"same first"};
  std::string observed = "same first\r\n";
  for (int i = 0; i < 2100; ++i) {
    planned.push_back("planned " + std::to_string(i));
    observed += "seen " + std::to_string(i) + "\n\n";
  }
  planned.push_back("same last");
  observed += "same last";
  std::ostringstream out;
  EXPECT_FALSE(plan::CompareOutcome(out, planned, observed));
  const std::string text = out.str();
  EXPECT_EQ(text.find("  same first\n- planned 0\n"), text.find('\n') + 1) << text.substr(0, 200);
  EXPECT_NE(text.find("\n- planned 2099\n+ seen 0\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 24), "+ seen 2099\n  same last\n");
  std::ostringstream same;
  EXPECT_TRUE(plan::CompareOutcome(same, {"a", "b"}, "a\r\n\r\nb\n"));
  EXPECT_EQ(same.str(), "2 lines as planned\n");
}

}  // namespace
