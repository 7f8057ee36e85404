// setup-plan --matrix PACKAGE_DIR: the package on every release the tool
// poses, in every machine state that follows from the package (see
// matrix_states.h), as a table, JSON, one cell's options (--cell), or the
// cells' outcome pinned in a file (--update, --expect).
#pragma once

#include <ostream>

#include "options.h"

namespace plan {

// Whether the options ask for the matrix (or give one of its options).
bool WantsMatrix(const Options& options);

// Exit status: 0 every cell ran to its end (--expect: nothing changed),
// 1 a cell's run was abandoned, 2 an input is unusable (the error on `err`),
// 3 (--expect) a cell changed.
int RunMatrixCommand(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace plan
