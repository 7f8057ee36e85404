// Fuzz target: a .reg file as setup-plan reads it (REGEDIT4 or UTF-16),
// and the state file it writes of what that file made. Input: code page
// byte, then the file's bytes. Every finding is one line at a line of the
// file; a file without errors, applied, written as a state file and read
// back on a fresh machine, gives the same registry.
#include <vector>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int codePage = planfuzz::PoseCodePage(data[0]);
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const plan::RegFile file = plan::ParseRegFile(bytes, "f.reg");
  CheckFindings(file.errors, "f.reg");
  CheckFindings(file.warnings, "f.reg");
  Require(file.errors.size() <= 21, "more than 20 errors and the note shown");
  for (const plan::RegOperation& op : file.operations) Require(op.line >= 2, "operation before the header line");
  if (!file.errors.empty()) return 0;
  plan::ApplyRegFile(file);
  const std::vector<sim::KeyContents> made = sim::RegistryContents();
  // The simulator cuts registry paths at every backslash byte, where Windows
  // reads them in the code page (a double-byte character ending in 0x5C is
  // no separator); the reader takes such a character whole, so a key path
  // holding one cannot be held to the round trip.
  for (const sim::KeyContents& key : made)
    for (size_t i = 0; i + 1 < key.path.size(); ++i)
      if (_ismbblead(static_cast<unsigned char>(key.path[i])) && key.path[i + 1] == '\\') return 0;
  const std::string state = plan::RegistryAsRegedit4();
  planfuzz::PoseCodePage(static_cast<uint8_t>(data[0]));
  const plan::RegFile back = plan::ParseRegFile(state, "state.reg");
  Require(back.errors.empty(), "the state file does not read back: " + (back.errors.empty() ? "" : back.errors[0]));
  plan::ApplyRegFile(back);
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
