#!/usr/bin/env python3
"""`publish_update.py check`: fetches a live publication as launchers do and makes the
checks they make, one line each (OK, FAILED, or WARNING, NOTE and HINT, which check nothing);
exits with 0 only when none failed."""

import argparse
import hashlib
import http.client
import ssl
import struct
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

import update_signing
from update_signing import ToolError

# What launchers built with the default download limits accept (QZ_UPDATE_*_MAX_BYTES and
# QZ_UPDATE_*_SECONDS): the most bytes of the index and of the program file, the seconds
# each fetch may take, and the longest wait for a byte.
MAX_INDEX_SIZE = 64 * 1024
MAX_FILE_SIZE = 64 * 1024 * 1024
INDEX_SECONDS = 60
FILE_SECONDS = 600
IDLE_SECONDS = 30
# What the launcher sends, so that the server answers `check` as it answers launchers.
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"
# The launcher reads LastestVersionNumber and FileName into 260 characters with the NUL,
# FileMD5 into 64.
MAX_VALUE = 259
MAX_MD5 = 63
HEX_DIGITS = set("0123456789abcdefABCDEF")


def publication_urls(url):
    """(base URL, index URL) of a folder URL, with or without its last "/", or of the
    URL of its index.txt."""
    parts = urllib.parse.urlsplit(url)
    if parts.scheme.lower() not in ("http", "https") or not parts.netloc or parts.query or parts.fragment:
        raise ToolError("URL %r: give the http:// or https:// URL of the update folder or of its index.txt, "
                        "without a query or fragment" % url)
    if parts.path.endswith("/index.txt"):
        return url[:-len("index.txt")], url
    base = url if url.endswith("/") else url + "/"
    return base, base + "index.txt"


class _LauncherRedirects(urllib.request.HTTPRedirectHandler):
    """Follows redirects as the launcher's requests do: within a scheme, and from http://
    to https://, never from https:// to http://."""

    def __init__(self, followed):
        self.followed = followed

    def redirect_request(self, req, fp, code, msg, headers, newurl):
        old, new = urllib.parse.urlsplit(req.full_url).scheme, urllib.parse.urlsplit(newurl).scheme
        if old.lower() == "https" and new.lower() != "https":
            raise urllib.error.URLError("redirected to %s, and launchers do not follow a redirect from %s:// to "
                                        "%s://" % (newurl, old, new))
        self.followed.append(newurl)
        return super().redirect_request(req, fp, code, msg, headers, newurl)


def fetch(url, limit, seconds, idle_seconds=IDLE_SECONDS, redirects=None):
    """GETs `url` as the launcher does, within `seconds` and never waiting longer than
    `idle_seconds` for a byte; appends the URLs it was redirected to to `redirects`.
    Returns (body, size, problem): problem is None when the answer has status 200 and its
    whole body arrived; size is the body's length (the declared one when that is over
    `limit`: no more than limit + 1 bytes are read)."""
    request = urllib.request.Request(url, headers={"User-Agent": USER_AGENT, "Accept": "*/*",
                                                   "Pragma": "no-cache", "Cache-Control": "no-cache"})
    opener = urllib.request.build_opener(_LauncherRedirects([] if redirects is None else redirects),
                                         urllib.request.HTTPSHandler(context=ssl.create_default_context()))
    deadline = time.monotonic() + seconds
    body = bytearray()
    try:
        with opener.open(request, timeout=idle_seconds) as response:
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


class Report:
    """The lines of a check: one per check, OK or FAILED, and lines that check nothing."""

    def __init__(self, out):
        self.out = out
        self.passed = 0
        self.failed = 0

    def check(self, passed, what, detail):
        if passed:
            self.passed += 1
        else:
            self.failed += 1
        self.out("%-7s  %s: %s" % ("OK" if passed else "FAILED", what, detail))
        return passed

    def note(self, what, detail, kind="NOTE"):
        self.out("%-7s  %s: %s" % (kind, what, detail))

    def fetch(self, what, url, limit, seconds, idle_seconds):
        """Fetches `url` and reports the fetch and the size; returns the body, or None."""
        redirects = []
        body, size, problem = fetch(url, limit, seconds, idle_seconds, redirects)
        for target in redirects:
            self.note(what, "redirected to %s" % target)
        if not self.check(problem is None, what, "GET %s: %s" % (url, problem or "status 200, %d bytes" % size)):
            return None
        if not self.check(size <= limit, what + " size",
                          "%d bytes, at most %d" % (size, limit) if size <= limit else "more than %d bytes" % limit):
            return None
        return body

    def value(self, values, name, valid, expected):
        """Checks that the index has `name`, valid(value) true; `expected` says what it must be."""
        value = values.get(name.lower(), "")
        if not valid(value):
            return self.check(False, name, "%r is not %s" % (value, expected) if value else "missing or empty")
        return self.check(True, name, "%r" % value)

    def digest(self, what, digest, key, stated):
        """Compares a digest of the file with the index's value, ignoring case as launchers do."""
        if digest == stated.lower():
            return self.check(True, what, "the file's %s %s matches %s" % (what, digest, key))
        return self.check(False, what, "the file's %s is %s, %s says %r" % (what, digest, key, stated))


