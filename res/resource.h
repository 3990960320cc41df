// Resource identifiers, shared by ArdunLauncher.rc and the C++ code.
#ifndef QZ_RES_RESOURCE_H
#define QZ_RES_RESOURCE_H

#define IDD_ARDUNLAUNCHER_DIALOG 102
#define IDC_LAUNCH_BUTTON        104
#define IDR_MAINFRAME            128
#define IDC_QUIT_BUTTON          1004
#define IDC_CLUE_TEXT            1005

// Choice buttons, 183 x 33
#define IDB_LAUNCH_PRESSED       147
#define IDB_LAUNCH_NORMAL        148
#define IDB_LAUNCH_HOVER         149
// Close button, 13 x 14
#define IDB_QUIT_HOVER           141
#define IDB_QUIT_PRESSED         151
#define IDB_QUIT_NORMAL          152
// Background pieces, 262 wide
#define IDB_BACKGROUND_TOP       145
#define IDB_BACKGROUND_BOTTOM    153
#define IDB_BACKGROUND_MIDDLE    154

#endif  // QZ_RES_RESOURCE_H
