// The program entry of a framework application: the application object's start-up,
// then its message loop.
#include <windows.h>

#include "framework/fx_app.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    if (!pApp->InitInstance())
        return 0;
    return pApp->Run();
}
