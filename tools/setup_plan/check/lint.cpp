// The information file: presence, encoding, every key the launcher reads,
// the forms of their values and the launcher's limits.
#include "lint.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "code_pages.h"
#include "machine_setup.h"
#include "report.h"
#include "plan_text.h"
#include "plan_unicode.h"
#include "records/records.h"
#include "sim.h"

namespace plan {
namespace {

const char kFile[] = "InstallInfo.ini";
const char kMissing[] = "\x01<missing>";
const DWORD kLargeBuffer = 65536;
// Findings shown per file; the rest are counted in one line.
const size_t kFindingsPerFile = 20;
// A registry key name holds at most 255 characters ("Registry Element Size
// Limits"); under Wine the ANSI registry calls take subkey paths of at most
// 260 characters, and CreateEventA names of at most 259.
const size_t kMaxKeyNameLength = 255;
const size_t kMaxAnsiKeyPath = 260;
const size_t kMaxEventName = MAX_PATH - 1;
const char kInstanceEventSuffix[] = "Setup";

struct Key {
  const char* section;
  const char* name;
  DWORD size;  // the launcher's buffer
  const char* defaultText;
};

const Key kKeys[] = {
    {records::kInstallInfoSection, records::kRegistryPathKey, records::kPathSize, ""},
    {records::kInstallInfoSection, records::kPdiEntryKey, records::kPathSize, ""},
    {records::kInstallInfoSection, records::kGuidUndInfKey, records::kPathSize, ""},
    {records::kInstallInfoSection, records::kVidPidKey, records::kPathSize, ""},
    {records::kUninstallSection, records::kInfsGuidKey, records::kShortSize, records::kInfsGuidDefault},
};

// The key a kind of finding concerns, by its letters: the value checks.
const Key* KeyOfKind(const std::string& code) {
  if (code.compare(0, 3, "REG") == 0) return &kKeys[0];
  if (code.compare(0, 3, "PDI") == 0) return &kKeys[1];
  if (code == "GUID01" || code == "GUID02") return &kKeys[2];
  if (code.compare(0, 3, "VID") == 0) return &kKeys[3];
  if (code == "GUID03" || code == "GUID04") return &kKeys[4];
  return nullptr;
}

// Missing or in an encoding no release reads as written: every key is.
bool WholeFileKind(const std::string& code) {
  return code == "INI01" || code == "INI02" || code == "INI03" || code == "INI04";
}

class IniLint {
 public:
  IniLint(const std::string& path, int codePage, std::vector<Finding>* out)
      : path_(path), codePage_(codePage), out_(out) {}

  // `key`: the key the finding is about; by default the one its kind
  // concerns (the file as a whole for its presence and encoding).
  void Add(int line, const char* code, const std::string& what, const Key* key = nullptr) {
    Finding f = MakeFinding(std::string(kFile) + ":" + std::to_string(line), code, what);
    if (!key) key = KeyOfKind(code);
    if (WholeFileKind(code)) f.key = "*";
    else if (key) f.key = "[" + std::string(key->section) + "] " + key->name;
    out_->push_back(f);
  }

