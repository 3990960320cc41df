// The MD5 message digest of RFC 1321: start a context, add any number of bytes in any
// number of calls, finish to get the 16-byte digest. Plain buffers only.
#ifndef QZ_BASE_MD5_H
#define QZ_BASE_MD5_H

#include <cstddef>
#include <cstdint>

#define QZ_MD5_DIGEST_SIZE 16
#define QZ_MD5_BLOCK_SIZE  64

struct QZ_MD5Context
{
    uint32_t dwState[4];                      // A, B, C, D
    uint32_t dwCount[2];                      // bits added so far, low half first
    unsigned char byBuffer[QZ_MD5_BLOCK_SIZE];  // the incomplete block, if any
};

void QZ_MD5Init(QZ_MD5Context* pContext);
void QZ_MD5Update(QZ_MD5Context* pContext, const void* pvInput, size_t uInputLength);
// Pads, adds the bit count and writes the digest. The context is wiped afterwards.
void QZ_MD5Final(unsigned char byDigest[QZ_MD5_DIGEST_SIZE], QZ_MD5Context* pContext);

#endif  // QZ_BASE_MD5_H
