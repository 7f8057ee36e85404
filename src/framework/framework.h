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

class CWnd {
 public:
  CWnd() : m_hWnd(NULL) {}
  virtual ~CWnd() {}
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

// Called during static initialisation before the application object is
// built: the multibyte string routines follow the system ANSI code page.
bool AfxInitApplicationContext();

// The framework's start-up: hands the command line to the application and
// runs InitInstance. Returns the process exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// A modal dialog from a dialog template resource.
class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent);
  ~CDialog() override {}

  // Shows the dialog and returns the code given to EndDialog, or -1 when the
  // dialog cannot be created (no such template).
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);

 protected:
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  // Commands other than IDOK and IDCANCEL; TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
