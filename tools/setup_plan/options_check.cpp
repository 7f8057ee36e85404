// Options that are well formed one by one but make no sense together, or
// name a Windows path the simulated machine cannot take.
#include <cctype>

#include "options.h"
#include "plan_text.h"
#include "sim.h"

namespace plan {
namespace {

// What --check reads: the package, and how to read and show it.
const char* const kCheckOptions[] = {"--check", "--json", "--codepage", "--location", "--help", "-h"};

// "C:\..." : a drive letter, a colon and a backslash.
bool IsFullPath(const std::string& path) {
  return path.size() >= 3 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
}

}  // namespace

bool CheckOptionsTogether(const Options& o, std::string* error) {
  if (o.check) {
    for (const auto& given : o.places) {
      bool used = false;
      for (const char* name : kCheckOptions) used = used || given.first == name;
      if (!used)
        return *error = OptionError(o, given.first, given.first + " describes a machine or a run for a plan; --check "
                                                    "reads only the package (with --codepage, --location, --json): "
                                                    "leave out one of them"),
               false;
    }
  }
  if (o.json && (o.outcome || !o.compareWith.empty()))
    return *error = OptionError(o, "--json", std::string("--json with ") + (o.outcome ? "--outcome" : "--compare") +
                                                 ": the outcome is lines of text only; leave out one of them"),
           false;
  const std::pair<const char*, const std::string*> paths[] = {
      {"--location", &o.location},
      {"--current-folder", &o.currentFolder},
      {"--windows-folder", &o.windowsFolder},
      {"--system-folder", &o.systemFolder}};
  for (const auto& p : paths) {
    if (p.second->empty() ? o.places.count(p.first) == 0 : IsFullPath(*p.second)) continue;
    return *error = ValueError(o, p.first, std::string(p.first) + " \"" + *p.second +
                                                "\" is not a full Windows path: give one with its drive, e.g. "
                                                "C:\\Package"),
           false;
  }
  // "D:\\" is the folder D: (a CD's root), as Windows names it.
  const std::string location = sim::WindowsPath(o.location);
  const std::string launcher = Upper(location + "\\Setup.exe");
  for (const ProgramTime& d : o.durations) {
    const std::string path = d.program.find(':') != std::string::npos ? d.program : location + "\\" + d.program;
    if (Upper(path) == launcher)
      return *error = PlaceError(d.place, "--duration names the launcher itself: its time is what the plan finds; "
                                      "give the time of a program it starts (e.g. Install\\Setup.exe)"),
             false;
  }
  return true;
}

}  // namespace plan
