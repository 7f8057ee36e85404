// Passing over the cycles of a poll: only cycles that repeat exactly, only
// reads, and never up to the next change.
#include <gtest/gtest.h>

#include "poll_skip.h"

namespace {

struct Step {
  const char* function;
  const char* detail;
};

// Feeds `cycles` cycles of `body` between pauses of 500 ms that take the
// clock on by 500 ms each (1000 ms before cycle `longAt`), changing the
// detail of the first read in cycle `differentAt`; returns the cycles passed
// over at each pause.
std::vector<unsigned long> Feed(const std::vector<Step>& body, int cycles, DWORD horizon, int differentAt = -1,
                                int longAt = -1) {
  plan::PollSkip skip;
  std::vector<unsigned long> passed;
  DWORD clock = 0;
  for (int i = 0; i <= cycles; ++i) {
    DWORD cycleMs = 0;
    const DWORD pause = i == longAt ? 1000 : 500;
    const unsigned long n = skip.OnCall(sim::Call{"Sleep", std::to_string(pause), clock}, horizon, &cycleMs);
    passed.push_back(n);
    clock += static_cast<DWORD>(n) * cycleMs + pause;
    for (size_t k = 0; k < body.size(); ++k) {
      const std::string detail = std::string(body[k].detail) + (k == 0 && i == differentAt ? "x" : "");
      skip.OnCall(sim::Call{body[k].function, detail, clock}, horizon, &cycleMs);
    }
  }
  return passed;
}

const std::vector<Step> kPoll = {{"RegOpenKeyExA", "HKLM\\Enum\\USB"}, {"RegEnumKeyExA", "HKLM\\Enum\\USB #0"},
                                 {"GetPrivateProfileStringA", "INSTALL_INFO VID_PID"}, {"RegCloseKey", ""}};

TEST(PollSkipTest, PassesOverRepeatedReadsUpToTheCycleBeforeTheNextChange) {
  // Cycles from 0 ms: the third pause (1000 ms) follows two equal cycles.
  // The change at 10,000 ms is seen by a cycle run for real: 16 passed over
  // reach 9000 ms, and the pauses at 9000 and 9500 ms run.
  EXPECT_EQ(Feed(kPoll, 5, 10000), (std::vector<unsigned long>{0, 0, 16, 0, 0, 0}));
  EXPECT_EQ(Feed(kPoll, 3, 1600), (std::vector<unsigned long>{0, 0, 0, 0}));
}

TEST(PollSkipTest, PassesOverNothingThatDiffersOrWrites) {
  std::vector<Step> writes = kPoll;
  writes.push_back({"RegSetValueExA", "HKLM\\Software\\P : InstallMode"});
  EXPECT_EQ(Feed(writes, 4, INFINITE), (std::vector<unsigned long>(5, 0)));
  // A cycle whose read differs starts the count again: only the two after
  // it are equal.
  EXPECT_EQ(Feed(kPoll, 4, 100000, 1), (std::vector<unsigned long>{0, 0, 0, 0, 194}));
  EXPECT_EQ(Feed(kPoll, 4, 100000, -1, 1), (std::vector<unsigned long>{0, 0, 0, 0, 193}));
  // Nothing scheduled: up to the end of the clock.
  EXPECT_EQ(Feed({}, 3, INFINITE), (std::vector<unsigned long>{0, 0, 8589931, 0}));
}

}  // namespace
