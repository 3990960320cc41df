// Known-answer data for the update signature check, made with tests/signing/keys/
// (test keys only) with tools/update_signing.py.
#ifndef QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H
#define QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H

// X || Y of test_update_key.pem and of other_key.pem
static const char s_cszTestPublicKeyHex[] = "990bb79c64fc1937848147009c32dbb214e95797c59bee0bb1e65124c7fd3550711a8931bda21509cc7cab2858a786cb8de76eb1ed29bcd2dd7cfb7aeba0495c";
static const char s_cszOtherPublicKeyHex[] = "8e533b4a8d6ab7a0a1a389f0548cdde098e1f354f6ea928b020a359bd748efecd3b8dbf63b1aad4872a728d89feb5d71003e9d6cec1624662020b882e3553c74";

// The signed text of an index and its signatures by the two keys.
static const char s_cszSignedText[] = "LastestVersionNumber=1.0.0.3\nFileName=ArdunLauncher_1.0.0.3.exe\nFileMD5=a9e82d3f2664da1bbd5e8f8fb400bba9\nFileSHA256=0000000000000000000000000000000000000000000000000000000000000000\n";
static const char s_cszTestKeySignature[] = "d69b7667563cb159a442349c808d8692885226f5f84d4c3034280885ee3302da89e806dcbfb7611df02d9526f103698f59bc13fae86977b483c81b1cc7441690";
static const char s_cszOtherKeySignature[] = "c854ad7e43c1f7d8ac470497a84f36a0ef7d9dfade3b282283544683af19ab05ecbe2ca2336d1c663658af7a6ce08aa8c7f2a61714c66e023cfd843fe88280c3";

#endif  // QZ_TESTS_SIGNING_SIGNATURE_VECTORS_H
