#include "base/md5.h"

#include <cstring>

namespace
{

// The auxiliary functions of rounds 1, 3 and 4 (round 2 is written out in its step).
// F is the textbook (x & y) | (~x & z) in a form with one operation less.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Compilers turn this into a single load on little-endian processors.
inline uint32_t LoadLittleEndian(const unsigned char* pby)
{
    return (uint32_t)pby[0] | ((uint32_t)pby[1] << 8) | ((uint32_t)pby[2] << 16) | ((uint32_t)pby[3] << 24);
}

inline void StoreLittleEndian(unsigned char* pby, uint32_t dwValue)
{
    pby[0] = (unsigned char)dwValue;
    pby[1] = (unsigned char)(dwValue >> 8);
    pby[2] = (unsigned char)(dwValue >> 16);
    pby[3] = (unsigned char)(dwValue >> 24);
}

// Keeps the sum a + x + ac apart from the round function, so that it is computed while
// the round function waits for b: without this clang folds the additions into one
// chain behind f and loses about a fifth of the speed.
#ifdef __GNUC__
#define QZ_MD5_KEEP_SUM(a) __asm__("" : "+r"(a))
#else
#define QZ_MD5_KEEP_SUM(a) ((void)0)
#endif

// The word X(i) of the block, read in place.
#define X(i) LoadLittleEndian(pbyBlocks + 4 * (i))

// a = b + ((a + f(b, c, d) + x + ac) <<< s)
#define QZ_MD5_STEP(f, a, b, c, d, x, s, ac) \
    (a) += (x) + (uint32_t)(ac);            \
    QZ_MD5_KEEP_SUM(a);                     \
    (a) += f((b), (c), (d));                \
    (a) = RotateLeft((a), (s)) + (b)

// The same for round 2, with G(b, c, d) = (b & d) | (c & ~d) taken as the sum of its two
// disjoint halves, of which (c & ~d) does not wait for b.
#define QZ_MD5_STEP_G(a, b, c, d, x, s, ac) \
    (a) += (x) + (uint32_t)(ac);           \
    QZ_MD5_KEEP_SUM(a);                    \
    (a) += (c) & ~(d);                     \
    (a) += (b) & (d);                      \
    (a) = RotateLeft((a), (s)) + (b)

// Runs the 64 steps over uBlockCount consecutive 64-byte blocks read in place.
void Transform(uint32_t dwState[4], const unsigned char* pbyBlocks, size_t uBlockCount)
{
    uint32_t a = dwState[0];
    uint32_t b = dwState[1];
    uint32_t c = dwState[2];
    uint32_t d = dwState[3];

    for (; uBlockCount > 0; --uBlockCount, pbyBlocks += QZ_MD5_BLOCK_SIZE)
    {
        const uint32_t aa = a, bb = b, cc = c, dd = d;

        // Round 1
        QZ_MD5_STEP(F, a, b, c, d, X( 0),  7, 0xd76aa478);
        QZ_MD5_STEP(F, d, a, b, c, X( 1), 12, 0xe8c7b756);
        QZ_MD5_STEP(F, c, d, a, b, X( 2), 17, 0x242070db);
        QZ_MD5_STEP(F, b, c, d, a, X( 3), 22, 0xc1bdceee);
        QZ_MD5_STEP(F, a, b, c, d, X( 4),  7, 0xf57c0faf);
        QZ_MD5_STEP(F, d, a, b, c, X( 5), 12, 0x4787c62a);
        QZ_MD5_STEP(F, c, d, a, b, X( 6), 17, 0xa8304613);
        QZ_MD5_STEP(F, b, c, d, a, X( 7), 22, 0xfd469501);
        QZ_MD5_STEP(F, a, b, c, d, X( 8),  7, 0x698098d8);
        QZ_MD5_STEP(F, d, a, b, c, X( 9), 12, 0x8b44f7af);
        QZ_MD5_STEP(F, c, d, a, b, X(10), 17, 0xffff5bb1);
        QZ_MD5_STEP(F, b, c, d, a, X(11), 22, 0x895cd7be);
        QZ_MD5_STEP(F, a, b, c, d, X(12),  7, 0x6b901122);
        QZ_MD5_STEP(F, d, a, b, c, X(13), 12, 0xfd987193);
        QZ_MD5_STEP(F, c, d, a, b, X(14), 17, 0xa679438e);
        QZ_MD5_STEP(F, b, c, d, a, X(15), 22, 0x49b40821);

        // Round 2
        QZ_MD5_STEP_G(a, b, c, d, X( 1),  5, 0xf61e2562);
        QZ_MD5_STEP_G(d, a, b, c, X( 6),  9, 0xc040b340);
        QZ_MD5_STEP_G(c, d, a, b, X(11), 14, 0x265e5a51);
        QZ_MD5_STEP_G(b, c, d, a, X( 0), 20, 0xe9b6c7aa);
        QZ_MD5_STEP_G(a, b, c, d, X( 5),  5, 0xd62f105d);
        QZ_MD5_STEP_G(d, a, b, c, X(10),  9, 0x02441453);
        QZ_MD5_STEP_G(c, d, a, b, X(15), 14, 0xd8a1e681);
        QZ_MD5_STEP_G(b, c, d, a, X( 4), 20, 0xe7d3fbc8);
        QZ_MD5_STEP_G(a, b, c, d, X( 9),  5, 0x21e1cde6);
        QZ_MD5_STEP_G(d, a, b, c, X(14),  9, 0xc33707d6);
        QZ_MD5_STEP_G(c, d, a, b, X( 3), 14, 0xf4d50d87);
        QZ_MD5_STEP_G(b, c, d, a, X( 8), 20, 0x455a14ed);
        QZ_MD5_STEP_G(a, b, c, d, X(13),  5, 0xa9e3e905);
        QZ_MD5_STEP_G(d, a, b, c, X( 2),  9, 0xfcefa3f8);
        QZ_MD5_STEP_G(c, d, a, b, X( 7), 14, 0x676f02d9);
        QZ_MD5_STEP_G(b, c, d, a, X(12), 20, 0x8d2a4c8a);

        // Round 3
        QZ_MD5_STEP(H, a, b, c, d, X( 5),  4, 0xfffa3942);
        QZ_MD5_STEP(H, d, a, b, c, X( 8), 11, 0x8771f681);
        QZ_MD5_STEP(H, c, d, a, b, X(11), 16, 0x6d9d6122);
        QZ_MD5_STEP(H, b, c, d, a, X(14), 23, 0xfde5380c);
        QZ_MD5_STEP(H, a, b, c, d, X( 1),  4, 0xa4beea44);
        QZ_MD5_STEP(H, d, a, b, c, X( 4), 11, 0x4bdecfa9);
        QZ_MD5_STEP(H, c, d, a, b, X( 7), 16, 0xf6bb4b60);
        QZ_MD5_STEP(H, b, c, d, a, X(10), 23, 0xbebfbc70);
        QZ_MD5_STEP(H, a, b, c, d, X(13),  4, 0x289b7ec6);
        QZ_MD5_STEP(H, d, a, b, c, X( 0), 11, 0xeaa127fa);
        QZ_MD5_STEP(H, c, d, a, b, X( 3), 16, 0xd4ef3085);
        QZ_MD5_STEP(H, b, c, d, a, X( 6), 23, 0x04881d05);
        QZ_MD5_STEP(H, a, b, c, d, X( 9),  4, 0xd9d4d039);
        QZ_MD5_STEP(H, d, a, b, c, X(12), 11, 0xe6db99e5);
        QZ_MD5_STEP(H, c, d, a, b, X(15), 16, 0x1fa27cf8);
        QZ_MD5_STEP(H, b, c, d, a, X( 2), 23, 0xc4ac5665);

        // Round 4
        QZ_MD5_STEP(I, a, b, c, d, X( 0),  6, 0xf4292244);
        QZ_MD5_STEP(I, d, a, b, c, X( 7), 10, 0x432aff97);
        QZ_MD5_STEP(I, c, d, a, b, X(14), 15, 0xab9423a7);
        QZ_MD5_STEP(I, b, c, d, a, X( 5), 21, 0xfc93a039);
        QZ_MD5_STEP(I, a, b, c, d, X(12),  6, 0x655b59c3);
        QZ_MD5_STEP(I, d, a, b, c, X( 3), 10, 0x8f0ccc92);
        QZ_MD5_STEP(I, c, d, a, b, X(10), 15, 0xffeff47d);
        QZ_MD5_STEP(I, b, c, d, a, X( 1), 21, 0x85845dd1);
        QZ_MD5_STEP(I, a, b, c, d, X( 8),  6, 0x6fa87e4f);
        QZ_MD5_STEP(I, d, a, b, c, X(15), 10, 0xfe2ce6e0);
        QZ_MD5_STEP(I, c, d, a, b, X( 6), 15, 0xa3014314);
        QZ_MD5_STEP(I, b, c, d, a, X(13), 21, 0x4e0811a1);
        QZ_MD5_STEP(I, a, b, c, d, X( 4),  6, 0xf7537e82);
        QZ_MD5_STEP(I, d, a, b, c, X(11), 10, 0xbd3af235);
        QZ_MD5_STEP(I, c, d, a, b, X( 2), 15, 0x2ad7d2bb);
        QZ_MD5_STEP(I, b, c, d, a, X( 9), 21, 0xeb86d391);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }

    dwState[0] = a;
    dwState[1] = b;
    dwState[2] = c;
    dwState[3] = d;
}

#undef QZ_MD5_STEP
#undef QZ_MD5_STEP_G
#undef X
#undef QZ_MD5_KEEP_SUM

}  // namespace

