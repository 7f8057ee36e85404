#include "fuzz_machine.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

#include "app/setup_app.h"
#include "dialog/setup_dlg.h"
#include "records/records.h"

namespace fuzz {

namespace {

const char kWindows[] = "C:\\WINDOWS";
const char kSystem[] = "C:\\WINDOWS\\SYSTEM32";
const char kCurrent[] = "C:\\Work Files";
// The package's programs that the roads start, below its folder.
const char* const kPackagePrograms[] = {"\\Util\\OemHlt07.exe", "\\Util\\OemAdv07.exe", "\\Util\\CloseDlg.exe",
                                        "\\Install\\Setup.exe", "\\Cleanup.exe"};

// Files present before the run, with their contents.
std::map<std::string, std::string> g_filesBefore;
// The INF marker the information file names, upper-cased; empty when it
// holds other bytes than ASCII (their case folding is the code page's).
std::string g_marker;

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = sim::Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CollectFiles(const std::string& folder, std::map<std::string, std::string>& files) {
  for (const std::string& name : sim::FolderEntries(folder)) {
    const std::string path = folder + "\\" + name;
    if (IsDirectory(path)) {
      CollectFiles(path, files);
    } else {
      files[Upper(path)] = sim::ReadFile(path);
    }
  }
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The marker as the text of a file may hold it: its ASCII letters in either
// case, as bytes or as UTF-16 code units. Only a file that holds it so can be
// the product's.
bool HoldsMarker(const std::string& content, const std::string& marker) {
  const std::string upper = Upper(content);
  if (upper.find(marker) != std::string::npos) return true;
  std::string wide;
  for (char c : marker) wide += std::string(1, c) + '\0';
  return upper.find(wide) != std::string::npos;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// Whether deleting `path` (upper-cased) is what the purge or the fix-ups may do.
bool MayBeDeleted(const std::string& path, const std::map<std::string, std::string>& after) {
  const std::string folder = FolderOf(path);
  if (path == Upper(std::string(kSystem) + "\\Oemk3207.dll") || path == Upper(std::string(kSystem) + "\\Oemrgx07.dll"))
    return true;
  const std::string infFolder = Upper(std::string(kWindows) + "\\inf");
  if (folder != infFolder && folder != infFolder + "\\OTHER") return false;
  if (EndsWith(path, ".INF")) return g_marker.empty() || HoldsMarker(g_filesBefore.at(path), g_marker);
  // A companion goes only with its INF file.
  if (EndsWith(path, ".PNF")) {
    const std::string inf = path.substr(0, path.size() - 4) + ".INF";
    return g_filesBefore.count(inf) && !after.count(inf);
  }
  return false;
}

bool Contains(const std::string& text, const std::string& part) { return Upper(text).find(Upper(part)) != std::string::npos; }

// Whether the command names `program` (upper-cased full path) by its path,
// quoted or not: whole, or without ".EXE" and followed by a blank, a
// quotation mark or the end, as "C:\Tools\Remove /x" names
// C:\Tools\Remove.exe. A shorter program never stands in for a path that goes
// on into an existing folder: "C:\Program" in "C:\Program Files\gone.exe",
// but "C:\Tools\Remove /x" is no path into a folder C:\Tools\Remove.
bool NamesProgram(const std::string& command, const std::string& program) {
  std::string text = Upper(command);
  if (!text.empty() && text[0] == '"') text.erase(0, 1);
  if (text.compare(0, program.size(), program) == 0) return true;
  if (!EndsWith(program, ".EXE")) return false;
  const std::string stem = program.substr(0, program.size() - 4);
  if (text.compare(0, stem.size(), stem) != 0) return false;
  if (text.size() == stem.size() || text[stem.size()] == '"') return true;
  if (text[stem.size()] != ' ' && text[stem.size()] != '\t') return false;
  for (size_t at = stem.size() + 1; at <= text.size(); ++at) {
    const bool wordEnds = at == text.size() || text[at] == '\\' || text[at] == '/' || text[at] == ' ' || text[at] == '\t';
    // Windows drops trailing blanks and dots: only more text goes on.
    const bool goesOn = text.find_last_not_of(" \t.", at - 1) > stem.size();
    if (wordEnds && goesOn && IsDirectory(text.substr(0, at))) return false;
  }
  return true;
}

}  // namespace

uint8_t FuzzInput::Byte() {
  if (!size_) return 0;
  --size_;
  return *data_++;
}

std::string FuzzInput::Field() {
  size_t length = Byte();
  length |= static_cast<size_t>(Byte()) << 8;
  if (length > size_) length = size_;
  std::string field(reinterpret_cast<const char*>(data_), length);
  data_ += length;
  size_ -= length;
  return field;
}

std::string FuzzInput::Rest() {
  std::string rest(reinterpret_cast<const char*>(data_), size_);
  data_ += size_;
  size_ = 0;
  return rest;
}

Scene ChooseScene(uint8_t selector) {
  static const int kCodePages[] = {1252, 932, 936, 949, 1250, 1251};
  static const sim::Release kReleases[] = {sim::Release::Win98SE, sim::Release::WinXP, sim::Release::WinMe,
                                           sim::Release::Win2000, sim::Release::Win98, sim::Release::Win95};
  return Scene{kCodePages[selector % 6], kReleases[(selector / 6) % 6]};
}

const char* ReleaseName(sim::Release release) {
  switch (release) {
    case sim::Release::Win98SE: return "win98se";
    case sim::Release::WinXP: return "winxp";
    case sim::Release::WinMe: return "winme";
    case sim::Release::Win2000: return "win2k";
    case sim::Release::Win98: return "win98fe";
    default: return "win95";
  }
}

void PrepareMachine(const Scene& scene) {
  sim::Reset();
  sim::PoseAs(scene.release);
  sim::SetAnsiCodePage(scene.codePage);
  sim::CreateOutsideEvent(records::kCompletionEventName, true);
  for (const char* program : kPackagePrograms) {
    const std::string path = std::string(kPackage) + program;
    sim::WriteFile(path, "MZ");
    sim::DefineProgram(path);
  }
  sim::InstallWinspool();
  sim::AddPrinterDriver("Fuzz Driver");
  sim::AddPrinter(kPrinter, "Fuzz Driver");
  sim::InstallNetCommand();
  sim::InstallConfigManager();
  sim::WriteFile(std::string(kSystem) + "\\MsiExec.exe", "MZ");
  sim::DefineProgram(std::string(kSystem) + "\\MsiExec.exe");

  // Decoys: none of these may ever be run or loaded. C:\Program.exe is
  // named by an unquoted "C:\Program Files\..." that every release has.
  sim::CreateFolder("C:\\Program Files");
  sim::CreateFolder(kCurrent);
  sim::SetCurrentFolder(kCurrent);
  for (const std::string& decoy : {std::string("C:\\Program.exe"), std::string(kPackage) + "\\MsiExec.exe",
                                   std::string(kPackage) + "\\net.exe", std::string(kCurrent) + "\\MsiExec.exe",
                                   std::string(kCurrent) + "\\net.exe"}) {
    sim::WriteFile(decoy, "MZ");
    sim::DefineProgram(decoy);
  }
  sim::DefineLibrary(std::string(kPackage) + "\\cfgmgr32.dll", {});
  // Other programs' INF files and their companions.
  sim::WriteFile(std::string(kWindows) + "\\inf\\oem1.inf", "[Version]\r\nClass=Net\r\n");
  sim::WriteFile(std::string(kWindows) + "\\inf\\oem1.pnf", "PNF");
  sim::WriteFile(std::string(kWindows) + "\\inf\\usb.inf", "[Version]\r\n; {5C1E0A93-7B24-4F6D-9E37}\r\n");

  sim::DefineDialogLayout("#102", sim::DialogLayout{
                                      {{IDOK, "BUTTON", 0x50010000, "&Next >"},
                                       {IDCANCEL, "BUTTON", 0x50010001, "Cancel"},
                                       {IDC_RADIO_UNINSTALL, "BUTTON", 0x50032409, "Uninstall"},
                                       {IDC_RADIO_ADD_DEVICE, "BUTTON", 0x50012409, "Add a Device"}}});
  sim::DefineDialog("#102", [](HWND dialog) {
    sim::Click(dialog, IDC_RADIO_UNINSTALL);
    sim::Click(dialog, IDOK);
  });
}

void WriteInstallInfo(const std::string& extra) {
  sim::WriteFile(kInstallInfo, std::string("[INSTALL_INFO]\r\nRegistryPath=") + kProductKey + "\r\nPDIENTRY=" +
                                   kPdiEntry + "\r\n" + extra);
}

void MarkInstalled() {
  sim::SetString(kProductKey, std::string(kPdiEntry) + "KEY", "1");
  sim::CreateKey(std::string("Software\\Corvale\\") + kPdiEntry);
}

void RunLauncher(const std::string& commandLine) {
  g_filesBefore.clear();
  CollectFiles("C:", g_filesBefore);
  char marker[records::kShortSize];
  GetPrivateProfileStringA(records::kUninstallSection, records::kInfsGuidKey, records::kInfsGuidDefault, marker,
                           sizeof marker, kInstallInfo);
  g_marker = Upper(marker);
  for (char c : g_marker)
    if (static_cast<unsigned char>(c) >= 0x80) g_marker.clear();
  AfxInitApplicationContext();
  sim::StopAtMultibyteWalkPastText(true);
  theApp.RunSetup(commandLine.c_str());
}

void Require(bool condition, const std::string& what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what.c_str());
  std::abort();
}

void CheckInvariants(const std::string& uninstallCommand) {
  Require(sim::EventSetCount(records::kCompletionEventName) == 1,
          "completion event set " + std::to_string(sim::EventSetCount(records::kCompletionEventName)) + " times");
  const std::pair<sim::HandleKind, const char*> kinds[] = {
      {sim::HandleKind::Key, "key"},         {sim::HandleKind::File, "file"},   {sim::HandleKind::Find, "find"},
      {sim::HandleKind::Process, "process"}, {sim::HandleKind::Thread, "thread"}, {sim::HandleKind::Module, "module"},
      {sim::HandleKind::Printer, "printer"}};
  for (const auto& kind : kinds)
    Require(sim::OpenHandles(kind.first) == 0, std::string(kind.second) + " handle left open");
  // The instance event is the one handle that lives until the process ends.
  Require(sim::OpenHandles(sim::HandleKind::Event) <= 1, "event handle left open");
  Require(sim::LocalBlocks() == 0, "heap block not released");

  std::map<std::string, std::string> after;
  CollectFiles("C:", after);
  for (const auto& file : g_filesBefore)
    if (!after.count(file.first)) Require(MayBeDeleted(file.first, after), "deleted " + file.first);

  std::set<std::string> named = {Upper(std::string(kSystem) + "\\net.exe")};
  for (const char* program : kPackagePrograms) named.insert(Upper(std::string(kPackage) + program));
  for (const sim::ProcessStart& start : sim::ProcessStarts()) {
    Require(!start.applicationNameNull, "program started by a search: " + start.commandLine);
    const std::string program = Upper(start.applicationName);
    if (named.count(program)) continue;
    // The uninstall command's program: a full path it names, or a bare name
    // found in the system or Windows folder, never the launcher's or the
    // current folder.
    const bool inSystem = FolderOf(program) == Upper(kSystem) || FolderOf(program) == Upper(kWindows);
    const bool namedFully = NamesProgram(uninstallCommand, program);
    const std::string base = program.substr(program.rfind('\\') + 1);
    Require((inSystem && Contains(uninstallCommand, base.substr(0, base.size() - 4))) || namedFully,
            "started " + start.applicationName + " for " + uninstallCommand);
  }
  // Nothing but the system folder's libraries is loaded.
  for (const sim::Call& call : sim::Calls())
    if (call.function == "LoadLibraryA" || call.function == "LoadLibraryExA")
      Require(FolderOf(Upper(call.detail)) == Upper(kSystem), "loaded " + call.detail);
}

}  // namespace fuzz
