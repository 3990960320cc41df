// CWinApp: the one application object. WinMain (fx_winmain_win.cpp, linked into
// programs as the qz_framework_entry object library) fills in its fields, calls
// InitInstance and then Run.
#ifndef QZ_FRAMEWORK_FX_APP_H
#define QZ_FRAMEWORK_FX_APP_H

#include <windows.h>

#include "framework/fx_msgmap.h"

class CWnd;

class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Without a main window, asks to quit at once; pumps messages until WM_QUIT.
    virtual int Run();
    virtual int ExitInstance();

    HINSTANCE m_hInstance;
    // The argument text: the command line after the program's own name.
    LPSTR m_lpCmdLine;
    int m_nCmdShow;
    LPCSTR m_pszAppName;
    CWnd* m_pMainWnd;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The entry: WinMain forwards here.
int AfxWinMain(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow);

#endif  // QZ_FRAMEWORK_FX_APP_H
