#!/usr/bin/env python3
"""Tests of tools/publish_update.py: the FileVersion it reads from real and from built
PE images (32 and 64 bit), the version texts it accepts, what it writes, the keys it
signs with, and its `check` of a publication served by tests/support/http_test_server.py.

    publish_update_test.py --installed A.exe --published B.exe --shapes-dir DIR [unittest args]

A.exe and B.exe are the stand-in launchers (FileVersion 1.0.0.2 and 1.0.0.3); DIR holds
the resource-only DLLs of the version-reading tests (version_<shape>.dll).
"""

import argparse
import configparser
import hashlib
import importlib.util
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.environ.get("QZ_SOURCE_DIR") or os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "publish_update.py")
KEYS = os.path.join(ROOT, "tests", "signing", "keys")
PUBLIC_KEY = os.path.join(KEYS, "test_update_key.pub.pem")
OTHER_PUBLIC_KEY = os.path.join(KEYS, "other_key.pub.pem")
# Private keys are copied into KEY_FOLDER readable by their owner only, as the tool wants.
KEY_FOLDER = tempfile.mkdtemp(prefix="qz-publish-keys-")
SIGN_KEY = os.path.join(KEY_FOLDER, "test_update_key.pem")
OTHER_SIGN_KEY = os.path.join(KEY_FOLDER, "other_key.pem")
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from test_server import TestServer  # noqa: E402

_spec = importlib.util.spec_from_file_location("publish_update", TOOL)
publish_update = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(publish_update)

ARGS = None


def with_keys(program, *public_keys, table=True):
    """A copy of the program's bytes whose launcher key table holds these keys: written over
    the program's own table, or appended when it has none; without a table at all when
    `table` is false."""
    with open(program, "rb") as f:
        data = f.read()
    marker = b"QZ_UPDATE_KEYS1\0"
    at = data.find(marker)
    if not table:
        return data.replace(marker, b"no key table at\0") if at >= 0 else data
    slots = [publish_update.update_signing.public_key_bytes(key) for key in public_keys]
    new = marker + struct.pack("<I", len(slots)) + b"".join(slots) + b"\0" * 64 * (2 - len(slots))
    return data[:at] + new + data[at + len(new):] if at >= 0 else data + new


# --- building version resources and PE images ------------------------------------------

def _pad4(data):
    return data + b"\0" * (-len(data) % 4)


def version_block(key, value=b"", text=False, children=()):
    """One VS_VERSIONINFO-style block; `value` is bytes, or a str stored as UTF-16 text."""
    if isinstance(value, str):
        value_bytes, value_length = (value + "\0").encode("utf-16-le"), len(value) + 1
    else:
        value_bytes, value_length = value, len(value)
    head = _pad4(struct.pack("<HHH", 0, value_length, 1 if text else 0) + (key + "\0").encode("utf-16-le"))
    body = _pad4(head + value_bytes) if value_bytes else head
    for child in children:
        body = _pad4(body) + child
    return struct.pack("<H", len(body)) + body[2:]


def version_info(file_version, translations=((0x0804, 1252),), tables=None):
    """A version resource whose first-translation block holds `file_version`; `tables`
    ({table key: FileVersion}) replaces the string blocks when given."""
    if tables is None:
        tables = {"%04x%04x" % translations[0]: file_version}
    string_tables = [version_block(key, children=[version_block("FileVersion", value, text=True)])
                     for key, value in tables.items()]
    translation = b"".join(struct.pack("<HH", *pair) for pair in translations)
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0, 0, 0, 0, 0x3F, 0, 4, 1, 0, 0, 0)
    return version_block("VS_VERSION_INFO", fixed, children=[
        version_block("StringFileInfo", children=string_tables),
        version_block("VarFileInfo", children=[version_block("Translation", translation)]),
    ])


