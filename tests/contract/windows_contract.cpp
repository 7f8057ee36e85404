// FindWindowA as the launcher uses it to see whether a hardware wizard is
// open: no class name, a whole title. The window is the test's own; Windows
// and Wine search the top-level windows of every process alike.
#include <string>

#include "contract.h"
#include "fixture.h"
#include "platform/win32.h"

// Opens a window for the test's duration.
struct TopLevel {
  void* window;
  explicit TopLevel(const std::string& title) : window(fixture::OpenTopLevelWindow(title)) {
    ok(window != nullptr, "no window opened");
  }
  ~TopLevel() { fixture::CloseTopLevelWindow(window); }
  HWND handle() const { return static_cast<HWND>(window); }
};

// All Windows versions: the whole title matches, without regard to case.
CONTRACT_TEST(Window_FindWholeTitleIgnoringCase) {
  TopLevel w("Contract Hardware Wizard");
  if (!w.window) return;
  ok(FindWindowA(nullptr, "Contract Hardware Wizard") == w.handle(), "same title not found");
  ok(FindWindowA(nullptr, "CONTRACT hardware WIZARD") == w.handle(), "title in other case not found");
}

// All Windows versions: a title is no prefix or substring match; more or less
// text finds nothing.
CONTRACT_TEST(Window_TitleWithOtherTextNotFound) {
  TopLevel w("Contract Found New Hardware");
  if (!w.window) return;
  ok(FindWindowA(nullptr, "Contract Found New Hardware Wizard") == nullptr, "title with extra text found");
  ok(FindWindowA(nullptr, "Contract Found New") == nullptr, "start of the title found");
  ok(FindWindowA(nullptr, " Contract Found New Hardware") == nullptr, "title with a leading blank found");
}

// A window is found only while it is open.
CONTRACT_TEST(Window_ClosedWindowNotFound) {
  void* window = fixture::OpenTopLevelWindow("Contract Closing Window");
  ok(window != nullptr, "no window opened");
  ok(FindWindowA(nullptr, "Contract Closing Window") == static_cast<HWND>(window), "open window not found");
  fixture::CloseTopLevelWindow(window);
  ok(FindWindowA(nullptr, "Contract Closing Window") == nullptr, "closed window found");
}

// All Windows versions, 1252: titles compare as text, so accented letters
// match their other case ("Matériel" and "MATÉRIEL").
CONTRACT_TEST(Window_AccentedTitleIgnoresCase_1252) {
  if (!fixture::UseAnsiCodePage(1252)) skip_test("needs ANSI code page 1252");
  TopLevel w("Contract Mat\xE9riel");
  if (!w.window) return;
  ok(FindWindowA(nullptr, "Contract Mat\xE9riel") == w.handle(), "same title not found");
  ok(FindWindowA(nullptr, "CONTRACT MAT\xC9RIEL") == w.handle(), "title in other case not found");
}

// All Windows versions, 932: a Shift-JIS title is found by its bytes from a
// process in code page 932 ("ハードウェアの追加", Add Hardware).
CONTRACT_TEST(Window_ShiftJisTitleFound_932) {
  if (!fixture::UseAnsiCodePage(932)) skip_test("needs ANSI code page 932");
  const char title[] = "\x83\x6E\x81\x5B\x83\x68\x83\x45\x83\x46\x83\x41\x82\xCC\x92\xC7\x89\xC1";
  TopLevel w(title);
  if (!w.window) return;
  ok(FindWindowA(nullptr, title) == w.handle(), "Shift-JIS title not found");
  ok(FindWindowA(nullptr, "\x83\x6E\x81\x5B\x83\x68\x83\x45\x83\x46\x83\x41") == nullptr, "start of the title found");
}

// All Windows versions, 932: the trail byte of a double-byte character is no
// letter: 0x83 0x61 (ヂ) and 0x83 0x41 (ア) are different titles.
CONTRACT_TEST(Window_TrailBytesNotCaseFolded_932) {
  if (!fixture::UseAnsiCodePage(932)) skip_test("needs ANSI code page 932");
  TopLevel w("Contract \x83\x61");
  if (!w.window) return;
  ok(FindWindowA(nullptr, "CONTRACT \x83\x61") == w.handle(), "ASCII part not folded");
  ok(FindWindowA(nullptr, "Contract \x83\x41") == nullptr, "trail byte folded");
}

// NT family and Wine compare titles as Unicode text, so full-width Latin
// letters match their other case too (ａ 0x82 0x81, Ａ 0x82 0x60).
CONTRACT_TEST(Window_FullWidthLettersIgnoreCase_932) {
  if (!fixture::UseAnsiCodePage(932)) skip_test("needs ANSI code page 932");
  TopLevel w("Contract \x82\x81");
  if (!w.window) return;
  ok(FindWindowA(nullptr, "Contract \x82\x60") == w.handle(), "full-width letter in other case not found");
}
