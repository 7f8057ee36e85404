// Running the launcher's real launch sequence, through its application
// object as the framework's start-up does, once or several times on the same
// simulated machine (the state one run leaves is what the next one finds).
#pragma once

#include <string>
#include <vector>

#include "machine_setup.h"
#include "options.h"
#include "recorder.h"

namespace plan {

struct RunResult {
  std::string road;      // "installation", "installed", "earlier-edition", ...
  std::string roadText;  // the same for people
  bool removal = false;  // removal mode ran first
  bool abandoned = false;
  std::vector<Effect> why;  // the records that decided the road (kind: the record)
  std::vector<Effect> effects;
  std::vector<std::string> infoKeysRead;  // "[SECTION] KEY" of InstallInfo.ini, as asked for
};

// Runs the launcher options.runs times; false with `error` when a scripted
// effect's .reg file cannot be used. A scripted change that no run reached
// becomes a warning of `machine`.
bool RunPlan(const Options& options, Machine& machine, std::vector<RunResult>* runs, std::string* error);

}  // namespace plan
