// Settling one call: what it changed, compared with the state before it.
#include <cstdio>
#include <cstdlib>

#include <cstring>

#include "call_text.h"
#include "plan_text.h"
#include "recorder.h"
#include "removal/file_version.h"

namespace plan {
namespace {

const DWORD kRegQword = 11;

const char* TypeName(DWORD type) {
  static const char* const kNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                       "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST",
                                       "REG_FULL_RESOURCE_DESCRIPTOR", "REG_RESOURCE_REQUIREMENTS_LIST",
                                       "REG_QWORD"};
  return type < sizeof kNames / sizeof kNames[0] ? kNames[type] : nullptr;
}

// A text between quotation marks; one inside it is written \" so that the
// text's end cannot be misread.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\\\"") : std::string(1, c);
  return out + "\"";
}

// A registry value as people read it: text quoted, numbers as numbers, the
// type named.
std::string ShowValue(DWORD type, const std::string& data) {
  const char* name = TypeName(type);
  const std::string named = name ? std::string(" (") + name + ")" : " (type " + std::to_string(type) + ")";
  if (type == REG_SZ || type == REG_EXPAND_SZ) return Quoted(data.substr(0, data.find('\0'))) + named;
  const size_t width = type == REG_DWORD ? 4 : type == kRegQword ? 8 : 0;
  if (width && data.size() == width) {
    unsigned long long v = 0;
    for (size_t i = width; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[i]);
    return std::to_string(v) + named;
  }
  std::string hex;
  char byte[4];
  for (unsigned char c : data) {
    snprintf(byte, sizeof byte, "%02x", c);
    hex += (hex.empty() ? "" : ",") + std::string(byte);
  }
  return "bytes " + (hex.empty() ? std::string("(none)") : hex) + named;
}

// A registry value for tools: {"type": "REG_SZ", "data": "text"}; a number
// for REG_DWORD, hex bytes ("01,02") for the rest.
std::string JsonValue(DWORD type, const std::string& data) {
  const char* name = TypeName(type);
  const std::string typeText = name ? JsonString(name) : std::to_string(type);
  std::string shown;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    shown = JsonString(data.substr(0, data.find('\0')));
  } else if ((type == REG_DWORD && data.size() == 4) || (type == kRegQword && data.size() == 8)) {
    unsigned long long v = 0;
    for (size_t i = data.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[i]);
    shown = std::to_string(v);
  } else {
    std::string hex;
    char byte[4];
    for (unsigned char c : data) {
      snprintf(byte, sizeof byte, "%02x", c);
      hex += (hex.empty() ? "" : ",") + std::string(byte);
    }
    shown = JsonString(hex);
  }
  return "{\"type\": " + typeText + ", \"data\": " + shown + "}";
}

std::string ShowMessage(UINT message, WPARAM wParam) {
  if (message == WM_COMMAND && wParam == IDOK) return "WM_COMMAND IDOK";
  if (message == WM_COMMAND && wParam == IDCANCEL) return "WM_COMMAND IDCANCEL";
  if (message == WM_COMMAND) return "WM_COMMAND " + std::to_string(wParam);
  return "message " + std::to_string(message) + " wParam " + std::to_string(wParam);
}

ImageRead ReadBytes(void* source, DWORD offset, void* buffer, DWORD size) {
  const std::string& bytes = *static_cast<const std::string*>(source);
  if (offset > bytes.size() || size > bytes.size() - offset) return kImagePastEnd;
  memcpy(buffer, bytes.data() + offset, size);
  return kImageRead;
}

// The file version of `bytes` as the launcher reads it ("6.0.8972.0"); ""
// when it has none.
std::string VersionOf(std::string bytes) {
  FileVersion v;
  if (FindImageVersion(ReadBytes, &bytes, &v) != kVersionFound) return "";
  return std::to_string(v.ms >> 16) + "." + std::to_string(v.ms & 0xFFFF) + "." + std::to_string(v.ls >> 16) + "." +
         std::to_string(v.ls & 0xFFFF);
}

}  // namespace

// Why the ANSI file calls refuse `path`.
std::string TooLongText(const std::string& path) {
  return path.substr(path.rfind('\\') + 1) + "'s path is " + std::to_string(sim::AnsiPathCharacters(path)) +
         " characters, and the ANSI file calls take at most " + std::to_string(MAX_PATH - 1);
}

