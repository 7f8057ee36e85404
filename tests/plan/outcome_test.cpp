// --compare: the observed lines held against the plan's.
#include <gtest/gtest.h>

#include <sstream>

#include "outcome.h"
#include "sim.h"

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

// A program ended by its id (the launcher in a job of someone else's): the
// programs it started, ended after it, are told in its line.
TEST(OutcomeTest, ProgramEndedWithWhatItStartedAfterItsWaitRanOut) {
  const std::string net = "\"C:\\WINDOWS\\system32\\net.exe\"";
  plan::RunResult run;
  run.effects = {{"program-started", 0, "", {{"program", net}, {"commandLine", "\"net stop spooler\""}, {"started", "true"}}},
                 {"wait", 0, "", {{"for", net}, {"ms", "60000"}, {"ended", "\"limit\""}}},
                 {"program-ended", 60000, "", {{"program", net}, {"exitCode", "1"}}},
                 {"program-ended", 60000, "", {{"program", "\"C:\\WINDOWS\\system32\\net1.exe\""}, {"exitCode", "1"}}}};
  const std::vector<std::string> lines = plan::OutcomeLines(plan::Machine(), {}, {}, {run});
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "stops waiting for net stop spooler after 60 s");
  EXPECT_EQ(lines[2], "ends net stop spooler and what it started (exit code 1)");
}

// Keys at HKLM's top named like a root are told below HKLM, created or deleted.
TEST(OutcomeTest, KeysNamedLikeARootStayBelowTheirRoot) {
  sim::Reset();
  sim::SetString("HKLM\\HKCU\\Soft", "V", "1");
  sim::CreateKey("HKLM\\HKCU\\Soft\\Gone");
  sim::CreateKey("HKLM\\hklm\\Top");
  const plan::ObservableState before = plan::ObserveMachine(plan::Machine());
  sim::DeleteValue("HKLM\\\\HKCU\\Soft", "V");  // as a .reg file may spell it
  sim::DeleteKey("HKLM\\HKCU\\Soft\\Gone");
  sim::CreateKey("HKLM\\hkcu\\New");
  sim::DeleteKey("HKLM\\HKLM");  // a key at a root's top, as a Software Windows lacks, is not told
  const std::vector<std::string> lines =
      plan::OutcomeLines(plan::Machine(), before, plan::ObserveMachine(plan::Machine()), {});
  EXPECT_EQ(lines, (std::vector<std::string>{"key hklm\\hkcu\\new created", "key hklm\\hkcu\\soft\\gone deleted",
                                             "value hklm\\hkcu\\soft : v deleted"}));
}

}  // namespace
