// The package's programs and libraries, and whether the launcher's paths
// and command lines fit its buffers at the package's location.
#include <cstring>

#include "app/installer_command.h"
#include "lint.h"
#include "lint_codes.h"
#include "lint_releases.h"
#include "records/records.h"
#include "removal/fixup_names.h"
#include "sim.h"

namespace plan {
namespace {

// What the launcher may start or copy from its folder. On which releases and
// in which states each matters is found by running the plan (lint_releases).
const char* const kPackageFiles[] = {
    "\\Install\\Setup.exe", "\\Util\\CloseDlg.exe", "\\Util\\OemAdv07.exe", "\\Util\\OemHlt07.exe",
    fixups::kCleanupProgram, fixups::kRuntimeLibraries[0], fixups::kRuntimeLibraries[1],
};
const char kInstaller[] = "\\Install\\Setup.exe";

// Where an earlier installation typically lies: handed to the installer as INSTALLDIR.
const char kTypicalInstallFolder[] = "C:\\Program Files\\Printer Software\\Sample Printer";

}  // namespace

Finding MakeFinding(const std::string& where, const char* code, const std::string& what) {
  const FindingCode* kind = FindCode(code);
  Finding f{where, kind && kind->error, what};
  f.code = code;
  return f;
}

bool IsGuid(const std::string& text) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash != (text[i] == '-')) return false;
    if (!dash && !isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

void LintPackageFiles(const Options& options, std::vector<Finding>* findings) {
  const std::string folder = sim::WindowsPath(options.location);
  std::vector<std::string> files(std::begin(kPackageFiles), std::end(kPackageFiles));
  std::vector<bool> missing;
  for (const std::string& file : files) missing.push_back(!sim::FileExists(folder + file));
  std::vector<Finding> found;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string name = files[i].substr(1) + ":0";
    // The simulator decides, as the plan's calls do: the ANSI file calls
    // refuse a path of MAX_PATH characters or more.
    if (sim::TooLongForAnsiPath(folder + files[i]))
      found.push_back(MakeFinding(name, "FILE03", "path at " + folder + " is " +
                                                      std::to_string(sim::AnsiPathCharacters(folder + files[i])) +
                                                      " characters: the ANSI file calls take at most 259 "
                                                      "(ERROR_FILENAME_EXCED_RANGE), so the launcher cannot start or "
                                                      "copy it; unpack the package nearer the drive's root"));
  }
  // Running the plan resets the simulated machine: the files are looked at first.
  ReleaseTrace trace;
  bool traced = false;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!missing[i]) continue;
    if (!traced) trace = TraceReleases(options, files), traced = true;
    const bool installer = files[i] == kInstaller;
    findings->push_back(MakeFinding(files[i].substr(1) + ":0", installer ? "FILE01" : "FILE02",
                                    "missing from the package; " + DescribeUse(trace, files[i]) +
                                        (installer ? ": nothing can be installed" : "")));
  }
  findings->insert(findings->end(), found.begin(), found.end());
  const std::string cleanup = folder + fixups::kCleanupProgram + " " + fixups::kCleanupArguments;
  if (cleanup.size() >= fixups::kCleanupCommandSize)
    findings->push_back(MakeFinding(std::string(fixups::kCleanupProgram).substr(1) + ":0", "FILE04",
                                    "its command line at " + folder + " does not fit the launcher's " +
                                        std::to_string(fixups::kCleanupCommandSize) + "-byte buffer"));
  // The installer's command line with a typical earlier installation folder.
  const std::string typical = kTypicalInstallFolder;
  char program[records::kPathSize];
  char arguments[records::kPathSize];
  if (!BuildInstallerCommand(folder.c_str(), typical.c_str(), program, arguments, records::kPathSize))
    findings->push_back(MakeFinding("Install\\Setup.exe:0", "FILE05", "its path at " + folder + " does not fit 1024 bytes"));
  else if (arguments[0] == '\0')
    findings->push_back(MakeFinding("Install\\Setup.exe:0", "FILE06",
                                    "at " + folder + " the command line has no room for INSTALLDIR=" + typical));
}

}  // namespace plan
