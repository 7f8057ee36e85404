#include "matrix_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "machine_setup.h"
#include "outcome.h"
#include "plan_run.h"
#include "plan_text.h"
#include "report.h"
#include "sim.h"

namespace plan {
namespace {

namespace fs = std::filesystem;

// The folder the cells' .reg files are written to, relative to the working
// folder while the cells run, so that every plan names them alike.
const char kCellDir[] = "cell";

// A folder of our own below the system's temporary folder, gone with the object.
class ScratchFolder {
 public:
  bool Make(std::string* error) {
    std::error_code code;
    const fs::path temp = fs::temp_directory_path(code);
    std::string pattern = (temp / "setup-plan-matrix-XXXXXX").string();
    if (code || !mkdtemp(&pattern[0]))
      return *error = Printable(temp.string()) + ":0: error: the matrix cannot make its folder of .reg files "
                      "here: set TMPDIR to a folder you may write to", false;
    path_ = pattern;
    return true;
  }
  ~ScratchFolder() {
    std::error_code code;
    if (!path_.empty()) fs::remove_all(path_, code);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Goes into a folder and back out when the object goes.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : back_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() {
    std::error_code code;
    fs::current_path(back_, code);
  }

 private:
  fs::path back_;
};

unsigned long Number(const Fields& fields, const std::string& name) {
  for (const Field& f : fields)
    if (f.first == name) return strtoul(f.second.c_str(), NULL, 10);
  return 0;
}

void Summarise(const std::string& location, const RunResult& run, CellResult* cell) {
  cell->road = run.road;
  cell->removal = run.removal;
  cell->abandoned = run.abandoned;
  cell->infoKeysRead = run.infoKeysRead;
  const std::string folder = Upper(sim::WindowsPath(location) + "\\");
  const auto inPackage = [&](const std::string& path) {
    if (Upper(path).compare(0, folder.size(), folder) == 0) cell->packageFiles.push_back(path.substr(folder.size()));
  };
  for (const sim::FileCopy& copy : sim::FileCopies()) inPackage(copy.from);
  for (const sim::ProcessStart& start : sim::ProcessStarts()) {
    if (!start.applicationNameNull) inPackage(start.applicationName);
    if (!start.started) continue;
    const std::string& path = start.applicationNameNull ? start.commandLine : start.applicationName;
    cell->programs.push_back(Upper(path).compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path);
  }
  for (const Effect& e : run.effects) {
    unsigned long lasted = 0;
    if (e.kind == "wait") lasted = Number(e.fields, "ms");
    if (e.kind == "pause") lasted = Number(e.fields, "ms") * Number(e.fields, "count");
    cell->longestWaitMs = std::max(cell->longestWaitMs, lasted);
    cell->lengthMs = std::max(cell->lengthMs, e.time + lasted);
    const size_t departs = e.text.rfind(" [departs: ");
    if (departs == std::string::npos) continue;
    const std::string classic = e.text.substr(departs + 11, e.text.size() - departs - 12);
    if (std::find(cell->departures.begin(), cell->departures.end(), classic) == cell->departures.end())
      cell->departures.push_back(classic);
  }
}

bool RunCell(const PackageFacts& facts, const Options& runBase, MatrixWanted wanted, CellResult* cell,
             std::string* error) {
  const CellSetup setup = SetUpCell(runBase, facts, cell->release, cell->state, kCellDir);
  if (!setup.posed) return true;
  for (const CellFile& file : setup.files) {
    std::ofstream out(std::string(kCellDir) + "/" + file.name, std::ios::binary);
    out << file.text;
    if (!out.flush())
      return *error = Printable(fs::absolute(kCellDir).string()) + "/" + file.name +
                      ":0: error: cannot be written: free some space, or set TMPDIR to another folder", false;
  }
  std::vector<std::string> args = {"setup-plan"};
  args.insert(args.end(), setup.args.begin(), setup.args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  Options o;
  Machine machine;
  std::vector<RunResult> runs;
  // The engine refusing a cell's own options means the package's names make
  // a machine Windows would not have (a key name over 255 characters): the
  // cell is told as not posed, with the engine's reason.
  std::string refused;
  if (!ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &refused) || !PoseMachine(o, &machine, &refused))
    return cell->setup.posed = false, cell->setup.notPosed = Split(refused, "\n")[0], true;
  const ObservableState before = wanted.outcome ? ObserveMachine(machine) : ObservableState();
  if (!RunPlan(o, machine, &runs, &refused) || runs.empty())
    return cell->setup.posed = false, cell->setup.notPosed = Split(refused, "\n")[0], true;
  Summarise(o.location, runs[0], cell);
  if (wanted.outcome) cell->outcome = OutcomeLines(machine, before, ObserveMachine(machine, false), runs);
  if (wanted.text) {
    std::ostringstream text;
    PrintPlan(text, o, machine, runs);
    cell->planText = text.str();
  }
  if (wanted.json) {
    std::ostringstream json;
    PrintPlanJson(json, o, machine, runs);
    cell->planJson = json.str();
    while (!cell->planJson.empty() && cell->planJson.back() == '\n') cell->planJson.pop_back();
  }
  return true;
}

}  // namespace

const CellResult* DiffersFromAbove(const std::vector<CellResult>& cells, size_t index, size_t states) {
  if (index < states) return nullptr;
  const CellResult& above = cells[index - states];
  const CellResult& cell = cells[index];
  return !above.road.empty() && !cell.road.empty() && above.road != cell.road ? &above : nullptr;
}

bool RunMatrix(const Options& options, const PackageFacts& facts, MatrixWanted wanted, std::vector<CellResult>* cells,
               std::string* error) {
  Options runBase = options;
  std::error_code code;
  runBase.packageDir = fs::absolute(options.packageDir, code).string();
  for (std::string& machine : runBase.machines) {
    const size_t eq = machine.find('=');
    machine = machine.substr(0, eq + 1) + fs::absolute(machine.substr(eq + 1), code).string();
  }
  ScratchFolder scratch;
  if (!scratch.Make(error)) return false;
  fs::create_directory(fs::path(scratch.path()) / kCellDir, code);
  InFolder in(scratch.path());
  for (const std::string& release : MatrixReleases()) {
    for (const MatrixState& state : MatrixStates(options)) {
      CellResult cell;
      cell.release = release;
      cell.state = state.name;
      cell.setup = SetUpCell(options, facts, release, state.name, "DIR");
      if (!RunCell(facts, runBase, wanted, &cell, error)) return false;
      cells->push_back(std::move(cell));
    }
  }
  return true;
}

}  // namespace plan