def pe_image(resource, pe32_plus):
    """A minimal PE image (PE32 or PE32+) with one section holding a version resource."""
    section_rva, section_raw = 0x1000, 0x200
    # Resource tree: type 16 -> name 1 -> language 0x0804 -> data entry -> the block.
    def directory(entry_id, target):
        return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, 1) + struct.pack("<II", entry_id, target)
    tree = directory(16, 0x80000000 | 24) + directory(1, 0x80000000 | 48) + directory(0x0804, 72)
    data_offset = 72 + 16
    tree += struct.pack("<IIII", section_rva + data_offset, len(resource), 0, 0) + resource
    raw = _pad4(tree) + b"\0" * (-len(_pad4(tree)) % 0x200)

    optional_size = 240 if pe32_plus else 224
    optional = bytearray(optional_size)
    struct.pack_into("<H", optional, 0, 0x20B if pe32_plus else 0x10B)
    directories = 112 if pe32_plus else 96
    struct.pack_into("<I", optional, directories - 4, 16)
    struct.pack_into("<II", optional, directories + 2 * 8, section_rva, len(tree))
    coff = struct.pack("<HHIIIHH", 0x8664 if pe32_plus else 0x14C, 1, 0, 0, 0, optional_size, 0x2102)
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(tree), section_rva, len(raw), section_raw, 0, 0, 0, 0,
                          0x40000040)
    dos = bytearray(0x40)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 0x40)
    headers = bytes(dos) + b"PE\0\0" + coff + bytes(optional) + section
    return headers + b"\0" * (section_raw - len(headers)) + raw


# --- tests -----------------------------------------------------------------------------

class PublishTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="qz-publish-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def publish(self, program, out="served", **kw):
        messages = []
        kw.setdefault("allow_unsigned", True)
        kw.setdefault("allow_test_keys", True)
        result = publish_update.publish(program, os.path.join(self.folder, out), log=messages.append, **kw)
        return result, messages

    def run_tool(self, *arguments):
        return subprocess.run([sys.executable, TOOL] + list(arguments), capture_output=True, text=True, timeout=120)


class ReadsFileVersion(PublishTest):
    def test_the_launcher_builds(self):
        self.assertEqual("1.0.0.2", publish_update.file_version_text(ARGS.installed))
        self.assertEqual("1.0.0.3", publish_update.file_version_text(ARGS.published))

    def test_32_and_64_bit_images_alike(self):
        for pe32_plus in (False, True):
            with self.subTest(pe32_plus=pe32_plus):
                path = self.write("launcher.exe", pe_image(version_info("4.3.2.1"), pe32_plus))
                self.assertEqual("4.3.2.1", publish_update.file_version_text(path))

    def test_only_the_first_translation_counts(self):
        # Built by the resource compiler (tests/version): the first translation's block.
        shapes = {
            "two_translations": "3.1.4.1",
            "later_translation": "no FileVersion in the string block 040904b0",
            "no_translation": "no translation table",
            "no_version": "no version resource",
        }
        for shape, expected in shapes.items():
            with self.subTest(shape=shape):
                path = os.path.join(ARGS.shapes_dir, "version_%s.dll" % shape)
                if expected[0].isdigit():
                    self.assertEqual(expected, publish_update.file_version_text(path))
                else:
                    with self.assertRaisesRegex(publish_update.PublishError, expected):
                        publish_update.file_version_text(path)

    def test_table_keys_match_without_regard_to_case(self):
        path = self.write("upper.exe", pe_image(version_info("", tables={"080404E4": "2.0.0.0"}), True))
        self.assertEqual("2.0.0.0", publish_update.file_version_text(path))

    def test_damaged_files_are_refused_not_crashed_on(self):
        with open(ARGS.installed, "rb") as f:
            real = f.read()
        good = pe_image(version_info("1.0.0.3"), False)
        cases = {
            "text file": (b"[SelfUpdate]\r\n", "not a Windows program"),
            "headers only": (real[:1024], "outside the file|truncated"),
            "resources cut off": (good[:0x200 + 40], "outside the file|truncated"),
            "no PE signature": (real[:0x3C] + b"\xff\xff\x00\x00" + real[0x40:], "truncated|no PE signature"),
        }
        for name, (data, message) in cases.items():
            with self.subTest(name):
                path = self.write("damaged.exe", data)
                with self.assertRaisesRegex(publish_update.PublishError, message):
                    publish_update.file_version_text(path)


