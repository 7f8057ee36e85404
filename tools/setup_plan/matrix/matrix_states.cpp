#include "matrix_states.h"

#include "machine_setup.h"
#include "option_text.h"
#include "plan_text.h"
#include "reg_file.h"
#include "records/records.h"
#include "sim.h"

namespace plan {
namespace {

// When Windows finishes installing the plugged-in device's printer function.
const char kDeviceReadyMs[] = "3000";

// A REGEDIT4 string: backslashes and quotation marks escaped.
std::string RegString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += (c == '\\' || c == '"') ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

std::string RegFileText(const std::string& comment, const std::string& body) {
  return "REGEDIT4\r\n\r\n; " + comment + "\r\n" + body;
}

std::string Key(const std::string& path) { return "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n"; }

// Whether the product's keys can be written at all: Windows refuses a key
// name of more than 255 characters, and a .reg file naming one.
bool KeysFit(const PackageFacts& f) {
  for (const std::string& name : Split(f.registryPath, "\\"))
    if (name.empty() || name.size() > 255) return false;
  return f.pdiEntry.size() + sizeof records::kInstalledMarkerSuffix - 1 <= 255;
}

std::string UninstallerPath(const PackageFacts& f) { return "C:\\Program Files\\" + f.product + "\\Uninstall.exe"; }

// The device as the release's family records it before its functions are
// installed: 98 the composite device, Me its first interface, 2000 and
// later the composite device below CurrentControlSet.
std::string DeviceFile(const PackageFacts& f, const std::string& release) {
  const std::string root = ReleaseIsWin9x(release) ? records::kUsbRoot9x : records::kUsbRootNt;
  const std::string id = f.hardwareId + (release == "winme" ? "&MI_00" : "");
  return RegFileText("The device is plugged in; Windows has not installed its printer function yet.",
                     Key(root + "\\" + id) + "\r\n" + Key(root + "\\" + id + "\\PlanMatrix&0&1") +
                         "\"Class\"=\"USB\"\r\n");
}

std::string FunctionFile(const PackageFacts& f, const std::string& release) {
  const std::string root = ReleaseIsWin9x(release) ? records::kDot4Root9x : records::kDot4RootNt;
  const std::string device = root + "\\" + f.hardwareId + "&MI_00";
  return RegFileText("Windows has installed the device's printer function (its class is GUIDUNDINF).",
                     Key(device) + "\r\n" + Key(device + "\\PlanMatrix&1") + "\"Class\"=\"Printer\"\r\n\"ClassGUID\"=" +
                         RegString(f.setupClass) + "\r\n");
}

std::string InstalledFile(const PackageFacts& f) {
  return RegFileText("What the package's installer leaves: the product installed, with its uninstall entry.",
                     Key(f.registryPath) + RegString(f.pdiEntry + records::kInstalledMarkerSuffix) + "=dword:00000001\r\n" +
                         "\"InstalledLocation\"=" + RegString("C:\\Program Files\\" + f.product + "\\") + "\r\n" +
                         "\"InstalledDevices\"=" + RegString("USB," + f.pdiEntry + ",") + "\r\n\r\n" +
                         Key(records::kMakerKeyPrefix + f.pdiEntry) + "\r\n" +
                         Key(std::string(records::kUninstallKey) + "\\" + f.pdiEntry) + "\"UninstallString\"=" +
                         RegString(UninstallerPath(f)) + "\r\n");
}

std::string UninstalledFile(const PackageFacts& f) {
  return RegFileText("What the product's uninstaller removes.",
                     "[-HKEY_LOCAL_MACHINE\\" + std::string(records::kMakerKeyPrefix) + f.pdiEntry + "]\r\n" +
                         "[-HKEY_LOCAL_MACHINE\\" + std::string(records::kUninstallKey) + "\\" + f.pdiEntry +
                         "]\r\n\r\n" + Key(f.registryPath) + RegString(f.pdiEntry + records::kInstalledMarkerSuffix) +
                         "=-\r\n");
}

std::string EarlierFile() {
  return RegFileText("An earlier edition of the software left its key behind.",
                     Key(std::string(records::kEarlierEditionKeys[0]) + "\\1.0") + "\"Version\"=\"1.0\"\r\n");
}

std::string ReadInfo(const std::string& path, const char* key) {
  char value[records::kPathSize];
  GetPrivateProfileStringA(records::kInstallInfoSection, key, "", value, sizeof value, path.c_str());
  return value;
}

}  // namespace

std::vector<MatrixState> MatrixStates(const Options& options) {
  std::vector<MatrixState> states = {
      {"fresh", "a machine without the product", ""},
      {"device", "the device plugged in before the software; Windows installs its printer function at 3000 ms", ""},
      {"function", "the device plugged in, its printer function installed (class GUIDUNDINF)", ""},
      {"earlier", "an earlier edition's key (Software\\Ostrane\\Tamsk\\1.0)", ""},
      {"cancel", "the product installed; the user cancels the maintenance dialog", ""},
      {"uninstall", "the product installed; the user chooses Uninstall (its uninstaller removes the keys)", ""},
      {"add-dev", "the product installed; the user chooses Add a Device", ""},
      {"copy", "another copy of the launcher runs (it holds <PDIENTRY>Setup)", ""},
      {"removal", "a printer named after the product, removed with /a<printer>", ""},
      {"limited", "a limited user (2000 and later)", ""},
      {"no-waiter", "no program waits for the completion event", ""},
  };
  for (const std::string& machine : options.machines) {
    const size_t eq = machine.find('=');
    states.push_back({machine.substr(0, eq), "your machine: " + machine.substr(eq + 1), machine.substr(eq + 1)});
  }
  return states;
}

bool CheckMachines(const Options& options, std::string* error) {
  std::vector<std::string> names;
  for (const MatrixState& state : MatrixStates(Options())) names.push_back(state.name);
  for (const std::string& machine : options.machines) {
    const size_t eq = machine.find('=');
    const std::string name = machine.substr(0, eq);
    const auto bad = [&](const std::string& what) { return *error = ArgumentError(options, machine, what), false; };
    if (eq == std::string::npos || eq + 1 == machine.size())
      return bad("--machine needs NAME=FILE.reg, not \"" + Printable(machine) + "\"");
    if (name.empty() || name.size() > 9 || name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") != std::string::npos)
      return bad("the machine's name \"" + Printable(name) + "\" is a column of the table: give 1 to 9 of a-z, 0-9 and -");
    if (std::find(names.begin(), names.end(), name) != names.end())
      return bad("a state named \"" + name + "\" is there already: give the machine a name of its own");
    names.push_back(name);
    RegFile file;
    if (!ReadRegFile(machine.substr(eq + 1), &file, error)) return false;
  }
  return true;
}

std::vector<std::string> MatrixReleases() {
  std::vector<std::string> releases;
  std::vector<std::string> names;
  for (const std::string& option : ReleaseOptions()) {
    const std::string name = ReleaseName(option);
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;  // another name of a release
    names.push_back(name);
    releases.push_back(option);
  }
  return releases;
}

bool ReadPackageFacts(const Options& options, PackageFacts* facts, std::string* error) {
  Options o;
  o.packageDir = options.packageDir;
  o.codePage = options.codePage;
  o.location = options.location;
  Machine machine;
  if (!PoseMachine(o, &machine, error)) return false;
  const std::string info = sim::WindowsPath(o.location) + records::kInstallInfoFileName;
  facts->registryPath = ReadInfo(info, records::kRegistryPathKey);
  facts->pdiEntry = ReadInfo(info, records::kPdiEntryKey);
  facts->setupClass = ReadInfo(info, records::kGuidUndInfKey);
  facts->hardwareId = Split(ReadInfo(info, records::kVidPidKey), ",")[0];
  facts->product = Split(facts->registryPath, "\\").back();
  if (facts->product.empty()) facts->product = facts->pdiEntry.empty() ? "Product" : facts->pdiEntry;
  facts->printer = options.printers.empty() ? facts->product : options.printers[0];
  facts->hasInstaller = sim::FileExists(sim::WindowsPath(o.location) + "\\Install\\Setup.exe");
  return true;
}

CellSetup SetUpCell(const Options& options, const PackageFacts& f, const std::string& release,
                    const std::string& state, const std::string& dir) {
  CellSetup cell;
  std::vector<std::string>& a = cell.args;
  const auto file = [&](const std::string& name, const std::string& text) {
    cell.files.push_back(CellFile{name, text});
    return dir + "/" + name;
  };
  if ((state == "device" || state == "function") && f.hardwareId.empty())
    return cell.posed = false, cell.notPosed = "the package names no hardware id (VID_PID)", cell;
  const bool installed = state == "cancel" || state == "uninstall" || state == "add-dev";
  if (installed && !KeysFit(f))
    return cell.posed = false, cell.notPosed = "the product's keys cannot be written (see --check)", cell;
  a = {"--release", release};
  if (options.codePage != 1252) a.insert(a.end(), {"--codepage", std::to_string(options.codePage)});
  // Names from the package and the options are code page bytes by now: each
  // cell's options give them as raw bytes, read back exactly.
  const auto raw = RawOptionText;
  if (options.places.count("--location")) a.insert(a.end(), {"--location", raw(options.location)});
  if (options.places.count("--max-wait")) a.insert(a.end(), {"--max-wait", std::to_string(options.maxWaitMs)});
  if (state == "device" || state == "function") a.insert(a.end(), {"--reg", file("device.reg", DeviceFile(f, release))});
  if (state == "function") a.insert(a.end(), {"--reg", file("printer-function.reg", FunctionFile(f, release))});
  if (state == "device") {
    a.insert(a.end(), {"--at", kDeviceReadyMs + std::string("=") + file("printer-function.reg", FunctionFile(f, release))});
    if (ReleaseIsNt5OrLater(release)) a.insert(a.end(), {"--pending-installs", kDeviceReadyMs});
  }
  if (state == "earlier") a.insert(a.end(), {"--reg", file("earlier-edition.reg", EarlierFile())});
  if (installed) {
    a.insert(a.end(), {"--reg", file("installed.reg", InstalledFile(f)), "--program", raw(UninstallerPath(f))});
    a.insert(a.end(), {"--effect", raw(UninstallerPath(f)) + "=" + file("uninstaller-done.reg", UninstalledFile(f))});
    a.insert(a.end(), {"--choose", state == "cancel" ? "cancel" : state == "uninstall" ? "uninstall" : "add-device"});
  } else if (f.hasInstaller && KeysFit(f)) {
    a.insert(a.end(), {"--effect", std::string("Install\\Setup.exe=") + file("installer-done.reg", InstalledFile(f))});
  }
  if (state == "copy") a.insert(a.end(), {"--event", raw(f.pdiEntry + records::kInstanceEventSuffix)});
  if (state == "removal") a.insert(a.end(), {"--printer", raw(f.printer)});
  if (state == "limited") {
    if (!ReleaseIsNt5OrLater(release)) return cell.posed = false, cell.notPosed = "only 2000 and later have limited users", cell;
    a.insert(a.end(), {"--user", "limited"});
  }
  if (state == "no-waiter") a.push_back("--no-waiter");
  for (const MatrixState& own : MatrixStates(options))
    if (own.name == state && !own.regFile.empty()) a.insert(a.end(), {"--reg", own.regFile});
  a.push_back(options.packageDir);
  if (state == "removal") a.insert(a.end(), {"--", raw("/a" + f.printer.substr(0, f.printer.find('=')))});
  return cell;
}

}  // namespace plan
