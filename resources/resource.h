// Resource ids shared by the .rc file and the code.
#pragma once

#define IDI_MAIN 128
#define IDP_RESTORE 154  // shown while maximised
#define IDP_CLOSE 155
#define IDP_MINIMIZE 157
#define IDP_MAXIMIZE 166
#define IDD_MAIN_FRAME 102
#define IDR_ACCELERATORS 128
#define IDS_OPEN_FILTER 500
#define IDC_TITLE_TEXT 1025
#define IDC_IMAGE_VIEW 101
#define IDC_LOGO 104  // its own id: the menu bar has 103
