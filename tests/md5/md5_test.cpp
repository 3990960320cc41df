#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/md5.h"
#include "base/md5_file.h"

namespace
{

std::string DigestText(const unsigned char byDigest[QZ_MD5_DIGEST_SIZE])
{
    char szText[QZ_MD5_DIGEST_SIZE * 2 + 1];
    for (int i = 0; i < QZ_MD5_DIGEST_SIZE; ++i)
        snprintf(szText + 2 * i, 3, "%02x", byDigest[i]);
    return szText;
}

// Adds the bytes in pieces of uPiece bytes (the last one shorter).
std::string DigestInPieces(const std::string& strInput, size_t uPiece)
{
    QZ_MD5Context Context;
    unsigned char byDigest[QZ_MD5_DIGEST_SIZE];
    QZ_MD5Init(&Context);
    for (size_t uPos = 0; uPos < strInput.size(); uPos += uPiece)
        QZ_MD5Update(&Context, strInput.data() + uPos, std::min(uPiece, strInput.size() - uPos));
    QZ_MD5Final(byDigest, &Context);
    return DigestText(byDigest);
}

struct KnownAnswer
{
    const char* cszInput;
    const char* cszDigest;
};

// The test suite of RFC 1321, appendix A.5.
const KnownAnswer s_RfcSuite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

// Files of the pattern byte[i] = i % 251 (a prime, so the pattern never lines up with
// the 64-byte blocks or the 2048-byte reads). The digests were computed with md5sum.
struct PatternFile
{
    size_t uSize;
    const char* cszDigest;
};

const PatternFile s_PatternFiles[] = {
    {0, "d41d8cd98f00b204e9800998ecf8427e"},
    {55, "6912ee65fff2d9f9ce2508cddf8bcda0"},   // padding and count fit in one block
    {56, "51fdd1acda72405dfdfa03fcb85896d7"},   // the count needs a second block
    {63, "48a6295221902e8e0938f773a7185e72"},
    {64, "b2d3f56bc197fd985d5965079b5e7148"},
    {65, "8bd7053801c768420faf816fadba971c"},
    {2048, "1544ef7a46131a30cf328f55979db73d"},  // one full read, then a read of 0 bytes
    {4096, "a0c16616c91907bd14e999986cf822d5"},
    {1048577, "79b67c7fbf43b76e5b7f182328bdc4b6"},
};

std::string Pattern(size_t uSize)
{
    std::string strData(uSize, '\0');
    for (size_t i = 0; i < uSize; ++i)
        strData[i] = (char)(unsigned char)(i % 251);
    return strData;
}

class MakeFileMD5Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Folder = std::filesystem::temp_directory_path() /
                   (std::string("qz_md5_") + pInfo->name() + "_" + std::to_string(rand()));
        std::filesystem::create_directories(m_Folder);
    }
    void TearDown() override
    {
        std::error_code Error;
        std::filesystem::remove_all(m_Folder, Error);
    }

    std::string WriteFile(const std::string& strName, const std::string& strData)
    {
        std::string strPath = (m_Folder / strName).string();
        FILE* fpFile = fopen(strPath.c_str(), "wb");
        EXPECT_NE(nullptr, fpFile) << strPath;
        if (fpFile)
        {
            EXPECT_EQ(strData.size(), fwrite(strData.data(), 1, strData.size(), fpFile));
            fclose(fpFile);
        }
        return strPath;
    }

    std::filesystem::path m_Folder;
};

TEST(MD5, RfcSuiteInOneCall)
{
    for (const KnownAnswer& Case : s_RfcSuite)
        EXPECT_EQ(Case.cszDigest, DigestInPieces(Case.cszInput, std::max<size_t>(1, strlen(Case.cszInput))))
            << '"' << Case.cszInput << '"';
}

