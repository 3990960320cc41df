#!/usr/bin/env python3
"""Publishes a launcher build for the launcher's self-update, and checks a publication.

    publish_update.py LAUNCHER.exe OUTPUT_FOLDER [--name ArdunLauncher]
                      [--sign-key KEY.pem [--public-key LAUNCHER_KEY.pub.pem]] [--allow-unsigned]
    publish_update.py --show-version LAUNCHER.exe
    publish_update.py check URL [--public-key LAUNCHER_KEY.pub.pem] [--timeout SECONDS]

Publishing reads the FileVersion text from the program's version resource (the string
block of the first language and code page of its translation table, as the launcher
reads its own), checks that the launcher will be able to parse it, and writes into
OUTPUT_FOLDER:

    <name>_<version>.exe   a copy of the program, e.g. ArdunLauncher_1.0.0.3.exe
    index.txt              [SelfUpdate] LastestVersionNumber, FileName, FileMD5
                           and, with --sign-key, FileSHA256 and Signature

With --sign-key the signature is verified before anything is written, with the signing
key's own public key and, with --public-key, with the key the launchers were built with
(QZ_UPDATE_PUBLIC_KEY_FILE): a signing key that does not belong to that key publishes
nothing. An index that is signed is not replaced by an unsigned one unless
--allow-unsigned is given: launchers built with a key refuse unsigned indexes.

The program file is written first and the index last, each under a temporary name
that is then renamed, so a launcher fetching at the same moment sees either the old
index or the new one, never an index naming a file that is not there yet.

`check` fetches the live index from URL (the folder's URL, e.g.
http://host/ardunlauncher/, or that of index.txt itself) and the file it names, and
makes the checks a launcher makes, one line each; it exits with 0 only when all pass.
With --public-key it also checks the signature and the SHA-256 as a launcher built
with that key does.

Serve OUTPUT_FOLDER as /ardunlauncher/ on the update server (any static HTTP server
that answers GET with status 200 and the file). See docs/publishing.md.
"""

import argparse
import hashlib
import http.client
import os
import re
import ssl
import struct
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import update_signing  # noqa: E402  (tools/update_signing.py)

update_signing.require_modules("pefile")
import pefile  # noqa: E402

RT_VERSION = 16
VS_VERSION_INFO = 1
INT32_MAX = 2147483647
# The launcher reads LastestVersionNumber and FileName into 260 characters with the
# NUL, FileMD5 into 64. A longer value would be cut short, so it refuses it.
MAX_VALUE = 259
MAX_MD5 = 63
# Its version parsing copies the text into 256 characters with the NUL.
MAX_VERSION_TEXT = 255
SHA256_DIGITS = 64
SIGNATURE_DIGITS = 2 * update_signing.SIGNATURE_SIZE
# What `check` accepts, as launchers built with the default download limits do
# (QZ_UPDATE_*_MAX_BYTES and QZ_UPDATE_*_SECONDS): the most bytes of the index and of
# the program file, the seconds each fetch may take, and the longest wait for a byte.
MAX_INDEX_SIZE = 64 * 1024
MAX_FILE_SIZE = 64 * 1024 * 1024
INDEX_SECONDS = 60
FILE_SECONDS = 600
IDLE_SECONDS = 30
# What the launcher sends, so that the server answers `check` as it answers launchers.
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"
# The blanks the launcher's number reading skips before a number (C's isspace).
C_SPACE = " \t\n\v\f\r"
# The file name is appended to the update URL without escaping: keep it URL-safe.
SAFE_NAME = re.compile(r"^[A-Za-z0-9._-]+$")
HEX_DIGITS = set("0123456789abcdefABCDEF")


class PublishError(Exception):
    pass


# --- the version resource --------------------------------------------------------------

