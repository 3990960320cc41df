#!/usr/bin/env python3
"""The launcher's update index as launchers read it, its signature (ECDSA P-256, raw
r || s in hexadecimal over the SHA-256 of signed_text) and the keys that make it (the
raw X || Y of the curve point, as compiled into the launcher).

    update_signing.py public-key-hex KEY.pem    the key's X || Y in hexadecimal (for the build)
    update_signing.py key-id KEY.pem            the key's id (as the index's KeyId names it)
    update_signing.py key-ids PROGRAM.exe       the ids of the update keys in a program, one a line
"""
import getpass
import hashlib
import importlib
import os
import re
import stat
import struct
import sys

# Debian's interpreter, which sees the packages python3-pefile and python3-cryptography.
SYSTEM_PYTHON = "/usr/bin/python3"
# The environment variable that holds the passphrase of an encrypted signing key.
PASSPHRASE_VARIABLE = "QZ_UPDATE_KEY_PASSPHRASE"


def require_modules(*names):
    """Imports the named modules. When one is missing and this is not Debian's interpreter
    (a pyenv python3 first on PATH, say), the program starts again under Debian's with
    the same command line; otherwise it ends with one line saying what to install."""
    missing = []
    for name in names:
        try:
            importlib.import_module(name)
        except ImportError:
            missing.append(name)
    if not missing:
        return
    if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON):
        sys.stdout.flush()
        sys.stderr.flush()
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.orig_argv[1:])
    sys.exit("missing Python module %s: install it with `sudo apt-get install python3-pefile python3-cryptography` "
             "(Debian), or `pip install pefile cryptography`" % ", ".join(missing))


require_modules("cryptography")

from cryptography.exceptions import InvalidSignature, UnsupportedAlgorithm  # noqa: E402
from cryptography.hazmat.primitives import hashes, serialization  # noqa: E402
from cryptography.hazmat.primitives.asymmetric import ec  # noqa: E402
from cryptography.hazmat.primitives.asymmetric.utils import (  # noqa: E402
    decode_dss_signature, encode_dss_signature)

PRODUCT = "ArdunLauncher"
KEY_SIZE = 32  # bytes of one coordinate, of r and of s
SIGNATURE_SIZE = 2 * KEY_SIZE
PUBLIC_KEY_SIZE = 2 * KEY_SIZE
# The launcher's key table: this marker, a little-endian count, then two X || Y slots.
KEYS_MARKER = b"QZ_UPDATE_KEYS1\0"
KEY_SLOTS = 2
INT32_MAX = 2147483647
# The launcher copies a version text into 256 characters with the NUL.
MAX_VERSION_TEXT = 255
# The blanks the launcher's number reading skips before a number (C's isspace).
C_SPACE = " \t\n\v\f\r"
# The launcher's update address: "<base>/ardunlauncher/" with its NUL, in the program's data.
ADDRESS_PATTERN = re.compile(rb"https?://[^\0]*/ardunlauncher/\0")
# The repository's test keys, whose private halves are committed beside them.
TEST_KEYS_FOLDER = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                                 "signing", "keys"))


class ToolError(Exception):
    """A failure of the publishing tools, with the message for the operator."""


# --- the index, as launchers read it ---------------------------------------------------

def read_index(text):
    """The values of the index's [SelfUpdate] section as the launcher's profile reader
    returns them (keys by lower-case name), or None without that section. Section and
    key names match without regard to case; the first section and the first line of a
    key count, a line without "=" being that key with an empty value; a section's name
    ends at the line's last "]", and a "[" line without one is read as a key. Blanks
    around names and values are dropped, and so are quotes that enclose a whole value.
    `text` is the index decoded as Latin-1, byte for character."""
    values = None
    in_section = False
    for line in re.split(r"\r\n|\n|\r", text):
        line = line.strip(" \t")
        end = line.rfind("]")
        if line.startswith("[") and end > 0:
            if values is not None:
                break
            in_section = line[1:end].strip(" \t").lower() == "selfupdate"
            if in_section:
                values = {}
        elif in_section and line:
            key, value = line.split("=", 1) if "=" in line else (line, "")
            key, value = key.strip(" \t").lower(), value.strip(" \t")
            if len(value) >= 2 and value[0] in "'\"" and value[-1] == value[0]:
                value = value[1:-1]
            if key:
                values.setdefault(key, value)
    return values


