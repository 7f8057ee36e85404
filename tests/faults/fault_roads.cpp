// Runs every road of the launcher on the simulated machine once to list its
// platform calls, then once more for each call with that call failing (each
// function fails the way Windows documents; a read both ways: an error, and
// zero bytes read). Every run must wait for nothing that never comes, set the
// completion event exactly once (none when the failing call is the one that
// opens or sets it), leave no handle, heap block, font or paint open but the
// instance event's, delete only what the road may delete and start only the
// programs the road names, by their full path with the documented start
// record. Prints "road=NAME calls=N runs=N failures=N" per road, the first
// failures found, and "faults: N passed, N failed" (one per road).
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/setup_app.h"
#include "roads.h"

namespace {

using faults::Folded;
using faults::Road;

struct Failure {
  std::string road;
  std::string call;  // "RegOpenKeyExA #3 (HKLM\...)" or "none"
  std::string what;
};

void Run(const Road& road) {
  sim::Reset();
  road.prepare();
  sim::ClearCalls();
  sim::ClearFailures();
}

std::set<std::string> FoldedFiles() {
  std::set<std::string> files;
  for (const std::string& f : sim::AllFiles()) files.insert(Folded(f));
  return files;
}

// Everything a run must hold to; `failed` is the call made to fail, or null.
std::vector<std::string> Check(const Road& road, const std::set<std::string>& filesBefore, const sim::Call* failed) {
  std::vector<std::string> problems;
  const bool doneCallFailed =
      failed && ((failed->function == "OpenEventA" && failed->detail == faults::kDone) ||
                 (failed->function == "SetEvent" && failed->detail == faults::kDone));
  const int sets = sim::EventSetCount(faults::kDone);
  if (sets != (doneCallFailed ? 0 : 1)) problems.push_back("completion event set " + std::to_string(sets) + " times");

  // The instance event's handle is the only one kept: it lives as long as
  // the process.
  const bool instanceHeld = sim::CallCount("CreateEventA") == 1 && !(failed && failed->function == "CreateEventA");
  const int events = sim::OpenHandles(sim::HandleKind::Event);
  if (events != (instanceHeld ? 1 : 0)) problems.push_back(std::to_string(events) + " event handles open");
  const int others = sim::OpenHandles(sim::HandleKind::Any) - events;
  if (others != 0) problems.push_back(std::to_string(others) + " other handles open");
  if (sim::LocalBlocks() != 0) problems.push_back("heap block not freed");
  if (sim::LiveFonts() != 0) problems.push_back("font not deleted");
  if (sim::OpenPaints() != 0) problems.push_back("paint not ended");
  if (sim::EndlessWaits() != 0) problems.push_back("waits for something that never comes");

  const std::set<std::string> filesAfter = FoldedFiles();
  for (const std::string& f : filesBefore)
    if (!filesAfter.count(f) && !road.deletable.count(f)) problems.push_back("deleted " + f);

  for (const sim::ProcessStart& s : sim::ProcessStarts()) {
    if (!road.programs.count(Folded(s.applicationName)))
      problems.push_back("started " + s.applicationName + " (" + s.commandLine + ")");
    if (s.applicationNameNull) problems.push_back("started without its full path: " + s.commandLine);
    // A net command starts suspended until it is in its job.
    const DWORD flags = s.commandLine.compare(0, 4, "net ") == 0 ? s.creationFlags & ~CREATE_SUSPENDED : s.creationFlags;
    if (s.startupInfoSize != sizeof(STARTUPINFOA) || s.inheritHandles || flags != 0)
      problems.push_back("start record not the documented one: " + s.commandLine);
  }
  return problems;
}

}  // namespace

int main() {
  int passed = 0;
  int failedRoads = 0;
  std::vector<Failure> failures;
  // FAULT_ROAD=NAME runs that road only.
  const char* only = std::getenv("FAULT_ROAD");
  for (const Road& road : faults::AllRoads()) {
    if (only && road.name != only) continue;
    Run(road);
    std::set<std::string> filesBefore = FoldedFiles();
    theApp.RunSetup(road.commandLine.c_str());
    const std::vector<sim::Call> calls = sim::Calls();
    int roadFailures = 0;
    if (!road.tookRoad()) {
      failures.push_back({road.name, "none", "the run without faults did not take the road"});
      ++roadFailures;
    }
    for (const std::string& p : Check(road, filesBefore, nullptr)) {
      failures.push_back({road.name, "none", p});
      ++roadFailures;
    }
    size_t runs = 0;
    for (size_t k = 0; k < calls.size(); ++k) {
      int nth = 0;
      for (size_t i = 0; i <= k; ++i)
        if (calls[i].function == calls[k].function) ++nth;
      // A read fails both ways Windows documents: an error, or nothing read.
      const bool isRead = calls[k].function == "ReadFile";
      for (int form = 0; form < (isRead ? 2 : 1); ++form) {
        Run(road);
        filesBefore = FoldedFiles();
        sim::FailCall(calls[k].function, nth);
        sim::FailReadsAsZeroBytes(form == 1);
        theApp.RunSetup(road.commandLine.c_str());
        ++runs;
        const std::vector<std::string> problems = Check(road, filesBefore, &calls[k]);
        const std::string call = calls[k].function + " #" + std::to_string(nth) + (form == 1 ? " zero bytes" : "") +
                                 " (" + calls[k].detail + ")";
        for (const std::string& p : problems) failures.push_back({road.name, call, p});
        if (!problems.empty()) ++roadFailures;
      }
    }
    std::printf("road=%s calls=%zu runs=%zu failures=%d\n", road.name.c_str(), calls.size(), runs, roadFailures);
    std::fflush(stdout);
    if (roadFailures == 0) ++passed;
    else ++failedRoads;
  }
  for (size_t i = 0; i < failures.size() && i < 40; ++i)
    std::printf("  %s, failing %s: %s\n", failures[i].road.c_str(), failures[i].call.c_str(), failures[i].what.c_str());
  std::printf("faults: %d passed, %d failed\n", passed, failedRoads);
  return failedRoads == 0 ? 0 : 1;
}
