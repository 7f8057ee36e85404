// The machine states of the matrix: each follows from the package itself
// (its InstallInfo.ini), so a builder writes no .reg file for them. A cell
// (a release and a state) is the setup-plan options of one ordinary plan,
// with the .reg files those options name, so that the matrix and a rerun
// of one cell alone run the very same plan.
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace plan {

// What the states are made of, read from the package as the launcher reads it.
struct PackageFacts {
  std::string registryPath;  // RegistryPath
  std::string pdiEntry;      // PDIENTRY
  std::string setupClass;    // GUIDUNDINF
  std::string hardwareId;    // the first id of VID_PID
  std::string product;       // the last name of RegistryPath (or PDIENTRY): the printer's and folder's name
  std::string printer;       // the printer removed with /a: --printer NAME[=DRIVER], or the product
  bool hasInstaller = false; // Install\Setup.exe is in the package: its effect is scripted
};

struct MatrixState {
  std::string name;     // at most 9 characters: a column of the table
  std::string text;     // what it poses, for the legend
  std::string regFile;  // a machine of the builder's own (--machine NAME=FILE)
};
// The states the package gives, then the builder's machines (--machine).
std::vector<MatrixState> MatrixStates(const Options& options);

// Whether --machine's values are NAME=FILE with a name of its own (at most
// 9 of a-z, 0-9 and -) and a usable .reg file; otherwise `error` says why.
bool CheckMachines(const Options& options, std::string* error);

// Releases of the rows, one option name each, in the order of age.
std::vector<std::string> MatrixReleases();

// A .reg file a cell needs: its name and its REGEDIT4 text.
struct CellFile {
  std::string name;
  std::string text;
};

struct CellSetup {
  bool posed = true;      // false: the state does not exist on the release (a limited user on 98)
  std::string notPosed;   // why not
  std::vector<std::string> args;  // setup-plan's arguments, .reg files named as DIR/NAME, package last
  std::vector<CellFile> files;
};

// Reads the package's InstallInfo.ini on a posed machine; false with `error`
// when the package cannot be posed.
bool ReadPackageFacts(const Options& options, PackageFacts* facts, std::string* error);

// The options of the cell: `dir` is where its .reg files lie.
CellSetup SetUpCell(const Options& options, const PackageFacts& facts, const std::string& release,
                    const std::string& state, const std::string& dir);

}  // namespace plan