def _load_image(path):
    """The program at `path` as a pefile image, its resource directory parsed."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise PublishError("%s is not a Windows program (no MZ header)" % path)
    try:
        image = pefile.PE(data=data, fast_load=True)
        image.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    except pefile.PEFormatError as error:
        reason = getattr(error, "value", str(error))
        if "NT Headers signature" in reason:
            raise PublishError("%s is not a PE program (no PE signature)" % path) from error
        raise PublishError("%s is truncated or damaged: %s" % (path, reason)) from error
    return image


def _subdirectory(directory, wanted):
    """The subdirectory with the numeric id `wanted` of a pefile resource directory."""
    for entry in directory.entries if directory else ():
        if entry.name is None and entry.id == wanted and hasattr(entry, "directory"):
            return entry.directory
    return None


def _version_entry(image, path):
    """The data entry of the version resource (type 16, name 1), as the platform finds it."""
    location = image.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
    if not location.VirtualAddress:
        raise PublishError("%s has no version resource (no resources at all)" % path)
    section = image.get_section_by_rva(location.VirtualAddress)
    if section is None:
        raise PublishError("%s: its resources at RVA 0x%x lie outside its sections"
                           % (path, location.VirtualAddress))
    if section.PointerToRawData + section.SizeOfRawData > len(image.__data__):
        raise PublishError("%s is truncated: its resource section ends at offset 0x%x, the file at 0x%x"
                           % (path, section.PointerToRawData + section.SizeOfRawData, len(image.__data__)))
    names = _subdirectory(getattr(image, "DIRECTORY_ENTRY_RESOURCE", None), RT_VERSION)
    if names is None:
        raise PublishError("%s has no version resource" % path)
    languages = _subdirectory(names, VS_VERSION_INFO)
    entries = [e for e in languages.entries if hasattr(e, "data")] if languages else []
    if not entries:
        raise PublishError("%s has no version resource with id 1" % path)
    # A language-neutral entry is what the platform takes first; otherwise the first.
    chosen = next((e for e in entries if e.id == 0), entries[0]).data.struct
    return chosen


def _version_resource(image, path):
    """The bytes of the program's version resource."""
    entry = _version_entry(image, path)
    try:
        info = image.get_data(entry.OffsetToData, entry.Size)
    except pefile.PEFormatError:
        info = b""
    if len(info) != entry.Size:
        raise PublishError("%s is truncated or damaged: its version resource at RVA 0x%x lies outside the file"
                           % (path, entry.OffsetToData))
    return info


# pefile finds the version resource, but its parsing of the resource's blocks does not
# serve here: it keeps only the last pair of the translation table and drops every
# string block after the first, so a program with two translations would be read by the
# wrong one. The blocks are walked here instead, as the platform's VerQueryValue does.

def _align4(n):
    return (n + 3) & ~3


