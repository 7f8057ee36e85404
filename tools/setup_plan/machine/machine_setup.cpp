#include "machine_setup.h"

#include <filesystem>

#include "framework/framework.h"
#include "host_file.h"
#include "records/records.h"
#include "code_pages.h"
#include "plan_text.h"
#include "reg_file.h"
#include "resources/lang/dialog_styles.h"
#include "resources/resource.h"
#include "sim.h"

namespace plan {
namespace {

namespace fs = std::filesystem;

struct ReleaseEntry {
  const char* option;
  sim::Release release;
  const char* name;
  bool win9x;
  const char* windowsDir;
};

const ReleaseEntry kReleases[] = {
    {"win95", sim::Release::Win95, "Windows 95", true, "C:\\WINDOWS"},
    {"win98", sim::Release::Win98, "Windows 98", true, "C:\\WINDOWS"},
    {"win98fe", sim::Release::Win98, "Windows 98", true, "C:\\WINDOWS"},
    {"win98se", sim::Release::Win98SE, "Windows 98 Second Edition", true, "C:\\WINDOWS"},
    {"winme", sim::Release::WinMe, "Windows Me", true, "C:\\WINDOWS"},
    {"nt40", sim::Release::NT4, "Windows NT 4.0", false, "C:\\WINNT"},
    {"nt4", sim::Release::NT4, "Windows NT 4.0", false, "C:\\WINNT"},
    {"win2k", sim::Release::Win2000, "Windows 2000", false, "C:\\WINNT"},
    {"winxp", sim::Release::WinXP, "Windows XP", false, "C:\\WINDOWS"},
    {"win2003", sim::Release::Win2003, "Windows Server 2003", false, "C:\\WINDOWS"},
    {"win7", sim::Release::Win7, "Windows 7", false, "C:\\Windows"},
    {"win32s", sim::Release::Win32s, "Win32s", true, "C:\\WINDOWS"},
};

const ReleaseEntry* FindRelease(const std::string& option) {
  for (const ReleaseEntry& r : kReleases)
    if (option == r.option) return &r;
  return nullptr;
}


// Every file below `hostDir` into `folder`, names kept, into `copied`;
// false with `error` when the folder cannot be walked or a file read.
bool CopyFolder(const std::string& hostDir, const std::string& folder, std::vector<std::string>* copied,
                std::string* error) {
  std::error_code code;
  fs::recursive_directory_iterator entry(hostDir, code), end;
  for (; !code && entry != end; entry.increment(code)) {
    if (!entry->is_regular_file(code)) continue;
    std::string relative = fs::relative(entry->path(), hostDir, code).generic_string();
    for (char& c : relative)
      if (c == '/') c = '\\';
    std::string content;
    if (!ReadHostFile(entry->path().string(), "a file", &content, error)) return false;
    sim::WriteFile(folder + "\\" + relative, content);
    copied->push_back(folder + "\\" + relative);
  }
  if (code) *error = Printable(hostDir) + ":0: error: cannot be walked (" + code.message() + "): make it readable";
  return !code;
}

bool IsProgram(const std::string& path) {
  return path.size() > 4 && (path.compare(path.size() - 4, 4, ".exe") == 0 || path.compare(path.size() - 4, 4, ".EXE") == 0);
}

// The maintenance dialog as the launcher's resources give it (English).
void DefineDialogResources() {
  sim::DialogLayout layout;
  layout.controls = {
      {IDOK, "BUTTON", SETUP_NEXT_STYLE, "&Next >"},
      {IDCANCEL, "BUTTON", SETUP_CANCEL_STYLE, "Cancel"},
      {-1, "BUTTON", SETUP_GROUP_STYLE, ""},
      {-1, "STATIC", SETUP_PICTURE_STYLE, ""},
      {IDC_RADIO_UNINSTALL, "BUTTON", SETUP_UNINSTALL_STYLE, "Uninstall"},
      {IDC_RADIO_ADD_DEVICE, "BUTTON", SETUP_ADD_DEVICE_STYLE, "Add a Device"},
  };
  sim::DefineDialogLayout("#102", layout);
  sim::DefineString(IDS_ALREADY_INSTALLED, "Software Has Already Been Successfully Installed");
  sim::DefineString(IDS_CHOOSE_OPTION, "Choose one of the following.");
  sim::DefineIcon(IDR_MAINFRAME);
}

// What every installed Windows of the release has in its own folders.
void PoseSystemFiles(const ReleaseEntry& release, const Options& options) {
  const std::string windowsDir = options.windowsFolder.empty() ? release.windowsDir : options.windowsFolder;
  const std::string systemDir = !options.systemFolder.empty() ? options.systemFolder
                                : windowsDir + (release.win9x ? "\\SYSTEM" : "\\system32");
  sim::SetWindowsDirectory(windowsDir);
  sim::SetSystemDirectory(systemDir);
  sim::WriteFile(systemDir + "\\msiexec.exe", "MZ");
  sim::CreateFolder("C:\\Program Files");  // every release has it, empty or not
  if (!sim::FileExists(windowsDir + "\\INF\\layout.inf"))
    sim::WriteFile(windowsDir + "\\INF\\layout.inf", "[SourceDisksFiles]\r\n");
  // CMP_WaitNoPendingInstallEvents and DeletePrinterDriverExA came with Windows 2000.
  sim::InstallConfigManager(!release.win9x && release.release != sim::Release::NT4);
  sim::InstallWinspool(release.win9x ? std::vector<std::string>{"DeletePrinterDriverExA"} : std::vector<std::string>{});
  sim::InstallNetCommand(0, options.spoolerStopMs);
  // What the window system brings along, loaded by the launcher from here
  // when a copy lies beside it: ole32 every release has; uxtheme came with XP.
  sim::DefineLibrary(systemDir + "\\ole32.dll", {});
  const bool themes = release.release == sim::Release::WinXP || release.release == sim::Release::Win2003 ||
                      release.release == sim::Release::Win7;
  if (themes) sim::DefineLibrary(systemDir + "\\uxtheme.dll", {});
}

}  // namespace

std::string ReleaseName(const std::string& release) {
  const ReleaseEntry* r = FindRelease(release);
  return r ? r->name : "";
}

std::vector<std::string> ReleaseOptions() {
  std::vector<std::string> names;
  for (const ReleaseEntry& r : kReleases) names.push_back(r.option);
  return names;
}

bool ReleaseIsWin9x(const std::string& release) {
  const ReleaseEntry* r = FindRelease(release);
  return r && r->win9x;
}

bool ReleaseIsNt5OrLater(const std::string& release) {
  const ReleaseEntry* r = FindRelease(release);
  return r && !r->win9x && r->release != sim::Release::NT4;
}

std::string ProgramPath(const std::string& launcherFolder, const std::string& program) {
  std::string path = program.find(':') != std::string::npos ? program : launcherFolder + "\\" + program;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

namespace {

// Where the other release family keeps its devices: a key there is never
// looked at by the launcher of this release, which is seldom what the
// file's writer meant. The first such key of a file is warned of.
class OtherLayout {
 public:
  OtherLayout(const std::string& path, bool win9x) : path_(path), win9x_(win9x) {}

  void Look(const RegOperation& op, std::vector<std::string>* warnings) {
    if (warned_ || op.kind == RegOperation::kDeleteKey) return;
    const std::string key = Upper(op.key + "\\");
    for (int i = 0; i < 2; ++i) {
      const std::string prefix = Upper(std::string(kRoots[i][win9x_ ? 1 : 0]) + "\\");
      if (key.compare(0, prefix.size(), prefix) != 0) continue;
      warned_ = true;
      warnings->push_back(Printable(path_) + ":" + std::to_string(op.line) + ": warning: HKEY_LOCAL_MACHINE\\" +
                          kRoots[i][win9x_ ? 1 : 0] + " is where " + (win9x_ ? "2000 and XP" : "95, 98 and Me") +
                          " keep devices; on this release the launcher looks in HKEY_LOCAL_MACHINE\\" +
                          kRoots[i][win9x_ ? 0 : 1] + ": move the key there");
      return;
    }
  }

 private:
  // The USB and DOT4 trees: 95, 98 and Me first, then 2000 and XP.
  const char* const kRoots[2][2] = {{records::kUsbRoot9x, records::kUsbRootNt},
                                    {records::kDot4Root9x, records::kDot4RootNt}};
  std::string path_;
  bool win9x_;
  bool warned_ = false;
};

}  // namespace

bool ReadRegFile(const std::string& path, RegFile* file, std::string* error) {
  std::ifstream in;
  long long size = 0;
  if (!OpenHostFile(path, "a .reg file", &in, &size, error)) return false;
  ParseRegFile(in, path, file);
  if (in.bad()) return *error = Printable(path) + ":0: error: failed while it was read: read it again", false;
  for (const std::string& e : file->errors) *error += (error->empty() ? "" : "\n") + e;
  return file->errors.empty();
}

bool LoadRegFile(const std::string& path, std::vector<std::string>* warnings, std::string* error, const bool* win9x) {
  // Each operation is carried out as it is read; a file in error ends the
  // plan, so what it did before its error does not matter.
  RegFile file;
  OtherLayout layout(path, win9x && *win9x);
  file.sink = [&](const RegOperation& op) {
    if (win9x) layout.Look(op, warnings);
    ApplyRegOperation(op);
  };
  if (!ReadRegFile(path, &file, error)) return false;
  for (const std::string& w : file.warnings) warnings->push_back(Printable(w));
  return true;
}

namespace {

// What the posed release makes of an information file that is not ANSI
// text (the simulator reads it so; sources in sim/files.cpp), said above the
// plan: the launcher then reads other values than the file seems to hold.
void NoteInfoEncoding(const ReleaseEntry& release, int codePage, const std::string& path,
                      std::vector<std::string>* warnings) {
  const std::string text = sim::ReadFile(path);
  const std::string name = release.name;
  const std::string fix = "; save it as ANSI text in code page " + std::to_string(codePage);
  std::string what;
  if (text.compare(0, 2, "\xFF\xFE") == 0)
    what = release.win9x ? "UTF-16 text: " + name + " reads the profile file as ANSI bytes, with no conversion (95, 98 "
                               "and Me), so the launcher finds no key and takes every default; 2000, XP and 2003 "
                               "read it as Unicode"
                         : "UTF-16 text: " + name + " reads it as Unicode, converted to code page " +
                               std::to_string(codePage) + " (2000, XP and 2003 keep such a file Unicode; NT 4.0: "
                               "not known); 95, 98 and Me find no key in it";
  else if (text.compare(0, 2, "\xFE\xFF") == 0)
    what = "UTF-16 big-endian text: no release is known to read it as Unicode; the plan reads its bytes as ANSI "
           "text and finds no key (Wine reads it as UTF-16)";
  else if (text.size() >= 4 && ((text[1] == 0 && text[3] == 0) || (text[0] == 0 && text[2] == 0)))
    what = "UTF-16 text without a byte-order mark: only the mark makes a profile file Unicode, so every release "
           "reads its bytes as ANSI text and finds no key";
  else if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    what = "UTF-8 byte-order mark: what " + name + " makes of it is not documented (not known); the plan reads its "
           "three bytes as ANSI text of line 1, so a section header on that line is not found and its keys take "
           "their defaults (Wine reads the file as UTF-8 and finds them)";
  if (!what.empty()) warnings->push_back(std::string(records::kInstallInfoFileName + 1) + ":1: warning: " + what + fix);
}

// Why `path` cannot be used as a folder: missing, or something else.
std::string FolderProblem(const std::string& role, const std::string& path) {
  std::error_code code;
  const bool exists = fs::exists(path, code);
  return role + " \"" + path + "\" " +
         (exists ? "is not a folder: name the folder itself" : "does not exist: check the path (relative to the current folder)");
}

}  // namespace

bool PoseMachine(const Options& options, Machine* machine, std::string* error) {
  const ReleaseEntry* release = FindRelease(options.release);
  if (!release) {
    std::string valid;
    for (const std::string& name : ReleaseOptions()) valid += " " + name;
    return *error = ValueError(options, "--release", "unknown release \"" + options.release + "\"; one of" + valid),
           false;
  }
  const int cp = options.codePage;
  if (!sim::CodePage::Find(cp))
    return *error = ValueError(options, "--codepage", "code page is 1252, 1250, 1251, 932, 936 or 949"), false;
  if (options.limitedUser && release->win9x)
    return *error = ValueError(options, "--user", "--user limited on " + std::string(release->name) +
                                                       ": 95, 98 and Me have no limited users (every program may "
                                                       "write everywhere); leave it out or pose win2k or winxp"),
           false;
  if (options.pendingInstallsMs && (release->win9x || release->release == sim::Release::NT4))
    return *error = OptionError(options, "--pending-installs",
                                "--pending-installs on " + std::string(release->name) +
                                    ": only 2000 and later tell of device installations still pending "
                                    "(CMP_WaitNoPendingInstallEvents); leave it out or pose win2k or winxp"),
           false;
  if (!fs::is_directory(options.packageDir))
    return *error = ArgumentError(options, options.packageDir, FolderProblem("package folder", options.packageDir)), false;

  sim::Reset();
  sim::PoseAs(release->release);
  sim::RunAsLimitedUser(options.limitedUser);
  sim::SetAnsiCodePage(cp);
  AfxInitApplicationContext();  // what the process start does: follow the ANSI code page
  machine->releaseName = release->name;
  // The folder as Windows names it: "D:\\" (a CD's root) is D:.
  const std::string location = sim::WindowsPath(options.location);
  machine->launcherFolder = location;
  PoseSystemFiles(*release, options);

  std::vector<std::string> packageFiles;
  if (!CopyFolder(options.packageDir, location, &packageFiles, error)) return false;
  for (const std::string& path : packageFiles)
    if (IsProgram(path)) machine->programs.push_back(path);
  NoteInfoEncoding(*release, cp, location + records::kInstallInfoFileName, &machine->warnings);
  const std::string launcher = location + "\\Setup.exe";
  if (!sim::FileExists(launcher)) sim::WriteFile(launcher, "MZ");
  sim::SetModulePath(launcher);
  if (!options.currentFolder.empty()) sim::SetCurrentFolder(options.currentFolder);
  for (const std::string& program : options.programs) {
    const std::string path = ProgramPath(location, program);
    if (!sim::FileExists(path)) sim::WriteFile(path, "MZ");
    machine->programs.push_back(path);
  }
  if (!options.infDir.empty()) {
    if (!fs::is_directory(options.infDir))
      return *error = ValueError(options, "--inf", FolderProblem("--inf", options.infDir)), false;
    std::vector<std::string> infFiles;
    if (!CopyFolder(options.infDir, sim::WindowsFolder() + "\\INF", &infFiles, error)) return false;
  }
  for (const std::string& file : options.files) {
    const size_t eq = file.find('=');
    std::string content = "stub";
    if (eq != std::string::npos && !ReadHostFile(file.substr(eq + 1), "the file to put on the machine", &content, error))
      return false;
    sim::WriteFile(file.substr(0, eq), content);
  }
  // A state left by an earlier plan is the whole registry: it takes the
  // place of the .reg files.
  if (!options.stateFile.empty() && RefuseNonFile(options.stateFile, "a state file", error)) return false;
  if (!options.stateFile.empty() && fs::exists(options.stateFile)) {
    if (!LoadRegFile(options.stateFile, &machine->warnings, error, &release->win9x)) return false;
    machine->warnings.push_back("registry from " + options.stateFile +
                                (options.regFiles.empty() ? "" : "; the --reg files are not applied"));
  } else {
    for (const std::string& regFile : options.regFiles)
      if (!LoadRegFile(regFile, &machine->warnings, error, &release->win9x)) return false;
  }
  for (const std::string& title : options.windows) machine->windows[sim::OpenWindow(title)] = title;
  for (const std::string& title : options.hungWindows) {
    const HWND window = sim::OpenWindow(title);
    sim::WindowAnswersAfter(window, INFINITE);
    machine->windows[window] = title;
  }
  for (const std::string& printer : options.printers) {
    const size_t eq = printer.find('=');
    const std::string name = printer.substr(0, eq);
    const std::string driver = eq == std::string::npos ? name : printer.substr(eq + 1);
    sim::AddPrinterDriver(driver);
    sim::AddPrinter(name, driver);
  }
  for (const std::string& name : options.events) sim::CreateOutsideEvent(name, false);
  for (const std::string& path : options.heldFiles) {
    if (!sim::FileExists(path))
      return *error = ArgumentError(options, path, "--held-file \"" + path + "\" is no file on the machine: put it there with --file " + path), false;
    sim::HoldFile(path, GENERIC_READ, 0);
  }
  sim::SetPendingInstallsUntil(options.pendingInstallsMs);
  if (options.waiter) sim::CreateOutsideEvent(records::kCompletionEventName, true);
  DefineDialogResources();
  return true;
}

}  // namespace plan
