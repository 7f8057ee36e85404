// Simulated user32 pieces of the launcher: message boxes and modal dialogs.
// A box is answered by the test's handler (IDOK by default); a dialog runs the
// test's script and then, like a user pressing Esc, is cancelled if it is
// still open.
#include "machine.h"

namespace sim {

const std::vector<MessageBoxShown>& MessageBoxes() { return M().boxes; }
void OnMessageBox(std::function<int(const MessageBoxShown&)> handler) { M().boxHandler = std::move(handler); }
const std::vector<DialogShown>& Dialogs() { return M().dialogs; }

void DefineDialog(const std::string& templateName, std::function<void(HWND)> script) {
  M().dialogTemplates[templateName] = std::move(script);
}

INT_PTR SendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(dialog));
  if (it == M().windows.end() || !it->second.dialogProc) return 0;
  return it->second.dialogProc(dialog, message, wParam, lParam);
}

}  // namespace sim

using namespace sim;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  Machine& m = M();
  MessageBoxShown box{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "", uType, m.clock};
  if (Enter("MessageBoxA", box.caption)) return 0;
  FirstWindowShown();
  m.boxes.push_back(box);
  return m.boxHandler ? m.boxHandler(box) : IDOK;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  Machine& m = M();
  const uintptr_t raw = reinterpret_cast<uintptr_t>(lpTemplateName);
  std::string name = raw <= 0xFFFF ? "#" + std::to_string(raw) : std::string(lpTemplateName);
  if (Enter("DialogBoxParamA", name)) return -1;
  auto tmpl = m.dialogTemplates.find(name);
  if (tmpl == m.dialogTemplates.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  FirstWindowShown();
  m.dialogs.push_back(DialogShown{name, hWndParent, m.clock});
  const uintptr_t id = m.nextWindow;
  m.nextWindow += 4;
  Window& w = m.windows[id];
  w.dialogProc = lpDialogFunc;
  CreateDialogParts(id, name);
  HWND hwnd = reinterpret_cast<HWND>(id);
  lpDialogFunc(hwnd, WM_INITDIALOG, 0, dwInitParam);
  std::function<void(HWND)> script = tmpl->second;
  if (script && !m.windows[id].ended) script(hwnd);
  if (!m.windows[id].ended) lpDialogFunc(hwnd, WM_COMMAND, IDCANCEL, 0);
  Window& done = m.windows[id];
  INT_PTR result = done.ended ? done.result : 0;
  DestroyDialogParts(id);
  m.windows.erase(id);
  return result;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  Enter("EndDialog", std::to_string(nResult));
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(hDlg));
  if (it == M().windows.end()) return FALSE;
  it->second.ended = true;
  it->second.result = nResult;
  return TRUE;
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(hWnd));
  if (it == M().windows.end()) return 0;
  LONG_PTR old = it->second.longs[nIndex];
  it->second.longs[nIndex] = dwNewLong;
  return old;
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex) {
  auto it = M().windows.find(reinterpret_cast<uintptr_t>(hWnd));
  return it == M().windows.end() ? 0 : it->second.longs[nIndex];
}
