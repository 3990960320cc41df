#include "selfupdate/update_index.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/wide_text.h"

// The index file is named by a UTF-8 path, so it is read with the wide profile reader;
// the value comes back in the ANSI code page, as the narrow reader would give it. The
// reader cuts a value that does not fit and returns the length that fits, so the buffer
// has one character to spare: a value that fills it is too long.
int QZ_ReadUpdateIndexValue(const char* cszKey, char* szValue, unsigned int uSize, const char* cszIndexFileName)
{
    std::wstring wstrValue(uSize + 1, L'\0');
    DWORD dwLength = 0;
    int nLength = 0;

    szValue[0] = '\0';
    dwLength = ::GetPrivateProfileStringW(QZ_Utf8ToWide(QZ_UPDATE_SECTION).c_str(), QZ_Utf8ToWide(cszKey).c_str(),
                                          NULL, &wstrValue[0], uSize + 1, QZ_Utf8ToWide(cszIndexFileName).c_str());
    if (dwLength == 0)
        return 0;
    if (dwLength >= uSize)
        return (int)uSize;
    nLength = ::WideCharToMultiByte(CP_ACP, 0, wstrValue.c_str(), (int)dwLength, NULL, 0, NULL, NULL);
    if (nLength <= 0 || nLength >= (int)uSize)
        return nLength <= 0 ? 0 : nLength;
    ::WideCharToMultiByte(CP_ACP, 0, wstrValue.c_str(), (int)dwLength, szValue, nLength, NULL, NULL);
    szValue[nLength] = '\0';
    return nLength;
}
