#!/usr/bin/env python3
"""Publishes a launcher build for the launcher's self-update (see docs/publishing.md).

    publish_update.py LAUNCHER.exe OUTPUT_FOLDER [--name ArdunLauncher]
                      [--sign-key KEY.pem] [--public-key KEY.pub.pem ...] [--allow-unsigned]
    publish_update.py check URL [--public-key KEY.pub.pem ...] [--allow-unsigned] [--timeout SECONDS]

Writes <name>_<FileVersion>.exe, a copy of the program, then index.txt, each under a
temporary name that is then renamed, so a launcher fetching meanwhile sees the old index
or the new one. The signing key must be one of the update keys compiled into the program
and, when --public-key keys are given, one of them. A program without update keys, or
an index without a signature, needs --allow-unsigned. The passphrase of an encrypted key
is asked for, or read from QZ_UPDATE_KEY_PASSPHRASE; the key file must be readable by
its owner only (chmod 600 KEY.pem). Sign the program with Authenticode before publishing
it, so that the index's digests cover the signed file.

`check` fetches a live publication and makes the checks a launcher makes.
"""

import argparse
import hashlib
import os
import re
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import update_signing  # noqa: E402  (tools/update_signing.py)
from update_signing import ToolError as PublishError  # noqa: E402

update_signing.require_modules("pefile")
import pefile  # noqa: E402

RT_VERSION = 16
VS_VERSION_INFO = 1
# The launcher reads LastestVersionNumber and FileName into 260 characters with the NUL.
MAX_VALUE = 259
# The file name is appended to the update URL without escaping: keep it URL-safe.
SAFE_NAME = re.compile(r"^[A-Za-z0-9._-]+$")


# --- the version resource --------------------------------------------------------------

def load_image(path):
    """The program at `path` as a pefile image (its bytes in __data__), its resource
    directory parsed."""
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


def _version_resource(image, path):
    """The bytes of the version resource (type 16, name 1), the entry the platform takes:
    the language-neutral one, else the first."""
    location = image.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
    section = image.get_section_by_rva(location.VirtualAddress) if location.VirtualAddress else None
    if section and section.PointerToRawData + section.SizeOfRawData > len(image.__data__):
        raise PublishError("%s is truncated: its resource section ends at offset 0x%x, the file at 0x%x"
                           % (path, section.PointerToRawData + section.SizeOfRawData, len(image.__data__)))
    names = _subdirectory(getattr(image, "DIRECTORY_ENTRY_RESOURCE", None), RT_VERSION)
    languages = _subdirectory(names, VS_VERSION_INFO)
    entries = [e for e in languages.entries if hasattr(e, "data")] if languages else []
    if not entries:
        raise PublishError("%s has no version resource" % path)
    entry = next((e for e in entries if e.id == 0), entries[0]).data.struct
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


def file_version_text(path, image=None):
    """The FileVersion text of the first translation of the program at `path`."""
    info = _version_resource(image or load_image(path), path)
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



# --- the Authenticode signature ----------------------------------------------------------

def has_authenticode(image):
    security = image.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    return security.VirtualAddress != 0 and security.Size != 0


def _key_names(keys):
    return ", ".join("%s (%s)" % (update_signing.key_id(key), role) for key, role in zip(keys, ("main", "backup")))


# --- publishing ----------------------------------------------------------------------

def _write_replacing(path, data):
    temp = os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".part")
    with open(temp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, path)


def _existing_index(index_path):
    try:
        with open(index_path, "rb") as f:
            return update_signing.read_index(f.read().decode("latin-1")) or {}
    except FileNotFoundError:
        return {}


def _signing_key(program, keys, sign_key, public_keys, log):
    """The private key of sign_key once it is known to be one of the program's keys and
    of the public_keys (PEM files) given."""
    private_key = update_signing.load_private_key(sign_key)
    own = update_signing.public_key_bytes(private_key)
    own_id = update_signing.key_id(own)
    if keys and own not in keys:
        raise PublishError("the signing key %s (key id %s) is not among the update keys of %s (%s): launchers "
                           "that install it would refuse every update signed with this key; nothing was written"
                           % (sign_key, own_id, program, _key_names(keys)))
    launcher_keys = [update_signing.public_key_bytes(key) for key in public_keys]
    if public_keys and own not in launcher_keys:
        raise PublishError("the signing key %s (key id %s) is none of the --public-key keys %s: launchers built "
                           "with them would refuse this update; nothing was written"
                           % (sign_key, own_id, ", ".join(public_keys)))
    if not public_keys:
        log("warning: no --public-key given: cannot tell whether the installed launchers carry the key %s" % own_id)
    return private_key, own


