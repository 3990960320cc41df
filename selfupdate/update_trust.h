// The trust checks of a self-update: whether the index is signed by one of the
// program's update keys over what it publishes, and whether the downloaded file is
// what the index says (size and SHA-256 as signed, its own FileVersion the version the
// index names). The parsing and the key choice are platform-neutral; reading the index,
// the digests and the signature check are the platform's (update_trust_win.cpp).
#ifndef QZ_SELFUPDATE_UPDATE_TRUST_H
#define QZ_SELFUPDATE_UPDATE_TRUST_H

#include <cstddef>
#include <vector>

#include "base/digest_stream.h"
#include "base/update_signature.h"
#include "selfupdate/update_server.h"

class QZ_VersionNumber;

// A key's id: the first 8 bytes of the SHA-256 of its X || Y; the index's KeyId holds it
// as 16 hexadecimal digits.
#define QZ_UPDATE_KEY_ID_SIZE 8

// The number of keys present in the table: its little-endian count, never more than
// its slots.
unsigned int QZ_UpdateKeyCount(const QZ_UpdateKeyTable* pKeys);

// The slot among the first uKeyCount whose id (abyKeyIds, computed by the caller) is the
// one cszKeyId writes as 16 hexadecimal digits, or -1 when there is none or cszKeyId is
// not such a text.
int QZ_FindUpdateKey(unsigned int uKeyCount, const unsigned char abyKeyIds[][QZ_UPDATE_KEY_ID_SIZE],
                     const char* cszKeyId);

// Reads a file size written as decimal ASCII digits only, 1 to 4294967295 (0 would be
// no download limit at all). Returns 1 with *puSize set, else 0.
int QZ_ParseUpdateFileSize(const char* cszText, unsigned int* puSize);

// Looks through a program's bytes, fed in pieces of any size, for the update key tables
// it carries (found by the marker of this program's own table) and compares their keys
// with this program's: a new launcher that carries none of them could never install an
// update signed for this fleet again.
class QZ_UpdateKeyTableScan : public QZ_DigestSink
{
public:
    explicit QZ_UpdateKeyTableScan(const QZ_UpdateKeyTable* pOwnKeys);
    int Add(const void* pvData, size_t uSize) override;

    // 1 when a key table with at least one key was found.
    int CarriesKeys() const { return m_nCarriesKeys; }
    // 1 when one of the keys found is one of this program's.
    int SharesKey() const { return m_nSharesKey; }

private:
    void _CheckTable(const unsigned char* pbyTable);

    const QZ_UpdateKeyTable* m_pOwnKeys;
    std::vector<unsigned char> m_Window;
    int m_nCarriesKeys;
    int m_nSharesKey;
};

class QZ_UpdateTrust
{
public:
    explicit QZ_UpdateTrust(const QZ_UpdateKeyTable* pKeys);

    // 1 when the program carries a key: the index must then be signed.
    int CarriesKeys() const;
    // The size cap of the file's download: the signed size once CheckIndex has passed
    // in a signed program, else uLimit.
    unsigned int FileSizeCap(unsigned int uLimit) const;

    // Reads FileSHA256, Signature, FileSize and KeyId from the local index and verifies
    // the signature, with the key KeyId names, over the product and the values given
    // and read. Passes at once in a program without keys. Writes a check line on
    // failure; an unknown key id is named in a second line.
    int CheckIndex(const char* cszIndexFileName, const char* cszVersion, const char* cszFileName,
                   const char* cszFileMD5);

    // The MD5 of the downloaded file, read through the handle held on it, against
    // cszFileMD5 (the index's, any case). Its check lines name the self-update
    // procedure, as they always have.
    int CheckMD5(void* hFile, const char* cszFileMD5);

    // Checks the downloaded file through the handle held on it (hFile, with read
    // access): in a signed program its size and SHA-256 as signed, and that it carries
    // one of the program's keys (a rotation's file carries the backup key); in every program its
    // own FileVersion (read from cszFileName) equal to Version. Writes a check line on
    // failure, and sets *pnRemoveFile when the file is whole but not the publication the
    // index names (wrong size or version), so it is not kept for the next start.
    int CheckFile(void* hFile, const char* cszFileName, const QZ_VersionNumber& Version, int* pnRemoveFile);

private:
    // The key tables the file carries against the program's keys; sets *pnRemoveFile
    // when the file carries none of them.
    int _CheckKeyContinuity(void* hFile, int* pnRemoveFile);

    const QZ_UpdateKeyTable* m_pKeys;
    unsigned int m_uFileSize;
    char m_szFileSHA256[2 * QZ_SHA256_SIZE + 16];
};

#endif  // QZ_SELFUPDATE_UPDATE_TRUST_H