  // Where each section and key stands (first occurrence), and the bytes the
  // code page cannot read.
  void Scan(const std::string& text) {
    // A UTF-16 file is one finding: its NUL bytes are its encoding, not
    // mistakes of a line.
    bool utf16 = true;
    if (text.compare(0, 2, "\xFF\xFE") == 0) {
      Add(1, "INI02", "UTF-16 text: 2000, XP and 2003 read it as Unicode, but 95, 98 and Me read its bytes as ANSI "
                      "text and find no key, so there the launcher takes every default; save it as ANSI text in code "
                      "page " + std::to_string(codePage_));
    } else if (text.compare(0, 2, "\xFE\xFF") == 0) {
      Add(1, "INI02", "UTF-16 big-endian text: no release is known to read it as Unicode, and read as ANSI text it "
                      "holds no key; save it as ANSI text in code page " + std::to_string(codePage_));
    } else if (text.size() >= 4 && ((text[1] == 0 && text[3] == 0) || (text[0] == 0 && text[2] == 0))) {
      Add(1, "INI03", "UTF-16 without a byte-order mark: read as ANSI text, it holds no section and no key; save it as "
                      "ANSI text");
    } else {
      utf16 = false;
    }
    const bool utf8Mark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (utf8Mark)
      Add(1, "INI04", "UTF-8 byte-order mark: how Windows reads it is not documented; read as ANSI text, its three "
                      "bytes belong to line 1, so a section header there is not found and its keys take their "
                      "defaults (Wine alone reads the file as UTF-8); save it as ANSI text in code page " +
                      std::to_string(codePage_) + " without the mark");
    std::string section;
    std::string current;  // the section's name as written
    int line = 1;
    for (size_t at = 0; at <= text.size(); ++line) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      std::string l = text.substr(at, end - at);
      at = end + 1;
      if (!l.empty() && l.back() == '\r') l.pop_back();
      if (!utf16) CheckBytes(line == 1 && utf8Mark ? l.substr(3) : l, line);
      const size_t first = l.find_first_not_of(" \t");
      if (first == std::string::npos || l[first] == ';') continue;
      if (l[first] == '[') {
        const std::string name = l.substr(first + 1, l.find(']') - first - 1);
        section = Upper(name);
        current = name;
        if (sections_.emplace(section, line).second && !KnownSection(section))
          Add(line, "INI09", "unknown section [" + name + "]" + Nearest(name, {records::kInstallInfoSection,
                                                                             records::kUninstallSection}));
        continue;
      }
      std::string key = l.substr(first, l.find('=') - first);
      while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
      const Key* elsewhere = KeyOfAnotherSection(section, key);
      // Keys before any section because the mark hid line 1's header are INI04's.
      if (elsewhere && !misplaced_.count(elsewhere) && !(utf8Mark && section.empty())) {
        const size_t eq = l.find('=');
        std::string value = eq == std::string::npos ? "" : l.substr(eq + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        misplaced_[elsewhere] = Placed{line, current, value};  // told once its own section is known to lack it
      } else if (KnownSection(section) && !KnownKey(section, key)) {
        std::vector<std::string> names;
        for (const Key& k : kKeys)
          if (Upper(k.section) == section) names.push_back(k.name);
        Add(line, "INI10", "unknown key " + key + " in [" + section + "]" + Nearest(key, names));
      }
      const auto placed = lines_.emplace(section + "|" + Upper(key), line);
      if (!placed.second)
        Add(line, "INI11", key + " again: the launcher only reads the one on line " + std::to_string(placed.first->second));
      if (end >= text.size()) break;
    }
  }

  // The value as the launcher reads it; kMissing when the key is absent.
  std::string Read(const Key& key, DWORD size) {
    std::vector<char> buffer(size, '\0');
    GetPrivateProfileStringA(key.section, key.name, kMissing, buffer.data(), size, path_.c_str());
    return buffer.data();
  }

  // A key the launcher reads, written in a section where it never looks for
  // it: told as INI14 when its own section lacks it (the launcher then takes
  // the default), else as INI10.
  void TellMisplaced(const Key& key, bool missingFromItsSection) {
    const auto it = misplaced_.find(&key);
    if (it == misplaced_.end()) return;
    const Placed& at = it->second;
    const std::string where = it->second.section.empty() ? "before any section" : "under [" + at.section + "]";
    if (!missingFromItsSection)
      return Add(at.line, "INI10", std::string(key.name) + " " + where + " is never read: the launcher reads the one in [" +
                                       key.section + "] on line " + std::to_string(LineOf(key)) + "; remove this one");
    Add(at.line, "INI14", std::string(key.name) + " is " + where + ", where the launcher never reads it, and [" +
                              key.section + "] has none: " + Consequence(key, at.value) + "; move the line under [" +
                              key.section + "]",
        &key);
  }

  bool Misplaced(const Key& key) const { return misplaced_.count(&key) != 0; }

  int LineOf(const Key& key) {
    auto it = lines_.find(Upper(key.section) + "|" + Upper(key.name));
    if (it != lines_.end()) return it->second;
    auto section = sections_.find(Upper(key.section));
    return section == sections_.end() ? 0 : section->second;
  }

