// Simulated top-level windows of other processes and FindWindowA.
//
// Windows compares window titles as Unicode text without regard to case. The
// simulator keeps titles as bytes, so it compares them character by character
// in the posed ANSI code page: a double-byte character is one character (its
// trail byte may look like an ASCII letter but is never case-folded alone), a
// single-byte character matches without regard to case, and so does a
// full-width Latin letter. A title holding non-ASCII bytes reads as different
// text under another code page, so it is found only while the code page it
// was opened under is posed.
#include "machine.h"

namespace {

bool IsLeadByte(int codePage, unsigned char c) {
  switch (codePage) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949: return c >= 0x81 && c <= 0xFE;
    default: return false;
  }
}

unsigned char FoldByte(int codePage, unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (codePage == 1252) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) return 0x9F;
  }
  return c;
}

// A double-byte character as one value, full-width Latin small letters
// folded to capitals (the only double-byte letters with case modelled).
unsigned int FoldDouble(int codePage, unsigned char lead, unsigned char trail) {
  if (codePage == 932 && lead == 0x82 && trail >= 0x81 && trail <= 0x9A) trail = static_cast<unsigned char>(trail - 0x21);
  if ((codePage == 936 || codePage == 949) && lead == 0xA3 && trail >= 0xE1 && trail <= 0xFA)
    trail = static_cast<unsigned char>(trail - 0x20);
  return (static_cast<unsigned int>(lead) << 8) | trail;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

bool SameTitle(int codePage, const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    const unsigned char ca = static_cast<unsigned char>(a[i]);
    const unsigned char cb = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(codePage, ca) && i + 1 < a.size()) {
      if (FoldDouble(codePage, ca, static_cast<unsigned char>(a[i + 1])) !=
          FoldDouble(codePage, cb, static_cast<unsigned char>(b[i + 1])))
        return false;
      i += 2;
      continue;
    }
    if (FoldByte(codePage, ca) != FoldByte(codePage, cb)) return false;
    ++i;
  }
  return true;
}

}  // namespace

namespace sim {

HWND OpenWindow(const std::string& title) {
  Machine& m = M();
  const uintptr_t id = m.nextWindow;
  m.nextWindow += 4;
  Window& w = m.windows[id];
  w.title = title;
  w.outside = true;
  w.codePage = m.ansiCodePage;
  return reinterpret_cast<HWND>(id);
}

void CloseWindow(HWND window) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(window));
  if (it != M().windows.end() && it->second.outside) M().windows.erase(it);
}

}  // namespace sim

using namespace sim;

// The simulated windows have no class, so a class name matches none of them.
// Several matches: the most recently opened window is on top and is returned.
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  const std::string title = lpWindowName ? lpWindowName : "";
  if (Enter("FindWindowA", title)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  Machine& m = M();
  if (!lpClassName) {
    for (auto it = m.windows.rbegin(); it != m.windows.rend(); ++it) {
      const Window& w = it->second;
      if (!w.outside || !w.open) continue;
      if (!lpWindowName) return reinterpret_cast<HWND>(it->first);
      if (w.codePage != m.ansiCodePage && !(IsAscii(w.title) && IsAscii(title))) continue;
      if (SameTitle(m.ansiCodePage, w.title, title)) return reinterpret_cast<HWND>(it->first);
    }
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}
