// Resource ids of Velmora, shared by the resource script (res/velmora.rc) and the C++ code.
// Kept free of anything but #define lines so that the resource compiler's preprocessor and the
// C++ compiler read it alike.
#pragma once

// Dialogs
#define IDD_SCAN_DIALOG 102
#define IDD_ABOUTBOX 138

// Icon, bitmaps, menu
#define IDR_MAINFRAME 128
#define IDB_DRIVE_IMAGES 129
#define IDB_LOGO 136
#define IDR_MAINMENU 137

// Controls of the scan dialog
#define IDC_STOP 1004
#define IDC_RESULTS 1006
#define IDC_START 1007
#define IDC_DRIVES 1011
#define IDC_CURRENT_DIR 1012
#define IDC_WEBLINK 1014

// Controls without an id of their own; the system headers may already have it.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Menu commands. The values are the framework's standard command ids (57670 is also the command
// the framework sends for the help key), so the system or framework headers may define some.
#ifndef ID_FILE_SAVE_RESULTS
#define ID_FILE_SAVE_RESULTS 57604
#endif
#ifndef ID_FILE_QUIT
#define ID_FILE_QUIT 32771
#endif
#ifndef ID_EDIT_SELECT_ALL
#define ID_EDIT_SELECT_ALL 57642
#endif
#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY 57634
#endif
#ifndef ID_HELP_WEBSITE
#define ID_HELP_WEBSITE 32773
#endif
#ifndef ID_HELP_ABOUT
#define ID_HELP_ABOUT 57670
#endif

// The bar item between Edit and Help: no command of its own.
#define ID_MENU_SPACER 65535

// The maker's web address, shown by the link label and the About box, and the page it opens.
#define VLM_WEB_ADDRESS "www.velmora.example"
#define VLM_HOME_PAGE_URL "http://www.velmora.example/"
