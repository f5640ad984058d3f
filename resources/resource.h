// Ids of Quarry's resources and commands, shared by Quarry.rc and the C++ code.
// Plain #defines so that the resource compiler can read them too.
#pragma once

// Menu, accelerator table, title string and icon of the main window share one id.
#define IDR_MAINFRAME 128

#define IDD_ABOUTBOX 100
#define IDD_SELECT_PROCESS 202
#define IDD_FIND 204

// Menu-bar and accelerator commands.
#define ID_TARGET_REFRESH 32776
#define ID_TARGET_OPEN 32777
#define ID_TARGET_DUMP 32781
#define ID_EDIT_FIND 32783
#define ID_EDIT_FIND_NEXT 32784
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665

// Row context menu commands; that menu is built at run time, not kept as a resource.
#define ID_ROW_EXPLORE 101
#define ID_ROW_COPY 102
#define ID_ROW_PROPERTIES 103

// Dialog controls. Texts and frames that the program never addresses share IDC_STATIC.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_PROCESS_LIST 1001
#define IDC_REFRESH_LIST 1002
#define IDC_SHOW_ALL_PROCESSES 1003
#define IDC_HYPERLINK 1004
#define IDC_FIND_TEXT 1005
