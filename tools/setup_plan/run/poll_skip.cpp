#include "poll_skip.h"

#include <cstring>

namespace plan {
namespace {

// Calls that change nothing the next cycle could see: reads of the registry,
// the information file, the release and the window list, and the priority
// the probes set and set back.
bool OnlyReads(const std::string& f) {
  static const char* const kReads[] = {
      "RegOpenKeyExA", "RegEnumKeyExA", "RegQueryValueExA", "RegCloseKey", "GetPrivateProfileStringA",
      "GetModuleFileNameA", "GetVersionExA", "FindWindowA", "SetThreadPriority", "SetPriorityClass",
      "GetCurrentThread", "GetCurrentProcess", "Sleep"};
  for (const char* name : kReads)
    if (f == name) return true;
  return false;
}

// FNV-1a over the call's name and arguments.
uint64_t Mix(uint64_t digest, const std::string& text) {
  for (unsigned char c : text) digest = (digest ^ c) * 1099511628211ull;
  return (digest ^ 0xFF) * 1099511628211ull;
}

}  // namespace

unsigned long PollSkip::OnCall(const sim::Call& call, DWORD horizon, DWORD* cycleMs) {
  if (call.function != "Sleep") {
    current_.digest = Mix(Mix(current_.digest, call.function), call.detail);
    current_.calls += 1;
    current_.readsOnly = current_.readsOnly && OnlyReads(call.function);
    return 0;
  }
  unsigned long cycles = 0;
  if (started_) {
    current_.length = call.time - cycleStart_;
    const bool steady = current_.readsOnly && previous_.readsOnly && current_.length > 0 &&
                        current_.digest == previous_.digest && current_.calls == previous_.calls &&
                        current_.length == previous_.length;
    // Short of the horizon by one cycle more than needed: the cycle that
    // sees the change runs for real, with one before it.
    if (steady && horizon > call.time) {
      const unsigned long fit = (horizon - call.time - 1) / current_.length;
      cycles = fit > 1 ? fit - 1 : 0;
    }
    previous_ = current_;
  }
  *cycleMs = current_.length;
  started_ = true;
  cycleStart_ = call.time + static_cast<DWORD>(cycles) * current_.length;
  current_ = Cycle();
  current_.readsOnly = true;
  current_.digest = 14695981039346656037ull;
  return cycles;
}

}  // namespace plan