def _blocks(info, start, end):
    """The blocks in info[start:end]: (key, value bytes, children start, block end)."""
    blocks = []
    at = start
    while at + 6 <= end:
        length, value_length, value_type = struct.unpack_from("<HHH", info, at)
        if length < 6 or at + length > end:
            raise PublishError("damaged version block at offset %d" % at)
        key_end = at + 6
        while key_end + 1 < at + length and info[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = info[at + 6:key_end].decode("utf-16-le", "replace")
        value_start = _align4(key_end + 2)
        # Text values count characters, binary values bytes (some tools count bytes
        # for text too: the text is cut at its NUL below either way).
        value_size = value_length * 2 if value_type == 1 else value_length
        value_end = min(value_start + value_size, at + length)
        blocks.append((key, info[value_start:value_end], _align4(value_end), at + length))
        at = _align4(at + length)
    return blocks


def _child(info, block, key):
    """The child block named `key` (without regard to case), or None."""
    for child in _blocks(info, block[2], block[3]):
        if child[0].lower() == key.lower():
            return child
    return None


def file_version_text(path):
    """The FileVersion text of the first translation of the program at `path`."""
    info = _version_resource(_load_image(path), path)
    roots = _blocks(info, 0, len(info))
    if not roots or roots[0][0] != "VS_VERSION_INFO":
        raise PublishError("%s: the version resource does not begin with VS_VERSION_INFO" % path)
    root = roots[0]
    var_info = _child(info, root, "VarFileInfo")
    translation = var_info and _child(info, var_info, "Translation")
    if not translation or len(translation[1]) < 4:
        raise PublishError("%s: the version resource has no translation table" % path)
    table_key = "%04x%04x" % struct.unpack_from("<HH", translation[1], 0)
    string_info = _child(info, root, "StringFileInfo")
    table = string_info and _child(info, string_info, table_key)
    value = table and _child(info, table, "FileVersion")
    if not value:
        raise PublishError("%s: no FileVersion in the string block %s of its first translation"
                           % (path, table_key))
    return value[1].decode("utf-16-le", "replace").split("\0", 1)[0]


# --- version texts -------------------------------------------------------------------

def parse_version(text):
    """The four numbers of a version text, read as the launcher reads it (separator
    ".", else "-", else ","), but strictly: exactly four plain decimal numbers from 0 to
    2147483647. Texts the launcher would read differently (a minus sign, a fifth part,
    trailing words) are refused rather than published."""
    separator = next((c for c in ".-," if c in text), None)
    if separator is None:
        raise PublishError("version text %r has no separator" % text)
    pieces = text.split(separator)
    if len(pieces) != 4:
        raise PublishError("version text %r does not have four parts" % text)
    parts = []
    for piece in pieces:
        piece = piece.strip(C_SPACE)
        if not piece.isdigit() or not piece.isascii() or int(piece) > INT32_MAX:
            raise PublishError("version text %r: part %r is not a number from 0 to %d" % (text, piece, INT32_MAX))
        parts.append(int(piece))
    return tuple(parts)


def _leading_number(piece):
    """A piece's number as C's strtol on a 32-bit long reads it, kept as its 32 bits."""
    match = re.match(r"[%s]*([+-]?)([0-9]*)" % re.escape(C_SPACE), piece)
    value = int(match.group(2) or "0") * (-1 if match.group(1) == "-" else 1)
    return max(-INT32_MAX - 1, min(INT32_MAX, value)) & 0xFFFFFFFF


def launcher_version(text):
    """The four numbers the launcher reads from a version text, leniently as it does;
    raises PublishError with the reason when it cannot read the text at all."""
    if not text:
        raise PublishError("the text is empty")
    if len(text) > MAX_VERSION_TEXT:
        raise PublishError("the text has %d characters; launchers read at most %d" % (len(text), MAX_VERSION_TEXT))
    separator = next((c for c in ".-," if c in text), None)
    if separator is None:
        raise PublishError("no '.', '-' or ',' separates its numbers")
    pieces = text.split(separator, 3)
    if len(pieces) < 4:
        raise PublishError("it has %d parts separated by %r; launchers need four" % (len(pieces), separator))
    return tuple(_leading_number(piece) for piece in pieces)


# --- the index -----------------------------------------------------------------------

def read_index(text):
    """The values of the index's [SelfUpdate] section as the launcher's profile reader
    returns them (keys by lower-case name), or None without that section. Section and
    key names match without regard to case; the first section and the first line of a
    key count; blanks around names and values are dropped, and so are quotes that
    enclose a whole value. `text` is the index decoded as Latin-1, byte for character."""
    values = None
    in_section = False
    for line in re.split(r"\r\n|\n|\r", text):
        line = line.strip(" \t")
        if line.startswith("["):
            if values is not None:
                break
            end = line.find("]")
            in_section = (line[1:end] if end > 0 else line[1:]).strip(" \t").lower() == "selfupdate"
            if in_section:
                values = {}
        elif in_section and "=" in line:
            key, value = line.split("=", 1)
            key, value = key.strip(" \t").lower(), value.strip(" \t")
            if len(value) >= 2 and value[0] in "'\"" and value[-1] == value[0]:
                value = value[1:-1]
            values.setdefault(key, value)
    return values


def _read_existing_index(index_path):
    try:
        with open(index_path, "rb") as f:
            return read_index(f.read().decode("latin-1")) or {}
    except FileNotFoundError:
        return {}


def _published_version(values):
    try:
        return parse_version(values.get("lastestversionnumber", ""))
    except PublishError:
        return None


# --- publishing ----------------------------------------------------------------------

def _write_replacing(path, data):
    temp = os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".part")
    with open(temp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, path)


