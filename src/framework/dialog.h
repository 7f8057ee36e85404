// Modal dialogs on a dialog template resource. The dialog procedure hands
// WM_INITDIALOG to OnInitDialog and every other message to the first matching
// row of the dialog's message map, then of its base class's map. IDOK and
// IDCANCEL are rows of CDialog's own map, so the virtual OnOK and OnCancel run
// when the OK/Cancel buttons, Enter on the default button or Esc send them.
#pragma once

#include "framework/framework.h"

class CDialog;
class CDataExchange;

typedef void (CDialog::*DialogAction)();
typedef HICON (CDialog::*DialogQuery)();

struct DialogMapEntry {
  UINT message;
  UINT code;             // WM_COMMAND: notification code (BN_CLICKED is 0)
  UINT id;               // WM_COMMAND: control id; 0 for other messages
  DialogAction action;   // a handler without result, or
  DialogQuery query;     // one whose icon handle is the message's result
};
struct DialogMessageMap {
  const DialogMessageMap* base;
  const DialogMapEntry* entries;  // ends with an entry whose message is 0
};

// Map rows; T is the dialog class that declares the handler.
template <class T>
constexpr DialogMapEntry OnMessage(UINT message, void (T::*handler)()) {
  return DialogMapEntry{message, 0, 0, static_cast<DialogAction>(handler), nullptr};
}
template <class T>
constexpr DialogMapEntry OnQuery(UINT message, HICON (T::*handler)()) {
  return DialogMapEntry{message, 0, 0, nullptr, static_cast<DialogQuery>(handler)};
}
template <class T>
constexpr DialogMapEntry OnCommand(UINT id, UINT code, void (T::*handler)()) {
  return DialogMapEntry{WM_COMMAND, code, id, static_cast<DialogAction>(handler), nullptr};
}
constexpr DialogMapEntry EndOfMap() { return DialogMapEntry{0, 0, 0, nullptr, nullptr}; }

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent);
  ~CDialog() override {}

  // Shows the dialog and returns the code given to EndDialog, or -1 when the
  // dialog cannot be created (no such template).
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  // Runs DoDataExchange: FALSE binds the controls to their members.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

 protected:
  virtual const DialogMessageMap* GetMessageMap() const;
  virtual void DoDataExchange(CDataExchange* dx);
  // Binds the controls; TRUE leaves the first focus to the dialog manager.
  virtual BOOL OnInitDialog();
  virtual void OnOK();      // ends the dialog with IDOK
  virtual void OnCancel();  // ends the dialog with IDCANCEL

  static const DialogMapEntry messageEntries[];
  static const DialogMessageMap messageMap;
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  // Runs the handler of the first row that matches; false when none does.
  bool Dispatch(UINT message, WPARAM wParam, INT_PTR* result);
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// What DoDataExchange is given: the dialog and the direction.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// A push button, radio button or other button control of a dialog.
class CButton : public CWnd {};

// Binds `control` to the dialog's control `id` (again for each showing).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
