#include "base/md5_file.h"

#include <cstdio>

#include "base/log.h"
#include "base/md5.h"

int MakeFileMD5(char* szOutput, const char* cszFileName)
{
    int nResult = 0;
    FILE* fpFile = NULL;
    QZ_MD5Context Context;
    unsigned char byReadBuffer[2048];
    unsigned char byDigest[QZ_MD5_DIGEST_SIZE];
    size_t uReadSize = 0;

    if (!szOutput)
        return 0;
    szOutput[0] = '\0';

    QZ_PROCESS_ERROR(cszFileName);

    fpFile = fopen(cszFileName, "rb");
    QZ_PROCESS_ERROR(fpFile);

    QZ_MD5Init(&Context);
    while (!feof(fpFile))
    {
        uReadSize = fread(byReadBuffer, 1, sizeof(byReadBuffer), fpFile);
        if (uReadSize < sizeof(byReadBuffer))
            QZ_PROCESS_ERROR(!ferror(fpFile));
        // A file whose size is a multiple of the buffer ends with a read of 0 bytes.
        if (uReadSize > 0)
            QZ_MD5Update(&Context, byReadBuffer, uReadSize);
    }
    QZ_MD5Final(byDigest, &Context);

    snprintf(szOutput, QZ_MD5_TEXT_BUFFER_SIZE,
             "%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x",
             byDigest[0], byDigest[1], byDigest[2], byDigest[3], byDigest[4], byDigest[5],
             byDigest[6], byDigest[7], byDigest[8], byDigest[9], byDigest[10], byDigest[11],
             byDigest[12], byDigest[13], byDigest[14], byDigest[15]);

    nResult = 1;
Exit0:
    if (fpFile)
    {
        fclose(fpFile);
        fpFile = NULL;
    }
    return nResult;
}
