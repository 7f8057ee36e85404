// Runs the contract tests: every test, or those whose name contains one of
// the comma-separated parts given with --filter. One line per test
// ("PASS name", "FAIL name", "SKIP name: why", "TODO name") and a summary.
#include <cstdio>
#include <cstring>
#include <string>

#include "contract.h"
#include "fixture.h"

static bool Selected(const char* name, const std::string& filter) {
  if (filter.empty()) return true;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t comma = filter.find(',', start);
    std::string part = filter.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!part.empty() && std::strstr(name, part.c_str())) return true;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return false;
}

int main(int argc, char** argv) {
  if (fixture::Init(argc, argv)) return 0;
  std::string filter;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--filter") == 0) filter = argv[i + 1];

  int passed = 0, failed = 0, skipped = 0, todo = 0;
  for (const contract::TestCase& test : contract::AllTests()) {
    if (!Selected(test.name, filter)) continue;
    contract::Now() = contract::Current();
    fixture::BeginTest();
    test.body();
    fixture::EndTest();
    const contract::Current& c = contract::Now();
    if (c.failures > 0) {
      ++failed;
      std::printf("FAIL %s\n", test.name);
    } else if (c.skipped) {
      ++skipped;
      std::printf("SKIP %s: %s\n", test.name, c.skipReason.c_str());
    } else if (c.checks == 0) {
      ++failed;
      std::printf("FAIL %s: checked nothing\n", test.name);
    } else if (c.todos > 0) {
      ++todo;
      std::printf("TODO %s\n", test.name);
    } else {
      ++passed;
      std::printf("PASS %s\n", test.name);
    }
    std::fflush(stdout);
  }
  std::printf("contract: %d passed, %d failed, %d skipped, %d todo\n", passed, failed, skipped, todo);
  return failed == 0 ? 0 : 1;
}