def _verify_index_signature(index, sign_key, public_key, log):
    """Verifies the signature of `index` over its values as launchers read them, with the
    signing key's own public key and with the launchers' key; raises PublishError."""
    values = read_index(index.decode("latin-1"))
    text = update_signing.signed_text(values["lastestversionnumber"], values["filename"], values["filemd5"],
                                      values["filesha256"])
    signature = bytes.fromhex(values["signature"])
    try:
        own_key = update_signing.public_key_bytes(sign_key)
        launcher_key = update_signing.public_key_bytes(public_key) if public_key else None
    except update_signing.SigningError as error:
        raise PublishError(str(error)) from error
    if not update_signing.verify(own_key, text, signature):
        raise PublishError("the signature made with %s does not verify with that key's own public key; "
                           "nothing was written" % sign_key)
    if launcher_key is None:
        log("warning: no --public-key given: the signature was checked only with the signing key itself, not "
            "with the key the launchers were built with (QZ_UPDATE_PUBLIC_KEY_FILE)")
    elif not update_signing.verify(launcher_key, text, signature):
        raise PublishError("the signature made with %s does not verify with the launchers' public key %s: the "
                           "keys are not a pair, and launchers built with %s would refuse this update; nothing "
                           "was written" % (sign_key, public_key, public_key))
    else:
        log("the signature verifies with the launchers' public key %s" % public_key)


def publish(program, output_folder, name="ArdunLauncher", log=print, sign_key=None, public_key=None,
            allow_unsigned=False):
    """Writes the versioned program file and index.txt; returns (version, file name, md5).
    With sign_key (a PEM private key) the index also names the file's SHA-256 and carries
    the ECDSA P-256 signature over the four values, for launchers built with the key;
    public_key (PEM) is that key, which the signature must verify with."""
    if not SAFE_NAME.match(name):
        raise PublishError("name %r: use letters, digits, '.', '_' and '-' only" % name)
    if public_key and not sign_key:
        raise PublishError("--public-key %s is given without --sign-key: launchers built with that key refuse "
                           "an unsigned index" % public_key)
    text = file_version_text(program)
    version = parse_version(text)
    dotted = ".".join(str(p) for p in version)
    with open(program, "rb") as f:
        data = f.read()
    digest = hashlib.md5(data).hexdigest()
    file_name = "%s_%s.exe" % (name, dotted)
    if len(file_name) > MAX_VALUE:
        raise PublishError("file name %s has %d characters; launchers read at most %d"
                           % (file_name, len(file_name), MAX_VALUE))

    index_path = os.path.join(output_folder, "index.txt")
    existing = _read_existing_index(index_path)
    previous = _published_version(existing)
    if previous is not None and not previous < version:
        log("warning: %s already names version %s; launchers at %s or newer will not update"
            % (index_path, ".".join(map(str, previous)), ".".join(map(str, previous))))
    if existing.get("signature") and not sign_key:
        if not allow_unsigned:
            raise PublishError("%s is signed, and an unsigned index would stop every launcher built with a key "
                               "from updating: sign with --sign-key, or give --allow-unsigned to replace it "
                               "anyway; nothing was written" % index_path)
        log("warning: replacing the signed %s with an unsigned index (--allow-unsigned): launchers built with "
            "a key will not update until a signed index is published" % index_path)

    # Sign and verify before anything is written: a failure publishes nothing.
    index = ("[SelfUpdate]\r\nLastestVersionNumber=%s\r\nFileName=%s\r\nFileMD5=%s\r\n"
             % (dotted, file_name, digest))
    if sign_key:
        sha256 = hashlib.sha256(data).hexdigest()
        try:
            signature = update_signing.sign(sign_key, update_signing.signed_text(dotted, file_name, digest, sha256))
        except update_signing.SigningError as error:
            raise PublishError("signing with %s: %s" % (sign_key, error)) from error
        index += "FileSHA256=%s\r\nSignature=%s\r\n" % (sha256, signature.hex())
        _verify_index_signature(index.encode("ascii"), sign_key, public_key, log)
        log("signed with %s: SHA-256 %s" % (sign_key, sha256))
    log("publishing %s: FileVersion %r, %d bytes, MD5 %s" % (program, text, len(data), digest))
    os.makedirs(output_folder, exist_ok=True)
    _write_replacing(os.path.join(output_folder, file_name), data)
    _write_replacing(index_path, index.encode("ascii"))
    log("wrote %s and %s" % (os.path.join(output_folder, file_name), index_path))
    return dotted, file_name, digest