void Recorder::SettleProcessStart() {
  const sim::ProcessStart& start = sim::ProcessStarts().back();
  const std::string show = ShowStateText(start.startupFlags, start.showWindow);
  std::string text = "starts " + start.commandLine + " (" +
                     (start.applicationNameNull ? "no program named, found by search: " : "program ") +
                     start.applicationName + ", " + show;
  if (start.creationFlags == CREATE_SUSPENDED) {
    text += ", suspended until it is in a job of its own (CREATE_SUSPENDED)";
  } else if (start.creationFlags) {
    text += ", creation flags " + Hex(start.creationFlags);
  }
  if (start.inheritHandles) text += ", handles inherited";
  if (start.startupFlags & ~static_cast<DWORD>(STARTF_USESHOWWINDOW)) text += ", startup flags " + Hex(start.startupFlags);
  if (start.startupInfoSize != sizeof(STARTUPINFOA)) text += ", start record of " + std::to_string(start.startupInfoSize) + " bytes";
  text += ")";
  if (!start.started && GetLastError() == ERROR_FILENAME_EXCED_RANGE)
    text += " [refused, ERROR_FILENAME_EXCED_RANGE: " + TooLongText(start.applicationName) + "; nothing starts]";
  else if (!start.started) text += " [no such program: nothing starts]";
  if (Upper(start.applicationName) == Upper(folder_ + "\\Install\\Setup.exe")) signs_.handoff = true;
  lookups_.push_back(Lookup{"CreateProcessA", start.applicationName, "", start.started});
  AddAt(call_.time, "program-started", text,
        {JText("commandLine", start.commandLine), JText("program", start.applicationName),
         JBool("programNamed", !start.applicationNameNull), JBool("started", start.started), JText("show", show),
         JNumber("startupFlags", start.startupFlags), JNumber("showWindow", start.showWindow),
         JNumber("creationFlags", start.creationFlags), JBool("inheritHandles", start.inheritHandles != 0)});
  startOf_[Upper(start.applicationName)] = effects_.size() - 1;
  if (start.started && !start.applicationNameNull) {
    const std::string searched = sim::ResolveCommandLine(start.commandLine);
    if (Upper(searched) != Upper(start.applicationName) && sim::FileExists(searched))
      Departs("the classic launcher names no program, and Windows would start " + searched);
  }
}

void Recorder::SettleFile() {
  const std::string& f = call_.function;
  if (f == "DeleteFileA") {
    const bool gone = !sim::FileExists(call_.detail);
    const DWORD error = GetLastError();
    std::string why = "the file stays (error " + std::to_string(error) + ")";
    std::string result = "failed";
    if (error == ERROR_SHARING_VIOLATION) why = "another program has it open; the file stays", result = "held";
    if (error == ERROR_ACCESS_DENIED) {
      why = sim::LimitedUser() ? "refused, a limited user may not delete it" : "refused (ERROR_ACCESS_DENIED); the file stays";
      result = "refused";
    }
    if (existedBefore_ && gone) Add("file-deleted", "deletes " + call_.detail, {JText("path", call_.detail), JBool("existed", true), JText("result", "deleted")});
    else if (!existedBefore_) Add("file-not-deleted", "deletes " + call_.detail + ": not there, nothing to delete", {JText("path", call_.detail), JBool("existed", false), JText("result", "missing")});
    else Add("file-not-deleted", "cannot delete " + call_.detail + ": " + why, {JText("path", call_.detail), JBool("existed", true), JText("result", result)});
    return;
  }
  if (f == "WritePrivateProfileStringA") {
    const std::string path = Split(call_.detail, " [")[0];
    const std::string entry = call_.detail.substr(path.size() + 1);
    if (sim::FileExists(path) && sim::ReadFile(path) != contentBefore_)
      Add("file-patched", "patches " + path + ": " + entry, {JText("path", path), JText("entry", entry)});
    return;
  }
  const std::vector<std::string> ends = Split(call_.detail, " -> ");
  const std::string& from = ends[0];
  const std::string& to = ends.back();
  if (!sim::FileExists(from) && !sim::TooLongForAnsiPath(from)) {
    Add("file-not-copied", "cannot copy " + from + ": the package lacks it",
        {JText("from", from), JText("to", to), JText("result", "source missing")});
  } else if (sim::FileExists(to) && sim::ReadFile(to) == sim::ReadFile(from)) {
    const std::string before = existedBefore_ ? VersionOf(contentBefore_) : "";
    const std::string after = VersionOf(sim::ReadFile(to));
    std::string replacing = existedBefore_ ? "; it replaces the file there" : "";
    if (!before.empty()) replacing = "; it replaces " + before + " with the package's " + after;
    const bool failIfExists = !sim::FileCopies().empty() && sim::FileCopies().back().failIfExists;
    Add("file-copied",
        "copies " + from + " to " + to + " (" + (failIfExists ? "only where none is" : "over any file there") +
            replacing + ")",
        {JText("from", from), JText("to", to), JBool("replaced", existedBefore_), JBool("failIfExists", failIfExists),
         JText("result", "copied")});
  } else {
    const bool refused = GetLastError() == ERROR_ACCESS_DENIED && sim::LimitedUser();
    const bool tooLong = GetLastError() == ERROR_FILENAME_EXCED_RANGE;
    const std::string why = refused   ? "refused, a limited user may not write there"
                            : tooLong ? "refused, ERROR_FILENAME_EXCED_RANGE: " +
                                            TooLongText(sim::TooLongForAnsiPath(from) ? from : to)
                                      : "the copy failed and left what was there";
    Add("file-not-copied", "cannot copy " + from + " to " + to + ": " + why,
        {JText("from", from), JText("to", to), JText("result", refused || tooLong ? "refused" : "failed")});
  }
}

