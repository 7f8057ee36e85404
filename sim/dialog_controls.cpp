// Simulated dialog manager pieces of the maintenance dialog: the controls a
// template lays out, their enabled and checked state, the messages a dialog
// answers by default (WM_SETICON, WM_GETFONT, DM_GETDEFID), a user's clicks
// and keys, and the icons and strings of the program's resources.
#include <algorithm>
#include <cstring>

#include "machine.h"

namespace sim {

namespace {

Control* FindControl(uintptr_t handle) {
  auto it = M().controls.find(handle);
  return it == M().controls.end() ? nullptr : &it->second;
}

DialogState* FindDialog(uintptr_t handle) {
  auto it = M().dialogStates.find(handle);
  return it == M().dialogStates.end() ? nullptr : &it->second;
}

Control* ControlById(HWND dialog, int id) {
  DialogState* d = FindDialog(reinterpret_cast<uintptr_t>(dialog));
  if (!d) return nullptr;
  for (uintptr_t c : d->controls)
    if (M().controls[c].item.id == id) return &M().controls[c];
  return nullptr;
}

bool IsAutoRadio(const Control& c) { return (c.item.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON; }

// Checks `chosen` and unchecks the other automatic radio buttons of its
// group: from the control with WS_GROUP before it up to the next WS_GROUP.
void CheckInGroup(DialogState& dialog, uintptr_t chosen) {
  size_t at = 0;
  while (dialog.controls[at] != chosen) ++at;
  size_t first = at;
  while (first > 0 && !(M().controls[dialog.controls[first]].item.style & WS_GROUP)) --first;
  for (size_t i = first; i < dialog.controls.size(); ++i) {
    Control& c = M().controls[dialog.controls[i]];
    if (i > first && (c.item.style & WS_GROUP)) break;
    if (IsAutoRadio(c)) c.checked = dialog.controls[i] == chosen;
  }
}

INT_PTR Command(HWND dialog, int id, WORD code, uintptr_t control) {
  return SendToDialog(dialog, WM_COMMAND, MAKEWPARAM(id, code), static_cast<LPARAM>(control));
}

}  // namespace

void DefineDialogLayout(const std::string& templateName, const DialogLayout& layout) {
  M().dialogLayouts[templateName] = layout;
}
void DefineString(UINT id, const std::string& text) { M().strings[id] = text; }
void DefineIcon(UINT id) { M().icons[id] = M().nextGdi++; }

void CreateDialogParts(uintptr_t dialog, const std::string& templateName) {
  Machine& m = M();
  DialogState& state = m.dialogStates[dialog];
  auto layout = m.dialogLayouts.find(templateName);
  const DialogLayout plain;
  const DialogLayout& l = layout == m.dialogLayouts.end() ? plain : layout->second;
  state.clientWidth = l.clientWidth;
  state.clientHeight = l.clientHeight;
  GdiObject font;
  font.font.lfHeight = l.fontHeight;
  font.font.lfWeight = FW_NORMAL;
  std::strncpy(font.font.lfFaceName, l.fontFace.c_str(), LF_FACESIZE - 1);
  state.font = m.nextGdi++;
  m.gdiObjects[state.font] = font;
  for (const DialogControl& item : l.controls) {
    const uintptr_t handle = m.nextWindow;
    m.nextWindow += 4;
    Control& c = m.controls[handle];
    c.dialog = dialog;
    c.item = item;
    c.enabled = !(item.style & WS_DISABLED);
    state.controls.push_back(handle);
  }
}

void DestroyDialogParts(uintptr_t dialog) {
  DialogState* state = FindDialog(dialog);
  if (!state) return;
  for (uintptr_t c : state->controls) M().controls.erase(c);
  M().gdiObjects.erase(state->font);
  M().dialogStates.erase(dialog);
}

HWND ControlOf(HWND dialog, int id) {
  for (const auto& entry : M().controls)
    if (entry.second.dialog == reinterpret_cast<uintptr_t>(dialog) && entry.second.item.id == id)
      return reinterpret_cast<HWND>(entry.first);
  return nullptr;
}
bool ControlEnabled(HWND dialog, int id) {
  Control* c = ControlById(dialog, id);
  return c && c->enabled;
}
bool ControlChecked(HWND dialog, int id) {
  Control* c = ControlById(dialog, id);
  return c && c->checked;
}
DWORD ControlStyle(HWND dialog, int id) {
  Control* c = ControlById(dialog, id);
  return c ? c->item.style : 0;
}

bool Click(HWND dialog, int id) {
  Control* c = ControlById(dialog, id);
  if (!c || !c->enabled) return false;
  const uintptr_t handle = reinterpret_cast<uintptr_t>(ControlOf(dialog, id));
  if (IsAutoRadio(*c)) CheckInGroup(*FindDialog(reinterpret_cast<uintptr_t>(dialog)), handle);
  Command(dialog, id, BN_CLICKED, handle);
  return true;
}

void PressEnter(HWND dialog) {
  const LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(defId) == DC_HASDEFID) {
    const int id = LOWORD(defId);
    if (ControlEnabled(dialog, id)) Command(dialog, id, BN_CLICKED, reinterpret_cast<uintptr_t>(ControlOf(dialog, id)));
    return;
  }
  Command(dialog, IDOK, BN_CLICKED, reinterpret_cast<uintptr_t>(ControlOf(dialog, IDOK)));
}

void PressEscape(HWND dialog) {
  Command(dialog, IDCANCEL, BN_CLICKED, reinterpret_cast<uintptr_t>(ControlOf(dialog, IDCANCEL)));
}

HICON DialogIcon(HWND dialog, int which) {
  DialogState* d = FindDialog(reinterpret_cast<uintptr_t>(dialog));
  if (!d) return nullptr;
  return reinterpret_cast<HICON>(which == ICON_BIG ? d->bigIcon : d->smallIcon);
}

HFONT DialogFont(HWND dialog) {
  DialogState* d = FindDialog(reinterpret_cast<uintptr_t>(dialog));
  return d ? reinterpret_cast<HFONT>(d->font) : nullptr;
}

}  // namespace sim
using namespace sim;

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
  const uintptr_t raw = reinterpret_cast<uintptr_t>(lpIconName);
  if (Enter("LoadIconA", std::to_string(raw))) return nullptr;
  auto it = M().icons.find(static_cast<UINT>(raw));
  if (raw > 0xFFFF || it == M().icons.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HICON>(it->second);
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  if (Enter("LoadStringA", std::to_string(uID)) || cchBufferMax <= 0) return 0;
  auto it = M().strings.find(uID);
  if (it == M().strings.end()) {
    lpBuffer[0] = 0;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const size_t n = std::min(it->second.size(), static_cast<size_t>(cchBufferMax - 1));
  std::memcpy(lpBuffer, it->second.data(), n);
  lpBuffer[n] = 0;
  return static_cast<int>(n);
}

namespace sim {

// A dialog's own procedure sees each message first; what it leaves (FALSE)
// the dialog manager answers. WM_QUERYDRAGICON is one of the messages whose
// result is the dialog procedure's return value itself. Controls answer
// BM_GETCHECK and WM_GETFONT.
bool AnswerDialogMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const uintptr_t handle = reinterpret_cast<uintptr_t>(hWnd);
  *result = 0;
  if (Control* c = FindControl(handle)) {
    if (Msg == BM_GETCHECK) *result = c->checked ? BST_CHECKED : BST_UNCHECKED;
    if (Msg == WM_GETFONT) *result = static_cast<LRESULT>(FindDialog(c->dialog)->font);
    return true;
  }
  DialogState* d = FindDialog(handle);
  if (!d) return false;
  const INT_PTR handled = SendToDialog(hWnd, Msg, wParam, lParam);
  if (Msg == WM_QUERYDRAGICON) *result = handled;
  if (handled) return true;
  switch (Msg) {
    case WM_SETICON: {
      uintptr_t& slot = wParam == ICON_BIG ? d->bigIcon : d->smallIcon;
      *result = static_cast<LRESULT>(slot);
      slot = static_cast<uintptr_t>(lParam);
      break;
    }
    case WM_GETFONT: *result = static_cast<LRESULT>(d->font); break;
    case DM_GETDEFID:
      for (uintptr_t c : d->controls) {
        const Control& control = M().controls[c];
        if ((control.item.style & BS_TYPEMASK) != BS_DEFPUSHBUTTON) continue;
        *result = MAKEWPARAM(control.item.id, DC_HASDEFID);
        break;
      }
      break;
    default: break;
  }
  return true;
}

}  // namespace sim

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Enter("GetDlgItem", std::to_string(nIDDlgItem));
  HWND control = ControlOf(hDlg, nIDDlgItem);
  if (!control) SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
  return control;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Enter("EnableWindow", std::to_string(bEnable));
  Control* c = FindControl(reinterpret_cast<uintptr_t>(hWnd));
  if (!c) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The result tells whether the window was disabled before.
  const BOOL wasDisabled = !c->enabled;
  c->enabled = bEnable != 0;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Control* c = FindControl(reinterpret_cast<uintptr_t>(hWnd));
  return c ? c->enabled : FindDialog(reinterpret_cast<uintptr_t>(hWnd)) != nullptr;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  DialogState* d = FindDialog(reinterpret_cast<uintptr_t>(hWnd));
  if (Enter("GetClientRect") || !d) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpRect = RECT{0, 0, d->clientWidth, d->clientHeight};
  return TRUE;
}
