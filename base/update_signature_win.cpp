// SHA-256 and ECDSA P-256 verification with the platform's CNG (bcrypt.dll). The
// library is loaded when needed rather than imported, so the launcher still starts on
// systems without CNG and a build without an update key imports nothing new.
#include "base/update_signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstring>

#include "base/digest_stream.h"
#include "base/log.h"
#include "base/system_library.h"

namespace
{

typedef NTSTATUS (WINAPI* QZ_PFN_OPEN_ALGORITHM)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_CLOSE_ALGORITHM)(BCRYPT_ALG_HANDLE, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_CREATE_HASH)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_HASH_DATA)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_FINISH_HASH)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_DESTROY_HASH)(BCRYPT_HASH_HANDLE);
typedef NTSTATUS (WINAPI* QZ_PFN_IMPORT_KEY_PAIR)(BCRYPT_ALG_HANDLE, BCRYPT_KEY_HANDLE, LPCWSTR, BCRYPT_KEY_HANDLE*, PUCHAR, ULONG, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_VERIFY_SIGNATURE)(BCRYPT_KEY_HANDLE, VOID*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
typedef NTSTATUS (WINAPI* QZ_PFN_DESTROY_KEY)(BCRYPT_KEY_HANDLE);

// The CNG entry points this file uses, from bcrypt.dll of the system folder.
struct QZ_CngLibrary
{
    QZ_PFN_OPEN_ALGORITHM m_pfnOpenAlgorithm;
    QZ_PFN_CLOSE_ALGORITHM m_pfnCloseAlgorithm;
    QZ_PFN_CREATE_HASH m_pfnCreateHash;
    QZ_PFN_HASH_DATA m_pfnHashData;
    QZ_PFN_FINISH_HASH m_pfnFinishHash;
    QZ_PFN_DESTROY_HASH m_pfnDestroyHash;
    QZ_PFN_IMPORT_KEY_PAIR m_pfnImportKeyPair;
    QZ_PFN_VERIFY_SIGNATURE m_pfnVerifySignature;
    QZ_PFN_DESTROY_KEY m_pfnDestroyKey;
};

QZ_CngLibrary* GetCng()
{
    static const char* const s_apszNames[] = {
        "BCryptOpenAlgorithmProvider", "BCryptCloseAlgorithmProvider", "BCryptCreateHash",
        "BCryptHashData", "BCryptFinishHash", "BCryptDestroyHash", "BCryptImportKeyPair",
        "BCryptVerifySignature", "BCryptDestroyKey",
    };
    return QZ_GetSystemFunctions<QZ_CngLibrary>("bcrypt.dll", s_apszNames);
}

// A SHA-256 computation, fed in pieces.
class QZ_Sha256
{
public:
    explicit QZ_Sha256(QZ_CngLibrary* pCng) : m_pCng(pCng), m_hAlgorithm(NULL), m_hHash(NULL) {}
    ~QZ_Sha256()
    {
        if (m_hHash)
            m_pCng->m_pfnDestroyHash(m_hHash);
        if (m_hAlgorithm)
            m_pCng->m_pfnCloseAlgorithm(m_hAlgorithm, 0);
    }

    int Start()
    {
        if (!BCRYPT_SUCCESS(m_pCng->m_pfnOpenAlgorithm(&m_hAlgorithm, BCRYPT_SHA256_ALGORITHM, NULL, 0)))
            return 0;
        return BCRYPT_SUCCESS(m_pCng->m_pfnCreateHash(m_hAlgorithm, &m_hHash, NULL, 0, NULL, 0, 0));
    }
    int Add(const void* pvData, size_t uSize)
    {
        return BCRYPT_SUCCESS(m_pCng->m_pfnHashData(m_hHash, (PUCHAR)pvData, (ULONG)uSize, 0));
    }
    int Finish(unsigned char* pbyDigest)
    {
        return BCRYPT_SUCCESS(m_pCng->m_pfnFinishHash(m_hHash, pbyDigest, QZ_SHA256_SIZE, 0));
    }

private:
    QZ_CngLibrary* m_pCng;
    BCRYPT_ALG_HANDLE m_hAlgorithm;
    BCRYPT_HASH_HANDLE m_hHash;
};

// Feeds a SHA-256 computation from QZ_StreamDigest.
class QZ_Sha256Sink : public QZ_DigestSink
{
public:
    explicit QZ_Sha256Sink(QZ_Sha256* pSha256) : m_pSha256(pSha256) {}
    int Add(const void* pvData, size_t uSize) override { return m_pSha256->Add(pvData, uSize); }

private:
    QZ_Sha256* m_pSha256;
};

}  // namespace