def index_problems(text):
    """What makes the index read otherwise than it looks, as (line number, problem):
    a section line that is not exactly [name], a line of [SelfUpdate] that is neither
    key=value, blank nor a ';' comment, and a key or a section given twice. `text` is
    the index decoded as Latin-1."""
    problems = []
    sections = set()
    keys = None
    for number, line in enumerate(re.split(r"\r\n|\n|\r", text), 1):
        line = line.strip(" \t")
        if line.startswith("["):
            match = re.fullmatch(r"\[([^\[\]\s](?:[^\[\]]*[^\[\]\s])?)\]", line)
            if not match:
                problems.append((number, "%r is not a section line [name]" % line))
                continue
            name = match.group(1).lower()
            if name in sections:
                problems.append((number, "section [%s] given again" % match.group(1)))
            sections.add(name)
            keys = {} if name == "selfupdate" else None
        elif keys is not None and line and not line.startswith(";"):
            key = line.split("=", 1)[0].strip(" \t")
            if "=" not in line or not key:
                problems.append((number, "%r is not key=value" % line))
            elif key.lower() in keys:
                problems.append((number, "%s given again (first on line %d; the launcher reads that one)"
                                 % (key, keys[key.lower()])))
            else:
                keys[key.lower()] = number
    return problems


def _leading_number(piece):
    """A piece's number as C's strtol on a 32-bit long reads it, kept as its 32 bits."""
    match = re.match(r"[%s]*([+-]?)([0-9]*)" % re.escape(C_SPACE), piece)
    value = int(match.group(2) or "0") * (-1 if match.group(1) == "-" else 1)
    return max(-INT32_MAX - 1, min(INT32_MAX, value)) & 0xFFFFFFFF


def read_version(text, strict=False):
    """The four numbers the launcher reads from a version text (separator ".", else "-",
    else ","; leading blanks skipped; trailing parts and words ignored). `strict` also
    refuses every text the launcher would read as something other than it says: it must
    be exactly four plain decimal numbers from 0 to 2147483647. Raises ToolError."""
    if not text:
        raise ToolError("the version text is empty")
    if len(text) > MAX_VERSION_TEXT:
        raise ToolError("the version text has %d characters; launchers read at most %d"
                        % (len(text), MAX_VERSION_TEXT))
    separator = next((c for c in ".-," if c in text), None)
    if separator is None:
        raise ToolError("version text %r: no '.', '-' or ',' separates its numbers" % text)
    pieces = text.split(separator)
    if len(pieces) < 4 or (strict and len(pieces) != 4):
        raise ToolError("version text %r has %d parts separated by %r; launchers need four"
                        % (text, len(pieces), separator))
    for piece in pieces[:4] if strict else ():
        digits = piece.strip(C_SPACE)
        if not (digits.isascii() and digits.isdigit()) or int(digits) > INT32_MAX:
            raise ToolError("version text %r: part %r is not a number from 0 to %d" % (text, digits, INT32_MAX))
    return tuple(_leading_number(piece) for piece in pieces[:4])


def signed_text(values):
    """The text a signature covers, from the index values (names in any case) exactly as
    they stand in the index."""
    values = {key.lower(): value for key, value in values.items()}
    names = ("LastestVersionNumber", "FileName", "FileSize", "FileMD5", "FileSHA256")
    return ("Product=%s\n" % PRODUCT + "".join("%s=%s\n" % (name, values.get(name.lower(), ""))
                                               for name in names)).encode("latin-1")


