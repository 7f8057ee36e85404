// Runs the cells of the matrix, each an ordinary plan of its own options
// (the plan engine: posing, the run, the report), and sums up what a
// builder compares across cells.
#pragma once

#include <string>
#include <vector>

#include "matrix_states.h"

namespace plan {

struct CellResult {
  std::string release;  // option name: "win98"
  std::string state;
  std::string codePageTag;  // "@932" when the matrix spans several code pages
  CellSetup setup;      // as --cell prints it (.reg files in DIR)
  std::string road;     // of the (single) run; "" when the state is not posed
  bool removal = false;
  bool abandoned = false;
  std::vector<std::string> programs;  // started, relative to the package when in it
  unsigned long longestWaitMs = 0;    // the longest single wait or poll
  unsigned long lengthMs = 0;         // the run's virtual length
  std::vector<std::string> departures;  // what the classic launcher does where this one departs
  std::vector<std::string> packageFiles;  // of the package, started or copied (or tried), as named
  std::vector<std::string> infoKeysRead;  // "[SECTION] KEY" of InstallInfo.ini the run asked for
  std::vector<std::string> findings;      // "FILE02 Util\CloseDlg.exe": --check findings of those files
  std::string planJson;               // the plan as --json prints it (when asked)
  std::string planText;               // the plan as it prints for people (when asked)
  std::vector<std::string> outcome;   // the outcome lines (when asked)
};

// The cell of the same state on the release above (older), when both are
// posed and their roads differ; nullptr otherwise. Such a cell stands out.
// `states`: how many cells a release has.
const CellResult* DiffersFromAbove(const std::vector<CellResult>& cells, size_t index, size_t states);

struct MatrixWanted {
  bool json = false;
  bool outcome = false;
  bool text = false;
};

// Runs every cell; `options` gives the package, code page, location,
// printer and wait limit. The cells' .reg files are written to a folder of
// their own, removed afterwards. False with `error` when a cell's plan
// cannot be made (a package the engine refuses).
bool RunMatrix(const Options& options, const PackageFacts& facts, MatrixWanted wanted, std::vector<CellResult>* cells,
               std::string* error);

}  // namespace plan
