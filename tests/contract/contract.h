// A very small test harness for the contract tests, usable both on the host
// (against the simulated Windows) and in the mingw-w64 build run under Wine.
// Modelled on Wine's conformance tests: a test is a function of checks made
// with ok(); a check Wine is known to get wrong is written todo_wine_ok() and
// counts as "todo" there instead of failing (and fails if Wine gets it right,
// so the mark is dropped when Wine is fixed).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace contract {

struct TestCase {
  const char* name;
  void (*body)();
};

inline std::vector<TestCase>& AllTests() {
  static std::vector<TestCase> tests;
  return tests;
}

struct Registrar {
  Registrar(const char* name, void (*body)()) { AllTests().push_back(TestCase{name, body}); }
};

// Outcome of the test that is running.
struct Current {
  int checks = 0;
  int failures = 0;
  int todos = 0;
  bool skipped = false;
  std::string skipReason;
};

inline Current& Now() {
  static Current current;
  return current;
}

// Set by the fixture: true when the Win32 build runs under Wine.
inline bool& RunningUnderWine() {
  static bool wine = false;
  return wine;
}

inline void Report(const char* kind, const char* file, int line, const char* format, va_list args) {
  std::printf("    %s:%d: %s: ", file, line, kind);
  std::vprintf(format, args);
  std::printf("\n");
}

// printf's directives, checked against the arguments by the compiler.
#define CONTRACT_FORMAT __attribute__((format(gnu_printf, 4, 5)))
CONTRACT_FORMAT inline void Check(bool passed, const char* file, int line, const char* format, ...) {
  Current& c = Now();
  c.checks += 1;
  if (passed) return;
  c.failures += 1;
  va_list args;
  va_start(args, format);
  Report("failed", file, line, format, args);
  va_end(args);
}

CONTRACT_FORMAT inline void CheckTodoWine(bool passed, const char* file, int line, const char* format, ...) {
  Current& c = Now();
  c.checks += 1;
  if (!RunningUnderWine()) {
    if (passed) return;
    c.failures += 1;
  } else if (passed) {
    c.failures += 1;
    std::printf("    %s:%d: succeeded inside todo_wine (drop the mark)\n", file, line);
    return;
  } else {
    c.todos += 1;
  }
  va_list args;
  va_start(args, format);
  Report(RunningUnderWine() ? "todo_wine" : "failed", file, line, format, args);
  va_end(args);
}

inline void Skip(const std::string& reason) {
  Now().skipped = true;
  Now().skipReason = reason;
}

}  // namespace contract

#define CONTRACT_TEST(name)                                                   \
  static void name();                                                         \
  static const contract::Registrar contract_registrar_##name(#name, &name);  \
  static void name()

#define ok(condition, ...) contract::Check((condition), __FILE__, __LINE__, __VA_ARGS__)
#define todo_wine_ok(condition, ...) contract::CheckTodoWine((condition), __FILE__, __LINE__, __VA_ARGS__)
// Ends the test as skipped (a test that needs, e.g., another ANSI code page).
#define skip_test(reason)        \
  do {                           \
    contract::Skip(reason);      \
    return;                      \
  } while (0)
