#include "plan_run.h"

#include <set>

#include "app/setup_app.h"
#include "plan_text.h"
#include "records/launcher_paths.h"
#include "records/records.h"
#include "reg_file.h"
#include "road_reasons.h"
#include "resources/resource.h"
#include "sim.h"

namespace plan {
namespace {

// The recorder of the run in progress: scripted programs, the message box
// and the dialog report through it.
Recorder* g_current = nullptr;
// Which of options.triggers were applied in some run.
std::vector<bool> g_applied;

void Note(const std::string& kind, const std::string& text, Fields fields = {}) {
  g_current->Flush(true);
  g_current->Add(kind, text, std::move(fields));
}

// A program's script that writes below HKEY_LOCAL_MACHINE, run by a limited
// user: what Windows does with it depends on the program, which the plan
// does not know, so it is applied as written and said so.
// `program` empty: applied at `atMs` of the virtual clock.
void ApplyScripted(const std::string& program, unsigned long atMs, const std::string& regFile,
                   bool writesMachine = false) {
  std::vector<std::string> warnings;
  std::string error;
  LoadRegFile(regFile, &warnings, &error);  // checked before the first run
  const std::string what = program.empty() ? "at " + std::to_string(atMs) + " ms" : program;
  Fields fields = {JText("by", what), program.empty() ? JNumber("atMs", atMs) : JText("program", program),
                   JText("file", regFile)};
  std::string text = what + ": applies " + regFile;
  if (writesMachine && sim::LimitedUser()) {
    text += " (started by a limited user, which may not write below HKEY_LOCAL_MACHINE: an installer may then be "
            "refused these writes, or may ask for an administrator's name and password first; which one is the "
            "installer's own doing: the plan applies the file as written)";
    fields.push_back(JText("note", "limited user: these writes below HKEY_LOCAL_MACHINE may be refused, or the "
                                   "installer may ask for an administrator first"));
  }
  Note("scripted-effect", text, std::move(fields));
}

// The user's answer in the maintenance dialog.
void PlayDialog(Choice choice, HWND dialog) {
  switch (choice) {
    case Choice::kCancel:
      Note("dialog-choice", "the user presses Cancel");
      sim::Click(dialog, IDCANCEL);
      break;
    case Choice::kUninstall:
      Note("dialog-choice", "the user chooses Uninstall and presses Next");
      sim::Click(dialog, IDC_RADIO_UNINSTALL);
      if (!sim::Click(dialog, IDOK)) Note("dialog-choice", "Next is disabled; the dialog stays open");
      break;
    case Choice::kAddDevice:
      Note("dialog-choice", "the user chooses Add a Device, which leaves Next disabled, and presses Cancel");
      sim::Click(dialog, IDC_RADIO_ADD_DEVICE);
      sim::Click(dialog, IDCANCEL);
      break;
  }
}

// Why --effect names no program the machine has, and what to give instead:
// the nearest program of the machine, or --program.
std::string NoSuchProgram(const Machine& machine, const std::string& program) {
  std::vector<std::string> names;
  const std::string prefix = Upper(machine.launcherFolder + "\\");
  for (const std::string& p : machine.programs)
    names.push_back(Upper(p).compare(0, prefix.size(), prefix) == 0 ? p.substr(prefix.size()) : p);
  const std::string nearest = Nearest(program, names);
  return "--effect names " + program + ", no program on the machine: " +
         (nearest.empty() ? "add it with --program " + program
                          : "is " + nearest + " meant? (a program outside the package is added with --program)");
}

bool DefinePrograms(const Options& options, const Machine& machine, std::string* error) {
  std::set<std::string> writesMachine;  // scripts that write below HKEY_LOCAL_MACHINE
  for (const Trigger& t : options.triggers) {
    // Parsed once now so that a broken script is reported before anything runs.
    RegFile parsed;
    bool machineKey = false;
    parsed.sink = [&machineKey](const RegOperation& op) { machineKey = machineKey || op.key.compare(0, 5, "HKCU\\") != 0; };
    if (!ReadRegFile(t.regFile, &parsed, error)) return false;
    if (machineKey) writesMachine.insert(t.regFile);
    if (t.program.empty()) continue;
    const std::string path = Upper(ProgramPath(machine.launcherFolder, t.program));
    bool known = false;
    for (const std::string& p : machine.programs) known = known || Upper(p) == path;
    if (!known) return *error = PlaceError(t.place, NoSuchProgram(machine, t.program)), false;
  }
  g_applied.assign(options.triggers.size(), false);
  for (const std::string& program : machine.programs) {
    std::vector<std::pair<size_t, std::string>> scripts;  // trigger, file
    for (size_t i = 0; i < options.triggers.size(); ++i) {
      const Trigger& t = options.triggers[i];
      if (!t.program.empty() && Upper(ProgramPath(machine.launcherFolder, t.program)) == Upper(program))
        scripts.emplace_back(i, t.regFile);
    }
    DWORD runsFor = 0;
    for (const ProgramTime& d : options.durations)
      if (Upper(ProgramPath(machine.launcherFolder, d.program)) == Upper(program)) runsFor = d.runsForMs;
    sim::DefineProgram(program, [program, scripts, writesMachine]() -> DWORD {
      for (const auto& s : scripts) {
        g_applied[s.first] = true;
        ApplyScripted(program, 0, s.second, writesMachine.count(s.second) != 0);
      }
      return 0;
    }, runsFor);
  }
  // A duration for a program of Windows itself (e.g. the system folder's net.exe).
  for (const ProgramTime& d : options.durations) {
    const std::string path = ProgramPath(machine.launcherFolder, d.program);
    bool listed = false;
    for (const std::string& p : machine.programs) listed = listed || Upper(p) == Upper(path);
    if (!listed && sim::FileExists(path)) sim::DefineProgram(path, nullptr, d.runsForMs);
  }
  for (size_t i = 0; i < options.triggers.size(); ++i) {
    const Trigger& t = options.triggers[i];
    if (t.program.empty())
      sim::At(t.atMs, [t, i]() {
        g_applied[i] = true;
        ApplyScripted("", t.atMs, t.regFile);
      });
  }
  return true;
}

// A scripted change that no run reached is said so: the plan would
// otherwise look as if the file had been taken into account.
void WarnUnapplied(const Options& options, const std::vector<RunResult>& runs, Machine* machine) {
  for (size_t i = 0; i < options.triggers.size(); ++i) {
    const Trigger& t = options.triggers[i];
    if (g_applied[i]) continue;
    const std::string head = "<command line>:" + std::to_string(t.place) + ": warning: ";
    if (t.program.empty())
      machine->warnings.push_back(
          head + "--at " + std::to_string(t.atMs) + "=" + t.regFile + " is never applied: the " +
          (runs.size() > 1 ? "last run ends" : "run ends") + " at " + std::to_string(sim::Now()) +
          " ms, before the clock reaches " + std::to_string(t.atMs) +
          " ms; give a time the run reaches (the times of its lines), or leave it out");
    else
      machine->warnings.push_back(head + "--effect " + t.program + "=" + t.regFile + " is never applied: no run starts " +
                                  t.program + "; pose a machine on which the launcher starts it, or leave it out");
  }
}

// The first road whose sign the run shows, in the order the launcher tests them.
void NameRoad(RunResult* run, const RoadSigns& signs, const std::string& releaseName, const std::string& commandLine) {
  const struct {
    bool shown;
    const char* road;
    std::string text;
  } roads[] = {
      {!signs.instanceEventCreated, "unusable",
       "the launcher folder or the information file is unusable: ends without a word"},
      {signs.anotherCopy, "another-copy", "another copy is running: ends without a word"},
      {signs.caution, "earlier-edition", "an earlier edition is installed: asks the user to remove it and ends"},
      {signs.dialog, "installed", "the product is installed: the maintenance dialog"},
      {signs.handoff, "installation", "installation: prepares the system and hands over to the package's installer"},
      {true, "unsupported", releaseName + " is not supported: ends without a word"},
  };
  for (const auto& r : roads) {
    if (!r.shown) continue;
    run->road = r.road;
    run->roadText = r.text;
    break;
  }
  // The launcher takes any "/a" in a command line that fits its buffer for
  // removal mode, with the printer name after it ("/a" alone names none).
  const size_t mark = commandLine.size() < records::kPathSize ? commandLine.find("/a") : std::string::npos;
  run->removal = signs.removal || (signs.instanceEventCreated && mark != std::string::npos);
  if (!run->removal) return;
  const bool unnamed = mark != std::string::npos && mark + 2 == commandLine.size() && !signs.removal;
  run->roadText = std::string("removal mode") + (unnamed ? " (no printer named: none is removed)" : "") + ", then " +
                  run->roadText;
}

}  // namespace

bool RunPlan(const Options& options, Machine& machine, std::vector<RunResult>* runs, std::string* error) {
  if (!DefinePrograms(options, machine, error)) return false;
  sim::OnMessageBox([](const sim::MessageBoxShown&) {
    Note("message-box-answer", "the user presses OK");
    return IDOK;
  });
  const Choice choice = options.choice;
  sim::DefineDialog("#102", [choice](HWND dialog) { PlayDialog(choice, dialog); });

  const std::string commandLine = LauncherCommandLine(options);
  for (int i = 0; i < options.runs; ++i) {
    RunResult run;
    // The device's ids and class, read as the launcher's probes read them.
    char hardwareIds[records::kPathSize];
    char setupClass[records::kPathSize];
    ReadInstallInfoValue(records::kVidPidKey, hardwareIds, sizeof hardwareIds);
    ReadInstallInfoValue(records::kGuidUndInfKey, setupClass, sizeof setupClass);
    Recorder recorder(machine.launcherFolder, options.maxWaitMs, hardwareIds, setupClass);
    g_current = &recorder;
    sim::ClearCalls();
    recorder.Start(machine.windows);
    sim::PassTime(0);  // what --at schedules for the time the run starts at comes before its first call
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    try {
      AfxWinMain(GetModuleHandleA(NULL), NULL, line.data(), SW_SHOWNORMAL);
    } catch (const RunAbandoned&) {
      run.abandoned = true;
      theApp.m_pMainWnd = NULL;
    }
    recorder.Stop();
    g_current = nullptr;
    sim::EndProcess();
    NameRoad(&run, recorder.signs(), machine.releaseName, commandLine);
    // The names the records were looked for under, read as the launcher reads them.
    char registryPath[records::kPathSize];
    char pdiEntry[records::kPathSize];
    ReadInstallInfoValue(records::kRegistryPathKey, registryPath, sizeof registryPath);
    ReadInstallInfoValue(records::kPdiEntryKey, pdiEntry, sizeof pdiEntry);
    RoadRecords names{registryPath, pdiEntry, machine.releaseName, choice == Choice::kUninstall};
    run.why = RoadReasons(recorder, names, run.road);
    run.effects = recorder.effects();
    run.infoKeysRead = recorder.infoKeysRead();
    runs->push_back(run);
  }
  WarnUnapplied(options, *runs, &machine);
  return true;
}

}  // namespace plan