 private:
  void CheckBytes(const std::string& l, int line) {
    if (l.find('\0') != std::string::npos)
      Add(line, "INI08", "a NUL byte: seen under Wine, the key on this line is then not found and takes its default; "
                         "remove the byte");
    const sim::CodePage* page = sim::CodePage::Find(codePage_);
    if (!page) return;
    const std::string name = "code page " + std::to_string(codePage_);
    for (size_t i = 0; i < l.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(l[i]);
      if (c < 0x80) continue;
      if (page->IsLead(c)) {
        const unsigned char t = i + 1 < l.size() ? static_cast<unsigned char>(l[i + 1]) : 0;
        if (t < 0x40 || t == 0x7F || t == 0xFF || Unassigned(*page, c << 8 | t))
          return Add(line, "INI07", "broken double-byte character in " + name);
        ++i;
      } else if (NoCharacter(page->ToUnicode(c))) {
        return Add(line, "INI05", "byte 0x" + Hex(c) + " is no character in " + name);
      } else if (!page->doubleByte() && c >= 0xC2 && c <= 0xF4 && i + 1 < l.size() &&
                 (static_cast<unsigned char>(l[i + 1]) & 0xC0) == 0x80) {
        return Add(line, "INI06", "looks like UTF-8; the launcher reads it as " + name + ": save it in that code page");
      }
    }
  }
  // A byte the code page leaves undefined reads as a C1 control code or a
  // private-use character (1252's 0x81, 932's 0xA0 and 0xFD to 0xFF).
  static bool NoCharacter(uint16_t unit) { return (unit >= 0x80 && unit <= 0x9F) || (unit >= 0xE000 && unit <= 0xF8FF); }
  // A lead and trail byte the code page does not assign read as its
  // default character, which has a pair of its own.
  static bool Unassigned(const sim::CodePage& page, unsigned int code) {
    bool exact = false;
    return page.ToUnicode(code) == page.uniDefaultChar() && page.FromUnicode(page.uniDefaultChar(), &exact) != code;
  }
  struct Placed {
    int line;
    std::string section;
    std::string value;  // as written on the line
  };
  // What the launcher does with the default in place of `written`.
  static std::string Consequence(const Key& key, const std::string& written) {
    if (strcmp(key.name, records::kInfsGuidKey) == 0)
      return written == key.defaultText
                 ? std::string("the launcher takes the default marker, which is the value written here")
                 : std::string("removal takes the default marker ") + key.defaultText +
                       " and deletes every INF file holding it, another package's files too, and keeps this "
                       "product's own (" + written + ")";
    const std::pair<const char*, const char*> emptied[] = {
        {records::kRegistryPathKey, "there is no product key, so the product never counts as installed"},
        {records::kPdiEntryKey, "the instance event, marker and maker key have no product in their names"},
        {records::kGuidUndInfKey, "any printer function without a class, another maker's too, is taken for the product's"},
        {records::kVidPidKey, "no device is ever found, so the install mode is always Software"},
    };
    std::string what;
    for (const auto& e : emptied)
      if (strcmp(key.name, e.first) == 0) what = e.second;
    return "the launcher takes the empty text in place of \"" + written + "\": " + what;
  }
  static const Key* KeyOfAnotherSection(const std::string& section, const std::string& key) {
    for (const Key& k : kKeys)
      if (Upper(k.section) != section && Upper(k.name) == Upper(key)) return &k;
    return nullptr;
  }
  static bool KnownSection(const std::string& upper) {
    return upper == Upper(records::kInstallInfoSection) || upper == Upper(records::kUninstallSection);
  }
  static bool KnownKey(const std::string& section, const std::string& key) {
    for (const Key& k : kKeys)
      if (Upper(k.section) == section && Upper(k.name) == Upper(key)) return true;
    return false;
  }
  // The known name closest to `name`, offered when it is near enough to be
  // a misspelling; otherwise every name the launcher reads.
  static std::string Nearest(const std::string& name, const std::vector<std::string>& known) {
    const std::string best = plan::Nearest(name, known);
    if (!best.empty()) return ": the launcher reads " + best + "; is it meant?";
    std::string all;
    for (const std::string& k : known) all += (all.empty() ? "" : ", ") + k;
    return ": the launcher never reads it (it reads " + all + ")";
  }
  static std::string Hex(unsigned char c) {
    const char digits[] = "0123456789ABCDEF";
    return std::string(1, digits[c >> 4]) + digits[c & 15];
  }

