#include "selfupdate/update_index.h"

#include <windows.h>

// The profile reader cuts a value that does not fit and then returns uSize - 1, the
// length of a value that just fits; such a value is read once more with one character
// to spare, so a longer value returns uSize or more.
int QZ_ReadUpdateIndexValue(const char* cszKey, char* szValue, unsigned int uSize, const char* cszIndexFileName)
{
    DWORD dwLength = ::GetPrivateProfileStringA(QZ_UPDATE_SECTION, cszKey, NULL, szValue, uSize, cszIndexFileName);
    if (dwLength + 1 >= uSize)
    {
        std::string strLonger(uSize + 1, '\0');
        dwLength = ::GetPrivateProfileStringA(QZ_UPDATE_SECTION, cszKey, NULL, &strLonger[0], uSize + 1,
                                              cszIndexFileName);
    }
    return (int)dwLength;
}
