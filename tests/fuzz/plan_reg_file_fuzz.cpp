// Fuzz target: a .reg file as setup-plan reads it (REGEDIT4 or UTF-16),
// and the state file it writes of what that file made. Input: code page
// byte, then the file's bytes. Every finding is one line at a line of the
// file. The same bytes read from disk as --reg and --state read them give
// the same findings and registry. A file without errors, applied, saved as
// the state file and read back on a fresh machine, gives the same registry.
#include <unistd.h>

#include <fstream>
#include <vector>

#include "machine_setup.h"
#include "plan_fuzz.h"
#include "reg_file.h"
#include "state_file.h"

using planfuzz::Require;

namespace {

void CheckFindings(const std::vector<std::string>& lines, const std::string& file) {
  for (const std::string& line : lines) {
    Require(line.compare(0, file.size() + 1, file + ":") == 0, "finding without its place: " + line);
    Require(line.find('\n') == std::string::npos, "finding of several lines: " + line);
  }
}

// A file of the host for the readers that take a path, written afresh.
std::string HostFile(const std::string& name, const std::string& bytes) {
  static const std::string folder = [] {
    char pattern[] = "/tmp/plan-reg-fuzz-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  const std::string path = folder + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

bool SameRegistry(const std::vector<sim::KeyContents>& a, const std::vector<sim::KeyContents>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].path != b[i].path || a[i].valueNames != b[i].valueNames || a[i].valueTypes != b[i].valueTypes ||
        a[i].valueData != b[i].valueData)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int codePage = planfuzz::PoseCodePage(data[0]);
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string path = HostFile("f.reg", bytes);
  plan::RegFile file;
  file.sink = [](const plan::RegOperation& op) {
    Require(op.line >= 2, "operation before the header line");
    plan::ApplyRegOperation(op);
  };
  plan::ParseRegFile(bytes, path, &file);
  CheckFindings(file.errors, path);
  CheckFindings(file.warnings, path);
  Require(file.errors.size() <= 21, "more than 20 errors and the note shown");
  const std::vector<sim::KeyContents> made = sim::RegistryContents();
  // From disk, as the state file (or a --reg file) is read: what the bytes
  // leave is the same, errors or not.
  planfuzz::PoseCodePage(data[0]);
  std::vector<std::string> warnings;
  std::string error;
  const bool win9x = data[0] & 4;
  const bool loaded = plan::LoadRegFile(path, &warnings, &error, &win9x);
  std::string errors;
  for (const std::string& e : file.errors) errors += (errors.empty() ? "" : "\n") + e;
  Require(loaded == file.errors.empty() && error == errors, "read from disk, the findings differ: " + error);
  Require(SameRegistry(sim::RegistryContents(), made), "read from disk, the registry differs");
  if (!file.errors.empty()) return 0;
  const std::string state = HostFile("state.reg", "");
  Require(plan::SaveState(state, &error), "the state file cannot be saved: " + error);
  planfuzz::PoseCodePage(static_cast<uint8_t>(data[0]));
  Require(plan::LoadRegFile(state, &warnings, &error), "the state file does not read back: " + error);
  const std::vector<sim::KeyContents> read = sim::RegistryContents();
  Require(read.size() == made.size(), "the state file gives " + std::to_string(read.size()) + " keys, not " +
                                          std::to_string(made.size()) + " (code page " + std::to_string(codePage) + ")");
  for (size_t i = 0; i < made.size(); ++i) {
    Require(read[i].path == made[i].path, "key " + made[i].path + " read back as " + read[i].path);
    Require(read[i].valueNames == made[i].valueNames && read[i].valueTypes == made[i].valueTypes &&
                read[i].valueData == made[i].valueData,
            "the values of " + made[i].path + " differ when read back");
  }
  return 0;
}
