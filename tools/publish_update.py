#!/usr/bin/env python3
"""Publishes a launcher build for the launcher's self-update.

    publish_update.py LAUNCHER.exe OUTPUT_FOLDER [--name ArdunLauncher] [--sign-key KEY.pem]
    publish_update.py --show-version LAUNCHER.exe

Reads the FileVersion text from the program's version resource (the string block of
the first language and code page of its translation table, as the launcher reads its
own), checks that the launcher will be able to parse it, and writes into OUTPUT_FOLDER:

    <name>_<version>.exe   a copy of the program, e.g. ArdunLauncher_1.0.0.3.exe
    index.txt              [SelfUpdate] LastestVersionNumber, FileName, FileMD5
                           and, with --sign-key, FileSHA256 and Signature

The program file is written first and the index last, each under a temporary name
that is then renamed, so a launcher fetching at the same moment sees either the old
index or the new one, never an index naming a file that is not there yet.

Serve OUTPUT_FOLDER as /ardunlauncher/ on the update server (any static HTTP server
that answers GET with status 200 and the file). See docs/publishing.md.
"""

import argparse
import hashlib
import os
import re
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import update_signing  # noqa: E402  (tools/update_signing.py)

RT_VERSION = 16
VS_VERSION_INFO = 1
INT32_MAX = 2147483647
# The launcher reads FileName into 260 characters with its NUL: a longer name would be
# cut short, and the launcher would then ask for a file that is not there.
MAX_FILE_NAME = 259
# The blanks the launcher's number reading skips before a number (C's isspace).
C_SPACE = " \t\n\v\f\r"
# The file name is appended to the update URL without escaping: keep it URL-safe.
SAFE_NAME = re.compile(r"^[A-Za-z0-9._-]+$")


class PublishError(Exception):
    pass


# --- PE resources --------------------------------------------------------------------

