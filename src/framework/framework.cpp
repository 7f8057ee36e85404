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

HINSTANCE AfxGetResourceHandle() {
  CWinApp* app = AfxGetApp();
  return app && app->m_hInstance ? app->m_hInstance : GetModuleHandleA(NULL);
}

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) { return AfxGetResourceHandle(); }

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
