#include "machine_setup.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/framework.h"
#include "records/records.h"
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


// Every file below `hostDir` into `folder`, names kept; returns the files.
std::vector<std::string> CopyFolder(const std::string& hostDir, const std::string& folder) {
  std::vector<std::string> copied;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(hostDir)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), hostDir).generic_string();
    for (char& c : relative)
      if (c == '/') c = '\\';
    std::string content;
    ReadHostFile(entry.path().string(), &content);
    sim::WriteFile(folder + "\\" + relative, content);
    copied.push_back(folder + "\\" + relative);
  }
  return copied;
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
}

}  // namespace

bool ReadHostFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Read in one piece when the size is known (a whole-machine export may be
  // a hundred megabytes); a pipe is read through a stream.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size >= 0 && in) {
    content->resize(static_cast<size_t>(size));
    in.read(&(*content)[0], size);
    if (in.gcount() == size) return true;
    in.clear();
    in.seekg(0, std::ios::beg);
  }
  std::ostringstream text;
  text << in.rdbuf();
  *content = text.str();
  return true;
}

std::string ReleaseName(const std::string& release) {
  const ReleaseEntry* r = FindRelease(release);
  return r ? r->name : "";
}

std::vector<std::string> ReleaseOptions() {
  std::vector<std::string> names;
  for (const ReleaseEntry& r : kReleases) names.push_back(r.option);
  return names;
}

std::string ProgramPath(const std::string& launcherFolder, const std::string& program) {
  std::string path = program.find(':') != std::string::npos ? program : launcherFolder + "\\" + program;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool ReadRegFile(const std::string& path, RegFile* file, std::string* error) {
  std::string content;
  if (!ReadHostFile(path, &content)) return *error = Printable(path) + ":0: error: cannot be read", false;
  *file = ParseRegFile(content, path);
  for (const std::string& e : file->errors) *error += (error->empty() ? "" : "\n") + e;
  return file->errors.empty();
}

bool LoadRegFile(const std::string& path, std::vector<std::string>* warnings, std::string* error) {
  RegFile file;
  if (!ReadRegFile(path, &file, error)) return false;
  for (const std::string& w : file.warnings) warnings->push_back(Printable(w));
  ApplyRegFile(file);
  return true;
}

bool PoseMachine(const Options& options, Machine* machine, std::string* error) {
  const ReleaseEntry* release = FindRelease(options.release);
  if (!release) {
    std::string valid;
    for (const std::string& name : ReleaseOptions()) valid += " " + name;
    return *error = ArgumentError(options, options.release, "unknown release \"" + options.release + "\"; one of" + valid),
           false;
  }
  const int cp = options.codePage;
  if (cp != 1252 && cp != 932 && cp != 936 && cp != 949)
    return *error = ArgumentError(options, std::to_string(cp), "code page is 1252, 932, 936 or 949"), false;
  if (!fs::is_directory(options.packageDir))
    return *error = ArgumentError(options, options.packageDir, "package folder \"" + options.packageDir + "\" is not a folder"), false;

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

  for (const std::string& path : CopyFolder(options.packageDir, location))
    if (IsProgram(path)) machine->programs.push_back(path);
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
      return *error = ArgumentError(options, options.infDir, "--inf \"" + options.infDir + "\" is not a folder"), false;
    CopyFolder(options.infDir, sim::WindowsFolder() + "\\INF");
  }
  for (const std::string& file : options.files) {
    const size_t eq = file.find('=');
    std::string content = "stub";
    if (eq != std::string::npos && !ReadHostFile(file.substr(eq + 1), &content))
      return *error = Printable(file.substr(eq + 1)) + ":0: error: cannot be read", false;
    sim::WriteFile(file.substr(0, eq), content);
  }
  // A state left by an earlier plan is the whole registry: it takes the
  // place of the .reg files.
  if (!options.stateFile.empty() && fs::exists(options.stateFile)) {
    if (!LoadRegFile(options.stateFile, &machine->warnings, error)) return false;
    machine->warnings.push_back("registry from " + options.stateFile +
                                (options.regFiles.empty() ? "" : "; the --reg files are not applied"));
  } else {
    for (const std::string& regFile : options.regFiles)
      if (!LoadRegFile(regFile, &machine->warnings, error)) return false;
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
      return *error = ArgumentError(options, path, "--held-file \"" + path + "\" is no file on the machine"), false;
    sim::HoldFile(path, GENERIC_READ, 0);
  }
  sim::SetPendingInstallsUntil(options.pendingInstallsMs);
  if (options.waiter) sim::CreateOutsideEvent(records::kCompletionEventName, true);
  DefineDialogResources();
  return true;
}

}  // namespace plan
