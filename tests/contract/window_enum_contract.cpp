// Window enumeration as the launcher dismisses a printer queue's window:
// EnumWindows over the top-level windows, the title read with GetWindowTextA
// into a fixed buffer, and WM_COMMAND IDOK sent with SendMessageA.
#include <cstring>
#include <string>
#include <vector>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

namespace {

struct Walk {
  std::vector<HWND> seen;
  HWND stopAt = nullptr;
};

BOOL CALLBACK Record(HWND window, LPARAM context) {
  Walk* walk = reinterpret_cast<Walk*>(context);
  walk->seen.push_back(window);
  return window == walk->stopAt ? FALSE : TRUE;
}

int IndexOf(const Walk& walk, void* window) {
  for (size_t i = 0; i < walk.seen.size(); ++i)
    if (walk.seen[i] == static_cast<HWND>(window)) return static_cast<int>(i);
  return -1;
}

}  // namespace

// All Windows versions: EnumWindows lists the top-level windows, the most
// recently created above the older, and returns TRUE when the callback never
// stopped it.
CONTRACT_TEST(WindowEnum_ListsTopLevelWindowsTopmostFirst) {
  void* older = fixture::OpenTopLevelWindow("Contract Enum Older");
  void* newer = fixture::OpenTopLevelWindow("Contract Enum Newer");
  Walk walk;
  ok(EnumWindows(Record, reinterpret_cast<LPARAM>(&walk)) != FALSE, "EnumWindows failed");
  const int o = IndexOf(walk, older), n = IndexOf(walk, newer);
  ok(o >= 0 && n >= 0, "windows not listed: %d %d", o, n);
  ok(n < o, "newer window at %d, older at %d", n, o);
  fixture::CloseTopLevelWindow(newer);
  fixture::CloseTopLevelWindow(older);
}

// All Windows versions: a callback that returns FALSE ends the enumeration
// there, and EnumWindows then returns FALSE.
CONTRACT_TEST(WindowEnum_CallbackFalseStopsWithFalse) {
  void* window = fixture::OpenTopLevelWindow("Contract Enum Stop");
  Walk walk;
  walk.stopAt = static_cast<HWND>(window);
  ok(EnumWindows(Record, reinterpret_cast<LPARAM>(&walk)) == FALSE, "EnumWindows did not return FALSE");
  ok(!walk.seen.empty() && walk.seen.back() == walk.stopAt, "enumeration went on after FALSE");
  fixture::CloseTopLevelWindow(window);
}

// All Windows versions: GetWindowTextA copies at most size - 1 bytes and the
// terminator, and returns the number of bytes copied.
CONTRACT_TEST(WindowEnum_TitleCutToBuffer) {
  void* window = fixture::OpenTopLevelWindow("Contract Queue Title");
  char title[260];
  std::memset(title, 'x', sizeof title);
  ok(GetWindowTextA(static_cast<HWND>(window), title, sizeof title) == 20, "length of the whole title");
  ok(std::strcmp(title, "Contract Queue Title") == 0, "title %s", title);
  std::memset(title, 'x', sizeof title);
  ok(GetWindowTextA(static_cast<HWND>(window), title, 9) == 8, "length of a cut title");
  ok(std::strcmp(title, "Contract") == 0, "cut title %s", title);
  fixture::CloseTopLevelWindow(window);
}

// All Windows versions: SendMessageA returns once the window has handled the
// WM_COMMAND it was sent.
CONTRACT_TEST(WindowEnum_SentCommandHandled) {
  void* window = fixture::OpenTopLevelWindow("Contract Queue Command");
  ok(fixture::CommandsReceived(window, IDOK) == 0, "IDOK before sending");
  SendMessageA(static_cast<HWND>(window), WM_COMMAND, IDOK, 0);
  ok(fixture::CommandsReceived(window, IDOK) == 1, "IDOK not handled when SendMessageA returned");
  ok(fixture::CommandsReceived(window, IDCANCEL) == 0, "IDCANCEL received");
  fixture::CloseTopLevelWindow(window);
}
