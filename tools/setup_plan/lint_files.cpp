// The package's programs and libraries, and whether the launcher's paths
// and command lines fit its buffers at the package's location.
#include <cstring>

#include "app/installer_command.h"
#include "lint.h"
#include "records/records.h"
#include "removal/fixup_names.h"
#include "sim.h"

namespace plan {
namespace {

struct PackageFile {
  const char* path;  // below the launcher folder, with its leading backslash
  const char* matters;
};

// What the launcher starts or copies, and on which releases it is missed.
const PackageFile kPackageFiles[] = {
    {"\\Install\\Setup.exe", "every supported release (98, 98 SE, Me, 2000, XP): the installer never runs"},
    {"\\Util\\CloseDlg.exe", "every supported release: started beside the installer"},
    {"\\Util\\OemAdv07.exe", "Windows 98 and 98 SE: started before the installer"},
    {"\\Util\\OemHlt07.exe", "Windows 98, 98 SE and Me in removal mode (/a)"},
    {fixups::kCleanupProgram, "Windows 98, 98 SE and Me when Windows' own device installation did not finish"},
    {fixups::kRuntimeLibraries[0], "every supported release: copied into the system folder"},
    {fixups::kRuntimeLibraries[1], "every supported release: copied into the system folder"},
};

// Where an earlier installation typically lies: handed to the installer as INSTALLDIR.
const char kTypicalInstallFolder[] = "C:\\Program Files\\Printer Software\\Sample Printer";

}  // namespace

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
  const std::string& folder = options.location;
  for (const PackageFile& file : kPackageFiles) {
    const std::string name = std::string(file.path).substr(1);
    if (!sim::FileExists(folder + file.path))
      findings->push_back(Finding{name, false, "missing from the package; it matters on " + std::string(file.matters)});
    // Windows starts no program whose path reaches MAX_PATH.
    if ((folder + file.path).size() >= MAX_PATH)
      findings->push_back(Finding{name, true, "path at " + folder + " is " + std::to_string((folder + file.path).size()) +
                                                  " bytes: Windows cannot start or copy it (limit 259)"});
  }
  const std::string cleanup = folder + fixups::kCleanupProgram + " " + fixups::kCleanupArguments;
  if (cleanup.size() >= fixups::kCleanupCommandSize)
    findings->push_back(Finding{std::string(fixups::kCleanupProgram).substr(1), true,
                                "its command line at " + folder + " does not fit the launcher's " +
                                    std::to_string(fixups::kCleanupCommandSize) + "-byte buffer"});
  // The installer's command line with a typical earlier installation folder.
  const std::string typical = kTypicalInstallFolder;
  char program[records::kPathSize];
  char arguments[records::kPathSize];
  if (!BuildInstallerCommand(folder.c_str(), typical.c_str(), program, arguments, records::kPathSize))
    findings->push_back(Finding{"Install\\Setup.exe", true, "its path at " + folder + " does not fit 1024 bytes"});
  else if (arguments[0] == '\0')
    findings->push_back(Finding{"Install\\Setup.exe", false,
                                "at " + folder + " the command line has no room for INSTALLDIR=" + typical});
}

}  // namespace plan
