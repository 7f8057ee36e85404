// Window styles of the maintenance dialog and its six controls, shared by
// every language's template.  The order of the controls in each template is
// also the tab order: Next, Cancel, group box, header picture, the Uninstall
// radio button (first of the group) and the Add a Device radio button.
// Cancel, not Next, is the default button; no radio button starts checked.
#pragma once

#define SETUP_DIALOG_STYLE (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
#define SETUP_NEXT_STYLE (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON)
#define SETUP_CANCEL_STYLE (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON)
#define SETUP_GROUP_STYLE (WS_CHILD | WS_VISIBLE | BS_GROUPBOX)
#define SETUP_PICTURE_STYLE (WS_CHILD | WS_VISIBLE | SS_BITMAP)
#define SETUP_UNINSTALL_STYLE \
  (WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_MULTILINE | BS_TOP | BS_AUTORADIOBUTTON)
#define SETUP_ADD_DEVICE_STYLE \
  (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_MULTILINE | BS_TOP | BS_AUTORADIOBUTTON)