def key_id(public_key):
    """The key id of a public key given as its 64 bytes X || Y."""
    return hashlib.sha256(public_key).hexdigest()[:16]


def program_keys(data, path):
    """The update keys (X || Y each, the main key first) compiled into the program whose
    bytes are `data`, or None when it has no key table at all."""
    at = data.find(KEYS_MARKER)
    if at < 0:
        return None
    if data.find(KEYS_MARKER, at + 1) >= 0:
        raise ToolError("%s holds the update key marker more than once; cannot tell its keys" % path)
    table = data[at + len(KEYS_MARKER):at + len(KEYS_MARKER) + 4 + KEY_SLOTS * PUBLIC_KEY_SIZE]
    count = struct.unpack_from("<I", table)[0] if len(table) >= 4 else -1
    keys = [table[4 + i * PUBLIC_KEY_SIZE:4 + (i + 1) * PUBLIC_KEY_SIZE] for i in range(max(count, 0))]
    if not 0 <= count <= KEY_SLOTS or len(table) < 4 + KEY_SLOTS * PUBLIC_KEY_SIZE or not all(map(any, keys)):
        raise ToolError("%s: its update key table at offset 0x%x is damaged" % (path, at))
    return keys


def program_address(data, path):
    """The update folder's URL ("<base>/ardunlauncher/") compiled into the program whose
    bytes are `data`; raises ToolError unless there is exactly one."""
    found = ADDRESS_PATTERN.findall(data)
    if len(found) != 1:
        raise ToolError("cannot tell the update address of %s: it holds %s" % (
            path, "no text http(s)://.../ardunlauncher/" if not found else "%d such texts (%s)" % (
                len(found), ", ".join(sorted(set(a[:-1].decode("latin-1") for a in found))))))
    return found[0][:-1].decode("latin-1")


# --- keys and signatures ---------------------------------------------------------------

def _check_p256(key, key_file):
    # Any other kind of key signs in a form the launcher cannot check.
    curve = getattr(key, "curve", None)
    if not isinstance(curve, ec.SECP256R1):
        raise ToolError("%s: not an ECDSA P-256 key (%s)" % (key_file, "curve " + curve.name if curve
                                                             else type(key).__name__))
    return key


def _read(key_file):
    try:
        with open(key_file, "rb") as f:
            return f.read()
    except OSError as error:
        raise ToolError("%s: %s" % (key_file, error.strerror or error)) from error


def _passphrase(key_file):
    """The passphrase of key_file and where it came from."""
    passphrase = os.environ.get(PASSPHRASE_VARIABLE)
    if passphrase == "":
        raise ToolError("%s is encrypted, and %s is set but empty: set it to the key's passphrase, or unset it to "
                        "be asked for it" % (key_file, PASSPHRASE_VARIABLE))
    if passphrase is not None:
        return passphrase.encode("utf-8"), PASSPHRASE_VARIABLE
    if not sys.stdin.isatty():
        raise ToolError("%s is encrypted: set %s to its passphrase, or run the tool in a terminal to be asked "
                        "for it" % (key_file, PASSPHRASE_VARIABLE))
    passphrase = getpass.getpass("passphrase of %s: " % key_file)
    return passphrase.encode("utf-8"), "the terminal"


