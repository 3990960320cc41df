// Hexadecimal text and streaming a source through a digest: base/ helpers of the
// signed updates. Built on the host and on Windows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/digest_stream.h"
#include "base/hex_text.h"
#include "base/md5_file.h"


TEST(HexText, EveryByteValueRoundTripsInLowerCase)
{
    unsigned char abyBytes[256];
    unsigned char abyRead[256];
    char szHex[2 * 256 + 1];
    for (int i = 0; i < 256; ++i)
        abyBytes[i] = (unsigned char)i;
    QZ_WriteHexBytes(abyBytes, sizeof(abyBytes), szHex);
    EXPECT_EQ(std::string("000102"), std::string(szHex, 6));
    EXPECT_EQ(std::string("9fa0"), std::string(szHex + 2 * 0x9f, 4));
    EXPECT_EQ(std::string("feff"), std::string(szHex + 2 * 0xfe));
    ASSERT_EQ(1, QZ_ParseHexBytes(szHex, abyRead, sizeof(abyRead)));
    EXPECT_EQ(0, memcmp(abyBytes, abyRead, sizeof(abyBytes)));
}

namespace
{

// Hands out its bytes in uneven pieces, and can fail after a number of reads.
class PiecewiseSource : public QZ_ByteSource
{
public:
    PiecewiseSource(const std::string& strData, int nFailAtRead) : m_strData(strData), m_nFailAtRead(nFailAtRead) {}
    int Read(void* pvBuffer, size_t uSize, size_t* puRead) override
    {
        *puRead = 0;
        if (m_nReads++ == m_nFailAtRead)
            return 0;
        size_t uPiece = std::min(std::min(uSize, (size_t)(1 + m_nReads * 7919 % 70000)), m_strData.size() - m_uPos);
        memcpy(pvBuffer, m_strData.data() + m_uPos, uPiece);
        m_uPos += uPiece;
        *puRead = uPiece;
        return 1;
    }

private:
    std::string m_strData;
    int m_nFailAtRead;
    int m_nReads = 0;
    size_t m_uPos = 0;
};

class CollectingSink : public QZ_DigestSink
{
public:
    int Add(const void* pvData, size_t uSize) override
    {
        m_strData.append((const char*)pvData, uSize);
        return m_strData.size() < m_uFailAbove;
    }
    std::string m_strData;
    size_t m_uFailAbove = (size_t)-1;
};

}  // namespace

TEST(DigestStream, EveryByteReachesTheDigestInOrderAndFailuresStopIt)
{
    std::string strData;
    for (int i = 0; i < 300000; ++i)
        strData += (char)(i * 31 % 251);

    PiecewiseSource Source(strData, -1);
    CollectingSink Sink;
    ASSERT_EQ(1, QZ_StreamDigest(&Source, &Sink));
    EXPECT_TRUE(Sink.m_strData == strData);

    PiecewiseSource FailingSource(strData, 3);
    CollectingSink Unused;
    EXPECT_EQ(0, QZ_StreamDigest(&FailingSource, &Unused)) << "a read error is not the end of the file";

    PiecewiseSource WholeSource(strData, -1);
    CollectingSink FailingSink;
    FailingSink.m_uFailAbove = 1000;
    EXPECT_EQ(0, QZ_StreamDigest(&WholeSource, &FailingSink));

    // The MD5 of a held file goes the same way (RFC 1321's "abc").
    char szMD5[QZ_MD5_TEXT_BUFFER_SIZE];
    QZ_MemorySource Abc("abc", 3);
    ASSERT_EQ(1, MakeFileMD5(szMD5, &Abc));
    EXPECT_STREQ("900150983cd24fb0d6963f7d28e17f72", szMD5);
    PiecewiseSource Broken(strData, 0);
    EXPECT_EQ(0, MakeFileMD5(szMD5, &Broken));
    EXPECT_STREQ("", szMD5);
}
