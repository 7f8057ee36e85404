// Access rights of the simulated machine: what a key or event handle was
// opened with, what it then allows, and the limited user who may not write
// below HKEY_LOCAL_MACHINE. Only Windows NT checks rights; the 98 family
// has no security and grants everything. Also what the fault driver needs
// besides: the list of all files and the zero-bytes form of a failed read.
#include "machine.h"

namespace sim {

namespace {

// KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC,
// WRITE_OWNER, GENERIC_WRITE and GENERIC_ALL.
const REGSAM kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000 | 0x40000000 | 0x10000000;

}  // namespace

bool IsNt() { return M().version.dwPlatformId == VER_PLATFORM_WIN32_NT; }

bool KeyAccessAllowed(const char* function, const std::string& path, REGSAM access) {
  Machine& m = M();
  const bool belowMachine = path.compare(0, 4, "HKLM") == 0;
  const bool refused = IsNt() && m.limitedUser && belowMachine && (access & kWriteRights);
  m.keyOpens.push_back(KeyOpen{function, path, access, refused});
  return !refused;
}

bool HandleAllows(const void* handle, DWORD needed) {
  if (!IsNt()) return true;
  HandleObject* h = Lookup(handle, HandleKind::Any);
  if (!h) return true;  // a predefined root key: the caller checks it is known
  return (h->granted & needed) == needed;
}

void RunAsLimitedUser(bool limited) { M().limitedUser = limited; }

const std::vector<KeyOpen>& KeyOpens() { return M().keyOpens; }
const std::vector<EventOpen>& EventOpens() { return M().eventOpens; }
const std::vector<FileOpen>& FileOpens() { return M().fileOpens; }
const std::vector<EventCreate>& EventCreates() { return M().eventCreates; }
const std::vector<FileCopy>& FileCopies() { return M().fileCopies; }

bool EventManualReset(const std::string& name) {
  auto it = M().events.find(name);
  return it != M().events.end() && it->second.manualReset;
}

int EventReferences(const std::string& name) {
  auto it = M().events.find(name);
  return it == M().events.end() ? 0 : it->second.references;
}

void FailReadsAsZeroBytes(bool zeroBytes) { M().readFailureReadsNothing = zeroBytes; }

std::vector<std::string> AllFiles() {
  std::vector<std::string> paths;
  for (const auto& file : M().files) paths.push_back(file.first);
  return paths;
}

}  // namespace sim
