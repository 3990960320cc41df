#include "base/md5_file.h"

#include "base/digest_stream.h"
#include "base/hex_text.h"
#include "base/log.h"
#include "base/md5.h"

namespace
{

class QZ_MD5Sink : public QZ_DigestSink
{
public:
    QZ_MD5Sink() { QZ_MD5Init(&m_Context); }
    int Add(const void* pvData, size_t uSize) override
    {
        QZ_MD5Update(&m_Context, pvData, uSize);
        return 1;
    }
    void Finish(unsigned char* pbyDigest) { QZ_MD5Final(pbyDigest, &m_Context); }

private:
    QZ_MD5Context m_Context;
};

}  // namespace

int MakeFileMD5(char* szOutput, QZ_ByteSource* pSource)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_MD5Sink Sink;
    unsigned char byDigest[QZ_MD5_DIGEST_SIZE];

    if (!szOutput)
        return 0;
    szOutput[0] = '\0';

    nRetCode = QZ_StreamDigest(pSource, &Sink);
    QZ_PROCESS_ERROR(nRetCode);

    Sink.Finish(byDigest);
    QZ_WriteHexBytes(byDigest, sizeof(byDigest), szOutput);

    nResult = 1;
Exit0:
    return nResult;
}

int MakeFileMD5(char* szOutput, const char* cszFileName)
{
    QZ_NamedFileSource Source(cszFileName);

    if (!szOutput)
        return 0;
    szOutput[0] = '\0';
    if (!Source.IsOpen())
        return 0;
    return MakeFileMD5(szOutput, &Source);
}
