// The simulated machine's bookkeeping: reset, the call log, injected
// failures, the handle table, the virtual clock and the reported version.
#include "machine.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
Machine* g_machine = nullptr;
}

Machine& M() {
  if (!g_machine) Reset();
  return *g_machine;
}

void Reset() {
  delete g_machine;
  g_machine = new Machine();
  PoseAs(Release::WinXP);
  // Every Windows has its system folder and its INF folder.
  CreateFolder(g_machine->systemDir);
  CreateFolder(g_machine->windowsDir + "\\inf");
}

static unsigned char UpperAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 0x20) : c; }

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = UpperAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = UpperAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool SameNoCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// ---- calls and failures ---------------------------------------------------

static bool Matches(const std::string& pattern, const char* function) {
  if (!pattern.empty() && pattern.back() == '*')
    return std::strncmp(function, pattern.c_str(), pattern.size() - 1) == 0;
  return pattern == function;
}

bool Enter(const char* function, const std::string& detail) {
  Machine& m = M();
  if (m.quiet) return false;
  if (m.keepCalls) m.calls.push_back(Call{function, detail, m.clock});
  if (m.callObserver) {
    const Call call{function, detail, m.clock};  // the observer may make the log grow
    m.callObserver(call);
  }
  bool fail = false;
  for (FaultRule& rule : m.faults) {
    if (!Matches(rule.pattern, function)) continue;
    if (++rule.seen == rule.nth) fail = true;
  }
  return fail;
}

const std::vector<Call>& Calls() { return M().calls; }

int CallCount(const std::string& function) {
  const auto& calls = M().calls;
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.function == function; }));
}

int FindCall(const std::string& function, size_t from) {
  const auto& calls = M().calls;
  for (size_t i = from; i < calls.size(); ++i)
    if (calls[i].function == function) return static_cast<int>(i);
  return -1;
}

void ClearCalls() { M().calls.clear(); }

void FailCall(const std::string& pattern, int nth) { M().faults.push_back(FaultRule{pattern, nth}); }

void ClearFailures() { M().faults.clear(); }

// ---- handles ---------------------------------------------------------------

uintptr_t NewHandle(HandleObject object) {
  Machine& m = M();
  uintptr_t value = m.nextHandle;
  m.nextHandle += 4;
  m.handles.emplace(value, std::move(object));
  return value;
}

HandleObject* Lookup(const void* handle, HandleKind kind) {
  auto it = M().handles.find(reinterpret_cast<uintptr_t>(handle));
  if (it == M().handles.end()) return nullptr;
  if (kind != HandleKind::Any && it->second.kind != kind) return nullptr;
  return &it->second;
}

void DropHandle(const void* handle) { M().handles.erase(reinterpret_cast<uintptr_t>(handle)); }

int OpenHandles(HandleKind kind) {
  int n = 0;
  for (const auto& entry : M().handles)
    if (kind == HandleKind::Any || entry.second.kind == kind) ++n;
  return n;
}

// ---- clock -----------------------------------------------------------------

DWORD Now() { return M().clock; }

void At(DWORD atMs, std::function<void()> change) {
  Machine& m = M();
  m.schedule.push_back(Scheduled{atMs, m.scheduleOrder++, std::move(change)});
}

void AdvanceClock(DWORD ms) {
  Machine& m = M();
  const DWORD target = m.clock + ms;
  for (;;) {
    auto next = std::min_element(m.schedule.begin(), m.schedule.end(), [](const Scheduled& a, const Scheduled& b) {
      return a.at != b.at ? a.at < b.at : a.order < b.order;
    });
    if (next == m.schedule.end() || next->at > target) break;
    Scheduled due = std::move(*next);
    m.schedule.erase(next);
    if (due.at > m.clock) m.clock = due.at;
    due.change();
  }
  m.clock = target;
}

// ---- version and code page -------------------------------------------------

void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build, const std::string& csd) {
  OSVERSIONINFOA& v = M().version;
  std::memset(&v, 0, sizeof v);
  v.dwOSVersionInfoSize = sizeof v;
  v.dwPlatformId = platform;
  v.dwMajorVersion = major;
  v.dwMinorVersion = minor;
  v.dwBuildNumber = build;
  std::strncpy(v.szCSDVersion, csd.c_str(), sizeof v.szCSDVersion - 1);
}

void PoseAs(Release release) {
  switch (release) {
    case Release::Win95: SetVersion(1, 4, 0, 0x040003B6, ""); break;
    case Release::Win98: SetVersion(1, 4, 10, 0x040A07CE, " "); break;
    case Release::Win98SE: SetVersion(1, 4, 10, 0x040A08AE, " A "); break;
    case Release::WinMe: SetVersion(1, 4, 90, 0x045A0BB8, " "); break;
    case Release::NT4: SetVersion(2, 4, 0, 1381, "Service Pack 6a"); break;
    case Release::Win2000: SetVersion(2, 5, 0, 2195, "Service Pack 4"); break;
    case Release::WinXP: SetVersion(2, 5, 1, 2600, "Service Pack 3"); break;
    case Release::Win2003: SetVersion(2, 5, 2, 3790, "Service Pack 2"); break;
    case Release::Win7: SetVersion(2, 6, 1, 7601, "Service Pack 1"); break;
    case Release::Win32s: SetVersion(0, 1, 30, 0, ""); break;
  }
}

void SetAnsiCodePage(int codePage) { M().ansiCodePage = codePage; }
int AnsiCodePage() { return M().ansiCodePage; }

}  // namespace sim
