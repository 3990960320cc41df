// The platform-neutral parts of the update trust checks: the signed file size, the key
// chosen by the index's KeyId and the new launcher's key tables. Built on the host and
// on Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "selfupdate/update_trust.h"

TEST(UpdateTrust, FileSizeIsDecimalDigitsOnlyAndAUsableLimit)
{
    unsigned int uSize = 7;
    EXPECT_EQ(1, QZ_ParseUpdateFileSize("180224", &uSize));
    EXPECT_EQ(180224u, uSize);
    EXPECT_EQ(1, QZ_ParseUpdateFileSize("4294967295", &uSize));
    EXPECT_EQ(4294967295u, uSize);
    // 0 would lift the download's size limit; the others are what a lax reader
    // (strtoul, atoi) would accept or wrap.
    for (const char* cszText : {"", "0", "00", "-1", "+5", " 5", "5 ", "0x10", "12a", "4294967296",
                                "18446744073709551617", "99999999999999999999999"})
    {
        uSize = 7;
        EXPECT_EQ(0, QZ_ParseUpdateFileSize(cszText, &uSize)) << "'" << cszText << "'";
        EXPECT_EQ(7u, uSize) << "'" << cszText << "'";
    }
}

TEST(UpdateTrust, TheKeyIdChoosesAmongThePresentKeysOnly)
{
    QZ_UpdateKeyTable Keys;
    memset(&Keys, 0, sizeof(Keys));
    const unsigned char abyIds[QZ_UPDATE_KEY_SLOTS][QZ_UPDATE_KEY_ID_SIZE] = {
        {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef},
        {0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10},
    };

    Keys.abyCount[0] = 2;
    ASSERT_EQ(2u, QZ_UpdateKeyCount(&Keys));
    EXPECT_EQ(0, QZ_FindUpdateKey(2, abyIds, "0123456789abcdef"));
    EXPECT_EQ(1, QZ_FindUpdateKey(2, abyIds, "fedcba9876543210"));
    EXPECT_EQ(1, QZ_FindUpdateKey(2, abyIds, "FEDCBA9876543210"));
    for (const char* cszKeyId : {"", "0123456789abcde", "0123456789abcdef0", "0123456789abcdeg", "1123456789abcdef"})
        EXPECT_EQ(-1, QZ_FindUpdateKey(2, abyIds, cszKeyId)) << "'" << cszKeyId << "'";

    // A program with its main key only: the empty backup slot is never chosen.
    Keys.abyCount[0] = 1;
    ASSERT_EQ(1u, QZ_UpdateKeyCount(&Keys));
    EXPECT_EQ(-1, QZ_FindUpdateKey(1, abyIds, "fedcba9876543210"));
    EXPECT_EQ(-1, QZ_FindUpdateKey(0, abyIds, "0123456789abcdef"));

    // The count is little-endian and never more than the slots.
    Keys.abyCount[0] = 0;
    EXPECT_EQ(0u, QZ_UpdateKeyCount(&Keys));
    Keys.abyCount[3] = 1;
    EXPECT_EQ((unsigned int)QZ_UPDATE_KEY_SLOTS, QZ_UpdateKeyCount(&Keys));
    EXPECT_EQ(148u, sizeof(QZ_UpdateKeyTable)) << "the publishing tool reads the table at fixed offsets";
}

namespace
{

QZ_UpdateKeyTable KeyTable(unsigned char byCount, unsigned char byFirstKey, unsigned char bySecondKey)
{
    QZ_UpdateKeyTable Table;
    memset(&Table, 0, sizeof(Table));
    memcpy(Table.szMarker, "QZ_UPDATE_KEYS1", 16);
    Table.abyCount[0] = byCount;
    memset(Table.abyKeys[0], byFirstKey, sizeof(Table.abyKeys[0]));
    memset(Table.abyKeys[1], bySecondKey, sizeof(Table.abyKeys[1]));
    return Table;
}

}  // namespace

// A new launcher's key table is found wherever it lies in the file and however the file
// is cut into pieces; only its present keys count. Our keys: 0xAA main, 0xBB backup.
TEST(UpdateTrust, KeyContinuityFindsTheNewFilesTableAcrossPieces)
{
    const QZ_UpdateKeyTable OwnKeys = KeyTable(2, 0xAA, 0xBB);
    struct Case
    {
        const char* cszName;
        QZ_UpdateKeyTable NewKeys;
        int nCarries;
        int nShares;
    } aCases[] = {
        {"same keys", KeyTable(2, 0xAA, 0xBB), 1, 1},
        {"rotation: our backup is its main key", KeyTable(2, 0xBB, 0xCC), 1, 1},
        {"foreign keys only", KeyTable(2, 0xCC, 0xDD), 1, 0},
        {"our backup key in an unused slot", KeyTable(1, 0xCC, 0xBB), 1, 0},
        {"no key", KeyTable(0, 0xAA, 0xBB), 0, 0},
        {"a count no table has", KeyTable(3, 0xAA, 0xBB), 0, 0},
    };
    for (const Case& Item : aCases)
    {
        std::string strFile(1000, 'Q');
        strFile.insert(333, (const char*)&Item.NewKeys, sizeof(Item.NewKeys));
        strFile += "QZ_UPDATE_KEYS1";  // the marker cut off by the end of the file
        for (size_t uPiece : {(size_t)1, (size_t)7, (size_t)147, (size_t)148, (size_t)4096})
        {
            QZ_UpdateKeyTableScan Scan(&OwnKeys);
            for (size_t uAt = 0; uAt < strFile.size(); uAt += uPiece)
                ASSERT_EQ(1, Scan.Add(strFile.data() + uAt, std::min(uPiece, strFile.size() - uAt)));
            EXPECT_EQ(Item.nCarries, Scan.CarriesKeys()) << Item.cszName << ", pieces of " << uPiece;
            EXPECT_EQ(Item.nShares, Scan.SharesKey()) << Item.cszName << ", pieces of " << uPiece;
        }
    }
}
