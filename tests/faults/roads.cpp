#include "roads.h"

#include "app/setup_app.h"
#include "resources/resource.h"

namespace faults {

namespace {

// A package folder with a blank in its name, and decoys a careless launcher
// would start: the folder's first word as a program, and system programs'
// names planted beside the launcher.
const std::string kPkg = "C:\\Pkg Files";
const char kInfo[] = "C:\\Pkg Files\\InstallInfo.ini";
const char kProduct[] = "Software\\Ostrane\\Product";
const char kId[] = "VID_1E2F&PID_0A07";
const char kGuid[] = "{6B1F52C4-3E8A-4D07-9C55-0E2A7F9B1D36}";
const char kMarker[] = "{5C1E0A93-7B24-4F6D-9E37-2A8B64D0C51F}";
const char kPrinter[] = "Fault Printer";
const char kSys[] = "C:\\WINDOWS\\SYSTEM32";
const char kInf[] = "C:\\WINDOWS\\inf";
const char kUninstallEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ProductEntry";

void Program(const std::string& path, DWORD runsForMs = 0) {
  sim::WriteFile(path, "MZ");
  sim::DefineProgram(path, nullptr, runsForMs);
}

bool Is9x(sim::Release r) {
  return r == sim::Release::Win98 || r == sim::Release::Win98SE || r == sim::Release::WinMe;
}
bool Is98Family(sim::Release r) { return r == sim::Release::Win98 || r == sim::Release::Win98SE; }

// Everything a road may meet: the information file, the package's programs
// and libraries, the product's and another maker's INF files, the stale
// libraries, the spooler with the product's queue, the Plug and Play
// manager, the maintenance dialog's resources and the uninstall entry.
void PreparePackage(sim::Release release) {
  sim::PoseAs(release);
  sim::SetModulePath(kPkg + "\\Setup.exe");
  AfxInitApplicationContext();
  sim::CreateOutsideEvent(kDone, true);
  sim::WriteFile(kInfo, std::string("[INSTALL_INFO]\r\nRegistryPath=") + kProduct + "\r\nPDIENTRY=Pdi\r\nVID_PID=" +
                            kId + "\r\nGUIDUNDINF=" + kGuid + "\r\n[UNINSTALL]\r\nINFSGUID=" + kMarker + "\r\n");
  for (const char* name : {"\\Util\\CloseDlg.exe", "\\Util\\OemAdv07.exe", "\\Util\\OemHlt07.exe", "\\Cleanup.exe"})
    Program(kPkg + name);
  Program(kPkg + "\\Install\\Setup.exe", 60000);
  for (const char* decoy : {"C:\\Pkg.exe", "C:\\Pkg Files\\net.exe", "C:\\Pkg Files\\MsiExec.exe"}) Program(decoy);
  sim::WriteFile(kPkg + "\\msvcp60.dll", "MZ");
  sim::WriteFile(kPkg + "\\mfc42.dll", "MZ");
  sim::WriteFile(std::string(kSys) + "\\msvcp60.dll", "MZ");  // read for its version, then replaced
  sim::WriteFile(std::string(kSys) + "\\msiexec.exe", "MZ");
  sim::WriteFile(std::string(kSys) + "\\Oemk3207.dll", "MZ");
  sim::WriteFile(std::string(kSys) + "\\Oemrgx07.dll", "MZ");
  sim::WriteFile(std::string(kSys) + "\\kernel32.dll", "MZ");
  sim::WriteFile(std::string(kInf) + "\\layout.inf", "[SourceDisksFiles]\r\n");
  const std::string ours = std::string("[Version]\r\n; ") + kMarker + "\r\n";
  for (const char* name : {"\\oem3", "\\OTHER\\oem4"}) {
    sim::WriteFile(kInf + std::string(name) + ".inf", ours);
    sim::WriteFile(kInf + std::string(name) + ".pnf", "PNF");
  }
  sim::WriteFile(std::string(kInf) + "\\oem5.inf", "[Version]\r\n; {11111111-2222-3333-4444-555555555555}\r\n");
  sim::WriteFile(std::string(kInf) + "\\oem5.pnf", "PNF");
  sim::InstallConfigManager();
  sim::InstallWinspool();
  sim::InstallNetCommand(300);
  sim::AddPrinterDriver("Fault Driver");
  sim::AddPrinter(kPrinter, "Fault Driver");
  sim::DefineString(IDS_ALREADY_INSTALLED, "Software Has Already Been Successfully Installed");
  sim::DefineString(IDS_CHOOSE_OPTION, "Choose one of the following.");
  sim::DefineIcon(IDR_MAINFRAME);
  sim::DialogLayout layout;
  layout.controls = {{IDOK, "BUTTON", 0x50010000, "&Next >"},
                     {IDCANCEL, "BUTTON", 0x50010001, "Cancel"},
                     {IDC_RADIO_UNINSTALL, "BUTTON", 0x50032409, "Uninstall"},
                     {IDC_RADIO_ADD_DEVICE, "BUTTON", 0x50012409, "Add a Device"}};
  sim::DefineDialogLayout("#102", layout);
  Program(std::string(kSys) + "\\MsiExec.exe");
  sim::SetString(kProduct, "InstalledDevices", "Printer,ProductEntry");
  sim::SetString(kUninstallEntry, "UninstallString", "MsiExec.exe /X{11111111-2222-3333-4444-555555555555}");
}

void MarkInstalled() {
  sim::SetString(kProduct, "PdiKEY", "1");
  sim::CreateKey("Software\\Corvale\\Pdi");
}

// The device plugged in before the software; with the printer function
// installed by Windows, or without it: then its other two interfaces settle
// after 10 s (the 98 family polls until then) and the clean-up tool runs.
void PlugDevice(sim::Release release, bool printerFunction) {
  const std::string usb = Is9x(release) ? "Enum\\USB" : "SYSTEM\\CurrentControlSet\\Enum\\USB";
  const std::string dot4 = Is9x(release) ? "Enum\\DOT4PRT" : "SYSTEM\\CurrentControlSet\\Enum\\DOT4PRT";
  sim::SetString(usb + "\\" + kId + "&MI_00\\0000", "Class", "Image");
  if (printerFunction) {
    sim::SetString(dot4 + "\\ARVEN_PRINTER\\0000", "ClassGUID", kGuid);
    return;
  }
  sim::At(10000, [usb] {
    for (const char* n : {"&MI_01\\0000", "&MI_02\\0000"}) {
      sim::SetString(usb + "\\" + kId + n, "Class", "Image");
      sim::SetString(usb + "\\" + kId + n, "ClassGUID", "{00000000-0000-0000-0000-000000000000}");
    }
  });
  sim::SetPendingInstallsUntil(10000);
}

std::set<std::string> InstallPrograms(sim::Release release, bool removal) {
  std::set<std::string> programs = {kPkg + "\\Util\\CloseDlg.exe", kPkg + "\\Install\\Setup.exe",
                                    kPkg + "\\Cleanup.exe"};
  if (Is98Family(release) && !removal) programs.insert(kPkg + "\\Util\\OemAdv07.exe");
  return programs;
}

std::set<std::string> InstallDeletes(sim::Release release) {
  std::set<std::string> files;
  if (Is98Family(release))
    files = {std::string(kInf) + "\\oem3.inf", std::string(kInf) + "\\oem3.pnf", std::string(kInf) + "\\OTHER\\oem4.inf",
             std::string(kInf) + "\\OTHER\\oem4.pnf"};
  if (Is9x(release)) {
    files.insert(std::string(kSys) + "\\Oemk3207.dll");
    files.insert(std::string(kSys) + "\\Oemrgx07.dll");
  }
  return files;
}

bool Started(const std::string& program) {
  for (const sim::ProcessStart& s : sim::ProcessStarts())
    if (s.started && Folded(s.applicationName) == Folded(program)) return true;
  return false;
}
bool Installed() { return Started(kPkg + "\\Install\\Setup.exe"); }
bool Quiet() { return sim::ProcessStarts().empty() && sim::MessageBoxes().empty() && sim::Dialogs().empty(); }

const char* ReleaseName(sim::Release r) {
  switch (r) {
    case sim::Release::Win98: return "win98";
    case sim::Release::Win98SE: return "win98se";
    case sim::Release::WinMe: return "winme";
    case sim::Release::Win2000: return "win2k";
    case sim::Release::WinXP: return "winxp";
    case sim::Release::Win95: return "win95";
    case sim::Release::NT4: return "nt4";
    default: return "other";
  }
}

// The maintenance dialog as a user meets it: the header painted, Uninstall
// chosen, then Cancel or Next.
std::function<void()> InstalledRoad(bool next) {
  return [next] {
    PreparePackage(sim::Release::WinXP);
    MarkInstalled();
    sim::DefineDialog("#102", [next](HWND d) {
      SendMessageA(d, WM_PAINT, 0, 0);
      sim::Click(d, IDC_RADIO_UNINSTALL);
      if (!next || !sim::Click(d, IDOK)) sim::PressEscape(d);
    });
  };
}

}  // namespace

std::vector<Road> AllRoads() {
  const sim::Release xp = sim::Release::WinXP;
  std::vector<Road> roads;
  // A failed instance guard never counts as another copy: the installation
  // runs instead.
  roads.push_back({"another-copy", [xp] {
                     PreparePackage(xp);
                     sim::CreateOutsideEvent(kInstanceEvent, false);
                   }, "", InstallPrograms(xp, false), {}, Quiet});
  roads.push_back({"earlier-edition", [xp] {
                     PreparePackage(xp);
                     sim::CreateKey("Software\\Ostrane\\Varnesse\\Old");
                   }, "", InstallPrograms(xp, false), {}, [] { return sim::MessageBoxes().size() == 1 && !Installed(); }});
  std::set<std::string> cancelPrograms = InstallPrograms(xp, false);
  roads.push_back({"installed-cancel", InstalledRoad(false), "", cancelPrograms, {},
                   [] { return sim::Dialogs().size() == 1 && sim::ProcessStarts().empty(); }});
  std::set<std::string> uninstallPrograms = cancelPrograms;
  uninstallPrograms.insert(std::string(kSys) + "\\MsiExec.exe");
  roads.push_back({"installed-uninstall", InstalledRoad(true), "", uninstallPrograms, {},
                   [] { return sim::Dialogs().size() == 1 && Started(std::string(kSys) + "\\MsiExec.exe"); }});
  for (sim::Release r : {sim::Release::Win95, sim::Release::NT4})
    roads.push_back({std::string("unsupported-") + ReleaseName(r), [r] { PreparePackage(r); }, "", {}, {}, Quiet});
  for (sim::Release r : {sim::Release::Win98, sim::Release::Win98SE, sim::Release::WinMe, sim::Release::Win2000,
                         sim::Release::WinXP}) {
    roads.push_back({std::string("fresh-") + ReleaseName(r), [r] { PreparePackage(r); }, "", InstallPrograms(r, false),
                     InstallDeletes(r), [] { return Installed() && !Started(kPkg + "\\Cleanup.exe"); }});
    roads.push_back({std::string("device-") + ReleaseName(r), [r] {
                       PreparePackage(r);
                       PlugDevice(r, true);
                     }, "", InstallPrograms(r, false), InstallDeletes(r), [] {
                       return Installed() && sim::GetValue(kProduct, "InstallMode") == std::string("Hardware", 9);
                     }});
  }
  // Windows' own installation did not reach the printer function: the
  // settling wait runs its whole window and the clean-up tool runs.
  for (sim::Release r : {sim::Release::Win98SE, sim::Release::WinXP})
    roads.push_back({std::string("device-noprinter-") + ReleaseName(r), [r] {
                       PreparePackage(r);
                       PlugDevice(r, false);
                     }, "", InstallPrograms(r, false), InstallDeletes(r), [] {
                       return Installed() && Started(kPkg + "\\Cleanup.exe") && sim::Now() >= 10000;
                     }});
  for (sim::Release r : {sim::Release::Win98SE, sim::Release::Win2000, sim::Release::WinXP}) {
    std::set<std::string> programs = InstallPrograms(r, true);
    if (Is9x(r)) programs.insert(kPkg + "\\Util\\OemHlt07.exe");
    else programs.insert(std::string(kSys) + "\\net.exe");
    std::set<std::string> deletes = InstallDeletes(r);
    for (const char* name : {"\\oem3.inf", "\\oem3.pnf", "\\OTHER\\oem4.inf", "\\OTHER\\oem4.pnf"})
      deletes.insert(kInf + std::string(name));
    roads.push_back({std::string("removal-") + ReleaseName(r), [r] {
                       PreparePackage(r);
                       HWND queue = sim::OpenWindow(std::string(kPrinter) + " - Queue");
                       // On 2000 the queue's window is hung and "net stop" never ends.
                       if (r == sim::Release::Win2000) sim::WindowAnswersAfter(queue, INFINITE);
                       if (r == sim::Release::Win2000) sim::InstallNetCommand(300, INFINITE);
                     }, std::string("/a") + kPrinter, programs, deletes, [] {
                       return !sim::PrinterExists(kPrinter) && !sim::FileExists(std::string(kInf) + "\\oem3.inf") &&
                              sim::FileExists(std::string(kInf) + "\\oem5.inf") && Installed();
                     }});
  }
  for (Road& road : roads) {
    std::set<std::string> folded;
    for (const std::string& p : road.programs) folded.insert(Folded(p));
    road.programs = folded;
    folded.clear();
    for (const std::string& p : road.deletable) folded.insert(Folded(p));
    road.deletable = folded;
  }
  return roads;
}

std::string Folded(const std::string& path) {
  std::string out = path;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace faults