def _is_hex(digits, lower=False):
    return lambda text: len(text) == digits and set(text) <= (set("0123456789abcdef") if lower else HEX_DIGITS)


def _check_text(report, index):
    """Checks for the bytes the Windows profile reader mishandles."""
    if index.startswith(b"\xef\xbb\xbf"):
        return report.check(False, "bytes", "a UTF-8 byte-order mark begins the index; the launcher reads it as "
                                            "part of the first line: save the index without one")
    odd = next((at for at, byte in enumerate(index) if byte > 0x7E or (byte < 0x20 and byte not in b"\t\r\n")),
               None)
    if odd is not None:
        return report.check(False, "bytes", "byte 0x%02x at offset %d is not printable ASCII, which the launcher "
                                            "may read otherwise" % (index[odd], odd))
    return report.check(True, "bytes", "printable ASCII")


def _check_lines(report, text):
    """Checks that the index reads as it looks (update_signing.index_problems)."""
    problems = update_signing.index_problems(text)
    if not problems:
        return report.check(True, "lines", "every section line is [name], every line of [SelfUpdate] key=value, "
                                           "no key or section twice")
    return report.check(False, "lines", "; ".join("line %d: %s" % problem for problem in problems[:3]) +
                        ("; %d more" % (len(problems) - 3) if len(problems) > 3 else "") +
                        ": the launcher would read the index otherwise than it looks")


def authenticode_size(data):
    """The size of the certificate table of the PE image `data` (0: none), from its
    header's security directory; 0 for anything that is not a PE image."""
    try:
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            return 0
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        return struct.unpack_from("<I", data, directories + 4 * 8 + 4)[0] if count > 4 else 0
    except struct.error:
        return 0


def _signing_hint(report, data, failed_before):
    """After the file's checks: an Authenticode-signed file that differs from its index
    was most likely signed after it was published."""
    if report.failed > failed_before and authenticode_size(data):
        report.note("file", "it carries an Authenticode signature and differs from the index: signed after "
                            "publishing? publish the signed file (tools/publish_update.py), which writes its index "
                            "anew", kind="HINT")


def _check_signature(report, values, launcher_keys, allow_unsigned):
    """Checks the signature as launchers built with launcher_keys ({X || Y: file}) do,
    with the key KeyId names."""
    if not values.get("signature") and not values.get("filesha256"):
        if allow_unsigned:
            report.note("signature", "absent (--allow-unsigned): launchers built with a key refuse this index")
        else:
            report.check(False, "signature", "absent: launchers built with a key refuse this index (give "
                                             "--allow-unsigned while none is out)")
        return
    usable = all([report.value(values, "FileSHA256", _is_hex(64), "64 hexadecimal digits"),
                  report.value(values, "Signature", _is_hex(128), "128 hexadecimal digits"),
                  report.value(values, "KeyId", _is_hex(16, lower=True), "16 lower-case hexadecimal digits")])
    if not launcher_keys:
        report.note("signature", "present, NOT verified: give --public-key to check it as launchers built with "
                                 "a key do")
        return
    keys = {update_signing.key_id(key): (key, name) for key, name in launcher_keys.items()}
    if not usable:
        report.check(False, "Signature", "not verified: a value it needs is not usable")
    elif values["keyid"] not in keys:
        report.check(False, "KeyId", "%s is none of the keys given: %s" % (
            values["keyid"], ", ".join("%s (%s)" % (key_id, name) for key_id, (_, name) in keys.items())))
    elif update_signing.verify(keys[values["keyid"]][0], update_signing.signed_text(values),
                               bytes.fromhex(values["signature"])):
        report.check(True, "Signature", "verifies with %s over the values as launchers read them"
                     % keys[values["keyid"]][1])
    else:
        report.check(False, "Signature", "does not verify with %s: a value was changed after signing"
                     % keys[values["keyid"]][1])


