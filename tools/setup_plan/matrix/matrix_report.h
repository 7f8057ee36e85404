// The matrix for people (a table that fits 120 columns, coloured by road
// only on a terminal) and for tools (one JSON document, each cell with its
// full plan).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "matrix_run.h"

namespace plan {

// `check`: the --check findings, printed above the grid as they are.
void PrintMatrix(std::ostream& out, const Options& options, const std::string& check,
                 const std::vector<CellResult>& cells, bool colour);

// `check`: the --check JSON document.
void PrintMatrixJson(std::ostream& out, const Options& options, const std::string& check,
                     const std::vector<CellResult>& cells);

// One self-contained page: the grid coloured by road, a legend, each cell a
// link to its plan (needs each cell's planText).
void PrintMatrixHtml(std::ostream& out, const Options& options, const std::string& check,
                     const std::vector<CellResult>& cells);

// Several code pages: {"matrices": [one document as above each]}.
void PrintMatricesJson(std::ostream& out, const std::vector<Options>& options, const std::vector<std::string>& checks,
                       const std::vector<std::vector<CellResult>>& cells);

// "setup-plan --release win98 --reg DIR/device.reg ... PACKAGE", each
// argument quoted for a POSIX shell where it needs it.
std::string CellCommand(const CellSetup& setup);

}  // namespace plan