int QZ_MakeSHA256Digest(QZ_ByteSource* pSource, unsigned char* pbyDigest)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_CngLibrary* pCng = GetCng();
    QZ_Sha256 Sha256(pCng);
    QZ_Sha256Sink Sink(&Sha256);

    QZLOG_PROCESS_ERROR(pSource);
    QZLOG_PROCESS_ERROR(pbyDigest);

    QZLOG_PROCESS_ERROR(pCng && "LoadLibrary(bcrypt.dll)");

    nRetCode = Sha256.Start();
    QZLOG_PROCESS_ERROR(nRetCode && "BCryptCreateHash()");

    nRetCode = QZ_StreamDigest(pSource, &Sink);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_StreamDigest()");

    nRetCode = Sha256.Finish(pbyDigest);
    QZLOG_PROCESS_ERROR(nRetCode && "BCryptFinishHash()");

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_MakeFileSHA256(char* szOutput, QZ_ByteSource* pSource)
{
    int nResult = 0;
    int nRetCode = 0;
    unsigned char abyDigest[QZ_SHA256_SIZE];

    QZLOG_PROCESS_ERROR(szOutput);
    szOutput[0] = '\0';

    nRetCode = QZ_MakeSHA256Digest(pSource, abyDigest);
    QZ_PROCESS_ERROR(nRetCode);

    QZ_WriteHexBytes(abyDigest, sizeof(abyDigest), szOutput);

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_MakeFileSHA256(char* szOutput, const char* cszFileName)
{
    int nResult = 0;
    QZ_NamedFileSource Source(cszFileName);

    QZLOG_PROCESS_ERROR(szOutput);
    szOutput[0] = '\0';
    QZLOG_PROCESS_ERROR(cszFileName);
    QZLOG_PROCESS_ERROR(Source.IsOpen() && "fopen()");

    nResult = QZ_MakeFileSHA256(szOutput, &Source);
Exit0:
    return nResult;
}

int QZ_VerifyUpdateSignature(const unsigned char* pbyPublicKey, const char* cszSignedText,
                             const char* cszSignatureHex)
{
    int nResult = 0;
    int nRetCode = 0;
    NTSTATUS nStatus = 0;
    QZ_CngLibrary* pCng = GetCng();
    QZ_Sha256 Sha256(pCng);
    BCRYPT_ALG_HANDLE hAlgorithm = NULL;
    BCRYPT_KEY_HANDLE hKey = NULL;
    unsigned char abyKeyBlob[sizeof(BCRYPT_ECCKEY_BLOB) + QZ_UPDATE_PUBLIC_KEY_SIZE];
    unsigned char abySignature[QZ_UPDATE_SIGNATURE_SIZE];
    unsigned char abyDigest[QZ_SHA256_SIZE];
    BCRYPT_ECCKEY_BLOB* pKeyHeader = (BCRYPT_ECCKEY_BLOB*)abyKeyBlob;

    QZLOG_PROCESS_ERROR(pbyPublicKey);
    QZLOG_PROCESS_ERROR(cszSignedText);

    // A malformed signature is an unsigned index, not a platform failure: no line here.
    nRetCode = QZ_ParseHexBytes(cszSignatureHex, abySignature, sizeof(abySignature));
    QZ_PROCESS_ERROR(nRetCode);

    QZLOG_PROCESS_ERROR(pCng && "LoadLibrary(bcrypt.dll)");

    nRetCode = Sha256.Start();
    QZLOG_PROCESS_ERROR(nRetCode && "BCryptCreateHash()");
    nRetCode = Sha256.Add(cszSignedText, strlen(cszSignedText));
    QZLOG_PROCESS_ERROR(nRetCode && "BCryptHashData()");
    nRetCode = Sha256.Finish(abyDigest);
    QZLOG_PROCESS_ERROR(nRetCode && "BCryptFinishHash()");

    nStatus = pCng->m_pfnOpenAlgorithm(&hAlgorithm, BCRYPT_ECDSA_P256_ALGORITHM, NULL, 0);
    QZLOG_PROCESS_ERROR(BCRYPT_SUCCESS(nStatus) && "BCryptOpenAlgorithmProvider()");

    pKeyHeader->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    pKeyHeader->cbKey = QZ_UPDATE_PUBLIC_KEY_SIZE / 2;
    memcpy(abyKeyBlob + sizeof(BCRYPT_ECCKEY_BLOB), pbyPublicKey, QZ_UPDATE_PUBLIC_KEY_SIZE);
    nStatus = pCng->m_pfnImportKeyPair(hAlgorithm, NULL, BCRYPT_ECCPUBLIC_BLOB, &hKey, abyKeyBlob,
                                     sizeof(abyKeyBlob), 0);
    QZLOG_PROCESS_ERROR(BCRYPT_SUCCESS(nStatus) && "BCryptImportKeyPair()");

    nStatus = pCng->m_pfnVerifySignature(hKey, NULL, abyDigest, sizeof(abyDigest), abySignature,
                                       sizeof(abySignature), 0);
    QZ_PROCESS_ERROR(BCRYPT_SUCCESS(nStatus));

    nResult = 1;
Exit0:
    if (hKey)
    {
        pCng->m_pfnDestroyKey(hKey);
        hKey = NULL;
    }
    if (hAlgorithm)
    {
        pCng->m_pfnCloseAlgorithm(hAlgorithm, 0);
        hAlgorithm = NULL;
    }
    return nResult;
}