class VersionTexts(PublishTest):
    def test_texts_the_launcher_reads_alike_are_published_dotted(self):
        for text in ("1.0.0.3", "1, 0, 0, 3", "1-0-0-3", " 1 . 0 . 0 . 3 "):
            with self.subTest(text=text):
                path = self.write("launcher.exe", pe_image(version_info(text), True))
                (version, file_name, _), _ = self.publish(path, out=str(len(os.listdir(self.folder))))
                self.assertEqual("1.0.0.3", version)
                self.assertEqual("ArdunLauncher_1.0.0.3.exe", file_name)

    def test_texts_the_launcher_would_misread_are_refused(self):
        # Each would either fail the launcher's own version check forever after the
        # update ("1.0.3") or compare differently than it reads ("1.-1.0.0" is above
        # every version to the launcher; trailing parts and words are ignored by it).
        # Blanks other than C's (an ideographic space, a separator control) are not skipped
        # by the launcher: it would read 0 there and update itself on every start.
        for text in ("1.0.3", "1.0.0.3.5", "1.0.0.3 beta", "1.-1.0.0", "1.0.0.2147483648", "", "1.0.0.x",
                     "\u30001.0.0.3", "\x1c1.0.0.3", "1.\xa00.0.3"):
            with self.subTest(text=text):
                path = self.write("launcher.exe", pe_image(version_info(text), True))
                with self.assertRaises(publish_update.PublishError):
                    self.publish(path)
                self.assertFalse(os.path.exists(os.path.join(self.folder, "served", "index.txt")))


