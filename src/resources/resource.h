// Resource ids shared by the resource scripts and the code.
#pragma once

#define IDS_ALREADY_INSTALLED 1
#define IDS_CHOOSE_OPTION 2
#define IDD_SETUP_DIALOG 102
#define IDB_HEADER 103
#define IDR_MAINFRAME 128
#define IDC_RADIO_UNINSTALL 1001
#define IDC_RADIO_ADD_DEVICE 1002
