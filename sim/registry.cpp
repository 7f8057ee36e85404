// Simulated registry: keys case-insensitive and enumerated in sorted order
// (as NT and Wine do), typed values, ERROR_MORE_DATA with the needed size
// when data does not fit, the buffer then left untouched.
#include <cstring>

#include "machine.h"

namespace sim {

size_t FoldedHash(int codePage, std::string_view s) {
  size_t h = 14695981039346656037ull;  // FNV-1a over the folded characters
  for (size_t i = 0; i < s.size();) h = (h ^ NextFoldedChar(codePage, s, &i)) * 1099511628211ull;
  return h;
}

bool FoldedEqual(int codePage, std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0, j = 0; i < a.size();)
    if (NextFoldedChar(codePage, a, &i) != NextFoldedChar(codePage, b, &j) || i != j) return false;
  return true;
}

RegValue::RegValue(std::string_view name, DWORD type, std::string_view data)
    : nameSize_(static_cast<uint32_t>(name.size())), type_(type) {
  bytes_.reserve(name.size() + data.size());
  bytes_.append(name).append(data);
}

void RegValue::SetData(DWORD type, std::string_view data) {
  type_ = type;
  bytes_.resize(nameSize_);
  bytes_.append(data);
  if (bytes_.capacity() > 2 * bytes_.size() + 64) bytes_.shrink_to_fit();
}

struct RegValues::Store {
  static const size_t kChunk = 256;        // values; every chunk but the last is full
  static const size_t kIndexedFrom = 16;   // values; fewer are looked along
  std::vector<std::vector<RegValue>> chunks;
  size_t count = 0;
  // Open addressing, linear probing: position + 1 of a value, 0 for none;
  // at most half full. Empty while the key has few values.
  std::vector<uint32_t> index;
  int codePage;  // names are compared in

  explicit Store(int page) : codePage(page) {}
  RegValue& At(size_t i) { return chunks[i / kChunk][i % kChunk]; }
  size_t Slot(std::string_view name, size_t* position) {
    const size_t mask = index.size() - 1;
    for (size_t slot = FoldedHash(codePage, name) & mask;; slot = (slot + 1) & mask) {
      *position = index[slot];
      if (!*position || FoldedEqual(codePage, At(*position - 1).name(), name)) return slot;
    }
  }
  void Reindex() {
    index.clear();
    if (count < kIndexedFrom) return;
    size_t slots = 64;
    while (slots < 2 * count + 2) slots *= 2;
    index.assign(slots, 0);
    size_t position;
    for (size_t i = 0; i < count; ++i) index[Slot(At(i).name(), &position)] = static_cast<uint32_t>(i + 1);
  }
};

RegValues::RegValues() = default;
RegValues::~RegValues() = default;
RegValues::RegValues(RegValues&&) noexcept = default;
RegValues& RegValues::operator=(RegValues&&) noexcept = default;

size_t RegValues::size() const { return store_ ? store_->count : 0; }

const RegValue& RegValues::at(size_t i) const { return store_->At(i); }

RegValue* RegValues::Find(std::string_view name) {
  if (!store_) return nullptr;
  if (!store_->index.empty()) {
    size_t position;
    store_->Slot(name, &position);
    return position ? &store_->At(position - 1) : nullptr;
  }
  for (size_t i = 0; i < store_->count; ++i)
    if (FoldedEqual(store_->codePage, store_->At(i).name(), name)) return &store_->At(i);
  return nullptr;
}

void RegValues::Set(std::string_view name, DWORD type, std::string_view data) {
  if (RegValue* v = Find(name)) return v->SetData(type, data);
  if (!store_) store_ = std::make_unique<Store>(M().ansiCodePage);
  Store& s = *store_;
  if (s.count % Store::kChunk == 0 && s.count / Store::kChunk == s.chunks.size()) {
    s.chunks.emplace_back();
    if (s.count) s.chunks.back().reserve(Store::kChunk);  // the first grows as the key does
  }
  s.chunks.back().emplace_back(name, type, data);
  ++s.count;
  if (s.count < Store::kIndexedFrom) return;
  if (2 * s.count + 2 > s.index.size()) return s.Reindex();
  size_t position;
  s.index[s.Slot(name, &position)] = static_cast<uint32_t>(s.count);
}

void RegValues::Erase(std::string_view name) {
  RegValue* v = Find(name);
  if (!v) return;
  // The values after it move up one place, across chunks.
  Store& s = *store_;
  size_t i = 0;
  while (&s.At(i) != v) ++i;
  for (; i + 1 < s.count; ++i) s.At(i) = std::move(s.At(i + 1));
  s.chunks.back().pop_back();
  if (s.chunks.back().empty()) s.chunks.pop_back();
  --s.count;
  s.Reindex();
}

