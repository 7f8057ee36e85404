// setup-plan: shows what the launcher would do with a package on a posed
// Windows machine, or (--check) lints the package before it ships.
// Exit status: 0 the plan ran to its end (--check: nothing is an error;
// --compare: the observed outcome is the planned one), 1 a run was abandoned
// (--check: an error was found), 2 an input is unusable, 3 (--compare) the
// observed outcome differs from the plan.
// Every error line starts with its place: FILE:LINE: or <command line>:N:.
#include <iostream>

#include "app/setup_app.h"
#include "host_file.h"
#include "lint.h"
#include "lint_codes.h"
#include "machine_setup.h"
#include "matrix_main.h"
#include "options.h"
#include "outcome.h"
#include "plan_run.h"
#include "plan_text.h"
#include "report.h"
#include "state_file.h"

namespace {

// Error lines as they come (one or several); a byte that is not printable
// is written \xNN (a line break between two lines stays one).
int Fail(const std::string& error) {
  for (const std::string& line : plan::Split(error, "\n")) std::cerr << plan::Printable(line) << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  plan::Options options;
  std::string error;
  if (!plan::ParseOptions(argc, argv, &options, &error)) return Fail(error);
  if (options.help) {
    std::cout << plan::kHelp;
    return 0;
  }
  if (!options.explain.empty()) {
    std::string text;
    if (!plan::ExplainCode(options.explain, &text))
      return Fail(plan::ValueError(options, "--explain", "no finding has the code \"" + options.explain +
                                                             "\": --explain all lists every code"));
    std::cout << text;
    return 0;
  }
  if (plan::WantsMatrix(options)) return plan::RunMatrixCommand(options, std::cout, std::cerr);
  if (options.check) {
    const bool clean = plan::CheckPackage(options, std::cout, &error);
    return clean ? 0 : error.empty() ? 1 : Fail(error);
  }

  plan::Machine machine;
  std::vector<plan::RunResult> runs;
  std::string observed;
  if (!options.compareWith.empty() && !plan::ReadHostFile(options.compareWith, "a file of outcome lines", &observed, &error))
    return Fail(error);
  if (!plan::PoseMachine(options, &machine, &error)) return Fail(error);
  // What the outcome compares with; only looked at when it is asked for (a
  // whole machine's registry would otherwise be held twice).
  const bool outcome = options.outcome || !options.compareWith.empty();
  const plan::ObservableState before = outcome ? plan::ObserveMachine(machine) : plan::ObservableState();
  if (!plan::RunPlan(options, machine, &runs, &error)) return Fail(error);
  if (!options.stateFile.empty() && !plan::SaveState(options.stateFile, &error)) return Fail(error);
  if (outcome) {
    // The lines are the outcome alone: what the plan would warn of (a
    // scripted change never applied, a .reg file in the wrong layout) goes
    // to the error stream, so that a pinned outcome is never taken to have
    // used what it never did.
    for (const std::string& w : machine.warnings) std::cerr << w << "\n";
    const std::vector<std::string> lines = plan::OutcomeLines(machine, before, plan::ObserveMachine(machine, false), runs);
    if (!options.compareWith.empty()) return plan::CompareOutcome(std::cout, lines, observed) ? 0 : 3;
    for (const std::string& line : lines) std::cout << line << "\n";
  } else if (options.json)
    plan::PrintPlanJson(std::cout, options, machine, runs);
  else
    plan::PrintPlan(std::cout, options, machine, runs);
  for (const plan::RunResult& run : runs)
    if (run.abandoned) return 1;
  return 0;
}
