#include <gtest/gtest.h>

#include "sim.h"

namespace {

// Runs once, before any test resets the simulated machine: what the process's
// static initialisation did.
class StartUpEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const auto& calls = sim::Calls();
    ASSERT_FALSE(calls.empty());
    selectedAnsiFirst = calls[0].function == "_setmbcp" && calls[0].detail == std::to_string(_MB_CP_ANSI);
  }
  static bool selectedAnsiFirst;
};
bool StartUpEnvironment::selectedAnsiFirst = false;

::testing::Environment* const startUp = ::testing::AddGlobalTestEnvironment(new StartUpEnvironment);

TEST(StartUp, MultibyteRoutinesFollowTheAnsiCodePageFromTheStart) {
  EXPECT_TRUE(StartUpEnvironment::selectedAnsiFirst);
}

}  // namespace
