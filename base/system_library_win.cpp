// Loading system libraries from the system folder by full path.
#include "base/system_library.h"

#include <cstring>

#include "base/log.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace
{

// 1 when the system can restrict the search for libraries to the system folder.
int QZ_HasDefaultDllDirectories()
{
    HMODULE hKernel32 = ::GetModuleHandleA("kernel32.dll");
    return hKernel32 && ::GetProcAddress(hKernel32, "SetDefaultDllDirectories") != NULL;
}

}  // namespace

HMODULE QZ_LoadSystemLibrary(const char* cszFileName)
{
    char szPath[MAX_PATH];
    size_t uNameLength = cszFileName ? strlen(cszFileName) : 0;
    UINT uLength = 0;
    DWORD dwFlags = 0;

    if (uNameLength == 0)
        return NULL;
    uLength = ::GetSystemDirectoryA(szPath, MAX_PATH);
    if (uLength == 0 || uLength + 1 + uNameLength >= MAX_PATH)
        return NULL;
    szPath[uLength] = '\\';
    memcpy(szPath + uLength + 1, cszFileName, uNameLength + 1);
    // Without SetDefaultDllDirectories the libraries this one loads in turn would be
    // looked for in the program's folder first; the altered search puts the folder of
    // the library itself, the system folder, in its place.
    if (!QZ_HasDefaultDllDirectories())
        dwFlags = LOAD_WITH_ALTERED_SEARCH_PATH;
    return ::LoadLibraryExA(szPath, NULL, dwFlags);
}

int QZ_LoadSystemFunctions(const char* cszLibrary, const char* const* ppszNames, void** ppfnFunctions, int nCount)
{
    HMODULE hModule = QZ_LoadSystemLibrary(cszLibrary);
    int nFound = 0;

    for (int i = 0; i < nCount; ++i)
        ppfnFunctions[i] = NULL;
    if (!hModule)
        return 0;
    for (nFound = 0; nFound < nCount; ++nFound)
    {
        ppfnFunctions[nFound] = reinterpret_cast<void*>(::GetProcAddress(hModule, ppszNames[nFound]));
        if (!ppfnFunctions[nFound])
            break;
    }
    if (nFound == nCount)
        return 1;
    for (int i = 0; i < nCount; ++i)
        ppfnFunctions[i] = NULL;
    ::FreeLibrary(hModule);
    return 0;
}

int QZ_RestrictLibrarySearch()
{
    int nResult = 0;
    int nRetCode = 0;
    // Windows 7 has the call only with its update KB2533623: looked up, not imported.
    BOOL(WINAPI * pfnSetDefaultDllDirectories)(DWORD dwDirectoryFlags) = NULL;
    HMODULE hKernel32 = ::GetModuleHandleA("kernel32.dll");

    QZLOG_PROCESS_ERROR(hKernel32 && "GetModuleHandle(kernel32.dll)");
    if (QZ_ResolveFunction(hKernel32, "SetDefaultDllDirectories", pfnSetDefaultDllDirectories))
    {
        nRetCode = pfnSetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        QZLOG_PROCESS_ERROR(nRetCode && "SetDefaultDllDirectories()");
    }
    else
    {
        nRetCode = ::SetDllDirectoryA("");
        QZLOG_PROCESS_ERROR(nRetCode && "SetDllDirectoryA()");
    }

    nResult = 1;
Exit0:
    if (!nResult)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Library search not restricted, Error Code %d.", (int)GetLastError());
    return nResult;
}
