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
#include <cstring>

#include "machine.h"

namespace {

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

bool SameTitle(int codePage, const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0, j = 0; i < a.size();)
    if (sim::NextFoldedChar(codePage, a, &i) != sim::NextFoldedChar(codePage, b, &j) || i != j) return false;
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

void WindowAnswersAfter(HWND window, DWORD ms) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(window));
  if (it != M().windows.end()) it->second.answersAfterMs = ms;
}

void CloseWindow(HWND window) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(window));
  if (it != M().windows.end() && it->second.outside) M().windows.erase(it);
}

}  // namespace sim

using namespace sim;

// The open window of another program titled `title` as FindWindowA looks it
// up without a class, or none. Several matches: the most recently opened
// window is on top and is returned.
static HWND FindByTitle(const std::string& title) {
  Machine& m = M();
  for (auto it = m.windows.rbegin(); it != m.windows.rend(); ++it) {
    const Window& w = it->second;
    if (!w.outside || !w.open) continue;
    if (w.codePage != m.ansiCodePage && !(IsAscii(w.title) && IsAscii(title))) continue;
    if (SameTitle(m.ansiCodePage, w.title, title)) return reinterpret_cast<HWND>(it->first);
  }
  return nullptr;
}

bool sim::WindowFound(const std::string& title) { return FindByTitle(title) != nullptr; }

// The simulated windows have no class, so a class name matches none of them.
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  const std::string title = lpWindowName ? lpWindowName : "";
  if (Enter("FindWindowA", title)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  Machine& m = M();
  if (!lpClassName) {
    if (!lpWindowName) {
      for (auto it = m.windows.rbegin(); it != m.windows.rend(); ++it)
        if (it->second.outside && it->second.open) return reinterpret_cast<HWND>(it->first);
    } else if (HWND found = FindByTitle(title)) {
      return found;
    }
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

// ---- window enumeration and messages (printer removal) ----------------------

namespace sim {

std::vector<WindowMessage> MessagesReceived(HWND window) {
  auto it = M().windowMessages.find(reinterpret_cast<uintptr_t>(window));
  return it == M().windowMessages.end() ? std::vector<WindowMessage>() : it->second;
}

}  // namespace sim

// Top-level windows of other processes, topmost (the most recently opened)
// first. The list is taken before the first callback, as Windows does; a
// window closed meanwhile is skipped. FALSE as soon as the callback returns
// FALSE.
BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  if (Enter("EnumWindows")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::vector<uintptr_t> list;
  for (auto it = M().windows.rbegin(); it != M().windows.rend(); ++it)
    if (it->second.outside && it->second.open) list.push_back(it->first);
  for (uintptr_t id : list) {
    if (!M().windows.count(id)) continue;
    if (!lpEnumFunc(reinterpret_cast<HWND>(id), lParam)) return FALSE;
  }
  return TRUE;
}

// At most nMaxCount - 1 bytes and the terminator; a double-byte character
// that does not fit whole is left out.
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(hWnd));
  const bool fail = Enter("GetWindowTextA", it == M().windows.end() ? std::string() : it->second.title);
  if (nMaxCount <= 0) return 0;
  lpString[0] = 0;
  if (fail || it == M().windows.end()) {
    SetLastError(fail ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::string& title = it->second.title;
  size_t length = 0;
  while (length < title.size()) {
    const size_t step = sim::IsLeadByteIn(it->second.codePage, static_cast<unsigned char>(title[length])) ? 2 : 1;
    if (length + step > static_cast<size_t>(nMaxCount - 1) || length + step > title.size()) break;
    length += step;
  }
  std::memcpy(lpString, title.data(), length);
  lpString[length] = 0;
  return static_cast<int>(length);
}

namespace {

const DWORD kErrorInvalidWindowHandle = 1400;

// The window handles the message now: recorded, and a dialog's procedure
// answers it.
LRESULT Deliver(uintptr_t window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Machine& m = M();
  m.windowMessages[window].push_back(WindowMessage{Msg, wParam, lParam, m.clock});
  auto it = m.windows.find(window);
  if (it != m.windows.end() && it->second.dialogProc)
    return it->second.dialogProc(reinterpret_cast<HWND>(window), Msg, wParam, lParam);
  return 0;
}

}  // namespace

// Returns when the window has handled the message, however long it takes;
// to a hung window that is never (an endless wait: nothing is delivered).
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Machine& m = M();
  if (Enter("SendMessageA", std::to_string(Msg) + "|" + std::to_string(wParam))) return 0;
  LRESULT dialogResult = 0;
  if (AnswerDialogMessage(hWnd, Msg, wParam, lParam, &dialogResult)) return dialogResult;
  auto it = m.windows.find(reinterpret_cast<uintptr_t>(hWnd));
  if (it == m.windows.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (it->second.answersAfterMs == INFINITE) {
    m.endlessWaits += 1;
    return 0;
  }
  AdvanceClock(it->second.answersAfterMs);
  return Deliver(reinterpret_cast<uintptr_t>(hWnd), Msg, wParam, lParam);
}

// The detail is "TITLE|MESSAGE|WPARAM|FLAGS|TIMEOUT". A hung window is given
// up at once with SMTO_ABORTIFHUNG, after the time-out without it; a slow
// one after the time-out (it handles the message later). Either way 0 and
// ERROR_TIMEOUT; nonzero once the window has handled it.
LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                            PDWORD_PTR lpdwResult) {
  Machine& m = M();
  auto it = m.windows.find(reinterpret_cast<uintptr_t>(hWnd));
  const std::string title = it == m.windows.end() ? std::string() : it->second.title;
  if (Enter("SendMessageTimeoutA", title + "|" + std::to_string(Msg) + "|" + std::to_string(wParam) + "|" +
                                       std::to_string(fuFlags) + "|" + std::to_string(uTimeout))) {
    SetLastError(kErrorInvalidWindowHandle);
    return 0;
  }
  LRESULT result = 0;
  if (!AnswerDialogMessage(hWnd, Msg, wParam, lParam, &result)) {
    if (it == m.windows.end()) {
      SetLastError(kErrorInvalidWindowHandle);
      return 0;
    }
    const uintptr_t window = it->first;
    const DWORD answersAfter = it->second.answersAfterMs;
    if (answersAfter == INFINITE || answersAfter > uTimeout) {
      if (answersAfter != INFINITE)
        At(m.clock + answersAfter, [=] { if (M().windows.count(window)) Deliver(window, Msg, wParam, lParam); });
      if (answersAfter != INFINITE || !(fuFlags & SMTO_ABORTIFHUNG)) AdvanceClock(uTimeout);
      SetLastError(ERROR_TIMEOUT);
      return 0;
    }
    AdvanceClock(answersAfter);
    result = Deliver(window, Msg, wParam, lParam);
  }
  if (lpdwResult) *lpdwResult = static_cast<DWORD_PTR>(result);
  return 1;
}
