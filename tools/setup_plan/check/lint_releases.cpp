#include "lint_releases.h"

#include <set>

#include "machine_setup.h"
#include "plan_run.h"
#include "plan_text.h"
#include "records/records.h"
#include "sim.h"

namespace plan {
namespace {

enum Situation { kWithoutDevice, kDevicePlugged, kRemoval, kSituations };
const char* const kSituationText[] = {"without the device", "with the device plugged in and no printer function", "in removal mode (/a)"};
const char kCheckPrinter[] = "Plan Check Printer";

// Used when the package's own file lets no run go anywhere: any values that
// the launcher accepts, so that the releases can still be told apart.
std::string UsableInfoFile() {
  return std::string("[") + records::kInstallInfoSection + "]\r\n" + records::kRegistryPathKey +
         "=Software\\PlanCheck\r\n" + records::kPdiEntryKey + "=PlanCheck\r\n" + records::kGuidUndInfKey +
         "={00000000-0000-0000-0000-000000000000}\r\n" + records::kVidPidKey + "=VID_0000&PID_0000\r\n[" +
         records::kUninstallSection + "]\r\n" + records::kInfsGuidKey + "=" + records::kInfsGuidDefault + "\r\n";
}

std::string ReadInfo(const std::string& path, const char* key) {
  char value[records::kPathSize];
  GetPrivateProfileStringA(records::kInstallInfoSection, key, "", value, sizeof value, path.c_str());
  return value;
}

// The device under the first hardware id as each release family keeps it,
// its three interface functions listed (Windows Me lists only those; the
// others match them too), but no printer function.
void PlugDevice(const std::string& id) {
  for (const char* root : {records::kUsbRoot9x, records::kUsbRootNt}) {
    for (int number = 0; number < 3; ++number) {
      const std::string instance = std::string(root) + "\\" + id + "&MI_0" + std::to_string(number) + "\\PlanCheck&0&1";
      sim::CreateKey(instance);
      sim::SetString(instance, records::kClassValue, "USB");
    }
  }
}

struct OneRun {
  std::string road;
  std::vector<std::pair<std::string, std::string>> used;  // path, verb
};

bool RunOnce(const Options& base, const std::string& release, int situation, const std::vector<std::string>& files,
             bool reference, OneRun* result) {
  Options o;
  o.release = release;
  o.codePage = base.codePage;
  o.location = base.location;
  o.packageDir = base.packageDir;
  o.maxWaitMs = 600000;
  if (situation == kRemoval) {
    o.printers.push_back(kCheckPrinter);
    o.launcherArgs.push_back(std::string("/a") + kCheckPrinter);
  }
  Machine machine;
  std::string error;
  if (!PoseMachine(o, &machine, &error)) return false;
  const std::string folder = sim::WindowsPath(o.location);
  for (const std::string& file : files) {
    if (sim::FileExists(folder + file)) continue;
    sim::WriteFile(folder + file, "MZ");
    if (EndsWithNoCase(file, ".exe")) machine.programs.push_back(folder + file);
  }
  const std::string info = folder + records::kInstallInfoFileName;
  if (reference) sim::WriteFile(info, UsableInfoFile());
  if (situation == kDevicePlugged) {
    const std::string id = Split(ReadInfo(info, records::kVidPidKey), ",")[0];
    if (id.empty()) return false;
    PlugDevice(id);
  }
  std::vector<RunResult> runs;
  if (!RunPlan(o, machine, &runs, &error) || runs.empty()) return false;
  result->road = runs[0].road;
  // What the launcher itself asked for, read from the simulator's records of
  // its calls: each program it started and each library it copied.
  const std::string prefix = Upper(folder + "\\");
  const auto note = [&](const std::string& path, const char* verb) {
    if (Upper(path).compare(0, prefix.size(), prefix) == 0)
      result->used.emplace_back(Upper(path.substr(folder.size())), verb);
  };
  for (const sim::ProcessStart& start : sim::ProcessStarts()) note(start.applicationName, "starts");
  for (const sim::FileCopy& copy : sim::FileCopies()) note(copy.from, "copies");
  return true;
}

void Trace(const Options& options, const std::vector<std::string>& files, bool reference, ReleaseTrace* trace) {
  std::set<std::string> seen;
  for (const std::string& release : ReleaseOptions()) {
    const std::string name = ReleaseName(release);
    if (!seen.insert(name).second) continue;  // another name for the same release
    bool supported = false;
    for (int situation = 0; situation < kSituations; ++situation) {
      OneRun run;
      if (!RunOnce(options, release, situation, files, reference, &run)) continue;
      supported = supported || run.road == "installation" || run.road == "installed" || run.road == "earlier-edition";
      for (const auto& used : run.used) {
        std::vector<std::string>& releases = trace->uses[used.first][situation];
        if (releases.empty() || releases.back() != name) releases.push_back(name);
        trace->verbs[used.first] = used.second;
      }
    }
    if (supported) trace->supported.push_back(name);
  }
}

}  // namespace

ReleaseTrace TraceReleases(const Options& options, const std::vector<std::string>& files) {
  ReleaseTrace trace;
  Trace(options, files, false, &trace);
  if (trace.supported.empty()) {
    trace = ReleaseTrace();
    trace.reference = true;
    Trace(options, files, true, &trace);
  }
  return trace;
}

std::string JoinReleases(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string name = names[i];
    if (i > 0 && name.compare(0, 8, "Windows ") == 0) name = name.substr(8);
    out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + name;
  }
  return out;
}

std::string DescribeUse(const ReleaseTrace& trace, const std::string& file) {
  const std::string key = Upper(file);
  const auto found = trace.uses.find(key);
  const std::string usable = trace.reference ? " once InstallInfo.ini is usable" : "";
  if (found == trace.uses.end())
    return "no run of the plan used it" + usable + " (every release; without the device, with it plugged in, in removal mode)";
  // Situations that share the same releases are told together.
  std::vector<std::pair<std::vector<std::string>, std::string>> groups;
  for (const auto& s : found->second) {
    bool joined = false;
    for (auto& g : groups)
      if (g.first == s.second) g.second += ", " + std::string(kSituationText[s.first]), joined = true;
    if (!joined) groups.emplace_back(s.second, kSituationText[s.first]);
  }
  std::string out = "the launcher " + trace.verbs.at(key) + " it" + usable;
  for (size_t i = 0; i < groups.size(); ++i)
    out += (i ? "; " : " ") + std::string("on ") + JoinReleases(groups[i].first) + " (" + groups[i].second + ")";
  return out;
}

}  // namespace plan
