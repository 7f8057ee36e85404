// setup-plan --check: lints a package folder before it ships. Each finding
// is one line in a compiler's form, "InstallInfo.ini:3: error: ..." or
// "Install\Setup.exe:0: warning: ..." (line 0: the file as a whole). The values are read as the launcher
// reads them: GetPrivateProfileStringA with the launcher's buffer sizes, on
// the simulated machine.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "options.h"

namespace plan {

struct Finding {
  std::string where;  // "InstallInfo.ini:3"; line 0 for the file as a whole ("Util\CloseDlg.exe:0")
  bool error;
  std::string what;
  const char* code = "";  // the kind (lint_codes.h)
  bool note = false;  // only says how many findings of the file were left out
  // The InstallInfo.ini key it is about, as the launcher asks for it
  // ("[INSTALL_INFO] VID_PID"); "*" for the file as a whole; "" for neither.
  std::string key = "";
  int hiddenErrors = 0;
  int hiddenWarnings = 0;
};

// The findings for the package of `options` (packageDir, codePage, location).
// False with `error` when the folder cannot be looked at.
bool LintPackage(const Options& options, std::vector<Finding>* findings, std::string* error);

// Prints the findings and a count line (options.json: one JSON document);
// true when none is an error.
bool CheckPackage(const Options& options, std::ostream& out, std::string* error);

// A finding of the kind `code`, with that kind's severity.
Finding MakeFinding(const std::string& where, const char* code, const std::string& what);

// Helpers shared by the two halves of the lint (lint.cpp, lint_files.cpp).
void LintPackageFiles(const Options& options, std::vector<Finding>* findings);
bool IsGuid(const std::string& text);

}  // namespace plan
