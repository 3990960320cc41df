#include "base/program_path.h"

#include <windows.h>

#include <cstring>

#include "base/wide_text.h"

int QZ_GetProgramPath(char* szPath, unsigned int uSize)
{
    wchar_t wszPath[MAX_PATH];
    DWORD dwLength = 0;
    std::string strPath;

    if (!szPath || uSize == 0)
        return 0;
    szPath[0] = '\0';
    dwLength = ::GetModuleFileNameW(NULL, wszPath, MAX_PATH);
    if (dwLength == 0)
        return 0;
    if (dwLength >= MAX_PATH)
        return (int)uSize;
    strPath = QZ_WideToUtf8(wszPath);
    if (strPath.empty())
        return 0;
    if (strPath.size() >= uSize)
        return (int)uSize;
    memcpy(szPath, strPath.c_str(), strPath.size() + 1);
    return (int)strPath.size();
}
