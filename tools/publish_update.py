#!/usr/bin/env python3
"""Publishes a launcher build for the launcher's self-update (see docs/publishing.md).

    publish_update.py LAUNCHER.exe OUTPUT_FOLDER [--name ArdunLauncher]
                      [--sign-key KEY.pem] [--public-key KEY.pub.pem ...] [--allow-unsigned]
                      [--allow-test-keys] [--new-server] [--force]
    publish_update.py check URL [--public-key KEY.pub.pem ...] [--allow-unsigned] [--timeout SECONDS]
    publish_update.py describe LAUNCHER.exe

Writes <name>_<FileVersion>.exe, a copy of the program, then index.txt, each under a
temporary name that is then renamed, so a launcher fetching meanwhile sees the old index
or the new one. The signing key must be one of the update keys compiled into the program
and, when --public-key keys are given, one of them. A program without update keys is
never signed for; published with --allow-unsigned, its index is unsigned. An index
without a signature needs --allow-unsigned. Refused, writing nothing: the repository's
test keys (unless --allow-test-keys), another update address than the launcher the
folder's index names (unless --new-server), a version not above the published one
(unless --force), other bytes under a published file name, and an index that launchers
would read otherwise than it looks. The passphrase of an encrypted key
is asked for, or read from QZ_UPDATE_KEY_PASSPHRASE; the key file must be readable by
its owner only (chmod 600 KEY.pem). Sign the program with Authenticode before publishing
it, so that the index's digests cover the signed file.

`check` fetches a live publication and makes the checks a launcher makes; `describe`
prints a program's FileVersion, update address and update keys.
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

class Refused(PublishError):
    """A publication the tool refuses; nothing was written."""

    def __init__(self, message):
        super().__init__("REFUSED: %s; nothing was written" % message)


def _write_replacing(path, data):
    temp = os.path.join(os.path.dirname(path), "." + os.path.basename(path) + ".part")
    with open(temp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, path)


def _read_file(path):
    """The bytes of the file at `path`, or None when there is none."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def _existing_index(index_path):
    """The values of the folder's index ({} without one), read only when launchers read it
    as it looks: anything else stops the publication, which would build on it."""
    raw = _read_file(index_path)
    if raw is None:
        return {}
    reason = None
    if raw.startswith((b"\xef\xbb\xbf", b"\xff\xfe", b"\xfe\xff")) or b"\0" in raw:
        reason = "it is not plain ASCII (%s)" % ("a UTF-8 byte-order mark" if raw.startswith(b"\xef\xbb\xbf")
                                                 else "UTF-16")
    else:
        text = raw.decode("latin-1")
        problems = update_signing.index_problems(text)
        values = update_signing.read_index(text)
        if problems:
            reason = "line %d: %s" % problems[0]
        elif values is None:
            reason = "it has no [SelfUpdate] section"
    if reason:
        raise Refused("cannot read the published index %s as launchers read it: %s; the tool compares the new "
                      "launcher with the one it names: repair or remove it by hand" % (index_path, reason))
    return values


def _check_keys(program, keys, sign_key, allow_unsigned, allow_test_keys, log):
    """Refuses a program whose keys would split the fleet: none with a signed index, none
    without --allow-unsigned, or a test key without --allow-test-keys."""
    if keys:
        log("%s carries the update keys %s" % (program, _key_names(keys)))
    elif sign_key:
        raise Refused("%s carries no update key (%s): a signed index would make every launcher with a key install "
                      "a launcher that takes unsigned updates from then on; build it with QZ_UPDATE_PUBLIC_KEY_FILE "
                      "(--allow-unsigned publishes such a program only with an unsigned index, without --sign-key)"
                      % (program, "no key table" if keys is None else "an unsigned build"))
    elif not allow_unsigned:
        raise Refused("%s carries no update key (%s): launchers that install it would take unsigned updates from "
                      "then on; build it with QZ_UPDATE_PUBLIC_KEY_FILE, or give --allow-unsigned"
                      % (program, "no key table" if keys is None else "an unsigned build"))
    else:
        log("warning: %s carries no update key (--allow-unsigned)" % program)
    tests = update_signing.test_keys()
    found = [tests[key] for key in keys or () if key in tests]
    if found and not allow_test_keys:
        raise Refused("%s carries the repository's test key%s %s (%s), whose private halves anyone can read there: "
                      "anyone could sign updates for the launchers that install it; build it with the operators' "
                      "keys (--allow-test-keys is for the project's own tests)"
                      % (program, "s" if len(found) > 1 else "", " and ".join(found), update_signing.TEST_KEYS_FOLDER))


