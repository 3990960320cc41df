#!/usr/bin/env python3
"""Signing of launcher updates with an ECDSA P-256 key (the openssl command does the
cryptography; this module only converts between its formats and the launcher's).

The signed text is one "key=value" line, each ended by a line feed, for the index
values LastestVersionNumber, FileName, FileMD5 and FileSHA256, in that order. The
signature is the raw r || s (32 bytes each) in hexadecimal, as the launcher's
verification with the platform's CNG expects it.

    update_signing.py public-key-hex PUBLIC_OR_PRIVATE_KEY.pem
        prints the public key's X || Y as 128 hexadecimal digits (what the build
        compiles into the launcher)
    update_signing.py sign PRIVATE_KEY.pem TEXT_FILE
        prints the raw signature of the file's bytes in hexadecimal
    update_signing.py der-signature HEX_SIGNATURE OUTPUT_FILE
        writes the signature in DER, for `openssl dgst -sha256 -verify`

Key generation for operators:
    openssl ecparam -name prime256v1 -genkey -noout -out update_key.pem
    openssl ec -in update_key.pem -pubout -out update_key.pub.pem
"""
import base64
import re
import subprocess
import sys
import tempfile
from pathlib import Path

# DER of the AlgorithmIdentifier { id-ecPublicKey, prime256v1 }.
P256_ALGORITHM = bytes.fromhex("301306072a8648ce3d020106082a8648ce3d030107")


class SigningError(Exception):
    pass


def _run_openssl(arguments, data=None):
    try:
        result = subprocess.run(["openssl", *arguments], input=data, capture_output=True, check=False)
    except FileNotFoundError as error:
        raise SigningError("openssl is not installed") from error
    if result.returncode != 0:
        raise SigningError(f"openssl {' '.join(arguments)} failed: {result.stderr.decode(errors='replace').strip()}")
    return result.stdout


def _der_length(data, offset):
    first = data[offset]
    if first < 0x80:
        return first, offset + 1
    count = first & 0x7F
    return int.from_bytes(data[offset + 1:offset + 1 + count], "big"), offset + 1 + count


def public_key_bytes(key_file):
    """X || Y (64 bytes) of a P-256 key given as a PEM public or private key."""
    text = Path(key_file).read_text()
    if "PUBLIC KEY" not in text:
        text = _run_openssl(["pkey", "-in", str(key_file), "-pubout"]).decode()
    match = re.search(r"-----BEGIN PUBLIC KEY-----(.*?)-----END PUBLIC KEY-----", text, re.S)
    if not match:
        raise SigningError(f"{key_file}: no PEM public key found")
    der = base64.b64decode("".join(match.group(1).split()))
    if P256_ALGORITHM not in der or len(der) < 65 or der[-65] != 0x04:
        raise SigningError(f"{key_file}: not an uncompressed ECDSA P-256 public key")
    return der[-64:]


def signed_text(version, file_name, file_md5, file_sha256):
    return (f"LastestVersionNumber={version}\nFileName={file_name}\n"
            f"FileMD5={file_md5}\nFileSHA256={file_sha256}\n").encode("latin-1")


def sign(private_key_file, data):
    """The raw r || s signature (64 bytes) of SHA-256(data)."""
    # Any other kind of key would sign in a form the launcher cannot check.
    public_key_bytes(private_key_file)
    with tempfile.TemporaryDirectory() as folder:
        data_file = Path(folder) / "data"
        data_file.write_bytes(data)
        der = _run_openssl(["dgst", "-sha256", "-sign", str(private_key_file), str(data_file)])
    # ECDSA-Sig-Value ::= SEQUENCE { r INTEGER, s INTEGER }
    try:
        if der[0] != 0x30:
            raise SigningError("unexpected signature format from openssl")
        _, offset = _der_length(der, 1)
        values = []
        for _ in range(2):
            if der[offset] != 0x02:
                raise SigningError("unexpected signature format from openssl")
            length, offset = _der_length(der, offset + 1)
            values.append(int.from_bytes(der[offset:offset + length], "big"))
            offset += length
        return b"".join(value.to_bytes(32, "big") for value in values)
    except (IndexError, OverflowError) as error:
        raise SigningError("unexpected signature format from openssl") from error


def der_signature(raw):
    """DER ECDSA-Sig-Value of a raw r || s signature."""
    def integer(value):
        body = value.lstrip(b"\0") or b"\0"
        if body[0] & 0x80:
            body = b"\0" + body
        return b"\x02" + bytes([len(body)]) + body
    content = integer(raw[:32]) + integer(raw[32:])
    return b"\x30" + bytes([len(content)]) + content


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "public-key-hex":
            print(public_key_bytes(argv[2]).hex())
        elif len(argv) == 4 and argv[1] == "sign":
            print(sign(argv[2], Path(argv[3]).read_bytes()).hex())
        elif len(argv) == 4 and argv[1] == "der-signature":
            Path(argv[3]).write_bytes(der_signature(bytes.fromhex(argv[2])))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except (SigningError, OSError, ValueError) as error:
        print(f"update_signing: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
