#include "dialog/setup_dlg.h"

CSetupDlg::CSetupDlg(CWnd* parent) : CDialog(IDD, parent) {}
