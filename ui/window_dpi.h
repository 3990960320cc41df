// The DPI a window is shown at. The program declares itself aware of each monitor's
// DPI (its manifest), so the system leaves its windows unscaled and tells a window
// when it moves to a monitor of another DPI (WM_DPICHANGED); the window lays itself
// out at that DPI. The system's DPI functions are looked up when called, never
// imported: older systems lack them.
#ifndef QZ_UI_WINDOW_DPI_H
#define QZ_UI_WINDOW_DPI_H

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI of hWnd's monitor: GetDpiForWindow (Windows 10), else GetDpiForMonitor of
// shcore.dll (Windows 8.1), else the screen's LOGPIXELSX (the system's DPI, which
// earlier systems give every window). 96 when none answers (logged).
int QZ_GetWindowDpi(HWND hWnd);

// Asks the dialog manager to leave hDialog's size, controls and fonts alone when its
// DPI changes (SetDialogDpiChangeBehavior, Windows 10 1703): the window lays itself
// out. Nothing to do, and 1, where the system has no such behaviour.
int QZ_KeepDialogLayoutAtDpiChange(HWND hDialog);

#endif  // QZ_UI_WINDOW_DPI_H