// A runtime library of the system folder that the launcher left in place,
// and why, as far as the files tell.
void Recorder::SettleKept() {
  if (versionChecked_.empty()) return;
  const std::string path = versionChecked_;
  versionChecked_.clear();
  const std::string present = sim::FileExists(path) ? VersionOf(sim::ReadFile(path)) : "";
  const bool offered = sim::FileExists(versionOffered_);
  const std::string package = offered ? VersionOf(sim::ReadFile(versionOffered_)) : "";
  std::string why = "its version cannot be read";
  if (!present.empty() && !package.empty()) why = present + " is not older than the package's " + package;
  else if (!present.empty()) why = present + (offered ? ", and the package's copy has no version" : ", and the package has none");
  Add("file-kept", "keeps " + path + ": " + why,
      {JText("path", path), JText("version", present), JText("packageVersion", package)});
  if (offered) Departs("the classic launcher copies the package's over it");
}

// Why a key cannot be opened or created when one of its names is too long.
static std::string OverlongNameReason(const std::string& path) {
  return sim::HasOverlongKeyName(path) ? ": refused (ERROR_INVALID_PARAMETER), a key name holds at most 255 characters"
                                       : "";
}

void Recorder::SettleRegistry() {
  if (call_.function == "RegCreateKeyExA") {
    const bool asked = sim::KeyOpenCount() > keyOpensBefore_;
    const REGSAM access = asked ? sim::KeyOpens().back().access : 0;
    const bool refused = asked && sim::KeyOpens().back().refused;
    const bool created = !existedBefore_ && sim::KeyExists(call_.detail);
    const std::string how = "with " + KeyAccessText(access);
    std::string text = "creates the key " + call_.detail + " " + how;
    if (refused) text = "is refused the key " + call_.detail + " " + how + " (RegCreateKeyExA): a limited user may not write there";
    else if (!created && sim::KeyExists(call_.detail)) text = "opens the existing key " + call_.detail + " " + how + " (RegCreateKeyExA)";
    else if (!created) text = "cannot create the key " + call_.detail + " " + how + OverlongNameReason(call_.detail);
    Add(refused ? "key-refused" : created ? "key-created" : "key-opened", text,
        {JText("key", call_.detail), JText("call", call_.function), JText("access", KeyAccessText(access)),
         JNumber("accessMask", access), JBool("created", created), JBool("refused", refused)});
    return;
  }
  const std::vector<std::string> parts = Split(call_.detail, " : ");
  const std::string& key = parts[0];
  const std::string name = call_.detail.substr(key.size() + 3 <= call_.detail.size() ? key.size() + 3 : 0);
  if (!sim::ValueExists(key, name)) {
    Add("registry-not-set", "cannot set " + key + " : " + name, {JText("key", key), JText("name", name)});
    return;
  }
  const DWORD type = sim::GetValueType(key, name);
  const std::string shown = ShowValue(type, sim::GetValue(key, name));
  Add("registry-set", "sets " + key + " : " + name + " = " + shown,
      {JText("key", key), JText("name", name), {"value", JsonValue(type, sim::GetValue(key, name))}});
}