def check_publication(report, url, launcher_keys, allow_unsigned, idle_seconds=IDLE_SECONDS):
    base, index_url = publication_urls(url)
    if base.lower().startswith("http://"):
        report.note("address", "http:// lets anyone on the network path hold players on an old version (by "
                               "serving an older signed index, or none): prefer https://", kind="WARNING")
    index = report.fetch("index", index_url, MAX_INDEX_SIZE, INDEX_SECONDS, idle_seconds)
    if index is None:
        return False
    _check_text(report, index)
    _check_lines(report, index.decode("latin-1"))
    values = update_signing.read_index(index.decode("latin-1"))
    if not report.check(values is not None, "section", "[SelfUpdate]" if values is not None else "no [SelfUpdate]"):
        return False

    if report.value(values, "LastestVersionNumber", lambda v: 0 < len(v) <= MAX_VALUE, "1 to %d characters"
                    % MAX_VALUE):
        try:
            numbers = update_signing.read_version(values["lastestversionnumber"])
            report.check(True, "version", "launchers read %s" % ".".join(map(str, numbers)))
        except ToolError as error:
            report.check(False, "version", "launchers cannot read it: %s" % error)
    name_ok = report.value(values, "FileName", lambda v: 0 < len(v) <= MAX_VALUE, "1 to %d characters" % MAX_VALUE)
    # Launchers with a key need the size they verify the signature over; others ignore it.
    size_ok = "filesize" in values or values.get("signature") or values.get("filesha256")
    size_ok = size_ok and report.value(values, "FileSize", lambda v: v.isascii() and v.isdigit() and
                                       int(v) <= MAX_FILE_SIZE, "a number of bytes up to %d" % MAX_FILE_SIZE)
    md5_ok = report.value(values, "FileMD5", lambda v: 0 < len(v) <= MAX_MD5, "1 to %d characters" % MAX_MD5)
    _check_signature(report, values, launcher_keys, allow_unsigned)
    if not name_ok:
        return False

    file_url = base + values["filename"]  # appended as it stands, as the launcher does
    data = report.fetch("file", file_url, MAX_FILE_SIZE, FILE_SECONDS, idle_seconds)
    if data is None:
        return False
    failed_before = report.failed
    if size_ok:
        report.check(len(data) == int(values["filesize"]), "FileSize",
                     "the file has %d bytes, FileSize says %s" % (len(data), values["filesize"]))
    if md5_ok:
        report.digest("MD5", hashlib.md5(data).hexdigest(), "FileMD5", values["filemd5"])
    sha256 = hashlib.sha256(data).hexdigest()
    if values.get("filesha256"):
        report.digest("SHA-256", sha256, "FileSHA256", values["filesha256"])
    else:
        report.note("SHA-256", "the file's SHA-256 is %s" % sha256)
    _signing_hint(report, data, failed_before)
    return report.failed == 0


def check(url, public_keys=(), allow_unsigned=False, idle_seconds=IDLE_SECONDS, out=print):
    """Checks the publication at `url` as a launcher built with public_keys (PEM files)
    would; prints one line per check and returns whether all passed. Raises ToolError
    for a URL or key it cannot use."""
    launcher_keys = {update_signing.public_key_bytes(key): key for key in public_keys}
    report = Report(out)
    all_passed = check_publication(report, url, launcher_keys, allow_unsigned, idle_seconds)
    index_url = publication_urls(url)[1]
    if all_passed:
        out("check %s: all %d checks passed" % (index_url, report.passed))
    else:
        out("check %s: %d of %d checks FAILED" % (index_url, report.failed, report.passed + report.failed))
    return all_passed


def main(argv):
    parser = argparse.ArgumentParser(prog="publish_update.py check", description=__doc__)
    parser.add_argument("url", help="the update folder's URL (e.g. https://host/ardunlauncher/) or its index.txt's")
    parser.add_argument("--public-key", metavar="KEY.pub.pem", action="append", default=[],
                        help="a key the launchers were built with (main or backup; give each): verify the "
                             "signature with the one KeyId names")
    parser.add_argument("--allow-unsigned", action="store_true", help="accept an index without a signature")
    parser.add_argument("--timeout", type=float, default=IDLE_SECONDS, metavar="SECONDS",
                        help="the longest wait for a byte of an answer (default %%(default)g); the index must "
                             "arrive within %d s and the file within %d s" % (INDEX_SECONDS, FILE_SECONDS))
    args = parser.parse_args(argv)
    try:
        return 0 if check(args.url, args.public_key, args.allow_unsigned, args.timeout) else 1
    except ToolError as error:
        print("publish_update check: %s" % error, file=sys.stderr)
        return 2