def publish(program, output_folder, name="ArdunLauncher", log=print, sign_key=None, public_keys=(),
            allow_unsigned=False):
    """Writes the versioned program file and index.txt; returns (version, file name, md5).
    With sign_key (a PEM private key file) the index also carries the file's SHA-256,
    the key id and the ECDSA P-256 signature; public_keys are the PEM files of the keys
    the installed launchers were built with."""
    if not SAFE_NAME.match(name):
        raise PublishError("name %r: use letters, digits, '.', '_' and '-' only" % name)
    image = load_image(program)
    data = image.__data__
    text = file_version_text(program, image)
    dotted = ".".join(str(p) for p in update_signing.read_version(text, strict=True))
    file_name = "%s_%s.exe" % (name, dotted)
    if len(file_name) > MAX_VALUE:
        raise PublishError("file name %s has %d characters; launchers read at most %d"
                           % (file_name, len(file_name), MAX_VALUE))
    keys = update_signing.program_keys(data, program)
    if keys:
        log("%s carries the update keys %s" % (program, _key_names(keys)))
    elif not allow_unsigned:
        raise PublishError("%s carries no update key (%s): launchers that install it would take unsigned updates "
                           "from then on; build it with QZ_UPDATE_PUBLIC_KEY_FILE, or give --allow-unsigned; "
                           "nothing was written" % (program, "no key table" if keys is None else "an unsigned build"))
    else:
        log("warning: %s carries no update key (--allow-unsigned)" % program)
    if not has_authenticode(image):
        log("warning: %s has no Authenticode signature: sign it first, then publish it, so that the index's "
            "digests cover the signed file" % program)

    index_path = os.path.join(output_folder, "index.txt")
    existing = _existing_index(index_path)
    try:
        previous = update_signing.read_version(existing.get("lastestversionnumber", ""), strict=True)
    except PublishError:
        previous = None
    if previous is not None and not previous < update_signing.read_version(dotted):
        log("warning: %s already names version %s; launchers at that version or newer will not update"
            % (index_path, ".".join(map(str, previous))))
    if not sign_key:
        if not allow_unsigned:
            raise PublishError("no --sign-key: launchers built with a key refuse an unsigned index%s; sign it, or "
                               "give --allow-unsigned; nothing was written"
                               % (" such as the one replacing the signed %s" % index_path
                                  if existing.get("signature") else ""))
        log("warning: publishing an unsigned index (--allow-unsigned): launchers built with a key will not "
            "update until a signed index is published")

    # Sign before anything is written: a failure publishes nothing.
    values = {"LastestVersionNumber": dotted, "FileName": file_name, "FileSize": str(len(data)),
              "FileMD5": hashlib.md5(data).hexdigest()}
    if sign_key:
        private_key, own = _signing_key(program, keys, sign_key, public_keys, log)
        values["FileSHA256"] = hashlib.sha256(data).hexdigest()
        values["KeyId"] = update_signing.key_id(own)
        values["Signature"] = update_signing.sign(private_key, update_signing.signed_text(values)).hex()
        log("signed with %s (key id %s): SHA-256 %s" % (sign_key, values["KeyId"], values["FileSHA256"]))
    index = "[SelfUpdate]\r\n" + "".join("%s=%s\r\n" % item for item in values.items())
    log("publishing %s: FileVersion %r, %d bytes, MD5 %s" % (program, text, len(data), values["FileMD5"]))
    os.makedirs(output_folder, exist_ok=True)
    _write_replacing(os.path.join(output_folder, file_name), data)
    _write_replacing(index_path, index.encode("ascii"))
    log("wrote %s and %s" % (os.path.join(output_folder, file_name), index_path))
    return dotted, file_name, values["FileMD5"]


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if argv and argv[0] == "check":
        import publish_check
        return publish_check.main(argv[1:])
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", help="the launcher program to publish")
    parser.add_argument("output_folder", help="the folder served as /ardunlauncher/")
    parser.add_argument("--name", default="ArdunLauncher", help="file name prefix on the server")
    parser.add_argument("--sign-key", metavar="KEY.pem",
                        help="sign the index with this ECDSA P-256 private key, one of the program's update keys "
                             "(passphrase from %s, or asked for)" % update_signing.PASSPHRASE_VARIABLE)
    parser.add_argument("--public-key", metavar="KEY.pub.pem", action="append", default=[],
                        help="a key the installed launchers were built with (main or backup): the signing key "
                             "must be one of them; give it once per key")
    parser.add_argument("--allow-unsigned", action="store_true",
                        help="publish a program without update keys, or an index without a signature")
    args = parser.parse_args(argv)
    try:
        publish(args.program, args.output_folder, args.name, sign_key=args.sign_key, public_keys=args.public_key,
                allow_unsigned=args.allow_unsigned)
        return 0
    except (OSError, PublishError) as error:
        print("publish_update: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
