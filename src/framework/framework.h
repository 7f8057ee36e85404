// A small application and dialog framework on plain Win32: only what the
// launcher uses. One application object per process; its InitInstance runs
// the program, and when it returns FALSE no message loop runs.
#pragma once

#include "platform/win32.h"

// The framework's standard command id for Help.
const UINT ID_HELP = 0xE146;

class CWinApp;

// Command routing: an entry maps a WM_COMMAND id to a member of the
// application class. A map names the map of its base class.
typedef void (CWinApp::*AppCommandHandler)();
struct AppMessageMapEntry {
  UINT message;
  UINT id;
  AppCommandHandler handler;
};
struct AppMessageMap {
  const AppMessageMap* base;
  const AppMessageMapEntry* entries;  // ends with an entry whose message is 0
};

// A window the framework knows by its handle. It does not own the window:
// dialogs and their controls are destroyed by the dialog manager.
class CWnd {
 public:
  CWnd() : m_hWnd(NULL) {}
  virtual ~CWnd() {}

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  // The font the window draws its text with (WM_GETFONT); NULL for the system font.
  HFONT GetFont() { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

  HWND m_hWnd;
};

class CWinApp {
 public:
  // The application name is not used by the launcher; NULL means the
  // program's own.
  explicit CWinApp(const char* appName = NULL);
  virtual ~CWinApp();

  virtual const AppMessageMap* GetMessageMap() const;
  virtual BOOL InitInstance();

  // Routes a WM_COMMAND id through the message maps; TRUE when handled.
  BOOL OnCmdMsg(UINT id);
  void OnHelp();

  HINSTANCE m_hInstance;
  const char* m_pszAppName;
  LPSTR m_lpCmdLine;  // the command line after the program name and its blanks
  CWnd* m_pMainWnd;   // the window standing for the application, if any
  int m_nCmdShow;

 protected:
  static const AppMessageMap messageMap;
};

// The one application object.
CWinApp* AfxGetApp();

// The module whose resources the program uses: the executable itself.
HINSTANCE AfxGetResourceHandle();
// The module that holds resource `name` of `type`. The launcher carries all
// its resources in the executable, so this is always AfxGetResourceHandle().
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);

// Called during static initialisation before the application object is
// built: the multibyte string routines follow the system ANSI code page.
bool AfxInitApplicationContext();

// The framework's start-up: hands the command line to the application and
// runs InitInstance. Returns the process exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