def _check_address(program, data, output_folder, existing, new_server, log):
    """Refuses a program that fetches its updates from another address than the one it
    replaces (the file the folder's index names), unless new_server."""
    try:
        address = update_signing.program_address(data, program)
        log("%s fetches its updates from %s" % (program, address))
    except PublishError as error:
        if new_server or not existing:
            log("warning: %s" % error)
            return
        raise Refused("%s: the tool compares it with the launcher it replaces (--new-server skips that)" % error)
    if not existing or new_server:
        return
    replaced = os.path.join(output_folder, existing.get("filename", ""))
    old = _read_file(replaced) if existing.get("filename") else None
    if old is None:
        raise Refused("the published index names %s, which is not in %s: cannot compare the update address of the "
                      "launcher it replaces with %s; put that file back, or give --new-server when the address "
                      "changes on purpose" % (existing.get("filename") or "no file", output_folder, address))
    try:
        old_address = update_signing.program_address(old, replaced)
    except PublishError as error:
        raise Refused("%s (--new-server skips the comparison)" % error) from error
    if old_address != address:
        raise Refused("%s fetches its updates from %s, but the launcher it replaces (%s) from %s: every launcher "
                      "that installs it would ask another server from then on; give --new-server when that server "
                      "serves this folder" % (program, address, replaced, old_address))


def _check_version(dotted, index_path, existing, force, log):
    """Refuses a version that is not above the published one, unless force."""
    text = existing.get("lastestversionnumber")
    if text is None:
        return
    try:
        previous = update_signing.read_version(text, strict=True)
    except PublishError as error:
        raise Refused("cannot read the version the published index %s names: %s; repair or remove it by hand"
                      % (index_path, error)) from error
    version = update_signing.read_version(dotted)
    if previous < version:
        return
    shown = ".".join(map(str, previous))
    if previous == version:
        message = "%s names version %s already: launchers at that version would not update" % (index_path, shown)
    else:
        message = ("%s names version %s, newer than %s: the index would go back, and launchers at %s would not "
                   "update" % (index_path, shown, dotted, shown))
    if not force:
        raise Refused(message + "; give --force to publish it all the same")
    log("warning: %s (--force)" % message)


def _check_file_name(file_path, data):
    """Refuses to replace a published file with other bytes: launchers and caches that
    fetched it under that name would hold another program than its index describes."""
    published = _read_file(file_path)
    if published is not None and published != data:
        raise Refused("%s is published already with other contents (%d bytes, SHA-256 %s; this is %d bytes, "
                      "SHA-256 %s): a published file is never replaced; publish the new build under a higher version"
                      % (file_path, len(published), hashlib.sha256(published).hexdigest(), len(data),
                         hashlib.sha256(data).hexdigest()))
    return published is not None


def _signing_key(program, keys, sign_key, public_keys, allow_test_keys, log):
    """The private key of sign_key once it is known to be no test key (unless
    allow_test_keys), one of the program's keys and of the public_keys (PEM files) given."""
    private_key = update_signing.load_private_key(sign_key)
    own = update_signing.public_key_bytes(private_key)
    own_id = update_signing.key_id(own)
    tests = update_signing.test_keys()
    if own in tests and not allow_test_keys:
        raise Refused("the signing key %s is the repository's test key %s (%s), whose private half anyone can read "
                      "there: sign with the operators' key (--allow-test-keys is for the project's own tests)"
                      % (sign_key, tests[own], update_signing.TEST_KEYS_FOLDER))
    if keys and own not in keys:
        raise Refused("the signing key %s (key id %s) is not among the update keys of %s (%s): launchers "
                      "that install it would refuse every update signed with this key"
                      % (sign_key, own_id, program, _key_names(keys)))
    launcher_keys = [update_signing.public_key_bytes(key) for key in public_keys]
    if public_keys and own not in launcher_keys:
        raise Refused("the signing key %s (key id %s) is none of the --public-key keys %s: launchers built "
                      "with them would refuse this update" % (sign_key, own_id, ", ".join(public_keys)))
    if not public_keys:
        log("warning: no --public-key given: cannot tell whether the installed launchers carry the key %s" % own_id)
    return private_key, own


def _index_values(program, data, dotted, file_name, sign_key, keys, public_keys, allow_test_keys, log):
    """The index's values, signed when sign_key is given."""
    values = {"LastestVersionNumber": dotted, "FileName": file_name, "FileSize": str(len(data)),
              "FileMD5": hashlib.md5(data).hexdigest()}
    if sign_key:
        private_key, own = _signing_key(program, keys, sign_key, public_keys, allow_test_keys, log)
        values["FileSHA256"] = hashlib.sha256(data).hexdigest()
        values["KeyId"] = update_signing.key_id(own)
        values["Signature"] = update_signing.sign(private_key, update_signing.signed_text(values)).hex()
        log("signed with %s (key id %s): SHA-256 %s" % (sign_key, values["KeyId"], values["FileSHA256"]))
    return values


def _file_name(name, dotted):
    if not SAFE_NAME.match(name):
        raise PublishError("name %r: use letters, digits, '.', '_' and '-' only" % name)
    file_name = "%s_%s.exe" % (name, dotted)
    if len(file_name) > MAX_VALUE:
        raise PublishError("file name %s has %d characters; launchers read at most %d"
                           % (file_name, len(file_name), MAX_VALUE))
    return file_name


