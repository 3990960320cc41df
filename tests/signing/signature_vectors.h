// Known-answer data for the update signature check, made with tests/signing/keys/
// (test keys only) with tools/update_signing.py.
#ifndef QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H
#define QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H

// X || Y of test_update_key.pem and of other_key.pem
static const char s_cszTestPublicKeyHex[] = "990bb79c64fc1937848147009c32dbb214e95797c59bee0bb1e65124c7fd3550711a8931bda21509cc7cab2858a786cb8de76eb1ed29bcd2dd7cfb7aeba0495c";
static const char s_cszOtherPublicKeyHex[] = "8e533b4a8d6ab7a0a1a389f0548cdde098e1f354f6ea928b020a359bd748efecd3b8dbf63b1aad4872a728d89feb5d71003e9d6cec1624662020b882e3553c74";

// The signed text of an index and its signatures by the two keys.
static const char s_cszSignedText[] = "Product=ArdunLauncher\nLastestVersionNumber=1.0.0.3\nFileName=ArdunLauncher_1.0.0.3.exe\nFileSize=180224\nFileMD5=a9e82d3f2664da1bbd5e8f8fb400bba9\nFileSHA256=0000000000000000000000000000000000000000000000000000000000000000\n";
static const char s_cszTestKeySignature[] = "2137d96f08e5f360847c32fc804f020ef8a26f0557a3578dbe2fcb1e242d1900d319a655ef1e1c5d650809962ae7c4c5d8dd36993df154b5ba9389eb100b9be2";
static const char s_cszOtherKeySignature[] = "242b49011c14447fb6e53b5a563b3cd7ad0a6ad051b0f9850701bb31a76ac1a8980d0ce7d58aff1846c9acfe7750d4d74af52a54bbec392b7449f7178ba75b3f";

#endif  // QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H
