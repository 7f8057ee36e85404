// Turns the launcher's calls on the simulated machine into the effects a
// package author cares about, in the order they happen: registry values
// written, files deleted, patched, copied and held, programs started (and
// whether they were waited for, and ended), windows messaged (with the
// bound on the send), waits with their limits and virtual durations, the message box, the dialog, the completion event.
//
// Each effect says what matters of the call behind it: access asked for,
// sharing, creation disposition, show state, limits, flags.
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

#include "device_scan.h"
#include "poll_skip.h"
#include "sim.h"

namespace plan {

// A field for tools: its name and its value written as JSON.
using Field = std::pair<std::string, std::string>;
using Fields = std::vector<Field>;
std::string JsonString(const std::string& text);  // a JSON string literal
inline Field JText(const std::string& name, const std::string& value) { return {name, JsonString(value)}; }
inline Field JNumber(const std::string& name, unsigned long value) { return {name, std::to_string(value)}; }
inline Field JBool(const std::string& name, bool value) { return {name, value ? "true" : "false"}; }

struct Effect {
  std::string kind;  // "registry-set", "program-started", ... (see recorder.cpp)
  DWORD time;        // virtual milliseconds since the run began
  std::string text;  // one line for people
  Fields fields;     // the same for tools
};

// A record the launcher looked for, and whether it was there.
struct Lookup {
  std::string function;  // RegOpenKeyExA, RegQueryValueExA, RegEnumKeyExA, SearchPathA, CreateProcessA
  std::string key;       // "HKLM\..." (or the program)
  std::string name;      // the value's name
  bool found;
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
  // `hardwareIds` and `setupClass`: VID_PID and GUIDUNDINF as the launcher reads them.
  Recorder(const std::string& launcherFolder, unsigned long maxWaitMs, const std::string& hardwareIds,
           const std::string& setupClass);

  // Attaches to / detaches from the simulator.
  void Start(const std::map<HWND, std::string>& windows);
  void Stop();

  // Settles the pending call; called before anything the plan adds itself.
  // `duringCall`: from inside the launcher's call (a program starting, a
  // scheduled change, the message box or dialog on screen).
  void Flush(bool duringCall = false);
  void Add(const std::string& kind, const std::string& text, Fields fields = {});

  const std::vector<Effect>& effects() const { return effects_; }
  const RoadSigns& signs() const { return signs_; }
  const std::vector<Lookup>& lookups() const { return lookups_; }
  // "[SECTION] KEY" of each InstallInfo.ini key the launcher asked for.
  const std::vector<std::string>& infoKeysRead() const { return infoKeysRead_; }

 private:
  void AddAt(DWORD clock, const std::string& kind, const std::string& text, Fields fields = {});
  void OnCall(const sim::Call& call);
  void Settle();
  void SettleInstanceEvent();
  void SettleProcessStart();
  void SettleFile();
  void SettleRegistry();
  void SettleWait();
  void SettleMessages();
  void NoteHeldFiles();
  void NoteVersionCheck(const sim::Call& call);
  void SettleKept();
  void SettleKeyOpen();
  void SettleValueRead();
  void SettleFileOpen();
  void SettleInfExamined(const sim::Call& next);
  void SettleLibrary();
  void FlushScan();
  void Departs(const std::string& classic);
  void StartScanRead(bool registry);
  std::string PauseText(const Effect& pause, int count) const;

  std::string folder_;
  unsigned long maxWaitMs_;
  DWORD startClock_ = 0;
  bool pending_ = false;
  bool instanceEventPending_ = false;
  int moduleHandlesBefore_ = 0;  // the pending call creates the instance event
  bool abandoned_ = false;
  int endlessWaitsAtStart_ = 0;
  // A loop that never waits: calls made while the clock stands still, and
  // how many are allowed (many per key of the machine's registry).
  DWORD standingSince_ = 0;
  unsigned long long standingCalls_ = 0;
  unsigned long long standingLimit_ = 0;
  PollSkip pollSkip_;
  unsigned long skippedCycles_ = 0;  // passed over before the pending pause
  DeviceScan scan_;
  DWORD scanClock_ = 0;  // when the reads not yet told began
  sim::Call call_;
  // State before the pending call.
  bool existedBefore_ = false;
  std::string contentBefore_;
  std::map<HWND, size_t> messagesBefore_;
  size_t keyOpensBefore_ = 0;
  int fileHandlesBefore_ = 0;
  int printerHandlesBefore_ = 0;
  sim::FileOpen fileOpen_{};
  size_t infExamined_ = 0;  // 1 + index of the open of an INF file the purge reads, until told

  std::map<HWND, std::string> windows_;
  std::vector<std::string> openedFiles_;  // CreateFileA paths not yet reported as held
  std::vector<std::string> heldFiles_;    // reported as held, not yet let go
  // A runtime library of the system folder whose version the launcher is
  // reading, and the package's copy: kept unless a copy over it follows.
  std::string versionChecked_;
  std::string versionOffered_;
  std::map<std::string, size_t> startOf_;  // program path -> index of its last start effect
  std::vector<Effect> effects_;
  std::vector<std::pair<size_t, std::string>> departures_;  // effect, what the classic launcher does there
  std::vector<Lookup> lookups_;
  std::vector<std::string> infoKeysRead_;
  RoadSigns signs_;
};

}  // namespace plan
