#!/usr/bin/env python3
"""Signing of launcher updates with an ECDSA P-256 key (the cryptography package does
the cryptography; this module converts between its forms and the launcher's).

The signed text is one "key=value" line, each ended by a line feed, for the index
values LastestVersionNumber, FileName, FileMD5 and FileSHA256, in that order. The
signature is the raw r || s (32 bytes each) in hexadecimal, as the launcher's
verification with the platform's CNG expects it. The public key compiled into a
launcher is the raw X || Y (32 bytes each) of the curve point.

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
import importlib
import os
import sys
from pathlib import Path

# Debian's interpreter and the folder of its packages (python3-pefile and
# python3-cryptography, installed by tools/setup.sh).
SYSTEM_PYTHON = "/usr/bin/python3"
SYSTEM_PACKAGES = "/usr/lib/python3/dist-packages"
TOOLS_FOLDER = os.path.dirname(os.path.abspath(__file__))


def _missing_modules(names):
    missing = []
    for name in names:
        try:
            importlib.import_module(name)
        except ImportError:
            missing.append(name)
    return missing


def require_modules(*names):
    """Makes the named modules importable, or raises ImportError naming what is missing.

    The publishing tools stand on Debian's packages, which only Debian's interpreter
    sees, while callers may run or import the tools with another python3 that comes
    first on PATH (a pyenv one, say). When a module is missing here:
    - a tool run as the program (the __main__ script is in this folder) starts again
      under Debian's interpreter with the same arguments (os.execv). That interpreter
      is never re-started, so this cannot loop.
    - a tool imported by another program looks in Debian's package folder as well,
      but only from an interpreter of the same feature release (3.11 and 3.11, say):
      CPython keeps the ABI of extension modules within one, so they load.
    """
    missing = _missing_modules(names)
    if not missing:
        return
    system = os.path.realpath(SYSTEM_PYTHON)
    other_interpreter = os.path.exists(system) and os.path.realpath(sys.executable) != system
    main_file = getattr(sys.modules.get("__main__"), "__file__", None)
    if other_interpreter and main_file and os.path.dirname(os.path.abspath(main_file)) == TOOLS_FOLDER:
        sys.stdout.flush()
        sys.stderr.flush()
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, os.path.abspath(main_file)] + sys.argv[1:])
    same_release = os.path.basename(system) == "python%d.%d" % sys.version_info[:2]
    if other_interpreter and same_release and os.path.isdir(SYSTEM_PACKAGES) and SYSTEM_PACKAGES not in sys.path:
        sys.path.append(SYSTEM_PACKAGES)
        missing = _missing_modules(names)
    if missing:
        raise ImportError("the publishing tools need the Python modules %s, which %s lacks: install Debian's "
                          "python3-pefile and python3-cryptography (tools/setup.sh) and run the tools with %s"
                          % (", ".join(missing), sys.executable, SYSTEM_PYTHON))


require_modules("cryptography")

from cryptography.exceptions import InvalidSignature, UnsupportedAlgorithm  # noqa: E402
from cryptography.hazmat.primitives import hashes, serialization  # noqa: E402
from cryptography.hazmat.primitives.asymmetric import ec  # noqa: E402
from cryptography.hazmat.primitives.asymmetric.utils import (  # noqa: E402
    decode_dss_signature, encode_dss_signature)

KEY_SIZE = 32  # bytes of one coordinate, of r and of s
SIGNATURE_SIZE = 2 * KEY_SIZE
PUBLIC_KEY_SIZE = 2 * KEY_SIZE


class SigningError(Exception):
    pass


def load_key(key_file):
    """The P-256 key of a PEM file: a private key, or a public key when the file holds one."""
    try:
        data = Path(key_file).read_bytes()
    except OSError as error:
        raise SigningError(f"{key_file}: {error.strerror or error}") from error
    try:
        if b"PUBLIC KEY-----" in data:
            key = serialization.load_pem_public_key(data)
        else:
            key = serialization.load_pem_private_key(data, password=None)
    except TypeError as error:  # a key protected by a password
        raise SigningError(f"{key_file}: the key is encrypted; give an unencrypted PEM key") from error
    except (ValueError, UnsupportedAlgorithm) as error:
        raise SigningError(f"{key_file}: not a readable PEM key ({error})") from error
    # Any other kind of key signs in a form the launcher cannot check.
    curve = getattr(key, "curve", None)
    if not isinstance(key, (ec.EllipticCurvePrivateKey, ec.EllipticCurvePublicKey)):
        raise SigningError(f"{key_file}: not an ECDSA P-256 key ({type(key).__name__})")
    if not isinstance(curve, ec.SECP256R1):
        raise SigningError(f"{key_file}: not an ECDSA P-256 key (curve {curve.name})")
    return key


def _public_xy(public_key):
    point = public_key.public_bytes(serialization.Encoding.X962, serialization.PublicFormat.UncompressedPoint)
    return point[1:]  # after the 0x04 that marks an uncompressed point


def public_key_bytes(key_file):
    """X || Y (64 bytes) of a P-256 key given as a PEM public or private key."""
    key = load_key(key_file)
    if isinstance(key, ec.EllipticCurvePrivateKey):
        key = key.public_key()
    return _public_xy(key)


def signed_text(version, file_name, file_md5, file_sha256):
    return (f"LastestVersionNumber={version}\nFileName={file_name}\n"
            f"FileMD5={file_md5}\nFileSHA256={file_sha256}\n").encode("latin-1")


def sign(private_key_file, data):
    """The raw r || s signature (64 bytes) of SHA-256(data)."""
    key = load_key(private_key_file)
    if not isinstance(key, ec.EllipticCurvePrivateKey):
        raise SigningError(f"{private_key_file}: a public key cannot sign; give the private key")
    r, s = decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(KEY_SIZE, "big") + s.to_bytes(KEY_SIZE, "big")


def verify(public_key, data, signature):
    """Whether `signature` (raw r || s) is one of SHA-256(data) by the key whose X || Y
    is `public_key`: the check a launcher built with that key makes."""
    if len(public_key) != PUBLIC_KEY_SIZE or len(signature) != SIGNATURE_SIZE:
        return False
    try:
        key = ec.EllipticCurvePublicKey.from_encoded_point(ec.SECP256R1(), b"\x04" + bytes(public_key))
    except ValueError:  # not a point on the curve
        return False
    r = int.from_bytes(signature[:KEY_SIZE], "big")
    s = int.from_bytes(signature[KEY_SIZE:], "big")
    try:
        key.verify(encode_dss_signature(r, s), data, ec.ECDSA(hashes.SHA256()))
    except InvalidSignature:
        return False
    return True


def der_signature(raw):
    """DER ECDSA-Sig-Value of a raw r || s signature."""
    return encode_dss_signature(int.from_bytes(raw[:KEY_SIZE], "big"), int.from_bytes(raw[KEY_SIZE:], "big"))


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "public-key-hex":
            print(public_key_bytes(argv[2]).hex())
        elif len(argv) == 4 and argv[1] == "sign":
            print(sign(argv[2], Path(argv[3]).read_bytes()).hex())
        elif len(argv) == 4 and argv[1] == "der-signature":
            raw = bytes.fromhex(argv[2])
            if len(raw) != SIGNATURE_SIZE:
                raise ValueError(f"the signature has {len(raw)} bytes, not {SIGNATURE_SIZE}")
            Path(argv[3]).write_bytes(der_signature(raw))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except (SigningError, OSError, ValueError) as error:
        print(f"update_signing: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