// The key names of a path, read in the ANSI code page as Windows reads it:
// a double-byte character whose second byte is 0x5C is no separator.
static std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else if (IsAnsiLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      part.append(path, i++, 2);
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

RegKey* Resolve(RegKey* root, const std::string& path) {
  RegKey* key = root;
  for (const std::string& part : SplitPath(path)) {
    key = key->Find(part);
    if (!key) return nullptr;
  }
  return key;
}

RegKey* ResolveOrCreate(RegKey* root, const std::string& path, bool* created) {
  RegKey* key = root;
  *created = false;
  for (const std::string& part : SplitPath(path)) {
    RegKey* next = key->Find(part);
    if (!next) {
      next = key->AddSubkey(part);
      *created = true;
    }
    key = next;
  }
  return key;
}

bool NamesARoot(const std::string& name) { return SameNoCase(name, "HKCU") || SameNoCase(name, "HKLM"); }

std::string LocalMachinePath(const std::string& rest) {
  const size_t first = rest.find_first_not_of('\\');
  if (first == std::string::npos) return rest;
  return NamesARoot(rest.substr(first, rest.find('\\', first) - first)) ? "HKLM\\" + rest : rest;
}

std::string KeyPathText(const RegKey* root, const std::vector<std::string>& parts) {
  std::string text = root == &M().hkcu ? "HKCU" : !parts.empty() && NamesARoot(parts[0]) ? "HKLM" : "";
  for (const std::string& part : parts) text += (text.empty() ? "" : "\\") + part;
  return text;
}

RegKey* RootFor(const std::string& path, std::string* rest) {
  if (path.size() >= 4 && SameNoCase(path.substr(0, 4), "HKCU") && (path.size() == 4 || path[4] == '\\')) {
    *rest = path.size() > 4 ? path.substr(5) : std::string();
    return &M().hkcu;
  }
  if (path.size() >= 4 && SameNoCase(path.substr(0, 4), "HKLM") && (path.size() == 4 || path[4] == '\\')) {
    *rest = path.size() > 4 ? path.substr(5) : std::string();
    return &M().hklm;
  }
  *rest = path;
  return &M().hklm;
}

// ---- the sim.h API ----------------------------------------------------------

static RegKey* KeyAt(const std::string& path) {
  std::string rest;
  RegKey* root = RootFor(path, &rest);
  return Resolve(root, rest);
}

void CreateKey(const std::string& path) {
  std::string rest;
  bool created;
  ResolveOrCreate(RootFor(path, &rest), rest, &created);
}

// Notes a key about to be deleted, with everything below it, as deleted.
static void NoteDeletedTree(const RegKey& key, const std::string& path) {
  M().registryDeletions.push_back(RegistryDeletion{path, false, ""});
  const RegValues& values = key.values();
  for (size_t i = 0; i < values.size(); ++i)
    M().registryDeletions.push_back(RegistryDeletion{path, true, std::string(values.at(i).name())});
  for (size_t i = 0; i < key.SubkeyCount(); ++i)
    NoteDeletedTree(key.Subkey(i), path + "\\" + std::string(key.SubkeyName(i)));
}

void DeleteKey(const std::string& path) {
  std::string rest;
  RegKey* root = RootFor(path, &rest);
  auto parts = SplitPath(rest);
  if (parts.empty()) return;
  std::string last = parts.back();
  parts.pop_back();
  RegKey* parent = root;
  for (const std::string& p : parts) {
    parent = parent->Find(p);
    if (!parent) return;
  }
  std::string_view spelled;
  const RegKey* gone = parent->Find(last, &spelled);
  if (!gone) return;
  parts.push_back(std::string(spelled));
  NoteDeletedTree(*gone, KeyPathText(root, parts));
  parent->EraseSubkey(last);
}

bool KeyExists(const std::string& path) { return KeyAt(path) != nullptr; }

void SetValue(const std::string& path, const std::string& name, DWORD type, const std::string& data) {
  std::string rest;
  bool created;
  ResolveOrCreate(RootFor(path, &rest), rest, &created)->values().Set(name, type, data);
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
  SetValue(path, name, REG_SZ, text + std::string(1, '\0'));
}

bool ValueExists(const std::string& path, const std::string& name) {
  RegKey* key = KeyAt(path);
  return key && key->FindValue(name);
}

std::string GetValue(const std::string& path, const std::string& name) {
  RegKey* key = KeyAt(path);
  RegValue* v = key ? key->FindValue(name) : nullptr;
  return v ? std::string(v->data()) : std::string();
}

DWORD GetValueType(const std::string& path, const std::string& name) {
  RegKey* key = KeyAt(path);
  RegValue* v = key ? key->FindValue(name) : nullptr;
  return v ? v->type() : REG_NONE;
}

void DeleteValue(const std::string& path, const std::string& name) {
  RegKey* key = KeyAt(path);
  if (!key || !key->FindValue(name)) return;
  std::string rest;
  const RegKey* root = RootFor(path, &rest);
  M().registryDeletions.push_back(
      RegistryDeletion{KeyPathText(root, SplitPath(rest)), true, std::string(key->FindValue(name)->name())});
  key->values().Erase(name);
}

}  // namespace sim

// ---- the Win32 functions ------------------------------------------------------

using namespace sim;

