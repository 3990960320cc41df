// The update signature check and the file SHA-256, with the platform's CNG under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/system_library.h"
#include "base/update_signature.h"
#include "selfupdate/update_index.h"
#include "selfupdate/update_trust.h"
#include "tests/support/qz_captured_log.h"
#include "signature_vectors.h"

namespace
{

std::string PublicKey(const char* cszHex)
{
    unsigned char abyKey[QZ_UPDATE_PUBLIC_KEY_SIZE];
    EXPECT_EQ(1, QZ_ParseHexBytes(cszHex, abyKey, sizeof(abyKey)));
    return std::string((const char*)abyKey, sizeof(abyKey));
}

int Verify(const std::string& strKey, const std::string& strText, const std::string& strSignature)
{
    return QZ_VerifyUpdateSignature((const unsigned char*)strKey.data(), strText.c_str(), strSignature.c_str());
}

std::string WriteTempFile(const std::string& strContent)
{
    const char* cszFolder = getenv("TEMP");
    std::string strPath = std::string(cszFolder ? cszFolder : ".") + "\\qz_sha256_test.bin";
    FILE* fpFile = fopen(strPath.c_str(), "wb");
    EXPECT_TRUE(fpFile != NULL);
    if (fpFile)
    {
        fwrite(strContent.data(), 1, strContent.size(), fpFile);
        fclose(fpFile);
    }
    return strPath;
}

}  // namespace

TEST(UpdateSignature, TheSignedTextIsTheProductAndFiveValuesInOrder)
{
    EXPECT_EQ(std::string(s_cszSignedText),
              QZ_BuildUpdateSignedText("1.0.0.3", "ArdunLauncher_1.0.0.3.exe", "180224",
                                       "a9e82d3f2664da1bbd5e8f8fb400bba9",
                                       "0000000000000000000000000000000000000000000000000000000000000000"));
}

TEST(UpdateSignature, VerifiesOnlyTheSignersTextUnderTheSignersKey)
{
    const std::string strKey = PublicKey(s_cszTestPublicKeyHex);
    const std::string strOtherKey = PublicKey(s_cszOtherPublicKeyHex);
    const std::string strText = s_cszSignedText;

    EXPECT_EQ(1, Verify(strKey, strText, s_cszTestKeySignature));
    // Upper-case digits read the same.
    std::string strUpper = s_cszTestKeySignature;
    for (char& ch : strUpper)
        ch = (char)toupper((unsigned char)ch);
    EXPECT_EQ(1, Verify(strKey, strText, strUpper));

    EXPECT_EQ(0, Verify(strKey, strText, s_cszOtherKeySignature)) << "signed with another key";
    EXPECT_EQ(0, Verify(strOtherKey, strText, s_cszTestKeySignature)) << "checked with another key";

    std::string strAltered = strText;
    strAltered[strAltered.find("1.0.0.3")] = '2';
    EXPECT_EQ(0, Verify(strKey, strAltered, s_cszTestKeySignature)) << "a value changed after signing";
    EXPECT_EQ(0, Verify(strKey, strText + "\n", s_cszTestKeySignature)) << "a byte added";

    std::string strFlipped = s_cszTestKeySignature;
    strFlipped[10] = strFlipped[10] == '0' ? '1' : '0';
    EXPECT_EQ(0, Verify(strKey, strText, strFlipped)) << "one digit of the signature changed";
}

TEST(UpdateSignature, MalformedSignaturesAreRefused)
{
    const std::string strKey = PublicKey(s_cszTestPublicKeyHex);
    const std::string strGood = s_cszTestKeySignature;
    const std::string Cases[] = {
        "",
        strGood.substr(0, 126),               // one byte short
        strGood + "00",                       // one byte long
        strGood.substr(0, 127) + "g",         // not hexadecimal
        strGood.substr(0, 64) + " " + strGood.substr(65),
        std::string(128, '0'),                // r = s = 0
    };
    for (const std::string& strSignature : Cases)
        EXPECT_EQ(0, Verify(strKey, s_cszSignedText, strSignature)) << "'" << strSignature << "'";
    EXPECT_EQ(0, QZ_VerifyUpdateSignature(NULL, s_cszSignedText, s_cszTestKeySignature));
    EXPECT_EQ(0, QZ_VerifyUpdateSignature((const unsigned char*)strKey.data(), NULL, s_cszTestKeySignature));
}

TEST(UpdateSignature, FileSha256MatchesKnownDigests)
{
    struct Case
    {
        std::string strContent;
        const char* cszDigest;
    };
    const Case Cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // Longer than one 64 KiB read.
        {std::string(100000, 'a'), "6d1cf22d7cc09b085dfc25ee1a1f3ae0265804c607bc2074ad253bcc82fd81ee"},
    };
    for (const Case& c : Cases)
    {
        char szDigest[65] = "x";
        std::string strPath = WriteTempFile(c.strContent);
        ASSERT_EQ(1, QZ_MakeFileSHA256(szDigest, strPath.c_str()));
        EXPECT_STREQ(c.cszDigest, szDigest);
        remove(strPath.c_str());
    }
    char szDigest[65] = "x";
    EXPECT_EQ(0, QZ_MakeFileSHA256(szDigest, "Z:\\no\\such\\file.bin"));
    EXPECT_STREQ("", szDigest);
}

// A keyed launcher reads each signed value of the index into a buffer of its own size;
// a longer value is refused by its length, never read cut short (a FileSize of 35
// digits would otherwise be read as its first 31).
TEST(UpdateTrust, AnOverLongIndexValueIsRefusedNotCutShort)
{
    QZ_UpdateKeyTable Keys;
    memset(&Keys, 0, sizeof(Keys));
    Keys.abyCount[0] = 1;
    memset(Keys.abyKeys[0], 0x11, sizeof(Keys.abyKeys[0]));
    const std::string strIndex = WriteTempFile(std::string("[SelfUpdate]\r\nFileSHA256=") + std::string(64, 'a') +
                                               "\r\nSignature=" + std::string(128, 'b') + "\r\nFileSize=" +
                                               std::string(34, '0') + "1\r\nKeyId=0011223344556677\r\n");
    QZ_CapturedLog Log;

    QZ_UpdateTrust Trust(&Keys);
    EXPECT_EQ(0, Trust.CheckIndex(strIndex.c_str(), "1.0.0.3", "ArdunLauncher_1.0.0.3.exe",
                                  "0123456789abcdef0123456789abcdef"));
    EXPECT_EQ(1000u, Trust.FileSizeCap(1000u)) << "no size may be taken from a refused index";
    std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
    ASSERT_EQ(1u, Lines.size());
    EXPECT_NE(std::string::npos, Lines[0].strMessage.find("QZLOG_PROCESS_ERROR(nRetCode < _countof(szFileSize)) at line"))
        << Lines[0].strMessage;
    EXPECT_NE(std::string::npos, Lines[0].strMessage.find("in QZ_UpdateTrust::CheckIndex")) << Lines[0].strMessage;
    remove(strIndex.c_str());
}