void QZ_MD5Init(QZ_MD5Context* pContext)
{
    pContext->dwState[0] = 0x67452301;
    pContext->dwState[1] = 0xefcdab89;
    pContext->dwState[2] = 0x98badcfe;
    pContext->dwState[3] = 0x10325476;
    pContext->dwCount[0] = 0;
    pContext->dwCount[1] = 0;
}

void QZ_MD5Update(QZ_MD5Context* pContext, const void* pvInput, size_t uInputLength)
{
    const unsigned char* pbyInput = static_cast<const unsigned char*>(pvInput);
    if (uInputLength == 0)
        return;
    // Bytes already waiting in the buffer, from the bit count modulo 512.
    size_t uIndex = (pContext->dwCount[0] >> 3) & (QZ_MD5_BLOCK_SIZE - 1);

    // The bit count is kept modulo 2^64 in two halves, the low half first.
    uint64_t ullBits = (uint64_t)uInputLength << 3;
    uint32_t dwOldLow = pContext->dwCount[0];
    pContext->dwCount[0] += (uint32_t)ullBits;
    if (pContext->dwCount[0] < dwOldLow)
        ++pContext->dwCount[1];
    pContext->dwCount[1] += (uint32_t)(ullBits >> 32);

    if (uIndex > 0)
    {
        size_t uFill = QZ_MD5_BLOCK_SIZE - uIndex;
        if (uInputLength < uFill)
        {
            memcpy(pContext->byBuffer + uIndex, pbyInput, uInputLength);
            return;
        }
        memcpy(pContext->byBuffer + uIndex, pbyInput, uFill);
        Transform(pContext->dwState, pContext->byBuffer, 1);
        pbyInput += uFill;
        uInputLength -= uFill;
    }

    // Whole blocks straight from the caller's bytes; only the tail is kept.
    size_t uBlockCount = uInputLength / QZ_MD5_BLOCK_SIZE;
    if (uBlockCount > 0)
    {
        Transform(pContext->dwState, pbyInput, uBlockCount);
        pbyInput += uBlockCount * QZ_MD5_BLOCK_SIZE;
        uInputLength -= uBlockCount * QZ_MD5_BLOCK_SIZE;
    }
    if (uInputLength > 0)
        memcpy(pContext->byBuffer, pbyInput, uInputLength);
}

void QZ_MD5Final(unsigned char byDigest[QZ_MD5_DIGEST_SIZE], QZ_MD5Context* pContext)
{
    static const unsigned char s_byPadding[QZ_MD5_BLOCK_SIZE] = {0x80};
    unsigned char byBits[8];

    // The count is taken before padding changes it.
    StoreLittleEndian(byBits, pContext->dwCount[0]);
    StoreLittleEndian(byBits + 4, pContext->dwCount[1]);

    // One 0x80 byte, then zeros up to 56 bytes modulo 64.
    size_t uIndex = (pContext->dwCount[0] >> 3) & (QZ_MD5_BLOCK_SIZE - 1);
    size_t uPadLength = (uIndex < 56) ? (56 - uIndex) : (120 - uIndex);
    QZ_MD5Update(pContext, s_byPadding, uPadLength);
    QZ_MD5Update(pContext, byBits, 8);

    for (int i = 0; i < 4; ++i)
        StoreLittleEndian(byDigest + 4 * i, pContext->dwState[i]);

    memset(pContext, 0, sizeof(*pContext));
}