// RegOpenKeyExA: the key, the access asked for, and whether it opened.
void Recorder::SettleKeyOpen() {
  const bool asked = sim::KeyOpenCount() > keyOpensBefore_;
  const REGSAM access = asked ? sim::KeyOpens().back().access : 0;
  const bool refused = asked && sim::KeyOpens().back().refused;
  const bool found = asked && !refused && sim::KeyExists(call_.detail);
  if (access == KEY_READ && DeviceScan::IsDeviceKey(call_.detail)) {
    StartScanRead(true);
    return scan_.KeyOpened(call_.detail, found);
  }
  lookups_.push_back(Lookup{call_.function, call_.detail, "", found});
  std::string outcome = found ? "" : ": missing";
  if (refused) outcome = ": refused, a limited user may not write there";
  if (!found && !refused && !OverlongNameReason(call_.detail).empty()) outcome = OverlongNameReason(call_.detail);
  Add("key-opened", "opens the key " + call_.detail + " with " + KeyAccessText(access) + outcome,
      {JText("key", call_.detail), JText("call", call_.function), JText("access", KeyAccessText(access)),
       JNumber("accessMask", access), JBool("found", found), JBool("refused", refused)});
}

// RegQueryValueExA and RegEnumKeyExA: what was read, or that nothing was there.
void Recorder::SettleValueRead() {
  if (call_.function == "RegEnumKeyExA") {
    const size_t hash = call_.detail.rfind(" #");
    const std::string key = call_.detail.substr(0, hash);
    const std::string index = call_.detail.substr(hash + 2);
    const std::string subkey = sim::SubkeyName(key, strtoul(index.c_str(), NULL, 10));
    const bool found = !subkey.empty();
    if (DeviceScan::IsDeviceKey(key)) {
      StartScanRead(true);
      return scan_.SubkeyListed(key, found);
    }
    lookups_.push_back(Lookup{call_.function, key, index, found});
    Fields fields = {JText("key", key), JNumber("index", strtoul(index.c_str(), NULL, 10)), JBool("found", found)};
    if (found) fields.push_back(JText("subkey", subkey));
    Add("key-listed", "lists subkey #" + index + " of " + key + ": " + (found ? subkey : "none"), std::move(fields));
    return;
  }
  const std::vector<std::string> parts = Split(call_.detail, " : ");
  const std::string& key = parts[0];
  const std::string name = call_.detail.substr(key.size() + 3 <= call_.detail.size() ? key.size() + 3 : 0);
  const bool found = sim::ValueExists(key, name);
  if (DeviceScan::IsDeviceKey(key)) {
    StartScanRead(true);
    return scan_.ValueRead(key, name, found, found ? sim::GetValue(key, name) : std::string());
  }
  lookups_.push_back(Lookup{call_.function, key, name, found});
  Fields fields = {JText("key", key), JText("name", name), JBool("found", found)};
  if (!found) return Add("registry-read", "reads " + key + " : " + name + ": missing", std::move(fields));
  const DWORD type = sim::GetValueType(key, name);
  fields.push_back({"value", JsonValue(type, sim::GetValue(key, name))});
  Add("registry-read", "reads " + key + " : " + name + " = " + ShowValue(type, sim::GetValue(key, name)),
      std::move(fields));
}

