#include "framework/fx_app.h"

#include "framework/fx_cmdline.h"

namespace
{

CWinApp* g_pApp = NULL;

}  // namespace

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_hInstance(NULL), m_lpCmdLine(NULL), m_nCmdShow(SW_SHOWNORMAL), m_pszAppName(lpszAppName),
      m_pMainWnd(NULL)
{
    g_pApp = this;
    m_hInstance = ::GetModuleHandleA(NULL);
    m_lpCmdLine = (LPSTR)QZ_GetArgumentText(::GetCommandLineA());
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG Message = {};
    if (!m_pMainWnd)
        ::PostQuitMessage(0);
    while (::GetMessageA(&Message, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp ? g_pApp->m_hInstance : ::GetModuleHandleA(NULL);
}

HINSTANCE AfxGetResourceHandle()
{
    return ::GetModuleHandleA(NULL);
}

int AfxWinMain(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->m_pszAppName)
        pApp->m_pszAppName = "";
    if (!pApp->InitInstance())
        return pApp->ExitInstance();
    return pApp->Run();
}
