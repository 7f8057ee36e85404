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

static void ListKey(const RegKey& key, const std::string& path, std::vector<KeyContents>* out) {
  if (!path.empty()) {
    KeyContents contents{path, {}, {}, {}};
    for (const RegValue& v : key.values) {
      contents.valueNames.push_back(v.name);
      contents.valueTypes.push_back(v.type);
      contents.valueData.push_back(v.data);
    }
    out->push_back(contents);
  }
  for (const auto& sub : key.subkeys) {
    const std::string& name = sub.second->name;
    ListKey(*sub.second, path.empty() ? name : path + "\\" + name, out);
  }
}

std::vector<KeyContents> RegistryContents() {
  std::vector<KeyContents> out;
  ListKey(M().hklm, "", &out);
  for (const auto& sub : M().hkcu.subkeys) ListKey(*sub.second, "HKCU\\" + sub.second->name, &out);
  return out;
}

size_t SubkeyCount(const std::string& path) {
  std::string rest;
  RegKey* root = RootFor(path, &rest);
  RegKey* key = root ? Resolve(root, rest) : nullptr;
  return key ? key->subkeys.size() : 0;
}

}  // namespace sim
