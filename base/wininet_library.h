// The WinINet calls of the downloads. wininet.dll is loaded from the system folder at
// the first download, on the self-update's thread, rather than imported: the library
// and the many it loads in turn would otherwise delay every start of the program,
// and its window, for a self-update that runs after them.
#ifndef QZ_BASE_WININET_LIBRARY_H
#define QZ_BASE_WININET_LIBRARY_H

#include <windows.h>
#include <wininet.h>

struct QZ_WinInetFunctions
{
    decltype(&InternetOpenA) pfnInternetOpenA;
    decltype(&InternetSetOptionA) pfnInternetSetOptionA;
    decltype(&InternetOpenUrlA) pfnInternetOpenUrlA;
    decltype(&HttpQueryInfoA) pfnHttpQueryInfoA;
    decltype(&InternetQueryOptionA) pfnInternetQueryOptionA;
    decltype(&InternetQueryDataAvailable) pfnInternetQueryDataAvailable;
    decltype(&InternetReadFile) pfnInternetReadFile;
    decltype(&InternetCloseHandle) pfnInternetCloseHandle;
};

// The calls, with the library loaded by the first caller (any thread); it stays
// loaded. NULL when the library or one of the calls is missing; every later call
// answers the same. Tests may replace entries to watch the calls.
QZ_WinInetFunctions* QZ_GetWinInet();

#endif  // QZ_BASE_WININET_LIBRARY_H
