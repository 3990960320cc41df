#include "base/wininet_library.h"

#include "base/system_library.h"

namespace
{

QZ_WinInetFunctions* LoadWinInet()
{
    static QZ_WinInetFunctions s_Functions;
    HMODULE hModule = QZ_LoadSystemLibrary("wininet.dll");

    if (!hModule)
        return NULL;
    if (!QZ_ResolveFunction(hModule, "InternetOpenA", s_Functions.pfnInternetOpenA) ||
        !QZ_ResolveFunction(hModule, "InternetSetOptionA", s_Functions.pfnInternetSetOptionA) ||
        !QZ_ResolveFunction(hModule, "InternetOpenUrlA", s_Functions.pfnInternetOpenUrlA) ||
        !QZ_ResolveFunction(hModule, "HttpQueryInfoA", s_Functions.pfnHttpQueryInfoA) ||
        !QZ_ResolveFunction(hModule, "InternetQueryOptionA", s_Functions.pfnInternetQueryOptionA) ||
        !QZ_ResolveFunction(hModule, "InternetQueryDataAvailable", s_Functions.pfnInternetQueryDataAvailable) ||
        !QZ_ResolveFunction(hModule, "InternetReadFile", s_Functions.pfnInternetReadFile) ||
        !QZ_ResolveFunction(hModule, "InternetCloseHandle", s_Functions.pfnInternetCloseHandle))
    {
        ::FreeLibrary(hModule);
        return NULL;
    }
    return &s_Functions;
}

}  // namespace

QZ_WinInetFunctions* QZ_GetWinInet()
{
    // Initialised once, by the first caller; others wait for it.
    static QZ_WinInetFunctions* s_pFunctions = LoadWinInet();
    return s_pFunctions;
}