// The full path ("HKLM\...") that a predefined or opened key handle stands for.
static bool HandlePath(HKEY hKey, std::string* path) {
  if (hKey == HKEY_LOCAL_MACHINE) {
    *path = "HKLM";
    return true;
  }
  if (hKey == HKEY_CURRENT_USER) {
    *path = "HKCU";
    return true;
  }
  HandleObject* h = Lookup(hKey, HandleKind::Key);
  if (!h) return false;
  *path = h->path;
  return true;
}

static std::string Join(const std::string& base, const char* sub) {
  if (!sub || !*sub) return base;
  return base + "\\" + sub;
}

static HKEY NewKeyHandle(const std::string& path, REGSAM access) {
  HandleObject obj(HandleKind::Key);
  obj.path = path;
  obj.granted = access;
  return reinterpret_cast<HKEY>(NewHandle(obj));
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  std::string base;
  bool known = HandlePath(hKey, &base);
  std::string path = Join(base, lpSubKey);
  if (Enter("RegOpenKeyExA", path) || !KeyAccessAllowed("RegOpenKeyExA", path, samDesired)) {
    *phkResult = nullptr;
    return ERROR_ACCESS_DENIED;
  }
  if (!known) return ERROR_INVALID_HANDLE;
  if (lpSubKey && HasOverlongKeyName(lpSubKey)) {
    *phkResult = nullptr;
    return ERROR_INVALID_PARAMETER;
  }
  if (!KeyAt(path)) {
    *phkResult = nullptr;
    return ERROR_FILE_NOT_FOUND;
  }
  *phkResult = NewKeyHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, LPSECURITY_ATTRIBUTES,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  std::string base;
  bool known = HandlePath(hKey, &base);
  std::string path = Join(base, lpSubKey);
  if (Enter("RegCreateKeyExA", path) || !KeyAccessAllowed("RegCreateKeyExA", path, samDesired)) {
    *phkResult = nullptr;
    return ERROR_ACCESS_DENIED;
  }
  if (!known) return ERROR_INVALID_HANDLE;
  if (lpSubKey && HasOverlongKeyName(lpSubKey)) {
    *phkResult = nullptr;
    return ERROR_INVALID_PARAMETER;
  }
  std::string rest;
  bool created;
  ResolveOrCreate(RootFor(path, &rest), rest, &created);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *phkResult = NewKeyHandle(path, samDesired);
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR, LPDWORD,
                   FILETIME*) {
  std::string path;
  bool known = HandlePath(hKey, &path);
  if (Enter("RegEnumKeyExA", path + " #" + std::to_string(dwIndex))) return ERROR_ACCESS_DENIED;
  if (!known) return ERROR_INVALID_HANDLE;
  if (!HandleAllows(hKey, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  RegKey* key = KeyAt(path);
  if (!key) return ERROR_FILE_NOT_FOUND;  // deleted while open
  if (dwIndex >= key->SubkeyCount()) return ERROR_NO_MORE_ITEMS;
  const std::string_view name = key->SubkeyName(dwIndex);
  if (name.size() >= *lpcchName) return ERROR_MORE_DATA;
  std::memcpy(lpName, name.data(), name.size());
  lpName[name.size()] = '\0';
  *lpcchName = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  std::string path;
  bool known = HandlePath(hKey, &path);
  std::string name = lpValueName ? lpValueName : "";
  if (Enter("RegQueryValueExA", path + " : " + name)) return ERROR_ACCESS_DENIED;
  if (!known) return ERROR_INVALID_HANDLE;
  if (!HandleAllows(hKey, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  RegKey* key = KeyAt(path);
  RegValue* v = key ? key->FindValue(name) : nullptr;
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = v->type();
  const std::string_view data = v->data();
  const DWORD size = static_cast<DWORD>(data.size());
  if (!lpData) {
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpData, data.data(), size);
  // A string stored without its zero gets one when the buffer has room for
  // it; when the buffer is exactly the data's size it stays unterminated.
  const bool isString = v->type() == REG_SZ || v->type() == REG_EXPAND_SZ || v->type() == REG_MULTI_SZ;
  if (isString && *lpcbData > size && (size == 0 || data.back() != '\0')) lpData[size] = 0;
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  std::string path;
  bool known = HandlePath(hKey, &path);
  std::string name = lpValueName ? lpValueName : "";
  if (Enter("RegSetValueExA", path + " : " + name)) return ERROR_ACCESS_DENIED;
  if (!known) return ERROR_INVALID_HANDLE;
  if (!HandleAllows(hKey, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!KeyAt(path)) return ERROR_FILE_NOT_FOUND;
  // As NT does: a string whose count leaves out the terminating zero gets it
  // when the byte after the count is that zero.
  const bool isString = dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ;
  if (isString && lpData && cbData && lpData[cbData - 1] && !lpData[cbData]) ++cbData;
  SetValue(path, name, dwType, std::string(reinterpret_cast<const char*>(lpData), cbData));
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  std::string path;
  bool known = HandlePath(hKey, &path);
  Enter("RegCloseKey", path);  // closing cannot be made to fail: it is not a failure the launcher meets
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  if (!known) return ERROR_INVALID_HANDLE;
  DropHandle(hKey);
  return ERROR_SUCCESS;
}
