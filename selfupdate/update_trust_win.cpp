#include "selfupdate/update_trust.h"

#include <windows.h>

#include <string>

#include "base/digest_stream.h"
#include "base/log.h"
#include "base/md5_file.h"
#include "base/text_compare.h"
#include "base/version_number.h"
#include "selfupdate/self_update.h"
#include "selfupdate/update_index.h"

// The length checks compare an int with _countof(); the int is known positive there.
#pragma GCC diagnostic ignored "-Wsign-compare"

namespace
{

// The ids of the program's keys, in slot order.
int MakeUpdateKeyIds(const QZ_UpdateKeyTable* pKeys, unsigned char abyKeyIds[][QZ_UPDATE_KEY_ID_SIZE])
{
    int nResult = 0;
    int nRetCode = 0;
    unsigned char abyDigest[QZ_SHA256_SIZE];

    for (unsigned int uSlot = 0; uSlot < QZ_UpdateKeyCount(pKeys); ++uSlot)
    {
        QZ_MemorySource Source(pKeys->abyKeys[uSlot], sizeof(pKeys->abyKeys[uSlot]));
        nRetCode = QZ_MakeSHA256Digest(&Source, abyDigest);
        QZLOG_PROCESS_ERROR(nRetCode && "QZ_MakeSHA256Digest()");
        memcpy(abyKeyIds[uSlot], abyDigest, QZ_UPDATE_KEY_ID_SIZE);
    }

    nResult = 1;
Exit0:
    return nResult;
}

}  // namespace

int QZ_UpdateTrust::CheckIndex(const char* cszIndexFileName, const char* cszVersion, const char* cszFileName,
                               const char* cszFileMD5)
{
    int nResult = 0;
    int nRetCode = 0;
    int nKeySlot = -1;
    int nUnknownKey = 0;
    char szSignature[2 * QZ_UPDATE_SIGNATURE_SIZE + 16];
    char szFileSize[32];
    char szKeyId[2 * QZ_UPDATE_KEY_ID_SIZE + 16];
    unsigned char abyParsed[QZ_UPDATE_SIGNATURE_SIZE];
    unsigned char abyKeyIds[QZ_UPDATE_KEY_SLOTS][QZ_UPDATE_KEY_ID_SIZE];
    std::string strSignedText;

    if (!CarriesKeys())
        return 1;

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_SHA256, m_szFileSHA256, _countof(m_szFileSHA256),
                                       cszIndexFileName);
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]FileSHA256.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(m_szFileSHA256));
    nRetCode = QZ_ParseHexBytes(m_szFileSHA256, abyParsed, QZ_SHA256_SIZE);
    QZLOG_PROCESS_ERROR(nRetCode && "[SelfUpdate]FileSHA256 is not 64 hexadecimal digits.");

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_SIGNATURE, szSignature, _countof(szSignature), cszIndexFileName);
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]Signature.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szSignature));
    nRetCode = QZ_ParseHexBytes(szSignature, abyParsed, QZ_UPDATE_SIGNATURE_SIZE);
    QZLOG_PROCESS_ERROR(nRetCode && "[SelfUpdate]Signature is not 128 hexadecimal digits.");

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_SIZE, szFileSize, _countof(szFileSize), cszIndexFileName);
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]FileSize.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szFileSize));
    nRetCode = QZ_ParseUpdateFileSize(szFileSize, &m_uFileSize);
    QZLOG_PROCESS_ERROR(nRetCode && "[SelfUpdate]FileSize is not a size in bytes.");

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_KEY_ID, szKeyId, _countof(szKeyId), cszIndexFileName);
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]KeyId.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szKeyId));

    nRetCode = MakeUpdateKeyIds(m_pKeys, abyKeyIds);
    QZLOG_PROCESS_ERROR(nRetCode && "MakeUpdateKeyIds()");

    nKeySlot = QZ_FindUpdateKey(QZ_UpdateKeyCount(m_pKeys), abyKeyIds, szKeyId);
    nUnknownKey = nKeySlot < 0;
    QZLOG_PROCESS_ERROR(nKeySlot >= 0 && "[SelfUpdate]KeyId names no key of this launcher.");

    strSignedText = QZ_BuildUpdateSignedText(cszVersion, cszFileName, szFileSize, cszFileMD5, m_szFileSHA256);
    nRetCode = QZ_VerifyUpdateSignature(m_pKeys->abyKeys[nKeySlot], strSignedText.c_str(), szSignature);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_VerifyUpdateSignature()");

    nResult = 1;
