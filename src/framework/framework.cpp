#include "framework/framework.h"

#include <stddef.h>

static CWinApp* g_application = NULL;

CWinApp::CWinApp(const char* appName)
    : m_hInstance(NULL), m_pszAppName(appName), m_lpCmdLine(NULL), m_pMainWnd(NULL), m_nCmdShow(SW_SHOWNORMAL) {
  g_application = this;
}

CWinApp::~CWinApp() {
  if (g_application == this) g_application = NULL;
}

static const AppMessageMapEntry kNoEntries[] = {{0, 0, NULL}};
const AppMessageMap CWinApp::messageMap = {NULL, kNoEntries};

const AppMessageMap* CWinApp::GetMessageMap() const { return &messageMap; }

BOOL CWinApp::InitInstance() { return FALSE; }

BOOL CWinApp::OnCmdMsg(UINT id) {
  for (const AppMessageMap* map = GetMessageMap(); map; map = map->base)
    for (const AppMessageMapEntry* e = map->entries; e->message; ++e)
      if (e->message == WM_COMMAND && e->id == id) {
        (this->*(e->handler))();
        return TRUE;
      }
  return FALSE;
}

// The launcher ships no help file, so there is no help to open.
void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_application; }

bool AfxInitApplicationContext() { return _setmbcp(_MB_CP_ANSI) == 0; }

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->m_hInstance = instance;
  app->m_lpCmdLine = commandLine;
  app->m_nCmdShow = showCommand;
  // The launcher's work is all inside InitInstance; it has no message loop.
  app->InitInstance();
  return 0;
}

// ---- CDialog -------------------------------------------------------------------

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : NULL;
  HINSTANCE instance = AfxGetApp() ? AfxGetApp()->m_hInstance : GetModuleHandleA(NULL);
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(m_nIDTemplate), parent, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
  m_hWnd = NULL;
  return result;
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
BOOL CDialog::OnCommand(WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog();
  }
  dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!dialog) return FALSE;
  if (message == WM_COMMAND) {
    switch (LOWORD(wParam)) {
      case IDOK: dialog->OnOK(); return TRUE;
      case IDCANCEL: dialog->OnCancel(); return TRUE;
      default: return dialog->OnCommand(wParam, lParam);
    }
  }
  return FALSE;
}
