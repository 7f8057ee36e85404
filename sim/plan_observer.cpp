// Watching the launcher's calls as they happen, ending its process between
// two runs on the same machine, and listing the registry (used by setup-plan).
#include <vector>

#include "machine.h"

namespace sim {

void ObserveCalls(std::function<void(const Call&)> observer) { M().callObserver = std::move(observer); }

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

// Keys depth first, parents before children; `path` grows and shrinks in
// place, so that a deep tree costs no copy of each path.
static void VisitKey(const RegKey& key, std::string* path, std::vector<RegValueView>* views,
                     const std::function<void(const std::string&, const RegValueView*, size_t)>& visit) {
  if (!path->empty()) {
    views->clear();
    for (size_t i = 0; i < key.values.size(); ++i) {
      const RegValue& v = key.values.at(i);
      views->push_back(RegValueView{v.name(), v.type(), v.data()});
    }
    visit(*path, views->data(), views->size());
  }
  if (!key.subkeys) return;
  for (const auto& sub : *key.subkeys) {
    const size_t size = path->size();
    if (!path->empty()) *path += '\\';
    *path += sub.first;
    VisitKey(sub.second, path, views, visit);
    path->resize(size);
  }
}

void VisitRegistry(const std::function<void(const std::string&, const RegValueView*, size_t)>& visit) {
  std::string path;
  std::vector<RegValueView> views;
  VisitKey(M().hklm, &path, &views, visit);
  path = "HKCU";
  VisitKey(M().hkcu, &path, &views, [&visit](const std::string& p, const RegValueView* v, size_t n) {
    if (p.size() > 4) visit(p, v, n);
  });
}

std::vector<KeyContents> RegistryContents() {
  std::vector<KeyContents> out;
  VisitRegistry([&out](const std::string& path, const RegValueView* values, size_t count) {
    KeyContents contents{path, {}, {}, {}};
    for (size_t i = 0; i < count; ++i) {
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

}  // namespace sim