// CreateFileA: access, sharing, disposition, and whether it opened.
void Recorder::SettleFileOpen() {
  const sim::FileOpen& o = fileOpen_;
  const bool opened = sim::OpenHandles(sim::HandleKind::File) > fileHandlesBefore_;
  if (opened) openedFiles_.push_back(o.path);
  std::string outcome;
  if (!opened) outcome = sim::FileExists(o.path) ? ": not opened" : ": missing";
  std::string text = "opens " + o.path + " " + FileAccessText(o.access) + ", " + FileShareText(o.share) + ", " +
                     DispositionText(o.disposition);
  if (o.flags) text += ", " + AttributesText(o.flags);
  Add("file-opened", text + outcome,
      {JText("path", o.path), JText("access", FileAccessText(o.access)), JNumber("accessMask", o.access),
       JText("share", FileShareText(o.share)), JNumber("shareMode", o.share),
       JText("disposition", DispositionText(o.disposition)), JNumber("creationDisposition", o.disposition),
       JNumber("flagsAndAttributes", o.flags), JBool("opened", opened)});
  // The INF purge reads the beginning of each INF file for the marker; what
  // it found is told by what follows (the file made normal and deleted, or not).
  const std::string infFolder = Upper(sim::WindowsFolder() + "\\inf\\");
  if (opened && o.share == 0 && Upper(o.path).compare(0, infFolder.size(), infFolder) == 0 && EndsWithNoCase(o.path, ".inf"))
    infExamined_ = effects_.size();
}

// The INF file read last: the next call other than the read itself tells
// whether its beginning held the product's marker (INFSGUID).
void Recorder::SettleInfExamined(const sim::Call& next) {
  if (!infExamined_) return;
  const std::string& f = next.function;
  if (f == "ReadFile" || f == "CloseHandle" || f == "SetFilePointer" || f == "WideCharToMultiByte") return;
  Effect& open = effects_[infExamined_ - 1];
  infExamined_ = 0;
  const std::string path = open.fields[0].second;
  const bool marked = (f == "SetFileAttributesA" || f == "DeleteFileA") &&
                      Upper(JsonString(next.detail.substr(0, f == "DeleteFileA" ? std::string::npos : next.detail.rfind(' ')))) == Upper(path);
  open.text += marked ? ": the INF purge reads its beginning for the product's marker (INFSGUID) and finds it, so "
                        "it removes the file next"
                      : ": the INF purge reads its beginning for the product's marker (INFSGUID); none is there, so "
                        "it does not remove the file";
  open.fields.push_back(JBool("markerFound", marked));
}

// LoadLibraryExA / LoadLibraryA: the library and how it is looked for.
void Recorder::SettleLibrary() {
  const std::vector<std::string> parts = Split(call_.detail, "|");
  const unsigned long flags = parts.size() > 1 ? strtoul(parts[1].c_str(), NULL, 10) : 0;
  const std::string how = call_.function == "LoadLibraryA" ? "LoadLibraryA" : "LoadLibraryExA, " + LoadFlagsText(flags);
  const bool loaded = sim::OpenHandles(sim::HandleKind::Module) > moduleHandlesBefore_;
  const std::string name = parts[0].substr(parts[0].rfind('\\') + 1);
  // The copy a load by bare name would find before the system folder's.
  std::string planted, where;
  const std::string current = sim::CurrentFolder();
  if (sim::FileExists(folder_ + "\\" + name)) planted = folder_ + "\\" + name, where = "beside it";
  else if (sim::FileExists(current + (current.back() == '\\' ? "" : "\\") + name))
    planted = current + (current.back() == '\\' ? "" : "\\") + name, where = "in the current folder";
  if (Upper(planted) == Upper(parts[0])) planted.clear();
  Add(loaded ? "library-loaded" : "library-missing",
      (loaded ? "loads " : "looks for ") + parts[0] + " (" + how + ")" +
          (loaded ? "" : ": not on this release's machine, nothing is loaded"),
      {JText("library", parts[0]), JText("call", call_.function), JNumber("flags", flags), JBool("loaded", loaded)});
  // A library the launcher needs, or one another brings along that is loaded
  // first only because a copy lies where it would be found.
  const bool own = Upper(name) == "WINSPOOL.DRV" || Upper(name) == "CFGMGR32.DLL";
  if (!planted.empty())
    Departs(own ? "the classic launcher loads " + planted + ", the copy " + where
                : "loaded because " + planted + " lies " + (where == "beside it" ? "beside Setup.exe" : where) +
                      (sim::IsKnownDll(name) ? ": this release takes its own copy of this known DLL anyway; Wine, "
                                               "which keeps no such list, would load that copy"
                                             : ": with the classic launcher Windows loads that copy for the library "
                                               "that brings it along"));
}