def load_private_key(key_file):
    """The P-256 private key of a PEM file only its owner may read; an encrypted key is
    opened with the passphrase of PASSPHRASE_VARIABLE, or one asked for in the terminal."""
    data = _read(key_file)
    if b"PRIVATE KEY-----" not in data:
        if b"PUBLIC KEY-----" in data:
            raise ToolError("%s is a public key: signing takes the private key, the file the public key was made "
                            "from (update_key.pem, not update_key.pub.pem)" % key_file)
        raise ToolError("%s: not a PEM private key" % key_file)
    mode = os.stat(key_file).st_mode
    if os.name == "posix" and mode & (stat.S_IRWXG | stat.S_IRWXO):
        raise ToolError("%s is open to other users (mode %03o): a private key must be readable by its owner "
                        "only; run `chmod 600 %s`" % (key_file, stat.S_IMODE(mode), key_file))
    origin = None
    try:
        try:
            key = serialization.load_pem_private_key(data, password=None)
        except TypeError:  # encrypted
            passphrase, origin = _passphrase(key_file)
            key = serialization.load_pem_private_key(data, password=passphrase)
    except TypeError as error:
        raise ToolError("%s: %s" % (key_file, error)) from error
    except (ValueError, UnsupportedAlgorithm) as error:
        raise ToolError("%s: not a readable PEM key, or a wrong passphrase%s (%s)" % (
            key_file, " from " + origin if origin else "", error)) from error
    return _check_p256(key, key_file)


def public_key_bytes(key):
    """X || Y (64 bytes) of a P-256 key: a key object, or a PEM file of a public key (or of
    a private key, whose public half is taken)."""
    if isinstance(key, (str, os.PathLike)):
        data = _read(key)
        if b"PUBLIC KEY-----" not in data:
            key = load_private_key(key)
        else:
            try:
                key = _check_p256(serialization.load_pem_public_key(data), key)
            except (ValueError, UnsupportedAlgorithm) as error:
                raise ToolError("%s: not a readable PEM key (%s)" % (key, error)) from error
    if isinstance(key, ec.EllipticCurvePrivateKey):
        key = key.public_key()
    return key.public_bytes(serialization.Encoding.X962, serialization.PublicFormat.UncompressedPoint)[1:]


def test_keys():
    """{X || Y: file name} of the repository's test keys (tests/signing/keys/*.pub.pem)."""
    keys = {}
    names = sorted(os.listdir(TEST_KEYS_FOLDER)) if os.path.isdir(TEST_KEYS_FOLDER) else []
    for name in names:
        if name.endswith(".pub.pem"):
            keys[public_key_bytes(os.path.join(TEST_KEYS_FOLDER, name))] = name
    return keys


def sign(private_key, data):
    """The raw r || s signature (64 bytes) of SHA-256(data) with a private key object (or
    the PEM file of one)."""
    if not isinstance(private_key, ec.EllipticCurvePrivateKey):
        private_key = load_private_key(private_key)
    r, s = decode_dss_signature(private_key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(KEY_SIZE, "big") + s.to_bytes(KEY_SIZE, "big")


def verify(public_key, data, signature):
    """Whether `signature` (raw r || s) is one of SHA-256(data) by the key whose X || Y
    is `public_key`: the check a launcher built with that key makes."""
    if len(public_key) != PUBLIC_KEY_SIZE or len(signature) != SIGNATURE_SIZE:
        return False
    try:
        key = ec.EllipticCurvePublicKey.from_encoded_point(ec.SECP256R1(), b"\x04" + bytes(public_key))
        key.verify(der_signature(signature), data, ec.ECDSA(hashes.SHA256()))
    except (ValueError, InvalidSignature):  # not a point on the curve, or not its signature
        return False
    return True


def der_signature(raw):
    """DER ECDSA-Sig-Value of a raw r || s signature (what openssl verifies)."""
    return encode_dss_signature(int.from_bytes(raw[:KEY_SIZE], "big"), int.from_bytes(raw[KEY_SIZE:], "big"))


def main(argv):
    if len(argv) == 2 and argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0
    if len(argv) != 3 or argv[1] not in ("public-key-hex", "key-id", "key-ids"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        if argv[1] == "public-key-hex":
            print(public_key_bytes(argv[2]).hex())
        elif argv[1] == "key-id":
            print(key_id(public_key_bytes(argv[2])))
        else:
            with open(argv[2], "rb") as f:
                for key in program_keys(f.read(), argv[2]) or ():
                    print(key_id(key))
    except (OSError, ToolError) as error:
        print("update_signing: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
