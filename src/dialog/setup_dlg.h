// The maintenance dialog shown when the product is already installed.
#pragma once

#include "framework/framework.h"

class CSetupDlg : public CDialog {
 public:
  enum { IDD = 102 };  // dialog template resource
  explicit CSetupDlg(CWnd* parent = NULL);
};
