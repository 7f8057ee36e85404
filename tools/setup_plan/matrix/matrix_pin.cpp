#include "matrix_pin.h"

#include <fstream>
#include <map>

#include "host_file.h"
#include "options.h"
#include "plan_text.h"

namespace plan {
namespace {

const char kHeader[] = "setup-plan matrix outcome, format ";
// Raised whenever what a cell's lines say, or how they are written, changes.
const int kFormat = 1;

std::vector<std::string> CellLines(const CellResult& cell) {
  if (cell.road.empty()) return {"not posed: " + cell.setup.notPosed};
  return cell.outcome;
}

std::string CellName(const CellResult& cell) { return cell.release + ":" + cell.state + cell.codePageTag; }

// The lines of `before` and `after`, in order, each marked "  " (in both),
// "- " (only before) or "+ " (only after): a longest common subsequence.
std::vector<std::string> Diff(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  const size_t n = before.size(), m = after.size();
  std::vector<std::vector<size_t>> common(n + 1, std::vector<size_t>(m + 1, 0));
  for (size_t i = n; i-- > 0;)
    for (size_t j = m; j-- > 0;)
      common[i][j] = before[i] == after[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
  std::vector<std::string> out;
  size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && before[i] == after[j]) out.push_back("  " + before[i]), ++i, ++j;
    else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) out.push_back("+ " + after[j++]);
    else out.push_back("- " + before[i++]);
  }
  return out;
}

bool ReadPinned(const std::string& path, std::vector<std::pair<std::string, std::vector<std::string>>>* pinned,
                std::string* error) {
  std::string text;
  if (!ReadHostFile(path, "a file --matrix --update wrote", &text, error)) return false;
  const std::string place = Printable(path) + ":";
  const std::string rewrite = "write it again with --matrix --update " + Printable(path) +
                              " and look at what changed (git diff) before committing it";
  std::vector<std::string> lines = Split(text, "\n");
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  if (lines[0].compare(0, sizeof kHeader - 1, kHeader) != 0)
    return *error = place + "1: error: not a file of --matrix --update (its first line is not \"" + kHeader +
                    "N\"): " + rewrite,
           false;
  const std::string version = lines[0].substr(sizeof kHeader - 1);
  if (version != std::to_string(kFormat))
    return *error = place + "1: error: written in format " + Printable(version) + " of the matrix outcome; this " +
                    "setup-plan reads format " + std::to_string(kFormat) + ": " + rewrite,
           false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (line.size() > 2 && line[0] == '[' && line.back() == ']') {
      pinned->emplace_back(line.substr(1, line.size() - 2), std::vector<std::string>());
    } else if (line.compare(0, 2, "  ") == 0 && !pinned->empty()) {
      pinned->back().second.push_back(line.substr(2));
    } else {
      return *error = place + std::to_string(i + 1) + ": error: neither a cell \"[RELEASE:STATE]\" nor one of its " +
                      "lines (indented by two blanks): " + rewrite,
             false;
    }
  }
  return true;
}

}  // namespace

bool WriteMatrixOutcome(const std::string& path, const std::vector<CellResult>& cells, std::string* error) {
  std::string text = kHeader + std::to_string(kFormat) + "\n";
  for (const CellResult& cell : cells) {
    text += "[" + CellName(cell) + "]\n";
    for (const std::string& line : CellLines(cell)) text += "  " + line + "\n";
  }
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush())
    return *error = Printable(path) + ":0: error: cannot be written: name a file in a folder you may write to", false;
  return true;
}

int ExpectMatrixOutcome(std::ostream& out, const std::string& path, const std::vector<CellResult>& cells,
                        std::string* error) {
  std::vector<std::pair<std::string, std::vector<std::string>>> pinned;
  if (!ReadPinned(path, &pinned, error)) return 2;
  std::map<std::string, const std::vector<std::string>*> byName;
  for (const auto& cell : pinned) byName[cell.first] = &cell.second;
  int changed = 0;
  for (const CellResult& cell : cells) {
    const auto found = byName.find(CellName(cell));
    const std::vector<std::string> now = CellLines(cell);
    if (found != byName.end() && *found->second == now) continue;
    ++changed;
    out << CellName(cell) << ": " << (found == byName.end() ? "a new cell, not in " + Printable(path) : "changed")
        << "\n";
    for (const std::string& line : Diff(found == byName.end() ? std::vector<std::string>() : *found->second, now))
      if (line[0] != ' ') out << "  " << line << "\n";
    if (found != byName.end()) byName.erase(found);
  }
  for (const auto& gone : byName) {
    bool stillACell = false;
    for (const CellResult& cell : cells) stillACell = stillACell || CellName(cell) == gone.first;
    if (stillACell) continue;
    ++changed;
    out << Printable(gone.first) << ": no longer a cell of the matrix\n";
  }
  if (changed) {
    out << changed << " cell(s) changed: when the change is meant, write the file again with --matrix --update "
        << Printable(path) << "\n";
    return 3;
  }
  out << cells.size() << " cells as expected\n";
  return 0;
}

}  // namespace plan
