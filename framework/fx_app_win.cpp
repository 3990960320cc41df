#include "framework/fx_app.h"

namespace
{

CWinApp* g_pApp = NULL;

}  // namespace

const char* QZ_GetArgumentText(const char* cszCommandLine)
{
    const unsigned char* pch = (const unsigned char*)(cszCommandLine ? cszCommandLine : "");
    if (*pch == '"')
    {
        ++pch;
        while (*pch && *pch != '"')
            ++pch;
        if (*pch == '"')
            ++pch;
    }
    else
    {
        while (*pch > ' ')
            ++pch;
    }
    while (*pch && *pch <= ' ')
        ++pch;
    return (const char*)pch;
}

CWinApp::CWinApp() : m_lpCmdLine((LPSTR)QZ_GetArgumentText(::GetCommandLineA()))
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

int CWinApp::Run()
{
    MSG Message = {};
    ::PostQuitMessage(0);
    while (::GetMessageW(&Message, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&Message);
        ::DispatchMessageW(&Message);
    }
    return 0;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}
