#include "base/digest_stream.h"

#include <cstring>

int QZ_StreamDigest(QZ_ByteSource* pSource, QZ_DigestSink* pSink)
{
    unsigned char abyBuffer[65536];
    size_t uRead = 0;

    if (!pSource || !pSink)
        return 0;
    for (;;)
    {
        if (!pSource->Read(abyBuffer, sizeof(abyBuffer), &uRead))
            return 0;
        if (uRead == 0)
            return 1;
        if (!pSink->Add(abyBuffer, uRead))
            return 0;
    }
}

int QZ_NamedFileSource::Read(void* pvBuffer, size_t uSize, size_t* puRead)
{
    *puRead = 0;
    if (!m_fpFile)
        return 0;
    *puRead = fread(pvBuffer, 1, uSize, m_fpFile);
    // A short read is the end only when no error stopped it.
    return *puRead == uSize || !ferror(m_fpFile);
}

int QZ_MemorySource::Read(void* pvBuffer, size_t uSize, size_t* puRead)
{
    *puRead = uSize < m_uLeft ? uSize : m_uLeft;
    memcpy(pvBuffer, m_pbyData, *puRead);
    m_pbyData += *puRead;
    m_uLeft -= *puRead;
    return 1;
}