class PEImage:
    """The parts of a PE file (PE32 or PE32+) needed to find its resources."""

    def __init__(self, data, path):
        self.data = data
        self.path = path
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PublishError("%s is not a Windows program (no MZ header)" % path)
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PublishError("%s is not a PE program (no PE signature)" % path)
        sections, optional_size = self._u16(pe + 6), self._u16(pe + 20)
        optional = pe + 24
        magic = self._u16(optional)
        if magic == 0x10B:
            directories, count_at = optional + 96, optional + 92
        elif magic == 0x20B:
            directories, count_at = optional + 112, optional + 108
        else:
            raise PublishError("%s: unknown optional header magic 0x%x" % (path, magic))
        if self._u32(count_at) <= 2:
            raise PublishError("%s has no resource directory" % path)
        self.resource_rva, self.resource_size = self._unpack("<II", directories + 2 * 8)
        if not self.resource_rva:
            raise PublishError("%s has no resources" % path)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            at = table + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = self._unpack("<IIII", at + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer, raw_size))
        self.resource_base = self.offset_of(self.resource_rva, 16)

    def _unpack(self, layout, at):
        self._need(at, struct.calcsize(layout))
        return struct.unpack_from(layout, self.data, at)

    def _u16(self, at):
        return self._unpack("<H", at)[0]

    def _u32(self, at):
        return self._unpack("<I", at)[0]

    def _need(self, at, size):
        if at < 0 or at + size > len(self.data):
            raise PublishError("%s is truncated or damaged (offset 0x%x)" % (self.path, at))

    def offset_of(self, rva, size):
        """The file offset of `size` bytes at `rva`; they must lie in one section's raw data."""
        for virtual_address, span, raw_pointer, raw_size in self.sections:
            if virtual_address <= rva < virtual_address + span:
                delta = rva - virtual_address
                if delta + size > raw_size:
                    break
                self._need(raw_pointer + delta, size)
                return raw_pointer + delta
        raise PublishError("%s: resource data at RVA 0x%x lies outside the file" % (self.path, rva))

    def _directory(self, offset):
        """Entries (id or None for named, is_directory, target offset) of a resource directory."""
        at = self.resource_base + offset
        named, ids = self._u16(at + 12), self._u16(at + 14)
        entries = []
        for i in range(named + ids):
            name, target = self._u32(at + 16 + 8 * i), self._u32(at + 20 + 8 * i)
            entry_id = None if name & 0x80000000 else name & 0xFFFF
            entries.append((entry_id, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return entries

    def version_resource(self):
        """The bytes of the version resource (type 16, name 1), as the platform finds it."""
        def find(entries, wanted):
            for entry_id, is_directory, target in entries:
                if entry_id == wanted and is_directory:
                    return target
            return None

        types = find(self._directory(0), RT_VERSION)
        if types is None:
            raise PublishError("%s has no version resource" % self.path)
        names = find(self._directory(types), VS_VERSION_INFO)
        if names is None:
            raise PublishError("%s has no version resource with id 1" % self.path)
        languages = [e for e in self._directory(names) if not e[1]]
        if not languages:
            raise PublishError("%s: the version resource has no data" % self.path)
        # A language-neutral entry is what the platform takes first; otherwise the first.
        chosen = next((e for e in languages if e[0] == 0), languages[0])
        entry = self.resource_base + chosen[2]
        data_rva, data_size = self._u32(entry), self._u32(entry + 4)
        start = self.offset_of(data_rva, data_size)
        return self.data[start:start + data_size]


# --- VS_VERSIONINFO ------------------------------------------------------------------

def _align4(n):
    return (n + 3) & ~3


def _blocks(info, start, end):
    """Parses the blocks in info[start:end]: (key, type, value bytes, children start, block end)."""
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
        blocks.append((key, value_type, info[value_start:value_end], _align4(value_end), at + length))
        at = _align4(at + length)
    return blocks


def _child(info, block, key):
    for child in _blocks(info, block[3], block[4]):
        if child[0].lower() == key.lower():
            return child
    return None


def file_version_text(path):
    """The FileVersion text of the first translation of the program at `path`."""
    with open(path, "rb") as f:
        data = f.read()
    info = PEImage(data, path).version_resource()
    roots = _blocks(info, 0, len(info))
    if not roots or roots[0][0] != "VS_VERSION_INFO":
        raise PublishError("%s: the version resource does not begin with VS_VERSION_INFO" % path)
    root = roots[0]
    var_info = _child(info, root, "VarFileInfo")
    translation = var_info and _child(info, var_info, "Translation")
    if not translation or len(translation[2]) < 4:
        raise PublishError("%s: the version resource has no translation table" % path)
    language, code_page = struct.unpack_from("<HH", translation[2], 0)
    table_key = "%04x%04x" % (language, code_page)
    string_info = _child(info, root, "StringFileInfo")
    table = string_info and _child(info, string_info, table_key)
    value = table and _child(info, table, "FileVersion")
    if not value:
        raise PublishError("%s: no FileVersion in the string block %s of its first translation"
                           % (path, table_key))
    return value[2].decode("utf-16-le", "replace").split("\0", 1)[0]


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


def published_version(index_path):
    """The LastestVersionNumber of an existing index, or None."""
    try:
        with open(index_path, "r", encoding="ascii", errors="replace") as f:
            section = None
            for line in f:
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = line[1:-1].strip().lower()
                elif section == "selfupdate" and "=" in line:
                    key, value = line.split("=", 1)
                    if key.strip().lower() == "lastestversionnumber":
                        return parse_version(value.strip())
    except (OSError, PublishError):
        pass
    return None


# --- publishing ----------------------------------------------------------------------

def _write_replacing(path, data):
    temp = os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".part")
    with open(temp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, path)


def publish(program, output_folder, name="ArdunLauncher", log=print, sign_key=None):
    """Writes the versioned program file and index.txt; returns (version, file name, md5).
    With sign_key (a PEM private key) the index also names the file's SHA-256 and carries
    the ECDSA P-256 signature over the four values, for launchers built with the key."""
    if not SAFE_NAME.match(name):
        raise PublishError("name %r: use letters, digits, '.', '_' and '-' only" % name)
    text = file_version_text(program)
    version = parse_version(text)
    dotted = ".".join(str(p) for p in version)
    with open(program, "rb") as f:
        data = f.read()
    digest = hashlib.md5(data).hexdigest()
    file_name = "%s_%s.exe" % (name, dotted)
    if len(file_name) > MAX_FILE_NAME:
        raise PublishError("file name %s has %d characters; launchers read at most %d"
                           % (file_name, len(file_name), MAX_FILE_NAME))

    os.makedirs(output_folder, exist_ok=True)
    index_path = os.path.join(output_folder, "index.txt")
    previous = published_version(index_path)
    if previous is not None and not previous < version:
        log("warning: %s already names version %s; launchers at %s or newer will not update"
            % (index_path, ".".join(map(str, previous)), ".".join(map(str, previous))))

    # Sign before anything is written: a failed signature publishes nothing.
    index = ("[SelfUpdate]\r\nLastestVersionNumber=%s\r\nFileName=%s\r\nFileMD5=%s\r\n"
             % (dotted, file_name, digest))
    if sign_key:
        sha256 = hashlib.sha256(data).hexdigest()
        try:
            signature = update_signing.sign(sign_key, update_signing.signed_text(dotted, file_name, digest, sha256))
        except update_signing.SigningError as error:
            raise PublishError("signing with %s: %s" % (sign_key, error)) from error
        index += "FileSHA256=%s\r\nSignature=%s\r\n" % (sha256, signature.hex())
        log("signed with %s: SHA-256 %s" % (sign_key, sha256))
    log("publishing %s: FileVersion %r, %d bytes, MD5 %s" % (program, text, len(data), digest))
    _write_replacing(os.path.join(output_folder, file_name), data)
    _write_replacing(index_path, index.encode("ascii"))
    log("wrote %s and %s" % (os.path.join(output_folder, file_name), index_path))
    return dotted, file_name, digest


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", help="the launcher program to publish (or to read, with --show-version)")
    parser.add_argument("output_folder", nargs="?", help="the folder served as /ardunlauncher/")
    parser.add_argument("--name", default="ArdunLauncher", help="file name prefix on the server")
    parser.add_argument("--show-version", action="store_true", help="only print the program's FileVersion text")
    parser.add_argument("--sign-key", metavar="PRIVATE_KEY.pem",
                        help="sign the index with this ECDSA P-256 key (adds FileSHA256 and Signature)")
    args = parser.parse_args(argv)
    try:
        if args.show_version:
            print(file_version_text(args.program))
            return 0
        if not args.output_folder:
            parser.error("the output folder is missing")
        publish(args.program, args.output_folder, args.name, sign_key=args.sign_key)
        return 0
    except (OSError, PublishError) as error:
        print("publish_update: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