Exit0:
    if (!nResult)
        m_uFileSize = 0;
    if (nUnknownKey)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "The update index is signed by key `%s`, which this launcher does not carry.",
                    szKeyId);
    return nResult;
}

int QZ_UpdateTrust::CheckMD5(void* hFile, const char* cszFileMD5)
{
    int nResult = 0;
    int nRetCode = 0;
    char szComputedMD5[QZ_MD5_TEXT_BUFFER_SIZE];
    QZ_FileHandleSource VerifiedFile(hFile);

    nRetCode = MakeFileMD5(szComputedMD5, &VerifiedFile);
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"MakeFileMD5()\"", QZ_SELF_UPDATE_ROUTINE);

    nRetCode = QZ_CompareNoCaseASCII(cszFileMD5, szComputedMD5);
    QZLOG_PROCESS_ERROR_AS(nRetCode == 0, "nRetCode == 0", QZ_SELF_UPDATE_ROUTINE);

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_UpdateTrust::CheckFile(void* hFile, const char* cszFileName, const QZ_VersionNumber& Version,
                              int* pnRemoveFile)
{
    int nResult = 0;
    int nRetCode = 0;
    LARGE_INTEGER FileSize;
    char szFileSHA256[2 * QZ_SHA256_SIZE + 1];
    std::string strFileVersion;
    QZ_VersionNumber FileVersion;

    *pnRemoveFile = 0;
    if (CarriesKeys())
    {
        nRetCode = ::GetFileSizeEx((HANDLE)hFile, &FileSize);
        QZLOG_PROCESS_ERROR(nRetCode && "GetFileSizeEx()");
        *pnRemoveFile = 1;
        QZLOG_PROCESS_ERROR(FileSize.QuadPart == (LONGLONG)m_uFileSize &&
                            "The downloaded file's size differs from [SelfUpdate]FileSize.");
        *pnRemoveFile = 0;

        // MD5 proves the file arrived whole; the signed SHA-256 proves it is the one signed.
        QZ_FileHandleSource Source(hFile);
        nRetCode = QZ_MakeFileSHA256(szFileSHA256, &Source);
        QZLOG_PROCESS_ERROR(nRetCode && "QZ_MakeFileSHA256()");
        nRetCode = QZ_CompareNoCaseASCII(m_szFileSHA256, szFileSHA256);
        QZLOG_PROCESS_ERROR(nRetCode == 0 && "[SelfUpdate]FileSHA256 differs from the downloaded file.");

        // Signed as published, and still no launcher to install: one that could never
        // take an update signed for this fleet again.
        nRetCode = _CheckKeyContinuity(hFile, pnRemoveFile);
        QZ_PROCESS_ERROR(nRetCode);
    }

    // A publication whose file says another version would be fetched again at every start.
    *pnRemoveFile = 1;
    nRetCode = QZ_GetApplicationFileVersionNumber(cszFileName, &strFileVersion);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_GetApplicationFileVersionNumber()");
    nRetCode = FileVersion.ParseString(strFileVersion.c_str());
    QZLOG_PROCESS_ERROR(nRetCode && "FileVersion.ParseString()");
    nRetCode = !(FileVersion < Version) && !(Version < FileVersion);
    QZLOG_PROCESS_ERROR(nRetCode && "The downloaded file's FileVersion differs from [SelfUpdate]LastestVersionNumber.");
    *pnRemoveFile = 0;

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_UpdateTrust::_CheckKeyContinuity(void* hFile, int* pnRemoveFile)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_FileHandleSource Source(hFile);
    QZ_UpdateKeyTableScan Scan(m_pKeys);

    nRetCode = QZ_StreamDigest(&Source, &Scan);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_StreamDigest()");

    *pnRemoveFile = 1;
    QZLOG_PROCESS_ERROR(Scan.CarriesKeys() && "The new launcher carries no update key.");
    QZLOG_PROCESS_ERROR(Scan.SharesKey() && "The new launcher carries none of this launcher's update keys.");
    *pnRemoveFile = 0;

    nResult = 1;
Exit0:
    return nResult;
}
