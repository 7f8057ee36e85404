#include "dialog/setup_dlg.h"

#include <string.h>

#include "framework/paint.h"
#include "framework/text.h"

namespace {

// The header band and its two lines, in client pixels whatever the language's
// dialog size.
const LONG kBandBottom = 60;
const LONG kTextLeft = 30;
const LONG kHeadingTop = 10;
const LONG kHeadingBottom = 30;
const LONG kSubHeadingBottom = 50;
const COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

const DialogMapEntry CSetupDlg::messageEntries[] = {
    OnMessage(WM_PAINT, &CSetupDlg::OnPaint),
    OnQuery(WM_QUERYDRAGICON, &CSetupDlg::OnQueryDragIcon),
    OnCommand(IDC_RADIO_ADD_DEVICE, BN_CLICKED, &CSetupDlg::OnRadioAddDevice),
    OnCommand(IDC_RADIO_UNINSTALL, BN_CLICKED, &CSetupDlg::OnRadioUninstall),
    EndOfMap(),
};
const DialogMessageMap CSetupDlg::messageMap = {&CDialog::messageMap, messageEntries};

CSetupDlg::CSetupDlg(CWnd* parent) : CDialog(IDD, parent) {
  LPCSTR icon = MAKEINTRESOURCEA(IDR_MAINFRAME);
  m_hIcon = LoadIconA(AfxFindResourceHandle(icon, RT_GROUP_ICON), icon);
}

CSetupDlg::~CSetupDlg() {}

const DialogMessageMap* CSetupDlg::GetMessageMap() const { return &messageMap; }

void CSetupDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDOK, m_btnNext); }

BOOL CSetupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  m_btnNext.EnableWindow(FALSE);
  return TRUE;
}

void CSetupDlg::OnCancel() { CDialog::OnCancel(); }

void CSetupDlg::OnRadioAddDevice() { m_btnNext.EnableWindow(FALSE); }
void CSetupDlg::OnRadioUninstall() { m_btnNext.EnableWindow(TRUE); }

HICON CSetupDlg::OnQueryDragIcon() { return m_hIcon; }

// The texts are drawn in the default text colour and opaque mode, on the
// white that filling the band left as the background colour. The bold font
// lives for one paint only.
void CSetupDlg::OnPaint() {
  CPaintDC dc(this);
  CRect rect;
  GetClientRect(&rect);
  rect.DeflateRect(1, 0, 1, 0);
  rect.bottom = kBandBottom;
  dc.FillSolidRect(rect, kWhite);

  CString text;
  text.LoadString(IDS_ALREADY_INSTALLED);

  LOGFONTA logFont;
  memset(&logFont, 0, sizeof logFont);
  GetObjectA(GetFont(), sizeof logFont, &logFont);
  logFont.lfWeight = FW_BOLD;
  CFont bold;
  bold.CreateFontIndirect(&logFont);
  HGDIOBJ previousFont = dc.SelectObject(bold);

  rect.left = kTextLeft;
  rect.top = kHeadingTop;
  rect.bottom = kHeadingBottom;
  dc.DrawText(text, &rect, DT_SINGLELINE);

  text.LoadString(IDS_CHOOSE_OPTION);
  dc.SelectObject(GetFont());
  rect.top = kHeadingBottom;
  rect.bottom = kSubHeadingBottom;
  dc.DrawText(text, &rect, DT_SINGLELINE);

  dc.SelectObject(previousFont);
  bold.DeleteObject();
  text.Empty();
}
