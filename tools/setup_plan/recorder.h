// Turns the launcher's calls on the simulated machine into the effects a
// package author cares about, in the order they happen: registry values
// written, files deleted, patched, copied and held, programs started (and
// whether they were waited for, and ended), windows messaged (with the
// bound on the send), waits with their limits and virtual durations, the message box, the dialog, the completion event.
//
// The simulator reports a call when it is entered, before it acts; the
// recorder notes what it needs of the state before, and settles the call
// (compares with the state after) when the next call comes or Flush is called.
#pragma once

#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim.h"

namespace plan {

struct Effect {
  std::string kind;  // "registry-set", "program-started", ... (see recorder.cpp)
  DWORD time;        // virtual milliseconds since the run began
  std::string text;  // one line for people
  std::vector<std::pair<std::string, std::string>> fields;  // the same for tools
};

// What the run tells about the road, gathered from the calls.
struct RoadSigns {
  bool instanceEventCreated = false;
  bool anotherCopy = false;      // the instance event already existed
  bool removal = false;          // the spooler library was loaded for a removal
  bool caution = false;          // the earlier-edition message box
  bool dialog = false;           // the maintenance dialog
  bool handoff = false;          // runtime libraries copied or the installer started
  bool completionSet = false;
};

// Thrown from inside the launcher's call when a run exceeds its virtual time.
struct RunAbandoned : std::exception {
  const char* what() const noexcept override { return "virtual time limit reached"; }
};

class Recorder {
 public:
  Recorder(const std::string& launcherFolder, unsigned long maxWaitMs);

  // Attaches to / detaches from the simulator.
  void Start(const std::map<HWND, std::string>& windows);
  void Stop();

  // Settles the pending call; called before anything the plan adds itself.
  // `duringCall`: from inside the launcher's call (a program starting, a
  // scheduled change, the message box or dialog on screen).
  void Flush(bool duringCall = false);
  void Add(const std::string& kind, const std::string& text,
           std::vector<std::pair<std::string, std::string>> fields = {});

  const std::vector<Effect>& effects() const { return effects_; }
  const RoadSigns& signs() const { return signs_; }

 private:
  void AddAt(DWORD clock, const std::string& kind, const std::string& text,
             std::vector<std::pair<std::string, std::string>> fields = {});
  void OnCall(const sim::Call& call);
  void Settle();
  void SettleProcessStart();
  void SettleFile();
  void SettleRegistry();
  void SettleWait();
  void SettleMessages();
  void NoteHeldFiles();
  void NoteVersionCheck(const sim::Call& call);
  void SettleKept();

  std::string folder_;
  unsigned long maxWaitMs_;
  DWORD startClock_ = 0;
  bool pending_ = false;
  bool abandoned_ = false;
  int endlessWaitsAtStart_ = 0;
  sim::Call call_;
  // State before the pending call.
  bool existedBefore_ = false;
  std::string contentBefore_;
  std::map<HWND, size_t> messagesBefore_;

  std::map<HWND, std::string> windows_;
  std::vector<std::string> openedFiles_;  // CreateFileA paths not yet reported as held
  // A runtime library of the system folder whose version the launcher is
  // reading, and the package's copy: kept unless a copy over it follows.
  std::string versionChecked_;
  std::string versionOffered_;
  std::map<std::string, size_t> startOf_;  // program path -> index of its last start effect
  std::vector<Effect> effects_;
  RoadSigns signs_;
};

}  // namespace plan
