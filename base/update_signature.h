// What signed updates are checked with: SHA-256 file digests and ECDSA P-256 signature
// verification through the platform's CNG, and the hexadecimal form both travel in.
// (The update index names the new launcher's SHA-256 and carries a signature over its
// values, made with the publisher's private key: selfupdate/update_index.h.)
#ifndef QZ_BASE_UPDATE_SIGNATURE_H
#define QZ_BASE_UPDATE_SIGNATURE_H

#include <cstddef>

#include "base/hex_text.h"

class QZ_ByteSource;

// The public key as the raw coordinates X || Y of the P-256 point, 32 bytes each.
#define QZ_UPDATE_PUBLIC_KEY_SIZE 64
// The signature as the raw values r || s, 32 bytes each.
#define QZ_UPDATE_SIGNATURE_SIZE 64
#define QZ_SHA256_SIZE 32

// The SHA-256 of every byte of a source (QZ_SHA256_SIZE bytes into pbyDigest), computed
// with the platform's CNG. Returns 1, or 0 after a check line naming what failed.
int QZ_MakeSHA256Digest(QZ_ByteSource* pSource, unsigned char* pbyDigest);

// The SHA-256 of a file, named or held open, as 64 lower-case hexadecimal digits
// (szOutput holds at least 65 bytes). Returns 1, or 0 with an empty output.
int QZ_MakeFileSHA256(char* szOutput, const char* cszFileName);
int QZ_MakeFileSHA256(char* szOutput, QZ_ByteSource* pSource);

// 1 when cszSignatureHex (128 hexadecimal digits) is a valid ECDSA P-256 signature of
// the SHA-256 of cszSignedText under the public key; 0 otherwise. Only failures of the
// platform's functions are logged; a signature that does not verify is not.
int QZ_VerifyUpdateSignature(const unsigned char* pbyPublicKey, const char* cszSignedText,
                             const char* cszSignatureHex);

#endif  // QZ_BASE_UPDATE_SIGNATURE_H