def publish(program, output_folder, name="ArdunLauncher", log=print, sign_key=None, public_keys=(),
            allow_unsigned=False, allow_test_keys=False, new_server=False, force=False):
    """Writes the versioned program file and index.txt; returns (version, file name, md5).
    With sign_key (a PEM private key file) the index also carries the file's SHA-256,
    the key id and the ECDSA P-256 signature; public_keys are the PEM files of the keys
    the installed launchers were built with. Every check comes first: a refusal
    (PublishError) writes nothing."""
    image = load_image(program)
    data = image.__data__
    text = file_version_text(program, image)
    dotted = ".".join(str(p) for p in update_signing.read_version(text, strict=True))
    file_name = _file_name(name, dotted)
    keys = update_signing.program_keys(data, program)
    _check_keys(program, keys, sign_key, allow_unsigned, allow_test_keys, log)
    if not has_authenticode(image):
        log("warning: %s has no Authenticode signature: sign it first, then publish it, so that the index's "
            "digests cover the signed file" % program)

    index_path = os.path.join(output_folder, "index.txt")
    existing = _existing_index(index_path)
    _check_address(program, data, output_folder, existing, new_server, log)
    _check_version(dotted, index_path, existing, force, log)
    file_path = os.path.join(output_folder, file_name)
    published = _check_file_name(file_path, data)
    if not sign_key:
        if not allow_unsigned:
            raise Refused("no --sign-key: launchers built with a key refuse an unsigned index%s; sign it, or "
                          "give --allow-unsigned" % (" such as the one replacing the signed %s" % index_path
                                                     if existing.get("signature") else ""))
        log("warning: publishing an unsigned index (--allow-unsigned): launchers built with a key will not "
            "update until a signed index is published")

    # Sign before anything is written: a failure publishes nothing.
    values = _index_values(program, data, dotted, file_name, sign_key, keys, public_keys, allow_test_keys, log)
    index = "[SelfUpdate]\r\n" + "".join("%s=%s\r\n" % item for item in values.items())
    log("publishing %s: FileVersion %r, %d bytes, MD5 %s" % (program, text, len(data), values["FileMD5"]))
    os.makedirs(output_folder, exist_ok=True)
    # The file first, the index last: a launcher never reads an index naming a missing file.
    if not published:
        _write_replacing(file_path, data)
    _write_replacing(index_path, index.encode("ascii"))
    log("wrote %s%s and %s" % (file_path, " (published already, the same bytes)" if published else "", index_path))
    return dotted, file_name, values["FileMD5"]


def describe(program, out=print):
    """Prints what a launcher program carries: its FileVersion, update address and keys."""
    image = load_image(program)
    out("FileVersion: %s" % file_version_text(program, image))
    out("update address: %s" % update_signing.program_address(image.__data__, program))
    keys = update_signing.program_keys(image.__data__, program)
    out("update keys: %s" % (_key_names(keys) if keys else "none (%s)" % ("no key table" if keys is None
                                                                         else "an unsigned build")))


def _parser():
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
                        help="publish a program without update keys with an unsigned index, or an unsigned index")
    parser.add_argument("--allow-test-keys", action="store_true",
                        help="publish a program or sign with the repository's test keys (the project's own tests)")
    parser.add_argument("--new-server", action="store_true",
                        help="publish a program whose update address differs from the one it replaces")
    parser.add_argument("--force", action="store_true",
                        help="publish a version lower than or equal to the published one")
    return parser


def _run(argv):
    if argv and argv[0] == "check":
        import publish_check
        return publish_check.main(argv[1:])
    if argv and argv[0] == "describe":
        parser = argparse.ArgumentParser(prog="publish_update.py describe",
                                         description="Prints a launcher program's FileVersion, update address and "
                                                     "update keys.")
        parser.add_argument("program", help="the launcher program")
        args = parser.parse_args(argv[1:])
        try:
            describe(args.program)
            return 0
        except (OSError, PublishError) as error:
            print("publish_update describe: %s" % error, file=sys.stderr)
            return 1
    args = _parser().parse_args(argv)
    try:
        publish(args.program, args.output_folder, args.name, sign_key=args.sign_key, public_keys=args.public_key,
                allow_unsigned=args.allow_unsigned, allow_test_keys=args.allow_test_keys,
                new_server=args.new_server, force=args.force)
        return 0
    except (OSError, PublishError) as error:
        print("publish_update: %s" % error, file=sys.stderr)
        return 1


def main(argv=None):
    try:
        return _run(sys.argv[1:] if argv is None else argv)
    except KeyboardInterrupt:
        # One line, no traceback: at the passphrase prompt nothing has been written yet,
        # and the index is always written last.
        print("\npublish_update: interrupted", file=sys.stderr)
        return 130


if __name__ == "__main__":
    sys.exit(main())
