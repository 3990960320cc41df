#!/usr/bin/env python3
"""End-to-end tests of signed updates, run by ctest.

The stand-in launcher of the self-update tests, built with the test signing key
(tests/signing/keys/test_update_key.pub.pem) and the test backup key as version 1.0.0.2,
against the local server publishing the 1.0.0.3 build (same keys) with an index signed
by tools/publish_update.py. A network attacker can change any value of the index or
serve another file; none of that may get a file installed. A build without a key (the
plain stand-in) ignores the signature's values and behaves as before.

    signed_update_e2e.py --installed SIGNED_1002.exe --unsigned UNSIGNED_1002.exe
                         --published B.exe --port N --sign-key PRIVATE.pem
                         --backup-key BACKUP_PRIVATE.pem --other-key OTHER_PRIVATE.pem [unittest args]

Shares its machinery (server, Wine, folders, checks) with tests/selfupdate/self_update_e2e.py.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "selfupdate"))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import self_update_e2e as e2e  # noqa: E402
import update_signing  # noqa: E402
from self_update_e2e import INDEX, NEW_FILE, PUBLISHED_NAME, check_line  # noqa: E402

ARGS = None
CHECK_INDEX = "QZ_UpdateTrust::CheckIndex"
CHECK_FILE = "QZ_UpdateTrust::CheckFile"
VERIFY_FAILED = [check_line('nRetCode && "QZ_VerifyUpdateSignature()"', CHECK_INDEX)]


def setUpModule():
    e2e.ARGS = ARGS
    e2e.setUpModule()


def tearDownModule():
    e2e.tearDownModule()


def index_values(index):
    return dict(line.split("=", 1) for line in index.splitlines() if "=" in line)


class SignedUpdate(e2e.SelfUpdateTest):
    def refused(self, index, patterns, requests=(INDEX,), leaves=None):
        """A start that must refuse the update: only the listed requests, the program
        untouched, exactly the given log lines."""
        self.serve(index)
        folder = self.make_folder()
        run = self.start(folder)
        self.assertResult(run, 0)
        self.assertRequests(run, list(requests))
        self.assertMessages(run, patterns)
        expected = {"ArdunLauncher.exe": self.installed}
        expected.update(leaves or {})
        self.assertFiles(run, expected)

    def signed_index(self, key, **values):
        """The published index with values changed and then signed (again) with `key` (the
        private key file given to the script), under the KeyId of `key` unless one is given."""
        key = os.path.join(self.keys, os.path.basename(key))
        fields = index_values(self.published_index)
        fields.update(values)
        fields["KeyId"] = values.get("KeyId") or update_signing.key_id(update_signing.public_key_bytes(key))
        signature = update_signing.sign(key, update_signing.signed_text(fields)).hex()
        values["KeyId"] = fields["KeyId"]
        return self.index_with(Signature=signature, **values)

    def test_a_correctly_signed_index_is_applied(self):
        self.serve(self.published_index)
        folder = self.make_folder()
        run = self.start(folder)
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, [])
        files = run.files()
        self.assertEqual(self.published, files["ArdunLauncher.exe"], run.describe())
        self.assertNotIn(NEW_FILE, files)

    def test_the_signature_covers_the_values_as_the_profile_reader_returns_them(self):
        # Blanks around a value and quotes around it, as a hand edit may leave them, are
        # not part of the value: the signature over the bare values still holds. A
        # launcher that signed the raw line text instead would refuse these.
        values = index_values(self.published_index)
        lines = ["[SelfUpdate]"]
        for key in ("LastestVersionNumber", "FileName", "FileSize", "FileMD5", "FileSHA256", "KeyId", "Signature"):
            lines.append({"FileName": '%s = "%s"', "FileMD5": "%s=\t%s  "}.get(key, "%s =%s ") % (key, values[key]))
        self.serve("\r\n".join(lines) + "\r\n")
        folder = self.make_folder()
        run = self.start(folder)
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, [])
        self.assertEqual(self.published, run.files()["ArdunLauncher.exe"], run.describe())

    def test_an_index_signed_by_the_backup_key_is_applied(self):
        self.serve(self.signed_index(ARGS.backup_key))
        run = self.start(self.make_folder())
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, [])
        self.assertEqual(self.published, run.files()["ArdunLauncher.exe"], run.describe())

    def test_an_index_signed_by_a_key_the_launcher_does_not_carry_is_refused(self):
        # Valid in itself, signed by a key of the publisher's that this launcher lacks.
        index = self.signed_index(ARGS.other_key)
        key_id = index_values(index)["KeyId"]
        self.refused(index, [check_line('nKeySlot >= 0 && "[SelfUpdate]KeyId names no key of this launcher."',
                                        CHECK_INDEX),
                             r"The update index is signed by key `%s`, which this launcher does not carry\." % key_id])

    def test_a_file_of_another_size_than_signed_is_refused(self):
        size = len(self.published)
        # Signed one byte short: the download stops at the signed size.
        self.serve(self.signed_index(ARGS.sign_key, FileSize=str(size - 1)))
        run = self.start(self.make_folder())
        self.assertResult(run, 0)
        messages = [m for _, m in run.messages]
        self.assertEqual("Download size limit: %d bytes declared, at most %d allowed." % (size, size - 1),
                         messages[0] if messages else None, run.describe())
        self.assertTrue(re.fullmatch(check_line('nRetCode && "QZ_HttpSyncDownloadFile()"'), messages[-1]),
                        run.describe())
        self.assertFiles(run, {"ArdunLauncher.exe": self.installed})
        # Signed one byte long: the whole file arrives, and is not kept.
        self.refused(self.signed_index(ARGS.sign_key, FileSize=str(size + 1)),
                     [check_line('FileSize.QuadPart == (LONGLONG)m_uFileSize && '
                                 '"The downloaded file\'s size differs from [SelfUpdate]FileSize."', CHECK_FILE)],
                     requests=(INDEX, PUBLISHED_NAME))

    def test_any_value_altered_after_signing_is_refused_before_the_download(self):
        values = index_values(self.published_index)
        # Each change points at something an attacker would want installed.
        cases = {
            "LastestVersionNumber": "1.0.0.4",
            "FileName": PUBLISHED_NAME + "?attacker",
            "FileSize": str(len(self.published) + 1000),
            "FileMD5": hashlib.md5(b"another program").hexdigest(),
            "FileSHA256": hashlib.sha256(b"another program").hexdigest(),
        }
        for key, value in cases.items():
            with self.subTest(key):
                self.assertNotEqual(values[key], value)
                self.refused(self.index_with(**{key: value}), VERIFY_FAILED)

    def test_a_signature_by_another_key_is_refused(self):
        # Under the id of the launcher's main key.
        main_key_id = index_values(self.published_index)["KeyId"]
        self.refused(self.signed_index(ARGS.other_key, KeyId=main_key_id), VERIFY_FAILED)

    def test_missing_or_malformed_keys_are_refused(self):
        signature = index_values(self.published_index)["Signature"]
        cases = [
            ("no signature", self.index_with(Signature=None),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]Signature."', CHECK_INDEX)]),
            ("empty signature", self.index_with(Signature=""),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]Signature."', CHECK_INDEX)]),
            ("short signature", self.index_with(Signature=signature[:-2]),
             [check_line('nRetCode && "[SelfUpdate]Signature is not 128 hexadecimal digits."', CHECK_INDEX)]),
            ("not hexadecimal", self.index_with(Signature=signature[:-1] + "x"),
             [check_line('nRetCode && "[SelfUpdate]Signature is not 128 hexadecimal digits."', CHECK_INDEX)]),
            ("a flipped bit", self.index_with(Signature=signature[:-1] + ("0" if signature[-1] != "0" else "1")),
             VERIFY_FAILED),
            ("no SHA-256", self.index_with(FileSHA256=None),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]FileSHA256."', CHECK_INDEX)]),
            ("short SHA-256", self.index_with(FileSHA256="ab" * 31),
             [check_line('nRetCode && "[SelfUpdate]FileSHA256 is not 64 hexadecimal digits."', CHECK_INDEX)]),
            # A size that reads as 0 would lift the download's limit.
            ("size 0", self.index_with(FileSize="0"),
             [check_line('nRetCode && "[SelfUpdate]FileSize is not a size in bytes."', CHECK_INDEX)]),
            ("no key id", self.index_with(KeyId=None),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]KeyId."', CHECK_INDEX)]),
        ]
        for name, index, patterns in cases:
            with self.subTest(name):
                self.refused(index, patterns)

    def test_a_file_matching_the_md5_but_not_the_signed_sha256_is_refused(self):
        # Signed by the real key, but over another SHA-256: the served file passes the
        # MD5 check and must still be refused (as a file forged to an MD5 would be).
        index = self.signed_index(ARGS.sign_key, FileSHA256=hashlib.sha256(b"what was signed").hexdigest())
        self.refused(index, [check_line('nRetCode == 0 && "[SelfUpdate]FileSHA256 differs from the downloaded file."',
                                        CHECK_FILE)],
                     requests=(INDEX, PUBLISHED_NAME), leaves={NEW_FILE: self.published})

    def test_a_new_launcher_must_carry_one_of_this_launchers_keys(self):
        # Each file validly signed for this fleet; only the rotation may be installed,
        # the others would leave the fleet unable to verify any later update.
        continuity = "QZ_UpdateTrust::_CheckKeyContinuity"
        cases = [
            ("no key", ARGS.keyless, [check_line('Scan.CarriesKeys() && "The new launcher carries no update key."',
                                                 continuity)]),
            ("another key only", ARGS.foreign,
             [check_line('Scan.SharesKey() && "The new launcher carries none of this launcher\'s update keys."',
                         continuity)]),
            ("a rotation to the backup key", ARGS.rotation, None),
        ]
        for name, program, lines in cases:
            with self.subTest(name):
                with open(program, "rb") as f:
                    data = f.read()
                self.serve(self.signed_index(ARGS.sign_key, FileSize=str(len(data)),
                                             FileMD5=hashlib.md5(data).hexdigest(),
                                             FileSHA256=hashlib.sha256(data).hexdigest()))
                with open(os.path.join(self.served, PUBLISHED_NAME), "wb") as f:
                    f.write(data)
                run = self.start(self.make_folder())
                self.assertRequests(run, [INDEX, PUBLISHED_NAME])
                if lines is None:
                    self.assertResult(run, 1)
                    self.assertMessages(run, [])
                    self.assertEqual(data, run.files()["ArdunLauncher.exe"], run.describe())
                else:
                    self.assertResult(run, 0)
                    self.assertMessages(run, lines)
                    self.assertFiles(run, {"ArdunLauncher.exe": self.installed})

    def test_the_signature_also_verifies_with_openssl(self):
        values = index_values(self.published_index)
        work = tempfile.mkdtemp(dir=self.work)
        text_file = os.path.join(work, "signed.txt")
        signature_file = os.path.join(work, "signature.der")
        with open(text_file, "wb") as f:
            f.write(update_signing.signed_text(values))
        with open(signature_file, "wb") as f:
            f.write(update_signing.der_signature(bytes.fromhex(values["Signature"])))
        public_key = os.path.join(ROOT, "tests", "signing", "keys", "test_update_key.pub.pem")
        result = subprocess.run(["openssl", "dgst", "-sha256", "-verify", public_key, "-signature", signature_file,
                                 text_file], capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        self.assertEqual(hashlib.sha256(self.published).hexdigest(), values["FileSHA256"])


class UnsignedBuild(e2e.SelfUpdateTest):
    """A launcher built without a key reads none of the signature's values, as launchers
    always did."""

    def test_a_build_without_a_key_ignores_the_signature(self):
        for name, index in [("signed", self.published_index),
                            ("garbage in the signature's values",
                             self.index_with(FileSHA256="nonsense", Signature="nonsense", FileSize="-1", KeyId="x")),
                            ("none of them", self.index_with(FileSHA256=None, Signature=None, FileSize=None,
                                                             KeyId=None))]:
            with self.subTest(name):
                self.serve(index)
                folder = tempfile.mkdtemp(prefix="case-", dir=self.work)
                shutil.copy(ARGS.unsigned, os.path.join(folder, "ArdunLauncher.exe"))
                run = self.start(folder)
                self.assertResult(run, 1)
                self.assertRequests(run, [INDEX, PUBLISHED_NAME])
                self.assertMessages(run, [])
                self.assertEqual(self.published, run.files()["ArdunLauncher.exe"], run.describe())


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installed", required=True, help="the signed stand-in launcher (1.0.0.2, test key)")
    parser.add_argument("--unsigned", required=True, help="the stand-in launcher without a key (1.0.0.2)")
    parser.add_argument("--published", required=True, help="the stand-in launcher as published (1.0.0.3)")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--sign-key", required=True, help="the test signing key (private, PEM)")
    parser.add_argument("--backup-key", required=True, help="the test backup key (private, PEM)")
    parser.add_argument("--other-key", required=True, help="another key (private, PEM)")
    parser.add_argument("--keyless", required=True, help="a stand-in launcher without a key (1.0.0.3)")
    parser.add_argument("--rotation", required=True, help="1.0.0.3 with the backup key as main key")
    parser.add_argument("--foreign", required=True, help="1.0.0.3 with another key only")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
