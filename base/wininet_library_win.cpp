#include "base/wininet_library.h"

#include "base/system_library.h"

QZ_WinInetFunctions* QZ_GetWinInet()
{
    static const char* const s_apszNames[] = {
        "InternetOpenA", "InternetSetOptionA", "InternetOpenUrlA", "HttpQueryInfoA", "InternetQueryOptionA",
        "InternetQueryDataAvailable", "InternetReadFile", "InternetCloseHandle",
    };
    return QZ_GetSystemFunctions<QZ_WinInetFunctions>("wininet.dll", s_apszNames);
}