# --- checking a publication ----------------------------------------------------------

def publication_urls(url):
    """(base URL, index URL) of a folder URL, with or without its last "/", or of the
    URL of its index.txt."""
    parts = urllib.parse.urlsplit(url)
    if parts.scheme.lower() not in ("http", "https") or not parts.netloc or parts.query or parts.fragment:
        raise PublishError("URL %r: give the http:// or https:// URL of the update folder or of its index.txt, "
                           "without a query or fragment" % url)
    if parts.path.endswith("/index.txt"):
        return url[:-len("index.txt")], url
    base = url if url.endswith("/") else url + "/"
    return base, base + "index.txt"


def fetch(url, limit, seconds, idle_seconds=IDLE_SECONDS):
    """GETs `url` as the launcher does, within `seconds` and never waiting longer than
    `idle_seconds` for a byte. Returns (body, size, problem): problem is None when the
    answer has status 200 and its whole body arrived; size is the body's length (the
    declared one when that is over `limit`: no more than limit + 1 bytes are read)."""
    request = urllib.request.Request(url, headers={"User-Agent": USER_AGENT, "Accept": "*/*",
                                                   "Pragma": "no-cache", "Cache-Control": "no-cache"})
    deadline = time.monotonic() + seconds
    body = bytearray()
    try:
        with urllib.request.urlopen(request, timeout=idle_seconds, context=ssl.create_default_context()) as response:
            if response.status != 200:
                return b"", 0, "status %d %s (launchers accept only 200)" % (response.status, response.reason)
            declared = response.headers.get("Content-Length")
            declared = int(declared) if declared and declared.strip().isdigit() else None
            if declared is not None and declared > limit:
                return b"", declared, None
            while len(body) <= limit:
                if time.monotonic() > deadline:
                    return bytes(body), len(body), "not complete within %g s: %d bytes received" % (seconds,
                                                                                                     len(body))
                chunk = response.read(min(65536, limit + 1 - len(body)))
                if not chunk:
                    break
                body += chunk
    except urllib.error.HTTPError as error:
        return b"", 0, "status %d %s (launchers accept only 200)" % (error.code, error.reason)
    except http.client.IncompleteRead as error:
        return bytes(body), len(body), "incomplete: the connection ended %d bytes later" % len(error.partial)
    except (urllib.error.URLError, http.client.HTTPException, OSError, ValueError) as error:
        return bytes(body), len(body), "%s: %s" % (type(error).__name__, getattr(error, "reason", None) or error)
    # A body cut short here, over the limit, is the size check's to report.
    if len(body) <= limit and declared is not None and len(body) != declared:
        return bytes(body), len(body), "incomplete: %d of the %d bytes declared arrived" % (len(body), declared)
    return bytes(body), len(body), None


def _check_fetch(report, what, url, limit, seconds, idle_seconds):
    """Fetches `url` and reports the fetch and the size; returns the body, or None."""
    body, size, problem = fetch(url, limit, seconds, idle_seconds)
    if not report.check(problem is None, what, "GET %s: %s" % (url, problem or "status 200, %d bytes" % size)):
        return None
    if not report.check(size <= limit, what + " size",
                        "%d bytes, at most %d" % (size, limit) if size <= limit else "more than %d bytes" % limit):
        return None
    return body


