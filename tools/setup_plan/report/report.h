// setup-plan's output: lines for people, or one JSON document for tools.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "machine_setup.h"
#include "options.h"
#include "plan_run.h"

namespace plan {

void PrintPlan(std::ostream& out, const Options& options, const Machine& machine, const std::vector<RunResult>& runs);
void PrintPlanJson(std::ostream& out, const Options& options, const Machine& machine,
                   const std::vector<RunResult>& runs);

// A JSON string literal; bytes above 127 (ANSI text) are written as \u00XX.
std::string JsonString(const std::string& text);

}  // namespace plan