class Publishes(PublishTest):
    def read_index(self, out="served"):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        with open(os.path.join(self.folder, out, "index.txt"), "rb") as f:
            raw = f.read()
        parser.read_string(raw.decode("ascii"))
        return raw, parser

    def test_writes_the_versioned_program_and_its_signed_index(self):
        program = with_keys(ARGS.published, PUBLIC_KEY)
        out = os.path.join(self.folder, "served")
        result = self.run_tool(self.write("launcher.exe", program), out, "--sign-key", SIGN_KEY,
                               "--public-key", PUBLIC_KEY, "--allow-test-keys")
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(["ArdunLauncher_1.0.0.3.exe", "index.txt"], sorted(os.listdir(out)))  # no temporary files
        with open(os.path.join(out, "ArdunLauncher_1.0.0.3.exe"), "rb") as f:
            self.assertEqual(program, f.read())
        raw, index = self.read_index()
        self.assertTrue(raw.startswith(b"[SelfUpdate]\r\n"), raw)
        values = dict(index["SelfUpdate"])
        signature = bytes.fromhex(values.pop("Signature"))
        public_key = publish_update.update_signing.public_key_bytes(PUBLIC_KEY)
        self.assertEqual({"LastestVersionNumber": "1.0.0.3", "FileName": "ArdunLauncher_1.0.0.3.exe",
                          "FileSize": str(len(program)), "FileMD5": hashlib.md5(program).hexdigest(),
                          "FileSHA256": hashlib.sha256(program).hexdigest(),
                          "KeyId": hashlib.sha256(public_key).hexdigest()[:16]}, values)
        # The text launchers verify, spelled out here rather than taken from the tool.
        text = ("Product=ArdunLauncher\nLastestVersionNumber=1.0.0.3\nFileName=ArdunLauncher_1.0.0.3.exe\n"
                "FileSize=%d\nFileMD5=%s\nFileSHA256=%s\n" % (len(program), values["FileMD5"], values["FileSHA256"]))
        self.assertTrue(publish_update.update_signing.verify(public_key, text.encode("ascii"), signature))

    def test_a_new_publication_replaces_the_index_and_keeps_older_files(self):
        self.publish(ARGS.installed)
        self.publish(ARGS.published)
        _, index = self.read_index()
        self.assertEqual("1.0.0.3", index["SelfUpdate"]["LastestVersionNumber"])
        self.assertEqual(["ArdunLauncher_1.0.0.2.exe", "ArdunLauncher_1.0.0.3.exe", "index.txt"],
                         sorted(os.listdir(os.path.join(self.folder, "served"))))

    def test_refusals_leave_the_folder_as_it_was(self):
        published = with_keys(ARGS.published, PUBLIC_KEY)
        self.publish(self.write("published.exe", published), sign_key=SIGN_KEY)
        served = os.path.join(self.folder, "served")

        def contents():
            return {entry: pathlib.Path(served, entry).read_bytes() for entry in sorted(os.listdir(served))}
        index = contents()["index.txt"]
        address = publish_update.update_signing.program_address(published, "").encode() + b"\0"
        other_address = address.replace(b":18431/", b":18999/")
        newer = published.replace("1.0.0.3".encode("utf-16-le"), "1.0.0.4".encode("utf-16-le"))
        elsewhere = newer.replace(address, other_address)
        cases = {  # (program, options, index served before, message)
            "signed, without keys": (with_keys(ARGS.published), {}, None,
                                     "no update key \\(an unsigned build\\): a signed index"),
            "test keys": (newer, {"allow_test_keys": False}, None, "carries the repository's test key test_update_key.pub.pem"),
            "another address": (elsewhere, {}, None, "fetches its updates from %s, but the launcher it replaces"
                                % other_address[:-1].decode()),
            "older": (with_keys(ARGS.installed, PUBLIC_KEY), {}, None, "1.0.0.3, newer than 1.0.0.2: .*--force"),
            "same version": (published, {}, None, "names version 1.0.0.3 already.*--force"),
            "other bytes, forced": (with_keys(ARGS.published, OTHER_PUBLIC_KEY, PUBLIC_KEY), {"force": True}, None,
                                    "ArdunLauncher_1.0.0.3.exe is published already with other contents"),
            "byte-order mark": (newer, {}, b"\xef\xbb\xbf" + index, "not plain ASCII \\(a UTF-8 byte-order mark"),
            "UTF-16": (newer, {}, index.decode("ascii").encode("utf-16"), "not plain ASCII \\(UTF-16"),
            "bare key": (newer, {}, index.replace(b"FileName=", b"FileName\r\nFileName="), "line 3: 'FileName' is not"),
            "public key to sign with": (newer, {"sign_key": PUBLIC_KEY}, None, "is a public key"),
        }
        for name, (program, options, served_index, message) in cases.items():
            with self.subTest(name):
                self.write(os.path.join("served", "index.txt"), served_index or index)
                before = contents()
                with self.assertRaisesRegex(publish_update.PublishError, message):
                    self.publish(self.write("program.exe", program), **dict({"sign_key": SIGN_KEY}, **options))
                self.assertEqual(before, contents())
        # Each override publishes what it names.
        self.write(os.path.join("served", "index.txt"), index)
        for program, options, version in ((with_keys(ARGS.installed, PUBLIC_KEY), {"force": True}, b"1.0.0.2"),
                                          (elsewhere, {"new_server": True}, b"1.0.0.4")):
            self.publish(self.write("program.exe", program), sign_key=SIGN_KEY, **options)
            self.assertIn(b"LastestVersionNumber=%s\r\n" % version, contents()["index.txt"])

    def test_the_file_name_prefix_must_be_safe_in_a_url(self):
        (_, file_name, _), _ = self.publish(ARGS.published, name="Ardun-Launcher.x64")
        self.assertEqual("Ardun-Launcher.x64_1.0.0.3.exe", file_name)
        for name in ("Ardun Launcher", "../ArdunLauncher", "Ardun%20", ""):
            with self.subTest(name=name):
                with self.assertRaises(publish_update.PublishError):
                    self.publish(ARGS.published, out="other", name=name)

    def test_the_file_name_fits_what_the_launcher_reads(self):
        # The launcher reads FileName into 260 characters: 259 and its NUL. (A name of
        # 259 cannot be written here: the host's file names end at 255.)
        suffix = len("_1.0.0.3.exe")
        with self.assertRaisesRegex(publish_update.PublishError, "260 characters"):
            self.publish(ARGS.published, out="other", name="A" * (260 - suffix))
        self.assertFalse(os.path.exists(os.path.join(self.folder, "other")))

    def test_failures_exit_with_a_message(self):
        path = self.write("notes.txt", b"not a program")
        result = subprocess.run([sys.executable, TOOL, path, os.path.join(self.folder, "served")],
                                capture_output=True, text=True)
        self.assertEqual(1, result.returncode)
        self.assertIn("not a Windows program", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "served", "index.txt")))


class Usage(PublishTest):
    def test_every_tool_answers_help_and_refuses_an_unknown_option(self):
        tools = {"publish_update.py": [sys.executable, TOOL],
                 "publish_update.py check": [sys.executable, TOOL, "check"],
                 "update_signing.py": [sys.executable, os.path.join(ROOT, "tools", "update_signing.py")]}
        for script in ("check-release.sh", "sign-release.sh", "throwaway-key.sh", "throwaway-codesign.sh"):
            tools[script] = ["bash", os.path.join(ROOT, "tools", script)]
        # -h and --help share one branch in each tool: the tools take turns with the two.
        for number, (name, command) in enumerate(tools.items()):
            for option, status in ((("-h", "--help")[number % 2], 0), ("--no-such-option", 2)):
                with self.subTest(name, option=option):
                    result = subprocess.run(command + [option] + ["a", "b"] * (status != 0),
                                            capture_output=True, text=True, timeout=60, cwd=self.folder)
                    self.assertEqual(status, result.returncode, result.stderr)
                    usage = result.stdout if status == 0 else result.stderr
                    self.assertIn(name.split()[0], usage)
                    self.assertEqual([], os.listdir(self.folder))


