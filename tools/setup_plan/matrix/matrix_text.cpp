#include "matrix_report.h"

#include "machine_setup.h"
#include "plan_text.h"
#include "plan_unicode.h"

namespace plan {
namespace {

const size_t kWidth = 120;
const size_t kReleaseColumn = 9;
const size_t kStateColumn = 10;
const size_t kColumns = 11;  // states in one block of the table

struct RoadLook {
  const char* road;
  const char* shortName;  // at most 8 characters, so a mark still fits
  const char* colour;     // ANSI
  const char* text;
};

const RoadLook kRoads[] = {
    {"installation", "install", "32", "prepares the system and starts the installer"},
    {"installed", "dialog", "36", "the maintenance dialog"},
    {"earlier-edition", "caution", "33", "the \"Caution!\" box: remove the earlier edition first"},
    {"another-copy", "busy", "35", "ends: another copy runs"},
    {"unsupported", "unsupp", "2", "ends: the release is not supported"},
    {"unusable", "bad-ini", "31", "ends: InstallInfo.ini names nothing usable"},
};

const RoadLook* Look(const std::string& road) {
  for (const RoadLook& look : kRoads)
    if (road == look.road) return &look;
  return nullptr;
}

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string CellMark(const std::vector<CellResult>& cells, size_t index, size_t states) {
  const CellResult& cell = cells[index];
  if (cell.road.empty()) return "-";
  const RoadLook* look = Look(cell.road);
  const std::string marks = std::string(cell.abandoned ? "!" : "") + (cell.findings.empty() ? "" : "#") +
                            (cell.departures.empty() ? "" : "*") + (DiffersFromAbove(cells, index, states) ? "^" : "");
  // At most kStateColumn - 1 characters, so that a blank parts the columns.
  return (std::string(look ? look->shortName : cell.road.substr(0, 6)) + marks).substr(0, kStateColumn - 1);
}

// `text` in lines of at most kWidth, broken at blanks, the later lines indented.
void PutWrapped(std::ostream& out, const std::string& text, size_t indent) {
  const size_t lead = std::min(text.find_first_not_of(' '), text.size());
  std::string line = text.substr(0, lead);
  bool first = true;
  for (const std::string& word : Split(text.substr(lead), " ")) {
    if (!first && line.size() + 1 + word.size() > kWidth) {
      out << line << "\n";
      line = std::string(indent, ' ');
      first = true;
    }
    line += (first ? "" : " ") + word;
    first = false;
  }
  out << line << "\n";
}

std::string Ms(unsigned long ms) { return std::to_string(ms) + " ms"; }

}  // namespace

std::string CellCommand(const CellSetup& setup) {
  std::string line = "setup-plan";
  for (const std::string& arg : setup.args) {
    const bool plain = !arg.empty() && arg.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                             "0123456789-_./:=,+@") == std::string::npos;
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += " " + (plain ? arg : quoted + "'");
  }
  return line;
}

void PrintMatrix(std::ostream& out, const Options& options, const std::string& check,
                 const std::vector<CellResult>& cells, bool colour) {
  const std::vector<MatrixState> states = MatrixStates(options);
  const size_t n = states.size();
  out << "Matrix: " << options.packageDir << " on " << cells.size() / n << " releases in " << n
      << " machine states, code page " << options.codePage << "\n\n";
  out << "Package check (--check):\n" << check;
  // Blocks of at most kColumns states, so that the table fits kWidth.
  for (size_t first = 0; first < n; first += kColumns) {
    const size_t last = std::min(n, first + kColumns);
    out << "\n" << Pad("", kReleaseColumn);
    for (size_t column = first; column < last; ++column)
      out << Pad(states[column].name, column + 1 < last ? kStateColumn : 0);
    out << "\n";
    for (size_t row = 0; row * n < cells.size(); ++row) {
      out << Pad(cells[row * n].release, kReleaseColumn);
      for (size_t column = first; column < last; ++column) {
        const size_t index = row * n + column;
        const CellResult& cell = cells[index];
        const std::string mark = CellMark(cells, index, n);
        const RoadLook* look = Look(cell.road);
        const std::string padded = Pad(mark, column + 1 < last ? kStateColumn : 0);
        const bool stands = DiffersFromAbove(cells, index, n) != nullptr;
        if (colour && look)
          out << "\033[" << (cell.abandoned ? "1;31" : look->colour) << (stands ? ";7" : "") << "m" << mark
              << "\033[0m" << padded.substr(mark.size());
        else
          out << padded;
      }
      out << "\n";
    }
  }
  std::string roads = "\nRoads:";
  for (const RoadLook& look : kRoads) roads += (&look == kRoads ? " " : "; ") + std::string(look.shortName) + " " + look.text;
  PutWrapped(out, roads + ".", 2);
  out << "* a departure from the classic launcher acted (below); ! the run was abandoned (--max-wait); ^ another "
         "road than\n  on the release above; # the run read a key or started or copied a file that a finding names; "
         "- not\n  posed.\nStates:\n";
  for (const MatrixState& state : states) PutWrapped(out, "  " + Pad(state.name, kStateColumn) + state.text, 12);

  // One line per cell; departures are numbered once and named by number.
  std::vector<std::string> departures;
  out << "\nCells (--cell RELEASE:STATE=DIR prints the options that rerun one):\n";
  for (const CellResult& cell : cells) {
    std::string line = Pad(cell.release + ":" + cell.state, 19);
    if (cell.road.empty()) {
      out << line << "not posed: " << cell.setup.notPosed << "\n";
      continue;
    }
    line += Pad(cell.road + (cell.removal ? " after /a" : ""), 22) + Ms(cell.lengthMs) + ", longest wait " +
            Ms(cell.longestWaitMs) + (cell.abandoned ? ", abandoned" : "");
    std::string programs;
    for (const std::string& program : cell.programs)
      programs += (programs.empty() ? "; starts " : ", ") + AnsiToUtf8(program, options.codePage);
    std::string numbers;
    for (const std::string& d : cell.departures) {
      size_t n = std::find(departures.begin(), departures.end(), d) - departures.begin();
      if (n == departures.size()) departures.push_back(d);
      numbers += (numbers.empty() ? "departs [" : ",") + std::to_string(n + 1);
    }
    std::string findings;
    for (const std::string& f : cell.findings) findings += (findings.empty() ? "; finding " : ", ") + f;
    PutWrapped(out, line + programs + (numbers.empty() ? "" : "; " + numbers + "]") + findings, 19);
  }
  if (!departures.empty()) out << "\nDepartures (where the classic launcher does otherwise):\n";
  for (size_t i = 0; i < departures.size(); ++i)
    PutWrapped(out, "  [" + std::to_string(i + 1) + "] " + AnsiToUtf8(departures[i], options.codePage), 6);
}

}  // namespace plan
