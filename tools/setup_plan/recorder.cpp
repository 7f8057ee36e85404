#include "recorder.h"

#include <cstdio>
#include <cstdlib>

#include "records/records.h"

namespace plan {
namespace {

// More calls than any real road makes: a loop that never sleeps.
const size_t kMaxCalls = 5000000;

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && Upper(s.substr(s.size() - tail.size())) == Upper(tail);
}

std::vector<std::string> Split(const std::string& s, const std::string& by) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t next; (next = s.find(by, at)) != std::string::npos; at = next + by.size())
    parts.push_back(s.substr(at, next - at));
  parts.push_back(s.substr(at));
  return parts;
}

// A registry value as people read it: text quoted, numbers as numbers.
std::string ShowValue(DWORD type, const std::string& data) {
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    const size_t zero = data.find('\0');
    return "\"" + data.substr(0, zero) + "\"" + (type == REG_SZ ? " (REG_SZ)" : " (REG_EXPAND_SZ)");
  }
  if (type == REG_DWORD && data.size() == 4) {
    unsigned long v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
    return std::to_string(v) + " (REG_DWORD)";
  }
  std::string hex;
  char byte[4];
  for (unsigned char c : data) {
    snprintf(byte, sizeof byte, "%02x", c);
    hex += (hex.empty() ? "" : ",") + std::string(byte);
  }
  return "hex(" + std::to_string(type) + "):" + hex;
}

std::string ShowMessage(UINT message, WPARAM wParam) {
  if (message == WM_COMMAND && wParam == IDOK) return "WM_COMMAND IDOK";
  if (message == WM_COMMAND && wParam == IDCANCEL) return "WM_COMMAND IDCANCEL";
  if (message == WM_COMMAND) return "WM_COMMAND " + std::to_string(wParam);
  return "message " + std::to_string(message) + " wParam " + std::to_string(wParam);
}

}  // namespace

Recorder::Recorder(const std::string& launcherFolder, unsigned long maxWaitMs)
    : folder_(launcherFolder), maxWaitMs_(maxWaitMs) {}

void Recorder::Start(const std::map<HWND, std::string>& windows) {
  windows_ = windows;
  startClock_ = sim::Now();
  sim::ObserveCalls([this](const sim::Call& call) { OnCall(call); });
}

void Recorder::Stop() {
  Flush();
  sim::ObserveCalls(nullptr);
  for (Effect& e : effects_) {
    if (e.kind != "program-started") continue;
    bool waited = false;
    for (const auto& f : e.fields) waited = waited || (f.first == "waited" && f.second == "true");
    if (!waited) {
      e.fields.push_back({"waited", "false"});
      e.text += " (not waited for)";
    }
  }
}

void Recorder::Add(const std::string& kind, const std::string& text,
                   std::vector<std::pair<std::string, std::string>> fields) {
  AddAt(sim::Now(), kind, text, std::move(fields));
}

void Recorder::AddAt(DWORD clock, const std::string& kind, const std::string& text,
                     std::vector<std::pair<std::string, std::string>> fields) {
  effects_.push_back(Effect{kind, clock - startClock_, text, std::move(fields)});
}

void Recorder::Flush() {
  if (!pending_) return;
  pending_ = false;
  Settle();
}