class Signs(PublishTest):
    def make_key(self, name, arguments):
        path = os.path.join(self.folder, name)
        subprocess.run(["openssl", arguments[0], "-out", path] + arguments[1:], check=True, capture_output=True)
        return path

    def test_keys_other_than_p256_are_refused_before_anything_is_written(self):
        # Their signatures would never verify in a launcher; P-384 values do not even fit.
        keys = {
            "P-384": self.make_key("p384.pem", ["ecparam", "-name", "secp384r1", "-genkey", "-noout"]),
            "RSA": self.make_key("rsa.pem", ["genrsa", "2048"]),
        }
        for kind, key in keys.items():
            with self.subTest(kind):
                with self.assertRaisesRegex(publish_update.PublishError, "P-256"):
                    self.publish(self.write("keyed.exe", with_keys(ARGS.published, PUBLIC_KEY)), out=kind,
                                 sign_key=key)
                self.assertFalse(os.path.exists(os.path.join(self.folder, kind)))

    def test_the_signing_key_must_be_one_the_program_and_the_launchers_carry(self):
        # Otherwise the launchers that install the program refuse every later update, or
        # the installed ones refuse this one.
        unkeyed = with_keys(ARGS.published)
        cases = {
            "no key table": (self.write("old.exe", with_keys(ARGS.published, table=False)), (),
                             "carries no update key \\(no key table\\)"),
            "an unsigned build": (self.write("unkeyed.exe", unkeyed), (), "carries no update key \\(an unsigned"),
            "another key": (self.write("other.exe", with_keys(ARGS.published, OTHER_PUBLIC_KEY)), (),
                            "not among the update keys .*%s \\(main\\)" % publish_update.update_signing.key_id(
                                publish_update.update_signing.public_key_bytes(OTHER_PUBLIC_KEY))),
            "installed launchers' other key": (self.write("keyed.exe", with_keys(ARGS.published, PUBLIC_KEY)),
                                               (OTHER_PUBLIC_KEY,), "none of the --public-key keys"),
        }
        for name, (program, public_keys, message) in cases.items():
            with self.subTest(name):
                with self.assertRaisesRegex(publish_update.PublishError, message):
                    self.publish(program, sign_key=SIGN_KEY, public_keys=public_keys, allow_unsigned=False)
                self.assertFalse(os.path.exists(os.path.join(self.folder, "served")))
        # The backup key signs as well as the main one.
        both = self.write("both.exe", with_keys(ARGS.published, OTHER_PUBLIC_KEY, PUBLIC_KEY))
        self.publish(both, sign_key=SIGN_KEY, public_keys=(OTHER_PUBLIC_KEY, PUBLIC_KEY), allow_unsigned=False)

    def test_an_unsigned_index_is_published_only_when_allowed(self):
        # Launchers built with a key refuse an unsigned index: they would never update again.
        installed = self.write("installed.exe", with_keys(ARGS.installed, PUBLIC_KEY))
        published = self.write("published.exe", with_keys(ARGS.published, PUBLIC_KEY))
        with self.assertRaisesRegex(publish_update.PublishError, "no --sign-key.*--allow-unsigned"):
            self.publish(installed, allow_unsigned=False)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "served")))
        self.publish(installed, sign_key=SIGN_KEY)
        index_path = os.path.join(self.folder, "served", "index.txt")
        with open(index_path, "rb") as f:
            signed = f.read()
        with self.assertRaisesRegex(publish_update.PublishError, "replacing the signed .*--allow-unsigned"):
            self.publish(published, allow_unsigned=False)
        with open(index_path, "rb") as f:
            self.assertEqual(signed, f.read())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "served", "ArdunLauncher_1.0.0.3.exe")))

        _, messages = self.publish(published)
        with open(index_path, "rb") as f:
            unsigned = f.read()
        self.assertIn(b"LastestVersionNumber=1.0.0.3\r\n", unsigned)
        self.assertNotIn(b"Signature", unsigned)
        self.assertTrue(any(m.startswith("warning:") and "unsigned index" in m for m in messages), messages)

    def test_private_keys_encrypted_and_kept_private(self):
        program = self.write("keyed.exe", with_keys(ARGS.published, PUBLIC_KEY))
        encrypted = os.path.join(KEY_FOLDER, "encrypted.pem")
        subprocess.run(["openssl", "ec", "-in", SIGN_KEY, "-aes256", "-passout", "pass:open sesame", "-out",
                        encrypted], check=True, capture_output=True)
        os.chmod(encrypted, 0o600)
        environment = {k: v for k, v in os.environ.items() if k != "QZ_UPDATE_KEY_PASSPHRASE"}
        cases = ((None, 1, "set QZ_UPDATE_KEY_PASSPHRASE"), ("", 1, "QZ_UPDATE_KEY_PASSPHRASE is set but empty"),
                 ("wrong", 1, "wrong passphrase from QZ_UPDATE_KEY_PASSPHRASE"),
                 ("open sesame", 0, "signed with %s (key id" % encrypted))
        for passphrase, status, expected in cases:
            with self.subTest(passphrase=passphrase):
                if passphrase is not None:
                    environment["QZ_UPDATE_KEY_PASSPHRASE"] = passphrase
                result = subprocess.run([sys.executable, TOOL, program, os.path.join(self.folder, "served"),
                                         "--sign-key", encrypted, "--allow-test-keys"], capture_output=True, text=True,
                                        env=environment, stdin=subprocess.DEVNULL)
                self.assertEqual(status, result.returncode, result.stderr)
                self.assertIn(expected, result.stdout + result.stderr)

        os.chmod(encrypted, 0o640)
        with self.assertRaisesRegex(publish_update.PublishError, "chmod 600 %s" % encrypted):
            self.publish(program, out="other", sign_key=encrypted)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "other")))


