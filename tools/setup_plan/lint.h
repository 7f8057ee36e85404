// setup-plan --check: lints a package folder before it ships. Each finding
// is one line in a compiler's form, "InstallInfo.ini:3: error: ..." or
// "Install\Setup.exe: warning: ...". The values are read as the launcher
// reads them: GetPrivateProfileStringA with the launcher's buffer sizes, on
// the simulated machine.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "options.h"

namespace plan {

struct Finding {
  std::string where;  // "InstallInfo.ini:3", "InstallInfo.ini", "Util\CloseDlg.exe"
  bool error;
  std::string what;
};

// The findings for the package of `options` (packageDir, codePage, location).
// False with `error` when the folder cannot be looked at.
bool LintPackage(const Options& options, std::vector<Finding>* findings, std::string* error);

// Prints the findings and a count line; true when none is an error.
bool CheckPackage(const Options& options, std::ostream& out, std::string* error);

// Helpers shared by the two halves of the lint (lint.cpp, lint_files.cpp).
void LintPackageFiles(const Options& options, std::vector<Finding>* findings);
bool IsGuid(const std::string& text);

}  // namespace plan
