// The matrix pinned in a builder's CI: --update writes each cell's outcome
// lines to a file, with the format's version on its first line; --expect
// compares a new run with that file.
//
//   setup-plan matrix outcome, format 1
//   [win98:fresh]
//     <an outcome line>      (every line of a cell indented by two blanks)
//   [win2k:limited]
//     not posed: ...
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "matrix_run.h"

namespace plan {

// False with `error` when the file cannot be written.
bool WriteMatrixOutcome(const std::string& path, const std::vector<CellResult>& cells, std::string* error);

// 0 when every cell's lines are those in the file ("N cells as expected"),
// 3 when some differ (each changed cell named, its lines marked "-" for the
// file's and "+" for the new run's), 2 with `error` when the file cannot be
// read, is no such file, or is of another format version.
int ExpectMatrixOutcome(std::ostream& out, const std::string& path, const std::vector<CellResult>& cells,
                        std::string* error);

}  // namespace plan
