// The launcher's application object and its launch sequence.
#pragma once

#include "framework/framework.h"
#include "records/records.h"

class CSetupApp : public CWinApp {
 public:
  CSetupApp();
  ~CSetupApp() override;

  const AppMessageMap* GetMessageMap() const override;
  // Runs RunSetup with the command line; always FALSE, so the process ends
  // when the sequence returns.
  BOOL InitInstance() override;

  // The whole launch sequence; returns 0 on every road.
  int RunSetup(const char* commandLine);

  // Full path of InstallInfo.ini beside the launcher, filled by RunSetup.
  char m_szInstallInfoPath[records::kPathSize];

 protected:
  static const AppMessageMap messageMap;
};

// The one application object.
extern CSetupApp theApp;