void Recorder::OnCall(const sim::Call& call) {
  if (abandoned_) return;  // the run is unwinding; closing handles is not news
  Flush();
  const std::string& f = call.function;
  const bool waits = f == "Sleep" || f == "WaitForSingleObject" || f == "CMP_WaitNoPendingInstallEvents";
  if ((waits && sim::Now() - startClock_ >= maxWaitMs_) || sim::Calls().size() > kMaxCalls) {
    abandoned_ = true;
    Add("abandoned", "still waiting after " + std::to_string(sim::Now() - startClock_) +
                         " ms of virtual time: the launcher would wait on; the plan stops here");
    throw RunAbandoned();
  }
  call_ = call;
  pending_ = true;
  if (f == "CreateEventA" && !signs_.instanceEventCreated) {
    signs_.instanceEventCreated = true;
    signs_.anotherCopy = sim::EventExists(call.detail);
    Add("instance-event", signs_.anotherCopy
                              ? "instance event \"" + call.detail + "\" already exists: another copy is running"
                              : "creates the instance event \"" + call.detail + "\" (held until the launcher ends)",
        {{"name", call.detail}, {"existed", signs_.anotherCopy ? "true" : "false"}});
  } else if (f == "DeleteFileA") {
    existedBefore_ = sim::FileExists(call.detail);
  } else if (f == "CopyFileA" || f == "WritePrivateProfileStringA") {
    const std::string target = f == "CopyFileA" ? Split(call.detail, " -> ").back() : Split(call.detail, " [")[0];
    existedBefore_ = sim::FileExists(target);
    contentBefore_ = existedBefore_ ? sim::ReadFile(target) : std::string();
    signs_.handoff = signs_.handoff || f == "CopyFileA";
  } else if (f == "RegCreateKeyExA") {
    existedBefore_ = sim::KeyExists(call.detail);
  } else if (f == "SendMessageA") {
    for (const auto& w : windows_) messagesBefore_[w.first] = sim::MessagesReceived(w.first).size();
  } else if (f == "CreateProcessA") {
    NoteHeldFiles();
  } else if (f == "CreateFileA") {
    openedFiles_.push_back(call.detail);
  } else if (f == "LoadLibraryA" && EndsWithNoCase(call.detail, "\\winspool.drv")) {
    signs_.removal = true;
  }
}

void Recorder::Settle() {
  const std::string& f = call_.function;
  if (f == "CreateProcessA") return SettleProcessStart();
  if (f == "DeleteFileA" || f == "CopyFileA" || f == "WritePrivateProfileStringA") return SettleFile();
  if (f == "RegCreateKeyExA" || f == "RegSetValueExA") return SettleRegistry();
  if (f == "Sleep" || f == "WaitForSingleObject" || f == "CMP_WaitNoPendingInstallEvents") return SettleWait();
  if (f == "SendMessageA") return SettleMessages();
  if (f == "MessageBoxA" && !sim::MessageBoxes().empty()) {
    const sim::MessageBoxShown& box = sim::MessageBoxes().back();
    signs_.caution = true;
    Add("message-box", "shows a message box \"" + box.caption + "\": " + box.text,
        {{"caption", box.caption}, {"text", box.text}});
  } else if (f == "DialogBoxParamA") {
    signs_.dialog = true;
    Add("dialog", "shows the maintenance dialog (template " + call_.detail + ")", {{"template", call_.detail}});
  } else if (f == "SetEvent" && call_.detail == records::kCompletionEventName) {
    signs_.completionSet = true;
    Add("completion-event", "sets the completion event \"" + call_.detail + "\"", {{"name", call_.detail}});
  } else if (f == "OpenEventA" && call_.detail == records::kCompletionEventName && !sim::EventExists(call_.detail)) {
    Add("completion-event-missing", "the completion event does not exist (no program waits): nothing to set",
        {{"name", call_.detail}});
  } else if (f == "DeletePrinter") {
    Add("printer-deleted", "deletes the printer queue \"" + call_.detail + "\"", {{"printer", call_.detail}});
  } else if (f == "DeletePrinterDriverA" || f == "DeletePrinterDriverExA") {
    const std::vector<std::string> parts = Split(call_.detail, "|");
    const std::string driver = parts.size() > 2 ? parts[2] : call_.detail;
    const bool gone = !sim::PrinterDriverExists(driver);
    Add(gone ? "driver-deleted" : "driver-kept",
        (gone ? "deletes the printer driver \"" : "cannot delete the printer driver \"") + driver + "\" (" + f + ")",
        {{"driver", driver}, {"call", f}});
  }
}

void Recorder::SettleProcessStart() {
  const sim::ProcessStart& start = sim::ProcessStarts().back();
  std::string text = "starts " + start.commandLine;
  if (!start.applicationNameNull && Upper(start.commandLine).compare(0, start.applicationName.size(),
                                                                     Upper(start.applicationName)) != 0)
    text += " (program " + start.applicationName + ")";
  if (!start.started) text += " [no such program: nothing starts]";
  if (Upper(start.applicationName) == Upper(folder_ + "\\Install\\Setup.exe")) signs_.handoff = true;
  startOf_[Upper(start.applicationName)] = effects_.size();
  AddAt(call_.time, "program-started", text,
        {{"commandLine", start.commandLine}, {"program", start.applicationName}, {"started", start.started ? "true" : "false"}});
}