void Recorder::SettleWait() {
  const DWORD lasted = sim::Now() - call_.time;
  const std::string& f = call_.function;
  if (f == "Sleep") {
    FlushScan();
    // A poll sleeps again and again: one line for a run of equal pauses.
    Effect* last = effects_.empty() ? nullptr : &effects_.back();
    if (last && last->kind == "pause" && last->fields[0].second == call_.detail) {
      const int count = atoi(last->fields[1].second.c_str()) + 1 + static_cast<int>(skippedCycles_);
      last->fields[1].second = std::to_string(count);
      last->text = PauseText(*last, count);
      return;
    }
    const bool poll = last && last->kind == "device-scan";
    AddAt(call_.time, "pause", "", {{"ms", call_.detail}, {"count", "1"}, JText("repeats", poll ? scan_.Subject() : "")});
    effects_.back().text = PauseText(effects_.back(), 1 + static_cast<int>(skippedCycles_));
    effects_.back().fields[1].second = std::to_string(1 + skippedCycles_);
  } else if (f == "CMP_WaitNoPendingInstallEvents") {
    const std::string limit = LimitText(call_.detail);
    AddAt(call_.time, "wait",
          "waits for Windows to finish pending device installations (" + limit + "): they are finished after " +
              std::to_string(lasted) + " ms",
          {JText("for", "pending device installations"), JText("limit", limit),
           JNumber("limitMs", strtoul(call_.detail.c_str(), NULL, 10)), JNumber("ms", lasted)});
  } else {
    const std::vector<std::string> parts = Split(call_.detail, "|");  // program, limit
    const std::string& program = parts[0];
    const std::string limit = parts.size() > 1 ? parts[1] : "INFINITE";
    auto start = startOf_.find(Upper(program));
    if (start == startOf_.end()) return;
    Effect& started = effects_[start->second];
    const std::string bound = LimitText(limit);
    const unsigned long limitMs = limit == "INFINITE" ? INFINITE : strtoul(limit.c_str(), NULL, 10);
    // The start names the first wait's limit; a later one (for an ended
    // program to be gone) has its own line.
    bool waitedBefore = false;
    for (const auto& field : started.fields) waitedBefore = waitedBefore || field.first == "waited";
    if (!waitedBefore) {
      started.fields.push_back(JBool("waited", true));
      started.fields.push_back(JText("waitLimit", bound));
      started.fields.push_back(JNumber("waitLimitMs", limitMs));
      started.text += ", waited for " + bound;
    }
    // The limit passed when the program still runs at its end.
    bool running = false;
    for (const std::string& p : sim::RunningPrograms()) running = running || Upper(p) == Upper(program);
    const bool timedOut = limitMs != INFINITE && lasted >= limitMs && running;
    AddAt(call_.time, "wait",
          "waits for " + program + " to end (" + bound + "): " +
              (timedOut ? "the limit passes after " + std::to_string(lasted) + " ms, and it still runs"
                        : "it ends after " + std::to_string(lasted) + " ms"),
          {JText("for", program), JText("limit", bound), JNumber("limitMs", limitMs), JNumber("ms", lasted),
           JText("ended", timedOut ? "limit" : "program")});
  }
}

// A pause; one after reads of the device tree or the window list is a poll,
// which reads them again after each pause.
std::string Recorder::PauseText(const Effect& pause, int count) const {
  const std::string& ms = pause.fields[0].second;
  const std::string repeats = pause.fields[2].second;
  const std::string total = std::to_string(count * atol(ms.c_str()));
  if (repeats == "\"\"") return count == 1 ? "pauses " + ms + " ms" : "pauses " + std::to_string(count) + " x " + ms + " ms (" + total + " ms)";
  const std::string subject = repeats.substr(1, repeats.size() - 2);
  const bool both = subject.find(" and ") != std::string::npos;
  return "waits while " + subject + (both ? " read" : " reads") + " as above: pauses " + ms + " ms and reads again, " +
         (count == 1 ? "once" : std::to_string(count) + " times (" + total + " ms)");
}

