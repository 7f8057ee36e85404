// The maintenance dialog shown when the product is already installed. It
// offers Uninstall, confirmed with Next, and Add a Device, which is only an
// instruction (click Cancel, then plug the device in). Next starts the
// product's registered uninstall command; Cancel starts nothing. The only
// state kept is whether Next is enabled: the Uninstall radio button enables
// it, Add a Device disables it again.
#pragma once

#include "framework/dialog.h"
#include "resources/resource.h"

class CSetupDlg : public CDialog {
 public:
  enum { IDD = IDD_SETUP_DIALOG };
  // Loads the application icon; `parent` may be NULL.
  explicit CSetupDlg(CWnd* parent = NULL);
  ~CSetupDlg() override;

 protected:
  const DialogMessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* dx) override;
  // Sets the icons and disables Next; TRUE.
  BOOL OnInitDialog() override;
  // Starts the uninstall command when one is registered, then ends the
  // dialog with IDOK whatever happened.
  void OnOK() override;
  void OnCancel() override;

  // The white header band with the heading and sub-heading lines.
  void OnPaint();
  HICON OnQueryDragIcon();
  void OnRadioAddDevice();
  void OnRadioUninstall();

  static const DialogMapEntry messageEntries[];
  static const DialogMessageMap messageMap;

  CButton m_btnNext;  // control IDOK
  HICON m_hIcon;      // shared resource icon, never destroyed
};