void Recorder::SettleFile() {
  const std::string& f = call_.function;
  if (f == "DeleteFileA") {
    if (existedBefore_ && !sim::FileExists(call_.detail))
      Add("file-deleted", "deletes " + call_.detail, {{"path", call_.detail}});
    return;
  }
  if (f == "WritePrivateProfileStringA") {
    const std::string path = Split(call_.detail, " [")[0];
    const std::string entry = call_.detail.substr(path.size() + 1);
    if (sim::FileExists(path) && sim::ReadFile(path) != contentBefore_)
      Add("file-patched", "patches " + path + ": " + entry, {{"path", path}, {"entry", entry}});
    return;
  }
  const std::vector<std::string> ends = Split(call_.detail, " -> ");
  const std::string& from = ends[0];
  const std::string& to = ends.back();
  if (!sim::FileExists(from)) {
    Add("file-not-copied", "cannot copy " + from + ": the package lacks it", {{"from", from}, {"to", to}});
  } else if (sim::FileExists(to) && sim::ReadFile(to) == sim::ReadFile(from)) {
    Add("file-copied", "copies " + from + " to " + to + (existedBefore_ ? " (replacing the file there)" : ""),
        {{"from", from}, {"to", to}, {"replaced", existedBefore_ ? "true" : "false"}});
  }
}

void Recorder::SettleRegistry() {
  if (call_.function == "RegCreateKeyExA") {
    if (!existedBefore_ && sim::KeyExists(call_.detail))
      Add("key-created", "creates the key " + call_.detail, {{"key", call_.detail}});
    return;
  }
  const std::vector<std::string> parts = Split(call_.detail, " : ");
  const std::string& key = parts[0];
  const std::string name = call_.detail.substr(key.size() + 3 <= call_.detail.size() ? key.size() + 3 : 0);
  if (!sim::ValueExists(key, name)) return;
  const std::string shown = ShowValue(sim::GetValueType(key, name), sim::GetValue(key, name));
  Add("registry-set", "sets " + key + " : " + name + " = " + shown,
      {{"key", key}, {"name", name}, {"value", shown}});
}

void Recorder::SettleWait() {
  const DWORD lasted = sim::Now() - call_.time;
  const std::string& f = call_.function;
  if (f == "Sleep") {
    // A poll sleeps again and again: one line for a run of equal pauses.
    Effect* last = effects_.empty() ? nullptr : &effects_.back();
    if (last && last->kind == "pause" && last->fields[0].second == call_.detail) {
      const int count = atoi(last->fields[1].second.c_str()) + 1;
      last->fields[1].second = std::to_string(count);
      last->text = "pauses " + std::to_string(count) + " x " + call_.detail + " ms (" +
                   std::to_string(count * atol(call_.detail.c_str())) + " ms)";
      return;
    }
    AddAt(call_.time, "pause", "pauses " + call_.detail + " ms", {{"ms", call_.detail}, {"count", "1"}});
  } else if (f == "CMP_WaitNoPendingInstallEvents") {
    AddAt(call_.time, "wait", "waits for Windows to finish pending device installations: " + std::to_string(lasted) + " ms",
          {{"for", "pending device installations"}, {"ms", std::to_string(lasted)}});
  } else {
    auto start = startOf_.find(Upper(call_.detail));
    if (start == startOf_.end()) return;
    Effect& started = effects_[start->second];
    started.fields.push_back({"waited", "true"});
    started.text += " (waited for)";
    AddAt(call_.time, "wait", "waits for " + call_.detail + " to end: " + std::to_string(lasted) + " ms",
          {{"for", call_.detail}, {"ms", std::to_string(lasted)}});
  }
}

void Recorder::SettleMessages() {
  for (const auto& w : windows_) {
    const std::vector<sim::WindowMessage> got = sim::MessagesReceived(w.first);
    for (size_t i = messagesBefore_[w.first]; i < got.size(); ++i)
      Add("window-message", "sends " + ShowMessage(got[i].message, got[i].wParam) + " to the window \"" + w.second + "\"",
          {{"window", w.second}, {"message", ShowMessage(got[i].message, got[i].wParam)}});
  }
}

// A file the launcher opened and still holds when it starts a program.
void Recorder::NoteHeldFiles() {
  for (const std::string& path : openedFiles_) {
    if (!sim::FileExists(path) || sim::OtherProgramCouldOpen(path, GENERIC_WRITE)) continue;
    Add("file-held", "holds " + path + " open: no other program can change it", {{"path", path}});
  }
  openedFiles_.clear();
}

}  // namespace plan
