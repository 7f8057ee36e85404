#include "outcome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "call_text.h"
#include "plan_text.h"
#include "code_pages.h"
#include "plan_unicode.h"
#include "sim.h"
#include "state_file.h"

namespace plan {
namespace {

// Control bytes as \xNN, so that every value stays on its line; handed to
// `put` in pieces.
template <class Put>
void PutVisible(std::string_view text, Put put) {
  size_t from = 0;  // handed on up to here
  char escape[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != 0x7F) continue;
    put(text.substr(from, i - from));
    put(std::string_view(escape, snprintf(escape, sizeof escape, "\\x%02x", c)));
    from = i + 1;
  }
  put(text.substr(from));
}

std::string Visible(const std::string& text) {
  std::string out;
  PutVisible(text, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

// A key or value name lower-cased as the release's registry compares
// names: NT in Unicode (by Windows' case table), whatever the code page; the
// 98 family's registry is ANSI, so there only the code page's single-byte
// letters fold and a double-byte character keeps its bytes. In the code
// page, as every outcome line until it is written in UTF-8.
std::string NameText(const std::string& bytes) {
  const sim::CodePage& page = *sim::CodePage::Find(sim::AnsiCodePage());
  std::string folded = bytes;
  if (sim::IsNt()) {
    std::u16string text = sim::ToUtf16(page, bytes);
    for (char16_t& unit : text) unit = sim::UnicodeLower(unit);
    return Visible(sim::FromUtf16(page, text, std::string_view(), nullptr));
  }
  for (size_t i = 0; i < folded.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(folded[i]);
    if (page.IsLead(c)) ++i;
    else folded[i] = static_cast<char>(page.Lower(c));
  }
  return Visible(folded);
}

std::string KeyName(const std::string& simPath) {
  if (simPath.compare(0, 5, "HKCU\\") == 0) return "hkcu\\" + NameText(simPath.substr(5));
  if (simPath.compare(0, 5, "HKLM\\") == 0) return "hklm\\" + NameText(simPath.substr(5));  // named like a root
  return "hklm\\" + NameText(simPath);
}

// A value's data as the outcome writes it, in pieces: a text in quotes
// (without its terminating zeros), anything else as REGEDIT4 writes it.
template <class Put>
void PutValueText(DWORD type, std::string_view data, Put put) {
  if (type != REG_SZ) return PutRegDataText(type, data, put);
  while (!data.empty() && data.back() == '\0') data.remove_suffix(1);
  put("\"");
  PutVisible(data, put);
  put("\"");
}

std::string ValueText(DWORD type, std::string_view data) {
  std::string out;
  PutValueText(type, data, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

unsigned long Crc32(const std::string& bytes) {
  unsigned long crc = 0xFFFFFFFFul;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
  }
  return crc ^ 0xFFFFFFFFul;
}

std::string ContentText(const std::string& bytes) {
  char crc[16];
  snprintf(crc, sizeof crc, "%08lx", Crc32(bytes));
  return std::to_string(bytes.size()) + " bytes, crc32 " + crc;
}

// Whether the file at `path` is one the outcome looks at: anywhere in the
// package and the INF folders, or directly in the system folder.
bool Observed(const Machine& machine, const std::string& path) {
  const std::string folder = Upper(path.substr(0, path.find_last_of('\\')));
  const auto below = [&](const std::string& top) { return Upper(path).compare(0, top.size() + 1, Upper(top) + "\\") == 0; };
  return folder == Upper(sim::SystemFolder()) || below(sim::WindowsFolder() + "\\INF") || below(machine.launcherFolder);
}

// A field of an effect as text: a JSON string literal decoded (the recorder
// writes bytes above 127 and control bytes as \u00XX), anything else as it is.
std::string FieldOf(const Effect& effect, const std::string& name) {
  for (const Field& f : effect.fields) {
    if (f.first != name) continue;
    const std::string& v = f.second;
    return v.empty() || v[0] != '"' ? v : JsonStringBytes(v);
  }
  return "";
}

// The line of a program the launcher ends (`ended`: program-ended or
// job-ended), named by the command line it was started with.
std::string EndedLine(const Effect& started, const Effect& ended, bool withWhatItStarted) {
  return "ends " + Visible(FieldOf(started, "commandLine")) + (withWhatItStarted ? " and what it started" : "") +
         " (exit code " + FieldOf(ended, "exitCode") + ")";
}

// The lines of what happened while the launcher ran, in order. Each run has
// a waiting program of its own, whose completion event starts unset.
void AddSeenLines(const Machine& machine, const RunResult& run, std::vector<std::string>* out) {
  const std::vector<Effect>& effects = run.effects;
  size_t eventSetAt = effects.size();
  for (size_t i = 0; i < effects.size() && eventSetAt == effects.size(); ++i)
    if (effects[i].kind == "completion-event") eventSetAt = i;
  const auto eventAt = [&](size_t i) -> std::string { return eventSetAt < i ? "set" : "unset"; };
  const std::string installer = Upper(machine.launcherFolder + "\\Install\\Setup.exe");

  std::vector<std::string>& lines = *out;
  bool msiexecHeld = false;
  std::map<std::string, size_t> lastStart;  // program -> its last start effect
  size_t endedLine = 0, endedStart = 0;     // the line of the last program ended (0: none) and its start
  for (size_t i = 0; i < effects.size(); ++i) {
    const Effect& e = effects[i];
    if (e.kind == "program-ended" || e.kind == "job-ended") {
      const auto start = lastStart.find(Upper(FieldOf(e, "program")));
      if (start == lastStart.end()) {
        // A program the launcher did not start: one that the program it
        // has just ended started (net1.exe, ended by its parent's id).
        if (endedLine) lines[endedLine] = EndedLine(effects[endedStart], e, true);
        continue;
      }
      const Effect& started = effects[start->second];
      for (size_t j = i; j-- > start->second;) {
        const Effect& w = effects[j];
        if (w.kind != "wait" || Upper(FieldOf(w, "for")) != start->first) continue;
        if (FieldOf(w, "ended") == "limit")
          lines.push_back("stops waiting for " + Visible(FieldOf(started, "commandLine")) + " after " +
                          std::to_string((strtoul(FieldOf(w, "ms").c_str(), NULL, 10) + 500) / 1000) + " s");
        break;
      }
      lines.push_back(EndedLine(started, e, strtoul(FieldOf(e, "running").c_str(), NULL, 10) > 1));
      endedLine = lines.size() - 1;
      endedStart = start->second;
      continue;
    }
    if (e.kind == "file-held" || e.kind == "file-released") {
      if (EndsWithNoCase(FieldOf(e, "path"), "\\msiexec.exe")) msiexecHeld = e.kind == "file-held";
    } else if (e.kind == "dialog") {
      lines.push_back("shows the maintenance dialog");
      lines.push_back("completion event while the dialog was up: " + eventAt(i));
    } else if (e.kind == "message-box") {
      lines.push_back("shows a message box \"" + FieldOf(e, "caption") + "\": " + Visible(FieldOf(e, "message")));
      lines.push_back("completion event while the box was up: " + eventAt(i));
    } else if (e.kind == "program-started" && FieldOf(e, "started") == "true") {
      const std::string program = FieldOf(e, "program");
      lastStart[Upper(program)] = i;
      endedLine = 0;
      bool laterStart = false;
      for (size_t j = i + 1; j < effects.size() && !laterStart; ++j) laterStart = effects[j].kind == "program-started";
      // The plan's words for the show state; the observer of a real run writes the same.
      const std::string shown = ShowStateText(strtoul(FieldOf(e, "startupFlags").c_str(), NULL, 10),
                                              static_cast<WORD>(strtoul(FieldOf(e, "showWindow").c_str(), NULL, 10)));
      lines.push_back("starts " + Visible(FieldOf(e, "commandLine")) + " (program " +
                      (FieldOf(e, "programNamed") == "true" ? program : "none") + ", " + shown + ")" +
                      (laterStart && FieldOf(e, "waited") == "true" ? ", waited" : ""));
      if (Upper(program) != installer) continue;
      size_t end = i;
      for (size_t j = i + 1; j < effects.size() && end == i; ++j)
        if (effects[j].kind == "wait" && Upper(FieldOf(effects[j], "for")) == installer) end = j;
      lines.push_back("completion event as the installer started: " + eventAt(i));
      lines.push_back("completion event as the installer ended: " + eventAt(end));
      lines.push_back(std::string("msiexec.exe writable while the installer ran: ") + (msiexecHeld ? "no" : "yes"));
    }
  }
  lines.push_back("completion event after the launcher: " + eventAt(effects.size()));
  lines.push_back(std::string("the launcher ends: ") + (run.abandoned ? "no" : "yes"));
}

template <typename Set>
void AddedAndRemoved(const char* what, const Set& before, const Set& after, std::vector<std::string>* lines) {
  for (const std::string& name : after)
    if (!before.count(name)) lines->push_back(std::string(what) + " " + name + " added");
  for (const std::string& name : before)
    if (!after.count(name)) lines->push_back(std::string(what) + " " + name + " removed");
}

// FNV-1a, 64 bits: two texts of one value that differ get the same hash
// once in 2^64.
class Fnv {
 public:
  void operator()(std::string_view piece) {
    for (unsigned char c : piece) h_ = (h_ ^ c) * 1099511628211ull;
  }
  uint64_t value() const { return h_; }

 private:
  uint64_t h_ = 14695981039346656037ull;
};

uint64_t TextHash(std::string_view text) {
  Fnv h;
  h(text);
  return h.value();
}

// TextHash(ValueText(...)), without the text: a value may be megabytes long.
uint64_t ValueHash(DWORD type, std::string_view data) {
  Fnv h;
  PutValueText(type, data, [&h](std::string_view piece) { h(piece); });
  return h.value();
}

bool HasKey(const ObservableState& state, uint64_t key) {
  return std::binary_search(state.keys.begin(), state.keys.end(), key);
}

// The hash of a value's data as text in `state`; false when it had no such value.
bool FindValue(const ObservableState& state, uint64_t name, uint64_t* text) {
  const auto at = std::lower_bound(state.values.begin(), state.values.end(), std::make_pair(name, uint64_t(0)));
  if (at == state.values.end() || at->first != name) return false;
  *text = at->second;
  return true;
}

// The machine's path of the parent of a key, "" for a key at a root's top.
std::string ParentPath(const std::string& simPath) {
  const size_t cut = simPath.rfind('\\');
  if (cut == std::string::npos || simPath.compare(0, cut + 1, "HKCU\\") == 0 ||
      simPath.compare(0, cut + 1, "HKLM\\") == 0)
    return "";
  return simPath.substr(0, cut);
}

// What the registry lost and gained since `before`, and the other
// differences between two states, sorted.
std::vector<std::string> LeftLines(const ObservableState& before, const ObservableState& after) {
  std::vector<std::string> lines;
  // A key created shows through its values and subkeys; only an empty one
  // gets a line. Of a tree deleted, its top. (A Windows that has keys the
  // posed machine lacks, such as Software, then reads the same.)
  sim::VisitRegistry([&](const std::string& path, const sim::RegValueList& values) {
    const std::string key = KeyName(path);
    if (values.size() == 0 && sim::SubkeyCount(path) == 0 && !HasKey(before, TextHash(key)))
      lines.push_back("key " + key + " created");
    for (size_t i = 0; i < values.size(); ++i) {
      const sim::RegValueView value = values[i];
      const std::string entry = key + " : " + NameText(std::string(value.name));
      uint64_t was = 0;
      if (!FindValue(before, TextHash(entry), &was) || was != ValueHash(value.type, value.data))
        lines.push_back("value " + entry + " = " + ValueText(value.type, value.data));
    }
  });
  std::set<std::string> gone;  // a key or value deleted twice is told once
  const std::vector<sim::RegistryDeletion>& deletions = sim::RegistryDeletions();
  for (size_t i = before.deletionsSeen; i < deletions.size(); ++i) {
    const sim::RegistryDeletion& d = deletions[i];
    const std::string key = KeyName(d.path);
    if (!d.value) {
      const std::string parent = ParentPath(d.path);
      if (HasKey(before, TextHash(key)) && !sim::KeyExists(d.path) && !parent.empty() && sim::KeyExists(parent))
        gone.insert("key " + key + " deleted");
      continue;
    }
    const std::string entry = key + " : " + NameText(d.name);
    uint64_t was = 0;
    if (FindValue(before, TextHash(entry), &was) && !sim::ValueExists(d.path, d.name) && sim::KeyExists(d.path))
      gone.insert("value " + entry + " deleted");
  }
  lines.insert(lines.end(), gone.begin(), gone.end());
  for (const auto& f : after.files) {
    auto was = before.files.find(f.first);
    if (was == before.files.end() || was->second != f.second) lines.push_back("file " + f.first + " = " + f.second);
  }
  for (const auto& f : before.files)
    if (!after.files.count(f.first)) lines.push_back("file " + f.first + " deleted");
  AddedAndRemoved("printer", before.printers, after.printers, &lines);
  AddedAndRemoved("driver", before.drivers, after.drivers, &lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

ObservableState ObserveMachine(const Machine& machine, bool registry) {
  ObservableState state;
  if (registry) {
    // Counted first, so that the lists are made at their size (grown, each
    // would be held twice for a moment, in twice its room).
    size_t keys = 0, values = 0;
    sim::VisitRegistry([&](const std::string&, const sim::RegValueList& list) { ++keys, values += list.size(); });
    state.keys.reserve(keys);
    state.values.reserve(values);
    sim::VisitRegistry([&state](const std::string& path, const sim::RegValueList& list) {
      const std::string name = KeyName(path);
      state.keys.push_back(TextHash(name));
      for (size_t i = 0; i < list.size(); ++i)
        state.values.emplace_back(TextHash(name + " : " + NameText(std::string(list[i].name))),
                                  ValueHash(list[i].type, list[i].data));
    });
    std::sort(state.keys.begin(), state.keys.end());
    std::sort(state.values.begin(), state.values.end());
  }
  state.deletionsSeen = sim::RegistryDeletions().size();
  for (const std::string& path : sim::AllFiles())
    if (Observed(machine, path)) state.files[Lower(path)] = ContentText(sim::ReadFile(path));
  for (const std::string& p : sim::PrinterNames()) state.printers.insert(p);
  for (const std::string& d : sim::PrinterDriverNames()) state.drivers.insert(d);
  return state;
}

std::vector<std::string> OutcomeLines(const Machine& machine, const ObservableState& before,
                                      const ObservableState& after, const std::vector<RunResult>& runs) {
  std::vector<std::string> lines;
  // Several runs are told apart by a line before each, and before what they leave.
  for (size_t i = 0; i < runs.size(); ++i) {
    if (runs.size() > 1) lines.push_back("run " + std::to_string(i + 1) + ":");
    AddSeenLines(machine, runs[i], &lines);
  }
  if (runs.size() > 1) lines.push_back("what the runs leave:");
  const std::vector<std::string> left = LeftLines(before, after);
  lines.insert(lines.end(), left.begin(), left.end());
  // Written as text: each line's bytes of the code page in UTF-8.
  for (std::string& line : lines) line = AnsiToUtf8(line, sim::AnsiCodePage());
  return lines;
}

bool CompareOutcome(std::ostream& out, const std::vector<std::string>& planned, const std::string& observed) {
  std::vector<std::string> seen;
  for (std::string line : Split(observed, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) seen.push_back(line);
  }
  if (seen == planned) {
    out << planned.size() << " lines as planned\n";
    return true;
  }
  // The lines both sides begin and end with, then the longest common
  // subsequence of the rest, both sides walked along it. A rest too large
  // for its table (an observed file of a million lines) is shown unaligned.
  const size_t kMaxCells = 4000000;
  size_t head = 0, tail = 0;
  while (head < planned.size() && head < seen.size() && planned[head] == seen[head]) ++head;
  while (tail + head < planned.size() && tail + head < seen.size() &&
         planned[planned.size() - 1 - tail] == seen[seen.size() - 1 - tail])
    ++tail;
  const size_t n = planned.size() - tail, m = seen.size() - tail;
  const bool align = (n - head + 1) * (m - head + 1) <= kMaxCells;
  std::vector<std::vector<size_t>> common(align ? n - head + 1 : 1, std::vector<size_t>(align ? m - head + 1 : 1, 0));
  const auto at = [&](size_t i, size_t j) -> size_t& { return common[i - head][j - head]; };
  if (align)
    for (size_t i = n; i-- > head;)
      for (size_t j = m; j-- > head;)
        at(i, j) = planned[i] == seen[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
  out << "the observed run differs from the plan (- planned only, + observed only):\n";
  for (size_t k = 0; k < head; ++k) out << "  " << planned[k] << "\n";
  size_t i = head, j = head;
  while (i < n || j < m) {
    if (i < n && j < m && planned[i] == seen[j]) {
      out << "  " << planned[i++] << "\n";
      ++j;
    } else if (j < m && (i == n || (align && at(i, j + 1) >= at(i + 1, j)))) {
      out << "+ " << seen[j++] << "\n";
    } else {
      out << "- " << planned[i++] << "\n";
    }
  }
  for (size_t k = n; k < planned.size(); ++k) out << "  " << planned[k] << "\n";
  return false;
}

}  // namespace plan
