// Access rights of the simulated machine: what a key or event handle was
// opened with, what it then allows, and the limited user. Only Windows NT
// checks rights; the 98 family has no security and grants everything.
//
// A limited user is a member of Users on a fresh 2000 or XP, with the
// defaults those releases install (their setup security templates: Users
// read and run below the Windows folder, read HKEY_LOCAL_MACHINE, use but do
// not manage printers; only administrators and power users start and stop
// services): no key below HKEY_LOCAL_MACHINE is opened for writing, no file
// below the Windows folder (its Temp folder apart) is created, written,
// deleted or has its attributes changed, no printer is opened for
// administration nor a driver deleted, and net.exe cannot stop or start the
// spooler (it ends with 2, after "System error 5 has occurred"). Also what the fault driver needs
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
  if (!m.keepCalls) m.keyOpens.clear();  // only the last is kept: a plan polls without end
  m.keyOpens.push_back(KeyOpen{function, path, access, refused});
  m.keyOpenCount += 1;
  return !refused;
}

bool HandleAllows(const void* handle, DWORD needed) {
  if (!IsNt()) return true;
  HandleObject* h = Lookup(handle, HandleKind::Any);
  if (!h) return true;  // a predefined root key: the caller checks it is known
  return (h->granted & needed) == needed;
}

void RunAsLimitedUser(bool limited) { M().limitedUser = limited; }

bool LimitedUserOnNt() { return IsNt() && M().limitedUser; }
bool LimitedUser() { return LimitedUserOnNt(); }

bool ProtectedFromUser(const std::string& path) {
  if (!LimitedUserOnNt()) return false;
  const std::string windows = M().windowsDir + "\\";
  const std::string temp = windows + "Temp\\";
  const auto below = [&path](const std::string& folder) {
    return path.size() >= folder.size() && SameNoCase(path.substr(0, folder.size()), folder);
  };
  return below(windows) && !below(temp);
}

const std::vector<KeyOpen>& KeyOpens() { return M().keyOpens; }
size_t KeyOpenCount() { return M().keyOpenCount; }
const std::vector<EventOpen>& EventOpens() { return M().eventOpens; }
const std::vector<FileOpen>& FileOpens() { return M().fileOpens; }
const std::vector<EventCreate>& EventCreates() { return M().eventCreates; }
const std::vector<FileCopy>& FileCopies() { return M().fileCopies; }
DWORD LastSetAttributesError() { return M().lastAttributesError; }

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
