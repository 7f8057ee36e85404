// Settling one call: what it changed, compared with the state before it.
#include <cstdio>
#include <cstdlib>

#include <cstring>

#include "plan_text.h"
#include "recorder.h"
#include "removal/file_version.h"

namespace plan {
namespace {

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
    const std::string before = existedBefore_ ? VersionOf(contentBefore_) : "";
    const std::string after = VersionOf(sim::ReadFile(to));
    std::string replacing = existedBefore_ ? " (replacing the file there)" : "";
    if (!before.empty()) replacing = " (replacing " + before + " with the package's " + after + ")";
    Add("file-copied", "copies " + from + " to " + to + replacing,
        {{"from", from}, {"to", to}, {"replaced", existedBefore_ ? "true" : "false"}});
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
  Add("file-kept", "keeps " + path + ": " + why, {{"path", path}, {"version", present}, {"packageVersion", package}});
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
    const std::vector<std::string> parts = Split(call_.detail, "|");  // program, limit
    const std::string& program = parts[0];
    const std::string limit = parts.size() > 1 ? parts[1] : "INFINITE";
    auto start = startOf_.find(Upper(program));
    if (start == startOf_.end()) return;
    Effect& started = effects_[start->second];
    started.fields.push_back({"waited", "true"});
    started.text += " (waited for)";
    const std::string bound = limit == "INFINITE" ? "" : " (at most " + limit + " ms)";
    AddAt(call_.time, "wait", "waits for " + program + " to end" + bound + ": " + std::to_string(lasted) + " ms",
          {{"for", program}, {"limit", limit}, {"ms", std::to_string(lasted)}});
  }
}

// A bounded send (detail "TITLE|MESSAGE|WPARAM|FLAGS|TIMEOUT", the title may
// hold '|') names its bound; one the window did not answer within it is
// shown as given up.
void Recorder::SettleMessages() {
  std::vector<std::string> parts = Split(call_.detail, "|");
  const bool bounded = call_.function == "SendMessageTimeoutA" && parts.size() >= 5;
  std::string bound;
  if (bounded) {
    const unsigned long flags = strtoul(parts[parts.size() - 2].c_str(), NULL, 10);
    bound = " (at most " + parts.back() + " ms" + ((flags & SMTO_ABORTIFHUNG) ? ", given up if hung" : "") + ")";
  }
  bool answered = false;
  for (const auto& w : windows_) {
    const std::vector<sim::WindowMessage> got = sim::MessagesReceived(w.first);
    for (size_t i = messagesBefore_[w.first]; i < got.size(); ++i) {
      answered = true;
      const std::string message = ShowMessage(got[i].message, got[i].wParam);
      Add("window-message", "sends " + message + " to the window \"" + w.second + "\"" + bound,
          {{"window", w.second}, {"message", message}});
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
      {{"window", title}, {"message", message}});
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