// A read for the scan line: the wizard watch's searches, made before the
// device tree is read, are a line of their own.
void Recorder::StartScanRead(bool registry) {
  if (registry && scan_.onlyWindows()) FlushScan();
  if (scan_.empty()) scanClock_ = call_.time;
}

// The reads of the device tree and the wizard searches since the last line,
// as one line; none when they read as they did before the pause just made,
// which then counts one poll more.
void Recorder::FlushScan() {
  if (scan_.empty()) return;
  unsigned long opened = 0, listed = 0, values = 0;
  const unsigned long titles = scan_.windowSearches();
  const std::string window = scan_.openWindow();
  std::string trees;
  const std::string text = scan_.Take(&opened, &listed, &values, &trees);
  const size_t n = effects_.size();
  if (n >= 2 && effects_[n - 1].kind == "pause" && effects_[n - 2].kind == "device-scan" && effects_[n - 2].text == text)
    return;
  Fields fields = {JNumber("keysOpened", opened), JNumber("subkeysListed", listed), JNumber("valuesRead", values),
                   {"trees", trees}, JNumber("wizardTitlesLookedFor", titles)};
  if (!window.empty()) fields.push_back(JText("openWizard", window));
  effects_.push_back(Effect{"device-scan", scanClock_ - startClock_, text, std::move(fields)});
}

// A bounded send (detail "TITLE|MESSAGE|WPARAM|FLAGS|TIMEOUT", the title may
// hold '|') names its bound; one the window did not answer within it is
// shown as given up.
void Recorder::SettleMessages() {
  std::vector<std::string> parts = Split(call_.detail, "|");
  const bool bounded = call_.function == "SendMessageTimeoutA" && parts.size() >= 5;
  std::string bound;
  Fields how;
  if (bounded) {
    const unsigned long flags = strtoul(parts[parts.size() - 2].c_str(), NULL, 10);
    const unsigned long limit = strtoul(parts.back().c_str(), NULL, 10);
    bound = " (SendMessageTimeoutA, " + LimitText(parts.back()) + ", " + SendFlagsText(flags) +
            ((flags & SMTO_ABORTIFHUNG) ? ": given up if hung" : "") + ")";
    how = {JText("call", call_.function), JNumber("limitMs", limit), JText("flags", SendFlagsText(flags)),
           JNumber("sendFlags", flags)};
  } else {
    bound = " (SendMessageA, without a time limit)";
    how = {JText("call", call_.function)};
  }
  bool answered = false;
  for (const auto& w : windows_) {
    const std::vector<sim::WindowMessage> got = sim::MessagesReceived(w.first);
    for (size_t i = messagesBefore_[w.first]; i < got.size(); ++i) {
      answered = true;
      const std::string message = ShowMessage(got[i].message, got[i].wParam);
      Fields fields = {JText("window", w.second), JText("message", message), JBool("answered", true)};
      fields.insert(fields.end(), how.begin(), how.end());
      Add("window-message", "sends " + message + " to the window \"" + w.second + "\"" + bound, std::move(fields));
    }
  }
  if (answered || !bounded) return;
  const size_t n = parts.size();
  const std::string message = ShowMessage(static_cast<UINT>(strtoul(parts[n - 4].c_str(), NULL, 10)),
                                          static_cast<WPARAM>(strtoul(parts[n - 3].c_str(), NULL, 10)));
  parts.resize(n - 4);
  std::string title = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) title += "|" + parts[i];
  Add("window-message-unanswered", "sends " + message + " to the window \"" + title + "\"" + bound +
                                       ": no answer, given up after " + std::to_string(sim::Now() - call_.time) + " ms",
      [&] {
        Fields fields = {JText("window", title), JText("message", message), JBool("answered", false)};
        fields.insert(fields.end(), how.begin(), how.end());
        return fields;
      }());
  Departs("the classic launcher sends without a limit and waits for the answer");
}

// A file the launcher opened and still holds when it starts a program.
void Recorder::NoteHeldFiles() {
  for (const std::string& path : openedFiles_) {
    if (!sim::FileExists(path) || sim::OtherProgramCouldOpen(path, GENERIC_WRITE)) continue;
    Add("file-held", "holds " + path + " open: no other program can change it", {JText("path", path)});
    heldFiles_.push_back(path);
  }
  openedFiles_.clear();
}

}  // namespace plan
