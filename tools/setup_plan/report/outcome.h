// The outcome of a plan: what its runs leave on the machine and what a
// program could see while they ran, one line each, in terms that a run on a
// real Windows can be observed in as well (see --help, "The outcome"):
//
//   in the order it happened, for each run (after a line "run N:" when
//   there are several, and "what the runs leave:" after the last): the programs started, with the program named,
//   the show state and whether the next start waited for the program's end;
//   a program the launcher ended (with what it started, and the exit code),
//   after how long when the wait for it ran out;
//   the completion event as the installer started and ended, while the
//   message box or the maintenance dialog was up and after the launcher; whether msiexec.exe could be
//   written while the installer ran; whether the launcher ended;
//
//   then, sorted: registry keys created or deleted and values set or deleted
//   (paths and names in lower case), files created, changed or deleted in the
//   package and INF folders, and directly in the system folder (their size and
//   CRC-32), printer queues and drivers added or removed.
//
// --compare holds these lines against lines observed on a real machine.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "machine_setup.h"
#include "plan_run.h"

namespace plan {

// What can be looked at on a machine before and after a run.
struct ObservableState {
  // The registry as hashes, sorted (a whole machine's registry is not held
  // again): of each key's name ("hklm\software\..."), and of each value's
  // name ("KEY : name") with the hash of its data as text. What changed is
  // named from the machine as it stands and from the simulator's list of
  // what was deleted since (deletionsSeen entries were there before).
  std::vector<uint64_t> keys;
  std::vector<std::pair<uint64_t, uint64_t>> values;
  size_t deletionsSeen = 0;
  std::map<std::string, std::string> files;   // lower-case path -> "N bytes, crc32 XXXXXXXX"
  std::set<std::string> printers;
  std::set<std::string> drivers;
};

// The simulated machine's state as it stands; without `registry`, all but
// the registry (what the runs left there is read from the machine itself).
ObservableState ObserveMachine(const Machine& machine, bool registry = true);

std::vector<std::string> OutcomeLines(const Machine& machine, const ObservableState& before,
                                      const ObservableState& after, const std::vector<RunResult>& runs);

// Compares the planned lines with the observed text (one line each, CR LF or
// LF, blank lines ignored). Prints "N lines as planned" and gives true, or
// prints every line of both, the differing ones marked "- " (planned only)
// and "+ " (observed only), and gives false.
bool CompareOutcome(std::ostream& out, const std::vector<std::string>& planned, const std::string& observed);

}  // namespace plan