// However the bytes are split over calls, the digest is that of the whole input: this
// exercises the incomplete-block buffer at every offset.
TEST(MD5, DigestDoesNotDependOnHowBytesAreAdded)
{
    const std::string strData = Pattern(1000);
    const std::string strWhole = DigestInPieces(strData, strData.size());
    for (size_t uPiece : {1, 3, 7, 55, 56, 63, 64, 65, 127, 128, 129, 999})
        EXPECT_EQ(strWhole, DigestInPieces(strData, uPiece)) << "pieces of " << uPiece;

    const std::string strLast = s_RfcSuite[6].cszInput;
    for (size_t uPiece = 1; uPiece <= strLast.size(); ++uPiece)
        EXPECT_EQ(s_RfcSuite[6].cszDigest, DigestInPieces(strLast, uPiece)) << "pieces of " << uPiece;
}

TEST(MD5, AddingNothingChangesNothing)
{
    QZ_MD5Context Context;
    unsigned char byDigest[QZ_MD5_DIGEST_SIZE];
    QZ_MD5Init(&Context);
    QZ_MD5Update(&Context, "ab", 2);
    QZ_MD5Update(&Context, nullptr, 0);
    QZ_MD5Update(&Context, "c", 1);
    QZ_MD5Final(byDigest, &Context);
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", DigestText(byDigest));
}

TEST_F(MakeFileMD5Test, RfcSuiteAsFiles)
{
    int nIndex = 0;
    for (const KnownAnswer& Case : s_RfcSuite)
    {
        std::string strPath = WriteFile("rfc" + std::to_string(nIndex++), Case.cszInput);
        char szOutput[QZ_MD5_TEXT_BUFFER_SIZE];
        memset(szOutput, 'X', sizeof(szOutput));
        EXPECT_EQ(1, MakeFileMD5(szOutput, strPath.c_str())) << strPath;
        EXPECT_STREQ(Case.cszDigest, szOutput) << '"' << Case.cszInput << '"';
    }
}

TEST_F(MakeFileMD5Test, PatternFilesMatchMd5sum)
{
    for (const PatternFile& Case : s_PatternFiles)
    {
        std::string strPath = WriteFile("pattern" + std::to_string(Case.uSize), Pattern(Case.uSize));
        char szOutput[QZ_MD5_TEXT_BUFFER_SIZE];
        memset(szOutput, 'X', sizeof(szOutput));
        EXPECT_EQ(1, MakeFileMD5(szOutput, strPath.c_str())) << Case.uSize << " bytes";
        EXPECT_STREQ(Case.cszDigest, szOutput) << Case.uSize << " bytes";
        // Lower case, exactly 32 digits, and the rest of the caller's buffer untouched.
        EXPECT_EQ('\0', szOutput[32]);
        EXPECT_EQ('X', szOutput[33]);
    }
}

TEST_F(MakeFileMD5Test, RelativePathIsTakenFromTheWorkingDirectory)
{
    WriteFile("relative.bin", "abc");
    std::filesystem::path OldDirectory = std::filesystem::current_path();
    std::filesystem::current_path(m_Folder);
    char szOutput[QZ_MD5_TEXT_BUFFER_SIZE] = "";
    int nRetCode = MakeFileMD5(szOutput, "relative.bin");
    std::filesystem::current_path(OldDirectory);
    EXPECT_EQ(1, nRetCode);
    EXPECT_STREQ("900150983cd24fb0d6963f7d28e17f72", szOutput);
}

TEST_F(MakeFileMD5Test, FailuresLeaveTheOutputEmpty)
{
    const std::string strMissing = (m_Folder / "missing.bin").string();
    const std::string strFolder = m_Folder.string();  // opening or reading a folder fails
    const char* const cszPaths[] = {strMissing.c_str(), strFolder.c_str(), nullptr};
    for (const char* cszPath : cszPaths)
    {
        char szOutput[QZ_MD5_TEXT_BUFFER_SIZE];
        strcpy(szOutput, "d41d8cd98f00b204e9800998ecf8427e");
        EXPECT_EQ(0, MakeFileMD5(szOutput, cszPath)) << (cszPath ? cszPath : "(null)");
        EXPECT_STREQ("", szOutput) << (cszPath ? cszPath : "(null)");
    }
}

TEST_F(MakeFileMD5Test, NullOutputFails)
{
    std::string strPath = WriteFile("abc.bin", "abc");
    EXPECT_EQ(0, MakeFileMD5(nullptr, strPath.c_str()));
}

}  // namespace