  std::string path_;
  int codePage_;
  std::vector<Finding>* out_;
  std::map<std::string, int> sections_;
  std::map<std::string, int> lines_;
  std::map<const Key*, Placed> misplaced_;
};

void CheckHardwareIds(IniLint& lint, int line, const std::string& list) {
  size_t at = 0;
  for (;;) {
    const size_t comma = list.find(',', at);
    const std::string id = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (id.empty()) {
      if (comma != std::string::npos || at != 0) lint.Add(line, "VID03", "empty hardware id between commas");
    } else if (id.size() > records::kShortSize - 5) {
      lint.Add(line, "VID01", "hardware id of " + std::to_string(id.size()) + " bytes: at most 255");
    } else if (id[0] == ' ' || id.back() == ' ') {
      lint.Add(line, "VID02", "hardware id \"" + id + "\" has a blank: ids are not trimmed, it would never match");
    } else {
      const std::string u = Upper(id);
      const bool form = u.size() == 17 && u.compare(0, 4, "VID_") == 0 && u.compare(8, 5, "&PID_") == 0 &&
                        u.find_first_not_of("0123456789ABCDEF", 4) == 8 &&
                        u.find_first_not_of("0123456789ABCDEF", 13) == std::string::npos;
      if (!form) lint.Add(line, "VID04", "hardware id \"" + id + "\" is not VID_xxxx&PID_xxxx (hex)");
    }
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
}

// Characters of `text` in the posed code page: a double-byte pair is one.
size_t Characters(const std::string& text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i, ++n)
    if (_ismbblead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  return n;
}

// The key names of a registry path: cut at backslashes that are no trail byte.
std::vector<std::string> KeyNames(const std::string& path) {
  std::vector<std::string> names(1);
  for (size_t i = 0; i < path.size(); ++i) {
    if (_ismbblead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      names.back() += path.substr(i++, 2);
    } else if (path[i] == '\\') {
      names.emplace_back();
    } else {
      names.back() += path[i];
    }
  }
  return names;
}

void CheckRegistryPath(IniLint& lint, int line, const std::string& path) {
  const std::string u = Upper(path);
  if (path.empty()) return lint.Add(line, "REG01", "RegistryPath is empty: there is no product key; give the key below HKEY_LOCAL_MACHINE, e.g. Software\\Maker\\Product");
  const std::string first = u.substr(0, u.find('\\'));
  if (u.compare(0, 5, "HKEY_") == 0 || first == "HKLM" || first == "HKCU" || first == "HKCR" || first == "HKU" ||
      first == "HKCC")
    return lint.Add(line, "REG02", "RegistryPath names a root key; it must be relative to HKEY_LOCAL_MACHINE: leave the root out");
  size_t longest = 0;
  bool empty = false;
  for (const std::string& name : KeyNames(path)) {
    longest = std::max(longest, Characters(name));
    empty = empty || name.empty();
  }
  if (empty) lint.Add(line, "REG03", "RegistryPath has an empty key name (a leading, trailing or doubled backslash)");
  if (longest > kMaxKeyNameLength)
    lint.Add(line, "REG04", "RegistryPath has a key name of " + std::to_string(longest) +
                                " characters; Windows allows 255, so the product key cannot be created: shorten it");
  if (Characters(path) > kMaxAnsiKeyPath)
    lint.Add(line, "REG05", "RegistryPath is " + std::to_string(Characters(path)) +
                                " characters: seen under Wine, the ANSI registry calls refuse a path over 260; shorten it");
}

void CheckPdiEntry(IniLint& lint, int line, const std::string& pdi) {
  if (pdi.empty()) lint.Add(line, "PDI01", "PDIENTRY is empty: the instance event, marker and maker key have no name");
  for (size_t i = 0; i < pdi.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(pdi[i]);
    if (_ismbblead(c) && i + 1 < pdi.size()) {
      ++i;  // a trail byte 0x5C is part of its character, no backslash
    } else if (c == '\\' || c < 0x20 || c == 0x7F) {
      lint.Add(line, "PDI02", "PDIENTRY holds " + std::string(c == '\\' ? "a backslash" : "a control byte") +
                                  ": no event or registry key can be named with it");
      break;
    }
  }
  const size_t length = Characters(pdi);
  if (pdi.size() > records::kMaxPdiEntryLength)
    return lint.Add(line, "PDI05", "PDIENTRY longer than " + std::to_string(records::kMaxPdiEntryLength) +
                                       " bytes: the launcher ends without installing");
  if (length > kMaxKeyNameLength)
    lint.Add(line, "PDI03", "PDIENTRY is " + std::to_string(length) +
                                " characters: a registry key name (Software\\Corvale\\<PDIENTRY>) holds at most 255");
  if (length + strlen(kInstanceEventSuffix) > kMaxEventName)
    lint.Add(line, "PDI04", "PDIENTRY is " + std::to_string(length) + " characters: the instance event <PDIENTRY>" +
                                kInstanceEventSuffix + " may have at most " + std::to_string(kMaxEventName) +
                                ", so no event is created and a second launcher is not kept out; keep it to " +
                                std::to_string(kMaxEventName - strlen(kInstanceEventSuffix)));
}

// Text with its control bytes written \xNN, so that a finding stays one line
// (the rest is UTF-8 already).
std::string Visible(const std::string& text) {
  std::string out;
  for (unsigned char c : text) out += c < 0x20 || c == 0x7F ? Printable(std::string(1, static_cast<char>(c))) : std::string(1, static_cast<char>(c));
  return out;
}

// By file, InstallInfo.ini first and letter case ignored, then by line; findings of one line keep
// the order they were made in.
void SortFindings(std::vector<Finding>* findings) {
  const auto key = [](const Finding& f) {
    const size_t colon = f.where.rfind(':');
    const std::string file = f.where.substr(0, colon);
    return std::make_tuple(file != kFile, Upper(file), std::stoi(f.where.substr(colon + 1)));
  };
  std::stable_sort(findings->begin(), findings->end(),
                   [&key](const Finding& a, const Finding& b) { return key(a) < key(b); });
}

// At most kFindingsPerFile findings of each file; one line says how many
// more there were, and of which kind.
void CapFindings(std::vector<Finding>* findings) {
  std::map<std::string, size_t> shown;
  std::map<std::string, std::pair<int, int>> hidden;  // file -> errors, warnings
  std::vector<Finding> kept;
  for (const Finding& f : *findings) {
    const std::string file = f.where.substr(0, f.where.rfind(':'));
    if (++shown[file] <= kFindingsPerFile) {
      kept.push_back(f);
    } else {
      (f.error ? hidden[file].first : hidden[file].second) += 1;
    }
  }
  for (const auto& h : hidden) {
    Finding note = MakeFinding(h.first + ":0", "NOTE01",
                               std::to_string(h.second.first + h.second.second) + " more finding(s) not shown (" +
                                   std::to_string(h.second.first) + " error(s)): at most " +
                                   std::to_string(kFindingsPerFile) + " per file");
    note.note = true;
    note.hiddenErrors = h.second.first;
    note.hiddenWarnings = h.second.second;
    kept.push_back(note);
  }
  findings->swap(kept);
}

}  // namespace

bool LintPackage(const Options& options, std::vector<Finding>* findings, std::string* error) {
  Machine machine;
  if (!PoseMachine(options, &machine, error)) return false;
  const std::string path = machine.launcherFolder + records::kInstallInfoFileName;
  IniLint lint(path, options.codePage, findings);
  if (!sim::FileExists(path)) {
    lint.Add(0, "INI01", "not found in the package: every key takes its default and nothing can be installed");
    LintPackageFiles(options, findings);
    SortFindings(findings);
    return true;
  }
  lint.Scan(sim::ReadFile(path));
  std::map<std::string, std::string> values;
  for (const Key& key : kKeys) {
    const int line = lint.LineOf(key);
    const std::string value = lint.Read(key, key.size);
    lint.TellMisplaced(key, value == kMissing);
    if (value == kMissing && lint.Misplaced(key)) {
      values[key.name] = key.defaultText;
      continue;
    }
    if (value == kMissing) {
      lint.Add(line, "INI12", std::string(key.name) + " missing from [" + key.section + "]: the launcher uses " +
                                (key.defaultText[0] ? "\"" + std::string(key.defaultText) + "\"" : "the empty text"),
               &key);
      values[key.name] = key.defaultText;
      continue;
    }
    const std::string whole = lint.Read(key, kLargeBuffer);
    if (whole.size() > value.size())
      lint.Add(line, "INI13", std::string(key.name) + " is " + std::to_string(whole.size()) + " bytes: the launcher reads " +
                               std::to_string(key.size - 1) + " and cuts the rest",
               &key);
    values[key.name] = value;
  }
  CheckPdiEntry(lint, lint.LineOf(kKeys[1]), values[records::kPdiEntryKey]);
  CheckRegistryPath(lint, lint.LineOf(kKeys[0]), values[records::kRegistryPathKey]);
  CheckHardwareIds(lint, lint.LineOf(kKeys[3]), values[records::kVidPidKey]);
  const std::string& guid = values[records::kGuidUndInfKey];
  if (!guid.empty() && !IsGuid(guid)) lint.Add(lint.LineOf(kKeys[2]), "GUID01", "GUIDUNDINF is not a GUID {xxxxxxxx-xxxx-...}");
  if (guid.empty())
    lint.Add(lint.LineOf(kKeys[2]), "GUID02",
             "GUIDUNDINF is empty: any printer function without a ClassGUID, even another maker's, is taken for the "
             "product's, so the launcher stops waiting for Windows and never runs the clean-up; give the setup class GUID");
  const std::string& marker = values[records::kInfsGuidKey];
  if (marker.empty())
    lint.Add(lint.LineOf(kKeys[4]), "GUID03", "INFSGUID is empty: the launcher then purges no INF file (an empty marker would match every one)");
  else if (!IsGuid(marker))
    lint.Add(lint.LineOf(kKeys[4]), "GUID04", "INFSGUID is not a GUID {xxxxxxxx-xxxx-...}");
  LintPackageFiles(options, findings);
  SortFindings(findings);
  CapFindings(findings);
  return true;
}

bool CheckPackage(const Options& options, std::ostream& out, std::string* error) {
  std::vector<Finding> findings;
  if (!LintPackage(options, &findings, error)) return false;
  int errors = 0;
  int warnings = 0;
  for (const Finding& f : findings) {
    errors += (f.error ? 1 : 0) + f.hiddenErrors;
    warnings += (f.error || f.note ? 0 : 1) + f.hiddenWarnings;
  }
  if (options.json) {
    out << "{\n  \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
      const Finding& f = findings[i];
      const size_t colon = f.where.rfind(':');
      out << (i ? "," : "") << "\n    {\"file\": " << JsonString(f.where.substr(0, colon))
          << ", \"line\": " << f.where.substr(colon + 1) << ", \"severity\": "
          << JsonString(f.note ? "note" : f.error ? "error" : "warning") << ", \"code\": " << JsonString(f.code)
          << ", \"message\": " << JsonText(f.what, options.codePage) << "}";
    }
    out << "\n  ],\n  \"errors\": " << errors << ",\n  \"warnings\": " << warnings
        << ",\n  \"clean\": " << (errors ? "false" : "true") << "\n}\n";
    return errors == 0;
  }
  for (const Finding& f : findings)
    out << f.where << ": " << (f.note ? "note" : f.error ? "error" : "warning") << ": "
        << Visible(AnsiToUtf8(f.what, options.codePage)) << " [" << f.code << "]\n";
  out << errors << " error(s), " << warnings << " warning(s)\n";
  return errors == 0;
}

}  // namespace plan
