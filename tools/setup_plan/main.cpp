// setup-plan: shows what the launcher would do with a package on a posed
// Windows machine, or (--check) lints the package before it ships.
// Exit status: 0 done, 1 the lint found an error, 2 the input is unusable.
#include <iostream>

#include "app/setup_app.h"
#include "lint.h"
#include "machine_setup.h"
#include "options.h"
#include "plan_run.h"
#include "report.h"
#include "state_file.h"

int main(int argc, char** argv) {
  plan::Options options;
  std::string error;
  if (!plan::ParseOptions(argc, argv, &options, &error)) {
    std::cerr << "setup-plan: " << error << "\n" << plan::kUsage;
    return 2;
  }
  if (options.check) return plan::CheckPackage(options, std::cout, &error) ? 0 : (error.empty() ? 1 : 2);

  plan::Machine machine;
  std::vector<plan::RunResult> runs;
  if (!plan::PoseMachine(options, &machine, &error) || !plan::RunPlan(options, machine, &runs, &error)) {
    std::cerr << "setup-plan: " << error << "\n";
    return 2;
  }
  if (!options.stateFile.empty() && !plan::SaveState(options.stateFile, &error)) {
    std::cerr << "setup-plan: " << error << "\n";
    return 2;
  }
  if (options.json)
    plan::PrintPlanJson(std::cout, options, machine, runs);
  else
    plan::PrintPlan(std::cout, options, machine, runs);
  return 0;
}
