#include "framework/dialog.h"

const DialogMapEntry CDialog::messageEntries[] = {
    OnCommand(IDOK, BN_CLICKED, &CDialog::OnOK),
    OnCommand(IDCANCEL, BN_CLICKED, &CDialog::OnCancel),
    EndOfMap(),
};
const DialogMessageMap CDialog::messageMap = {NULL, messageEntries};

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : NULL;
  LPCSTR name = MAKEINTRESOURCEA(m_nIDTemplate);
  const INT_PTR result = DialogBoxParamA(AfxFindResourceHandle(name, RT_DIALOG), name, parent, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  m_hWnd = NULL;
  return result;
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

const DialogMessageMap* CDialog::GetMessageMap() const { return &messageMap; }
void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::Dispatch(UINT message, WPARAM wParam, INT_PTR* result) {
  for (const DialogMessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const DialogMapEntry* e = map->entries; e->message; ++e) {
      if (e->message != message) continue;
      if (message == WM_COMMAND && (e->id != LOWORD(wParam) || e->code != HIWORD(wParam))) continue;
      if (e->query) {
        // A dialog procedure returns the result of WM_QUERYDRAGICON itself.
        *result = reinterpret_cast<INT_PTR>((this->*(e->query))());
      } else {
        (this->*(e->action))();
        *result = TRUE;
      }
      return true;
    }
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog();
  }
  CDialog* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  INT_PTR result = FALSE;
  if (!dialog || !dialog->Dispatch(message, wParam, &result)) return FALSE;
  return result;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  control.m_hWnd = dx->m_pDlgWnd->GetDlgItem(id);
}