class Report:
    """The lines of a check: one per check, OK or FAILED, and notes that check nothing."""

    def __init__(self, out):
        self.out = out
        self.passed = 0
        self.failed = 0

    def check(self, passed, what, detail):
        if passed:
            self.passed += 1
        else:
            self.failed += 1
        self.out("%-6s  %s: %s" % ("OK" if passed else "FAILED", what, detail))
        return passed

    def note(self, what, detail):
        self.out("%-6s  %s: %s" % ("NOTE", what, detail))


def _is_hex(text, digits):
    return len(text) == digits and set(text) <= HEX_DIGITS


def _check_value(report, values, key, name, most):
    value = values.get(key, "")
    if not value:
        return report.check(False, name, "missing or empty")
    if len(value) > most:
        return report.check(False, name, "%d characters; launchers read at most %d" % (len(value), most))
    return report.check(True, name, "%r" % value)


def _check_digest(report, what, digest, key, stated):
    """Compares a digest of the file with the index's value, ignoring case as launchers do."""
    if digest == stated.lower():
        return report.check(True, what, "the file's %s %s matches %s" % (what, digest, key))
    return report.check(False, what, "the file's %s is %s, %s says %r" % (what, digest, key, stated))


def _check_signature(report, values, launcher_key, public_key):
    sha256_text = values.get("filesha256", "")
    signature_text = values.get("signature", "")
    sha256_ok = report.check(_is_hex(sha256_text, SHA256_DIGITS), "FileSHA256",
                             "%r" % sha256_text if _is_hex(sha256_text, SHA256_DIGITS)
                             else "missing, or not %d hexadecimal digits: %r" % (SHA256_DIGITS, sha256_text))
    if not _is_hex(signature_text, SIGNATURE_DIGITS):
        report.check(False, "Signature", "missing, or not %d hexadecimal digits: %r" % (SIGNATURE_DIGITS,
                                                                                        signature_text))
        return
    if not sha256_ok:
        report.check(False, "Signature", "not verified: FileSHA256 is not usable")
        return
    text = update_signing.signed_text(values.get("lastestversionnumber", ""), values.get("filename", ""),
                                      values.get("filemd5", ""), sha256_text)
    if update_signing.verify(launcher_key, text, bytes.fromhex(signature_text)):
        report.check(True, "Signature", "verifies with %s over the four values as launchers read them" % public_key)
    else:
        report.check(False, "Signature", "does not verify with %s: a value was changed after signing, or "
                                         "another key signed it" % public_key)


def check(url, public_key=None, idle_seconds=IDLE_SECONDS, out=print):
    """Checks the publication at `url` as a launcher would (with the signature when
    public_key, a PEM file, is given); prints one line per check and returns whether all
    passed. Raises PublishError for a URL or key it cannot use."""
    base, index_url = publication_urls(url)
    launcher_key = None
    if public_key:
        try:
            launcher_key = update_signing.public_key_bytes(public_key)
        except update_signing.SigningError as error:
            raise PublishError(str(error)) from error
    report = Report(out)
    all_passed = _check_publication(report, base, index_url, launcher_key, public_key, idle_seconds)
    if all_passed:
        out("check %s: all %d checks passed" % (index_url, report.passed))
    else:
        out("check %s: %d of %d checks FAILED" % (index_url, report.failed, report.passed + report.failed))
    return all_passed


