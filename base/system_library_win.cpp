// Loading system libraries from the system folder by full path.
#include "base/system_library.h"

#include <cstring>

HMODULE QZ_LoadSystemLibrary(const char* cszFileName)
{
    char szPath[MAX_PATH];
    size_t uNameLength = cszFileName ? strlen(cszFileName) : 0;
    UINT uLength = 0;

    if (uNameLength == 0)
        return NULL;
    uLength = ::GetSystemDirectoryA(szPath, MAX_PATH);
    if (uLength == 0 || uLength + 1 + uNameLength >= MAX_PATH)
        return NULL;
    szPath[uLength] = '\\';
    memcpy(szPath + uLength + 1, cszFileName, uNameLength + 1);
    return ::LoadLibraryA(szPath);
}
