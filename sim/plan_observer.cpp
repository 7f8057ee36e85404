// Watching the launcher's calls as they happen, ending its process between
// two runs on the same machine, and listing the registry (used by setup-plan).
#include <algorithm>
#include <vector>

#include "machine.h"

namespace sim {

void ObserveCalls(std::function<void(const Call&)> observer) { M().callObserver = std::move(observer); }

void KeepCallLog(bool keep) { M().keepCalls = keep; }

DWORD NextChangeAt() {
  const Machine& m = M();
  DWORD next = INFINITE;
  for (const Scheduled& s : m.schedule) next = std::min(next, std::max(s.at, m.clock));  // one overdue: now
  return next;
}

void PassTime(DWORD ms) { AdvanceClock(ms); }

void EndProcess() {
  Machine& m = M();
  std::vector<uintptr_t> held;
  for (const auto& entry : m.handles) held.push_back(entry.first);
  m.quiet = true;
  for (uintptr_t value : held) {
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    switch (m.handles.at(value).kind) {
      case HandleKind::Key: RegCloseKey(reinterpret_cast<HKEY>(handle)); break;
      case HandleKind::Find: FindClose(handle); break;
      case HandleKind::Module: FreeLibrary(reinterpret_cast<HMODULE>(handle)); break;
      case HandleKind::Printer: DropHandle(handle); break;  // the spooler is not asked
      default: CloseHandle(handle); break;
    }
  }
  m.quiet = false;
}

bool SetQuiet(bool quiet) {
  const bool was = M().quiet;
  M().quiet = quiet;
  return was;
}

size_t RegValueList::size() const { return static_cast<const RegValues*>(values_)->size(); }

RegValueView RegValueList::operator[](size_t i) const {
  const RegValue& v = static_cast<const RegValues*>(values_)->at(i);
  return RegValueView{v.name(), v.type(), v.data()};
}

// Keys depth first, parents before children; `path` grows and shrinks in
// place, so that a deep tree costs no copy of each path.
static void VisitKey(const RegKey& key, std::string* path,
                     const std::function<void(const std::string&, const RegValueList&)>& visit) {
  if (!path->empty()) visit(*path, RegValueList(&key.values()));
  for (size_t i = 0; i < key.SubkeyCount(); ++i) {
    const std::string_view name = key.SubkeyName(i);
    const size_t size = path->size();
    if (!path->empty()) *path += '\\';
    else if (NamesARoot(std::string(name))) *path = "HKLM\\";  // a key at HKLM's top that spells a root
    *path += name;
    VisitKey(key.Subkey(i), path, visit);
    path->resize(size);
  }
}

void VisitRegistry(const std::function<void(const std::string&, const RegValueList&)>& visit) {
  std::string path;
  VisitKey(M().hklm, &path, visit);
  path = "HKCU";
  VisitKey(M().hkcu, &path, [&visit](const std::string& p, const RegValueList& values) {
    if (p.size() > 4) visit(p, values);
  });
}

std::vector<KeyContents> RegistryContents() {
  std::vector<KeyContents> out;
  VisitRegistry([&out](const std::string& path, const RegValueList& values) {
    KeyContents contents{path, {}, {}, {}};
    for (size_t i = 0; i < values.size(); ++i) {
      contents.valueNames.emplace_back(values[i].name);
      contents.valueTypes.push_back(values[i].type);
      contents.valueData.emplace_back(values[i].data);
    }
    out.push_back(std::move(contents));
  });
  return out;
}

const std::vector<RegistryDeletion>& RegistryDeletions() { return M().registryDeletions; }

size_t SubkeyCount(const std::string& path) {
  std::string rest;
  RegKey* root = RootFor(path, &rest);
  RegKey* key = root ? Resolve(root, rest) : nullptr;
  return key ? key->SubkeyCount() : 0;
}

std::string SubkeyName(const std::string& path, size_t index) {
  std::string rest;
  RegKey* root = RootFor(path, &rest);
  RegKey* key = root ? Resolve(root, rest) : nullptr;
  if (!key || index >= key->SubkeyCount()) return "";
  return std::string(key->SubkeyName(index));
}

}  // namespace sim
