// Resource ids of the executable. Plain #defines so that the resource compiler reads them too.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VELKARO_DIALOG 102
#define IDD_ACCEPTANCE 103
#define IDS_ACCEPTANCE 104
#define IDR_MAINFRAME 128

#define IDM_ABOUTBOX 0x0010
#define IDM_ACCEPTANCE 0x0020
#define IDM_LANGUAGE 0x0030

// The log list's context menu.
#define IDM_LOG_COPY 32771
#define IDM_LOG_COPY_ALL 32772
#define IDM_LOG_SAVE 32773
#define IDM_LOG_CLEAR 32774
#define IDM_TRACE 32775

#define IDC_LIST_LOG 1000
#define IDC_LIST_NODES 1001
#define IDC_RADIO_LOCKED_CLOSED 1002
#define IDC_RADIO_LOCKED_OPEN 1003
#define IDC_CHECK_FEEDBACK 1004
#define IDC_EDIT_MAX_ON_TIME 1005
#define IDC_EDIT_INTERVAL 1006
#define IDC_EDIT_MAX_ADDR 1007
#define IDC_COMBO_PORT 1008
#define IDC_BTN_OPEN_PORT 1009
#define IDC_BTN_GROUP_STATUS 1011
#define IDC_BTN_GROUP_UNLOCK 1012
#define IDC_BTN_SINGLE_STATUS 1013
#define IDC_BTN_SINGLE_UNLOCK 1014

#define IDC_EDIT_EXPECT 1020
#define IDC_EDIT_CABINET 1021
#define IDC_EDIT_OPERATOR 1022
#define IDC_RADIO_MODE_EACH 1023
#define IDC_RADIO_MODE_GROUP 1024
#define IDC_EDIT_CLOSE_WAIT 1025
#define IDC_BTN_START 1026
#define IDC_BTN_STOP 1027
#define IDC_PROGRESS_NODES 1028
#define IDC_LIST_RESULTS 1029
#define IDC_STATIC_SUMMARY 1030
#define IDC_STATIC_VERDICT 1031
#define IDC_BTN_SAVE_REPORT 1032

// The platform's own headers define these where they exist.
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
