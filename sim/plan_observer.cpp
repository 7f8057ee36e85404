// Watching the launcher's calls as they happen, and ending its process
// between two runs on the same machine (used by setup-plan).
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

}  // namespace sim
