#include "tests/support/qz_test_files.h"

#include <cstdio>

std::string QZ_ReadWholeFile(const std::string& strPath)
{
    std::string strData;
    FILE* fpFile = fopen(strPath.c_str(), "rb");
    if (!fpFile)
        return strData;
    char szBuffer[65536];
    size_t uRead = 0;
    while ((uRead = fread(szBuffer, 1, sizeof(szBuffer), fpFile)) > 0)
        strData.append(szBuffer, uRead);
    fclose(fpFile);
    return strData;
}