class Checks(PublishTest):
    """`check` against the test server, over a publication made by the tool itself."""

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="qz-publish-check-")
        cls.www = os.path.join(cls.root, "www")
        os.makedirs(cls.www)
        try:
            cls.server = TestServer(cls.www).start()
        except Exception:
            shutil.rmtree(cls.root, True)
            raise
        cls.url = cls.server.url("/")
        cls.program = with_keys(ARGS.published, PUBLIC_KEY)
        program = os.path.join(cls.root, "launcher.exe")
        with open(program, "wb") as f:
            f.write(cls.program)
        publish_update.publish(program, os.path.join(cls.www, "good"), sign_key=SIGN_KEY,
                               public_keys=[PUBLIC_KEY], log=lambda message: None, allow_test_keys=True)

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()
        shutil.rmtree(cls.root, True)

    def variant(self, name, index=None, program=None):
        """A copy of the good publication, served as /NAME/, with its index or file replaced."""
        folder = os.path.join(self.www, name)
        shutil.copytree(os.path.join(self.www, "good"), folder)
        for file_name, data in (("index.txt", index), ("ArdunLauncher_1.0.0.3.exe", program)):
            if data is not None:
                with open(os.path.join(folder, file_name), "wb") as f:
                    f.write(data)
        return self.url + name + "/"

    def check(self, url, *options):
        """(exit status, names of the failed checks, output) of `check URL`."""
        result = self.run_tool("check", url, *options)
        failed = {line.split()[1].rstrip(":") for line in result.stdout.splitlines() if line.startswith("FAILED")}
        return result.returncode, failed, result.stdout + result.stderr

    def test_a_good_publication_passes_with_and_without_the_key(self):
        md5 = hashlib.md5(self.program).hexdigest()
        for url in (self.url + "good/", self.url + "good", self.url + "good/index.txt"):
            for options in ((), ("--public-key", PUBLIC_KEY)):
                with self.subTest(url=url, options=options):
                    status, failed, output = self.check(url, *options)
                    self.assertEqual((0, set()), (status, failed), output)
                    self.assertIn("GET %sgood/ArdunLauncher_1.0.0.3.exe: status 200, %d bytes"
                                  % (self.url, len(self.program)), output)
                    self.assertIn("MD5 %s matches" % md5, output)
                    self.assertIn("Signature: verifies" if options else "present, NOT verified", output)

    def test_a_tampered_publication_fails_the_check_a_launcher_would_fail(self):
        with open(os.path.join(self.www, "good", "index.txt"), "rb") as f:
            index = f.read()
        md5 = hashlib.md5(self.program).hexdigest().encode()
        other_program = self.program[:-1] + bytes([self.program[-1] ^ 1])
        pe = struct.unpack_from("<I", self.program, 0x3C)[0]
        directories = pe + 24 + (112 if struct.unpack_from("<H", self.program, pe + 24)[0] == 0x20B else 96)
        authenticode = bytearray(self.program + b"\0" * 8)
        struct.pack_into("<II", authenticode, directories + 4 * 8, len(self.program), 8)
        unsigned = b"".join(line for line in index.splitlines(True)
                            if not line.startswith((b"FileSHA256", b"KeyId", b"Signature")))
        key = ("--public-key", PUBLIC_KEY)
        cases = {
            # (served variant, options, the checks that must fail, a text of the report)
            "file bytes changed": (self.variant("changed", program=other_program), (), {"MD5", "SHA-256"},
                                   "the file's MD5 is %s" % hashlib.md5(other_program).hexdigest()),
            # Launchers compare the MD5 without regard to case, but sign the text as it stands.
            "value changed after signing": (self.variant("upper", index=index.replace(md5, md5.upper())),
                                            key, {"Signature"}, "does not verify with %s" % PUBLIC_KEY),
            "value changed, without the key": (self.url + "upper/", (), set(), "present, NOT verified"),
            "signed by another key": (self.url + "good/", ("--public-key", OTHER_PUBLIC_KEY), {"KeyId"},
                                      "none of the keys given"),
            "size differs": (self.variant("size", index=index.replace(b"FileSize=", b"FileSize=1")), (),
                             {"FileSize"}, "FileSize says 1%d" % len(self.program)),
            "unsigned": (self.variant("unsigned", index=unsigned), (), {"signature"}, "absent"),
            "unsigned, allowed": (self.url + "unsigned/", ("--allow-unsigned",), set(), "absent (--allow-unsigned)"),
            # The profile reader takes the mark as part of the first line, and so misses the section.
            "byte-order mark": (self.variant("bom", index=b"\xef\xbb\xbf" + index), (), {"bytes", "section"},
                                "byte-order mark"),
            "file missing": (self.variant("missing", index=index.replace(b"_1.0.0.3.exe", b"_1.0.0.4.exe")),
                             (), {"file"}, "ArdunLauncher_1.0.0.4.exe: status 404"),
            "version unreadable": (self.variant("version", index=index.replace(b"=1.0.0.3", b"=1.0.3")), (),
                                   {"version"}, "launchers cannot read it"),
            # Read as the launcher's profile reader reads them: each differs from how it looks.
            "bare key first": (self.variant("bare", index=index.replace(b"FileName=", b"FileName\r\nFileName=")), (),
                               {"lines", "FileName"}, "line 3: 'FileName' is not key=value"),
            "section name": (self.variant("name", index=index.replace(b"]", b"]x]", 1)), (), {"lines", "section"},
                             "'[SelfUpdate]x]' is not a section line"),
            "unclosed section": (self.variant("junk", index=index + b"[junk\r\n"), (), {"lines"}, "'[junk'"),
            "key twice": (self.variant("twice", index=index + b"FileMD5=0\r\n"), (), {"lines"}, "FileMD5 given again"),
            # osslsigncode adds a certificate table and changes the header's size of it.
            "signed after publishing": (self.variant("signed", program=authenticode), (),
                                        {"FileSize", "MD5", "SHA-256"},
                                        "signed after publishing? publish the signed file"),
        }
        # Served from the top, where the test server's /short/1000/500 declares 1000 bytes
        # and sends 500.
        with open(os.path.join(self.www, "index.txt"), "wb") as f:
            f.write(index.replace(b"ArdunLauncher_1.0.0.3.exe", b"short/1000/500"))
        cases["file cut short"] = (self.url, (), {"file"}, "incomplete: 500 of the 1000 bytes declared arrived")
        for name, (url, options, expected, text) in cases.items():
            with self.subTest(name):
                status, failed, output = self.check(url, *options)
                self.assertEqual((1 if expected else 0, expected), (status, failed), output)
                self.assertIn(text, output)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installed", required=True)
    parser.add_argument("--published", required=True)
    parser.add_argument("--shapes-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    for key in (SIGN_KEY, OTHER_SIGN_KEY):
        shutil.copy(os.path.join(KEYS, os.path.basename(key)), key)
        os.chmod(key, 0o600)
    try:
        unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
    finally:
        shutil.rmtree(KEY_FOLDER, True)


if __name__ == "__main__":
    main()
