#include "app/setup_app.h"

#include <string.h>

#include "app/completion_event.h"
#include "app/gatekeeping.h"
#include "app/handoff.h"
#include "dialog/setup_dlg.h"
#include "platform/handles.h"
#include "records/launcher_paths.h"
#include "records/os_version.h"
#include "records/system_library.h"
#include "records/text_end.h"

// Runs before theApp is constructed (same translation unit, defined first):
// every multibyte search of the launcher relies on the ANSI code page.
static const bool s_applicationContextReady = AfxInitApplicationContext();

CSetupApp theApp;

static const AppMessageMapEntry kSetupAppEntries[] = {
    {WM_COMMAND, ID_HELP, &CWinApp::OnHelp},
    {0, 0, NULL},
};
const AppMessageMap CSetupApp::messageMap = {&CWinApp::messageMap, kSetupAppEntries};

CSetupApp::CSetupApp() : CWinApp(NULL) { memset(m_szInstallInfoPath, 0, sizeof m_szInstallInfoPath); }

CSetupApp::~CSetupApp() {}

const AppMessageMap* CSetupApp::GetMessageMap() const { return &messageMap; }

BOOL CSetupApp::InitInstance() {
  RunSetup(m_lpCmdLine ? m_lpCmdLine : "");
  return FALSE;
}

int CSetupApp::RunSetup(const char* commandLine) {
  // 1-2. Launcher folder and the information file beside it. Without them
  // nothing of the package can be found: the run ends like a refusal.
  char launcherFolder[records::kPathSize];
  memset(m_szInstallInfoPath, 0, sizeof m_szInstallInfoPath);
  if (!GetLauncherFolder(launcherFolder, sizeof launcherFolder) ||
      !FormatText(m_szInstallInfoPath, sizeof m_szInstallInfoPath, "%s%s", launcherFolder,
                  records::kInstallInfoFileName)) {
    SignalSetupDone();
    return 0;
  }

  // 3. Product records named by the information file.
  char registryPath[records::kPathSize];
  char pdiEntry[records::kPathSize];
  memset(registryPath, 0, sizeof registryPath);
  memset(pdiEntry, 0, sizeof pdiEntry);
  GetPrivateProfileStringA(records::kInstallInfoSection, records::kRegistryPathKey, "", registryPath,
                           sizeof registryPath, m_szInstallInfoPath);
  GetPrivateProfileStringA(records::kInstallInfoSection, records::kPdiEntryKey, "", pdiEntry, sizeof pdiEntry,
                           m_szInstallInfoPath);
  EndTextSafely(registryPath, sizeof registryPath);
  EndTextSafely(pdiEntry, sizeof pdiEntry);
  // A PDIENTRY so long that its event, marker or maker-key name would not fit
  // cannot name this product's records: the information file is unusable.
  if (strlen(pdiEntry) > records::kMaxPdiEntryLength) {
    SignalSetupDone();
    return 0;
  }

  // 4. Single-instance guard; the handle stays open until the process ends.
  char instanceEventName[records::kPathSize];
  FormatText(instanceEventName, sizeof instanceEventName, "%s%s", pdiEntry, records::kInstanceEventSuffix);
  CreateEventA(NULL, FALSE, FALSE, instanceEventName);
  const DWORD instanceStatus = GetLastError();

  // 5. Removal mode: "/a" directly followed by the printer name. A command
  // line too long for its buffer is not looked at: no printer name is that
  // long, and a cut name could name another printer.
  bool removalMode = false;
  char commandCopy[records::kPathSize];
  memset(commandCopy, 0, sizeof commandCopy);
  if (strlen(commandLine) < sizeof commandCopy) {
    strcpy(commandCopy, commandLine);
    if (_mbsstr(reinterpret_cast<unsigned char*>(commandCopy), reinterpret_cast<const unsigned char*>("/a"))) {
      RunRemovalMode(launcherFolder, commandCopy + 2, m_szInstallInfoPath);
      removalMode = true;
    }
  }

  // 6. Another copy is running.
  if (instanceStatus == ERROR_ALREADY_EXISTS) {
    SignalSetupDone();
    return 0;
  }

  // 7. An earlier edition must be uninstalled first.
  if (HasEarlierEdition()) {
    const SystemCompanions windowing(records::kWindowSystemFile);
    MessageBoxA(NULL,
                "Please uninstall the previous version of the ARVEN software before continuing with this "
                "installation",
                "Caution!", MB_OK);
    SignalSetupDone();
    return 0;
  }

  // 8. Already installed: the waiting program is released before the
  // maintenance dialog appears.
  if (IsProductInstalled(registryPath, pdiEntry)) {
    SignalSetupDone();
    const SystemCompanions windowing(records::kWindowSystemFile);
    CSetupDlg dialog(NULL);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = NULL;
    return 0;
  }

  // 9. Only Windows 98, 98 SE, Me, 2000 and XP are installed on.
  if (!IsSupportedKind(CurrentOsKind())) {
    SignalSetupDone();
    return 0;
  }

  // 10. Every gate passed: record the install mode, prepare the system, run
  // the package's installer and set the completion event once it has ended.
  RunInstallationHandoff(HandoffInputs{launcherFolder, registryPath, m_szInstallInfoPath, removalMode});
  return 0;
}