def _check_publication(report, base, index_url, launcher_key, public_key, idle_seconds):
    index = _check_fetch(report, "index", index_url, MAX_INDEX_SIZE, INDEX_SECONDS, idle_seconds)
    if index is None:
        return False
    values = read_index(index.decode("latin-1"))
    if not report.check(values is not None, "section", "[SelfUpdate]" if values is not None else "no [SelfUpdate]"):
        return False

    if _check_value(report, values, "lastestversionnumber", "LastestVersionNumber", MAX_VALUE):
        try:
            numbers = launcher_version(values["lastestversionnumber"])
            report.check(True, "version", "launchers read %s" % ".".join(map(str, numbers)))
        except PublishError as error:
            report.check(False, "version", "launchers cannot read %r: %s" % (values["lastestversionnumber"], error))
    name_ok = _check_value(report, values, "filename", "FileName", MAX_VALUE)
    md5_ok = _check_value(report, values, "filemd5", "FileMD5", MAX_MD5)
    signed = bool(values.get("filesha256") or values.get("signature"))
    if launcher_key is not None:
        _check_signature(report, values, launcher_key, public_key)
    elif signed:
        report.note("signature", "present, NOT verified: give --public-key to check it as launchers built with "
                                 "a key do")
    else:
        report.note("signature", "absent: launchers built with a key refuse this index")
    if not name_ok:
        return False

    file_url = base + values["filename"]  # appended as it stands, as the launcher does
    data = _check_fetch(report, "file", file_url, MAX_FILE_SIZE, FILE_SECONDS, idle_seconds)
    if data is None:
        return False
    md5 = hashlib.md5(data).hexdigest()
    if md5_ok:
        _check_digest(report, "MD5", md5, "FileMD5", values["filemd5"])
    sha256 = hashlib.sha256(data).hexdigest()
    stated = values.get("filesha256", "")
    if launcher_key is not None:
        _check_digest(report, "SHA-256", sha256, "FileSHA256", stated)
    elif stated and sha256 != stated.lower():
        report.note("SHA-256", "the file's SHA-256 is %s, FileSHA256 says %r: launchers built with a key would "
                               "refuse the file" % (sha256, stated))
    else:
        report.note("SHA-256", "the file's SHA-256 is %s%s" % (sha256, ", as FileSHA256 says" if stated else ""))
    return report.failed == 0


# --- command line --------------------------------------------------------------------

def _check_main(argv):
    parser = argparse.ArgumentParser(prog="publish_update.py check",
                                     description="Checks a live publication as a launcher would.")
    parser.add_argument("url", help="the update folder's URL (e.g. http://host/ardunlauncher/) or its index.txt's")
    parser.add_argument("--public-key", metavar="PUBLIC_KEY.pem",
                        help="the key the launchers were built with: also check the signature and SHA-256")
    parser.add_argument("--timeout", type=float, default=IDLE_SECONDS, metavar="SECONDS",
                        help="the longest wait for a byte of an answer (default %%(default)g); the index must "
                             "arrive within %d s and the file within %d s" % (INDEX_SECONDS, FILE_SECONDS))
    args = parser.parse_args(argv)
    try:
        return 0 if check(args.url, args.public_key, args.timeout) else 1
    except PublishError as error:
        print("publish_update check: %s" % error, file=sys.stderr)
        return 2


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if argv and argv[0] == "check":
        return _check_main(argv[1:])
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", help="the launcher program to publish (or to read, with --show-version)")
    parser.add_argument("output_folder", nargs="?", help="the folder served as /ardunlauncher/")
    parser.add_argument("--name", default="ArdunLauncher", help="file name prefix on the server")
    parser.add_argument("--show-version", action="store_true", help="only print the program's FileVersion text")
    parser.add_argument("--sign-key", metavar="PRIVATE_KEY.pem",
                        help="sign the index with this ECDSA P-256 key (adds FileSHA256 and Signature)")
    parser.add_argument("--public-key", metavar="PUBLIC_KEY.pem",
                        help="the public key the launchers were built with (QZ_UPDATE_PUBLIC_KEY_FILE): the "
                             "signature must verify with it")
    parser.add_argument("--allow-unsigned", action="store_true",
                        help="replace a signed index with an unsigned one")
    args = parser.parse_args(argv)
    try:
        if args.show_version:
            print(file_version_text(args.program))
            return 0
        if not args.output_folder:
            parser.error("the output folder is missing")
        publish(args.program, args.output_folder, args.name, sign_key=args.sign_key, public_key=args.public_key,
                allow_unsigned=args.allow_unsigned)
        return 0
    except (OSError, PublishError) as error:
        print("publish_update: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
