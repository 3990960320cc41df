#!/usr/bin/env python3
"""End-to-end tests of the launcher's self-update, run by ctest.

A stand-in launcher (tests/selfupdate/self_update_host_win.cpp: the real self-update on
its worker thread, the real log, the launcher's resources) is built twice, as version
1.0.0.2 (installed) and 1.0.0.3 (published), both fetching from 127.0.0.1:<port>. Each
case copies the installed build into a fresh folder, prepares the folder and the
server, starts the program there under Wine and then looks at what it left: its exit
code (10 + the procedure's result), the requests the server received, the files in
the folder and the log under Logs.

    self_update_e2e.py --installed A.exe --published B.exe --locker L.exe --port N [unittest args]

The published build is put on the server by tools/publish_update.py, as an operator
would. The port is fixed in the programs, so no two runs of this script may overlap
(ctest holds the lock "selfupdate_port").
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("QZ_SOURCE_DIR") or os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from test_server import TestServer  # noqa: E402
from wine_session import WINE_RUN, WineSession, windows_path  # noqa: E402

PUBLISH = os.path.join(ROOT, "tools", "publish_update.py")

NEW_FILE = "ArdunLauncher.exe.new"
OLD_FILE = "ArdunLauncher.exe.tmp"
INDEX = "index.txt"
PUBLISHED_NAME = "ArdunLauncher_1.0.0.3.exe"
UPDATE_FUNCTION = "QZ_ArdunLauncherDlg::_SelfUpdateFunction"
MOVE_FUNCTION = "QZ_ArdunLauncherDlg::_MoveFile"
# A failed move tries three times with a pause of 500 ms after each try.
MOVE_FAILURE_SECONDS = 1.5

ARGS = None


def check_line(condition, function=UPDATE_FUNCTION):
    """A pattern for the check-and-bail line of `condition` in `function`."""
    return r"QZLOG_PROCESS_ERROR\(%s\) at line \d+ in %s" % (re.escape(condition), re.escape(function))


def move_failure_lines(source, destination, error):
    """The two lines of a _MoveFile that gave up: `source` and `destination` are file names
    in the launcher's folder (the line holds full paths)."""
    return [check_line("false", MOVE_FUNCTION),
            r"Failed to move file `.*\\%s` to `.*\\%s`, Error code : %d\." % (re.escape(source), re.escape(destination),
                                                                          error)]


def download_failure_lines(status, url_name, file_name):
    return [r"Response status code : %d" % status, check_line("false", "QZ_HttpSyncDownloadFile"),
            r"Failed to download `http://127\.0\.0\.1:\d+/ardunlauncher/%s`, save as `.*\\%s`, Error Code -?\d+\."
            % (re.escape(url_name), re.escape(file_name)),
            check_line('nRetCode && "QZ_HttpSyncDownloadFile()"')]


def md5_of(data):
    return hashlib.md5(data).hexdigest()


class Run:
    """What one start of the stand-in launcher left behind."""

    def __init__(self, folder, program, completed, seconds, requests):
        self.folder = folder
        self.program = program
        self.exit_code = completed.returncode
        self.output = completed.stdout + completed.stderr
        self.seconds = seconds
        self.requests = requests
        self.messages = self._log_messages()

    def _log_messages(self):
        lines = []
        logs = os.path.join(self.folder, "Logs")
        for base, _, files in sorted(os.walk(logs)):
            for name in sorted(files):
                with open(os.path.join(base, name), "rb") as f:
                    lines += f.read().decode("ascii", "replace").splitlines()
        messages = []
        for line in lines:
            match = re.match(r"^\d{8}-\d{6}<(\w+) ?:[0-9A-F]{8}>: (.*)$", line)
            messages.append((match.group(1), match.group(2)) if match else ("?", line))
        return messages

    def describe(self):
        return ("exit code %s after %.2f s\noutput: %s\nrequests: %s\nfiles: %s\nlog:\n%s"
                % (self.exit_code, self.seconds, self.output.strip(), self.requests, self.file_summary(),
                   "\n".join("  %s %s" % m for m in self.messages) or "  (none)"))

    def file_summary(self):
        return ", ".join("%s (%s)" % (name, "folder" if data is None else "%d bytes, MD5 %s" % (len(data), md5_of(data)))
                         for name, data in sorted(self.files().items()))

    def files(self):
        """The folder's entries but the log folder: {name: bytes, or None for a folder}."""
        entries = {}
        for name in os.listdir(self.folder):
            path = os.path.join(self.folder, name)
            if name == "Logs":
                continue
            if os.path.isdir(path):
                entries[name] = None
            else:
                with open(path, "rb") as f:
                    entries[name] = f.read()
        return entries


def setUpModule():
    """One publication, one server and one Wine session for all cases."""
    shared = SelfUpdateTest
    shared.work = tempfile.mkdtemp(prefix="qz-selfupdate-e2e-")
    with open(ARGS.installed, "rb") as f:
        shared.installed = f.read()
    with open(ARGS.published, "rb") as f:
        shared.published = f.read()
    assert shared.installed != shared.published

    # The operator's publication, made once; each case serves a copy or a variant.
    shared.publication = os.path.join(shared.work, "publication")
    # Signed with the test key (a copy only its owner may read, as the tool wants), and
    # checked against its public half as the launchers carry it; the plain stand-ins carry
    # no key and take an unsigned index.
    sign_key = getattr(ARGS, "sign_key", None)
    if sign_key:
        shared.keys = os.path.join(shared.work, "keys")
        os.makedirs(shared.keys)
        for key in (ARGS.sign_key, ARGS.backup_key, ARGS.other_key):
            shutil.copy(key, shared.keys)
            os.chmod(os.path.join(shared.keys, os.path.basename(key)), 0o600)
        options = ["--sign-key", os.path.join(shared.keys, os.path.basename(sign_key)),
                   "--public-key", sign_key[:-len(".pem")] + ".pub.pem", "--allow-test-keys"]
    else:
        options = ["--allow-unsigned"]
    subprocess.run([sys.executable, PUBLISH, ARGS.published, shared.publication] + options,
                   check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(shared.publication, INDEX), "r") as f:
        shared.published_index = f.read()

    shared.www = os.path.join(shared.work, "www")
    shared.served = os.path.join(shared.www, "ardunlauncher")
    os.makedirs(shared.served)
    shared.server = TestServer(shared.www, ARGS.port).start()

    shared.env = dict(os.environ)
    # Wine stays up between the starts; otherwise each start may pay for bringing the
    # wineserver and Wine's own services up again (seconds each).
    shared.wine = WineSession().start()


def tearDownModule():
    shared = SelfUpdateTest
    shared.wine.stop()
    shared.server.stop()
    shutil.rmtree(shared.work, ignore_errors=True)


class SelfUpdateTest(unittest.TestCase):
    """The shared state (set up once by setUpModule) and the steps and checks of a case."""

    # --- the server ------------------------------------------------------------------

    def serve(self, index=None, published=True):
        """Serves `index` as the index text (None: no index at all) and the published file,
        with no alias."""
        shutil.rmtree(self.served)
        os.makedirs(self.served)
        if published:
            shutil.copy(os.path.join(self.publication, PUBLISHED_NAME), self.served)
        if index is not None:
            with open(os.path.join(self.served, INDEX), "w", newline="") as f:
                f.write(index)
        self.server.alias()
        self.server.clear()

    def index_with(self, **changes):
        """The published index with keys changed (a value of None drops the key)."""
        lines = []
        for line in self.published_index.splitlines():
            key = line.split("=", 1)[0]
            if key in changes:
                if changes[key] is not None:
                    lines.append("%s=%s" % (key, changes.pop(key)))
                else:
                    changes.pop(key)
            else:
                lines.append(line)
        lines += ["%s=%s" % item for item in changes.items() if item[1] is not None]
        return "\r\n".join(lines) + "\r\n"

    def requests(self):
        return self.server.paths()

    # --- the launcher folder ---------------------------------------------------------

    def make_folder(self, program="ArdunLauncher.exe", files=None):
        """A fresh launcher folder with the installed program and `files` ({name: bytes,
        or None for a folder}). The extra files are read-only, so whatever replaces or
        deletes them has to clear that first."""
        folder = tempfile.mkdtemp(prefix="case-", dir=self.work)
        with open(os.path.join(folder, program), "wb") as f:
            f.write(self.installed)
        for name, data in (files or {}).items():
            path = os.path.join(folder, name)
            if data is None:
                os.makedirs(path)
            else:
                with open(path, "wb") as f:
                    f.write(data)
                os.chmod(path, 0o444)
        return folder

    def start(self, folder, program="ArdunLauncher.exe"):
        """Starts the program in `folder` under Wine and waits for it."""
        self.server.clear()
        started = time.monotonic()
        completed = subprocess.run([WINE_RUN, os.path.join(folder, program)], cwd=folder, env=self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
        run = Run(folder, program, completed, time.monotonic() - started, self.requests())
        self.assertIn(run.exit_code, (10, 11), "the program did not run to its end\n" + run.describe())
        return run

    def hold(self, path, share):
        """Another process holding `path` open (share "read" or "readwrite"); returns a
        function that lets it go."""
        release = path + ".release"
        locker = subprocess.Popen([WINE_RUN, ARGS.locker, windows_path(path), share, windows_path(release)],
                                  env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = locker.stdout.readline().strip()
        if line != "locked":
            locker.kill()
            locker.wait()
            self.fail("the file locker could not open %s: %r" % (path, line))

        def let_go():
            with open(release, "w"):
                pass
            locker.wait(timeout=60)
            locker.stdout.close()
            os.remove(release)
        self.addCleanup(lambda: locker.poll() is not None or let_go())
        return let_go

    # --- checks ----------------------------------------------------------------------

    def assertResult(self, run, result):
        self.assertEqual(10 + result, run.exit_code, run.describe())

    def assertMessages(self, run, patterns):
        """The log holds exactly these lines, all at level DEBUG, in this order."""
        messages = [m for _, m in run.messages]
        ok = len(messages) == len(patterns) and all(re.fullmatch(p, m) for p, m in zip(patterns, messages))
        self.assertTrue(ok, "log lines differ; expected:\n%s\n%s" % ("\n".join("  " + p for p in patterns),
                                                                      run.describe()))
        self.assertTrue(all(level == "DEBUG" for level, _ in run.messages), run.describe())

    def assertFiles(self, run, expected):
        """The folder holds exactly these entries (bytes, or None for a folder)."""
        files = run.files()
        self.assertEqual(sorted(expected), sorted(files), run.describe())
        for name, data in expected.items():
            if data is None:
                self.assertIsNone(files[name], "%s should be a folder" % name)
            else:
                self.assertTrue(files[name] == data, "%s holds %d bytes, MD5 %s; expected %d bytes, MD5 %s\n%s"
                                % (name, len(files[name] or b""), md5_of(files[name] or b""), len(data),
                                   md5_of(data), run.describe()))

    def assertRequests(self, run, names):
        self.assertEqual(["/ardunlauncher/" + n if not n.startswith("/") else n for n in names], run.requests,
                         run.describe())


class UpToDate(SelfUpdateTest):
    def test_equal_or_older_version_fetches_only_the_index(self):
        # Separators as the launcher reads them; an older one is never a downgrade.
        for version in ("1.0.0.2", "1, 0, 0, 2", "1.0.0.1", "0.99.99.99"):
            with self.subTest(version=version):
                self.serve(self.index_with(LastestVersionNumber=version))
                folder = self.make_folder()
                run = self.start(folder)
                self.assertResult(run, 1)
                self.assertRequests(run, [INDEX])
                self.assertMessages(run, [])
                self.assertFiles(run, {"ArdunLauncher.exe": self.installed})

    def test_an_index_already_in_the_folder_is_overwritten_and_deleted(self):
        # The local file names a newer version and is read-only: were it read instead of
        # the server's, the launcher would try to update.
        self.serve(self.index_with(LastestVersionNumber="1.0.0.2"))
        folder = self.make_folder(files={INDEX: b"[SelfUpdate]\r\nLastestVersionNumber=9.9.9.9\r\n"
                                                b"FileName=Elsewhere.exe\r\nFileMD5=0\r\n"})
        run = self.start(folder)
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX])
        self.assertMessages(run, [])
        self.assertFiles(run, {"ArdunLauncher.exe": self.installed})

    def test_a_leftover_old_file_is_cleaned_up(self):
        self.serve(self.index_with(LastestVersionNumber="1.0.0.2"))
        folder = self.make_folder(files={OLD_FILE: b"an old launcher from an earlier update"})
        run = self.start(folder)
        self.assertResult(run, 1)
        self.assertMessages(run, [])
        self.assertFiles(run, {"ArdunLauncher.exe": self.installed})


class Update(SelfUpdateTest):
    def _update(self, program, index, files=None):
        """A start that must replace `program`; returns the folder."""
        self.serve(index)
        folder = self.make_folder(program, files)
        run = self.start(folder, program)
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, [])
        # The old file stays under the work name while the process runs from it, and the
        # next start removes it.
        files = run.files()
        expected = {program: self.published}
        if OLD_FILE in files:
            expected[OLD_FILE] = self.installed
        self.assertFiles(run, expected)

        again = self.start(folder, program)
        self.assertResult(again, 1)
        self.assertRequests(again, [INDEX])
        self.assertMessages(again, [])
        self.assertFiles(again, {program: self.published})
        return folder

    def test_newer_version_replaces_the_program_and_the_next_start_is_up_to_date(self):
        self._update("ArdunLauncher.exe", self.published_index)

    def test_upper_case_digest_is_accepted(self):
        self._update("ArdunLauncher.exe", self.index_with(FileMD5=md5_of(self.published).upper()))

    def test_renamed_program_is_versioned_and_replaced_under_its_own_name(self):
        self._update("Ardun Launcher (2).exe", self.published_index)

    def test_a_leftover_old_file_is_replaced(self):
        self._update("ArdunLauncher.exe", self.published_index,
                     files={OLD_FILE: b"an old launcher from an earlier update", NEW_FILE: b"a stale download"})


class AuthenticodeSigned(SelfUpdateTest):
    """Programs as released: signed by tools/sign-release.sh (osslsigncode appends a
    certificate table to the image and changes its header), then published."""

    def test_a_signed_program_reads_its_version_and_installs_a_signed_update(self):
        certificate = subprocess.run(["bash", os.path.join(ROOT, "tools", "throwaway-codesign.sh"),
                                      os.path.join(self.work, "codesign")],
                                     check=True, stdout=subprocess.PIPE, text=True).stdout.strip()
        signed = {}
        for name, program in (("installed", ARGS.installed), ("published", ARGS.published)):
            signed[name] = os.path.join(self.work, "signed-%s.exe" % name)
            subprocess.run(["bash", os.path.join(ROOT, "tools", "sign-release.sh"), "--cert", certificate,
                            "--key", os.path.join(os.path.dirname(certificate), "codesign_key.pem"),
                            program, signed[name]], check=True, stdout=subprocess.DEVNULL)
            table = subprocess.run(["bash", "-c", 'source "$0"; qz_signature_bytes "$1"',
                                    os.path.join(ROOT, "tools", "authenticode.sh"), signed[name]],
                                   check=True, stdout=subprocess.PIPE, text=True).stdout
            self.assertGreater(int(table), 0, "%s has no certificate table" % signed[name])
        self.publication = os.path.join(self.work, "signed-publication")
        # The stand-ins carry no update key: their index is unsigned.
        subprocess.run([sys.executable, PUBLISH, signed["published"], self.publication, "--allow-unsigned"],
                       check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(self.publication, INDEX), "r") as f:
            index = f.read()
        for name in signed:
            with open(signed[name], "rb") as f:
                setattr(self, name, f.read())
        # Both starts read the running program's FileVersion: the signed 1.0.0.2 updates,
        # the signed 1.0.0.3 it installed finds itself up to date.
        Update._update(self, "ArdunLauncher.exe", index)


class LauncherProgram(SelfUpdateTest):
    """The launcher program itself (the same build as the release, fetching from the
    test server) in a client folder with the official servers only: it starts their
    updater, replaces its own file on its worker thread and ends only after that."""

    def test_the_launcher_replaces_its_own_file_before_it_ends(self):
        self.serve(self.published_index)
        folder = tempfile.mkdtemp(prefix="launcher-", dir=self.work)
        shutil.copy(ARGS.launcher, os.path.join(folder, "ArdunLauncher.exe"))
        os.makedirs(os.path.join(folder, "bin", "zhcn"))
        shutil.copy(ARGS.standin, os.path.join(folder, "bin", "zhcn", "clientpatch.exe"))
        with open(ARGS.launcher, "rb") as f:
            launcher = f.read()

        self.server.clear()
        started = time.monotonic()
        completed = subprocess.run([WINE_RUN, os.path.join(folder, "ArdunLauncher.exe")], cwd=folder, env=self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
        run = Run(folder, "ArdunLauncher.exe", completed, time.monotonic() - started, self.requests())
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertEqual(["INFO"], [level for level, _ in run.messages], run.describe())
        self.assertTrue(run.messages[0][1].startswith("The program is built at "), run.describe())
        files = run.files()
        expected = {"ArdunLauncher.exe": self.published, "bin": None}
        if OLD_FILE in files:
            expected[OLD_FILE] = launcher
        self.assertFiles(run, expected)
        self.assertTrue(os.listdir(os.path.join(folder, "bin", "zhcn")) != ["clientpatch.exe"],
                        "the updater left no record of its start: %s" % os.listdir(os.path.join(folder, "bin", "zhcn")))


class TwoLaunchers(SelfUpdateTest):
    def start_together(self, folder, spellings):
        """Starts one launcher through each spelling of `folder` at once and waits for
        all; each must end as a launcher that started the game (11)."""
        processes = [subprocess.Popen([WINE_RUN, os.path.join(spelling, "ArdunLauncher.exe")], cwd=spelling,
                                      env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                     for spelling in spellings]
        codes = []
        for process in processes:
            try:
                codes.append(process.wait(timeout=60))
            except subprocess.TimeoutExpired:
                process.kill()
                codes.append("still running after 60 s")
        run = Run(folder, "ArdunLauncher.exe", subprocess.CompletedProcess([], codes[0], "", ""), 0, self.requests())
        self.assertEqual([11] * len(spellings), codes, run.describe())
        return run

    def test_two_launchers_started_together_update_once_and_both_end(self):
        # The index is answered after 2 s, so the second start comes while the first
        # one is still updating.
        self.serve(self.published_index)
        self.server.alias("/ardunlauncher/" + INDEX, "/hold/2/ardunlauncher/" + INDEX)
        folder = self.make_folder()
        run = self.start_together(folder, [folder, folder])
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertEqual([("DEBUG", "Another launcher is updating the launcher in %s\\; this one skips its "
                           "self-update." % windows_path(folder))], run.messages, run.describe())
        expected = {"ArdunLauncher.exe": self.published}
        if OLD_FILE in run.files():
            expected[OLD_FILE] = self.installed
        self.assertFiles(run, expected)

    def test_two_launchers_started_through_two_spellings_of_one_folder_update_once(self):
        # A symbolic link gives the folder a second path. Both launchers start at once;
        # the index is answered after 2 s, so the second one asks for the lock while the
        # first one is still updating.
        self.serve(self.published_index)
        self.server.alias("/ardunlauncher/" + INDEX, "/hold/2/ardunlauncher/" + INDEX)
        folder = self.make_folder()
        link = folder + "-link"
        os.symlink(folder, link)
        self.addCleanup(os.remove, link)
        run = self.start_together(folder, [folder, link])
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertEqual(["DEBUG"], [level for level, _ in run.messages], run.describe())
        self.assertRegex(run.messages[0][1], r"^Another launcher is updating the launcher in .*; this one skips "
                         r"its self-update\.$", run.describe())
        expected = {"ArdunLauncher.exe": self.published}
        if OLD_FILE in run.files():
            expected[OLD_FILE] = self.installed
        self.assertFiles(run, expected)


class Limits(SelfUpdateTest):
    """The stand-in with short limits: idle 2 s, the index within 4 s, the file within
    6 s, the index at most 64 KiB. A stalled or endless download ends the run in time,
    names the limit and leaves the program and the folder as they were."""

    def _limited(self, index, alias=None):
        self.serve(index)
        if alias:
            self.server.alias("/ardunlauncher/" + INDEX, alias)
        folder = tempfile.mkdtemp(prefix="limited-", dir=self.work)
        shutil.copy(ARGS.limited, os.path.join(folder, "ArdunLauncher.exe"))
        with open(ARGS.limited, "rb") as f:
            installed = f.read()
        run = self.start(folder)
        self.assertResult(run, 0)
        self.assertFiles(run, {"ArdunLauncher.exe": installed})
        return run

    def assertLimit(self, run, limit_line, condition, within, name):
        messages = [m for _, m in run.messages]
        self.assertEqual(limit_line, messages[0] if messages else None, run.describe())
        self.assertTrue(re.fullmatch(check_line(condition, "QZ_HttpSyncDownloadFile"), messages[1]), run.describe())
        self.assertTrue(re.fullmatch(check_line('nRetCode && "QZ_HttpSyncDownloadFile()"'), messages[-1]),
                        run.describe())
        seconds = float(re.search(r"seconds=([0-9.]+)", run.output).group(1))
        self.assertLess(seconds, within + 1.5, "%s: the run took %.1f s\n%s" % (name, seconds, run.describe()))

    def test_a_silent_or_trickling_server_is_left_at_the_time_limits(self):
        run = self._limited(self.published_index, "/silent/30")
        self.assertLimit(run, "Download idle time limit: no byte received for 2 s.", 'false && "Idle time limit."',
                         2, "silent index")
        # One byte every 0.4 s never trips the idle limit; the file's own time does.
        run = self._limited(self.index_with(FileName="../trickle/100000/400"))
        self.assertLimit(run, "Download time limit: not complete within 6 s.", 'false && "Time limit."', 6,
                         "trickling file")
        self.assertRequests(run, [INDEX, "/trickle/100000/400"])

    def test_an_index_over_the_size_limit_is_refused_and_leaves_no_file(self):
        run = self._limited(self.published_index, "/body/65537")
        self.assertLimit(run, "Download size limit: 65537 bytes declared, at most 65536 allowed.",
                         'false && "Size limit."', 1, "declared length")
        run = self._limited(self.published_index, "/endless")
        self.assertLimit(run, "Download size limit: more than 65536 bytes received.", 'false && "Size limit."', 1,
                         "endless body")


class Https(SelfUpdateTest):
    """An update from an https:// server whose certificate is signed by a test CA,
    put into the system's certificate store (which Wine reads) for these tests only."""

    CA_FILE = "/usr/local/share/ca-certificates/ardun-launcher-test-ca.crt"

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0 or not shutil.which("update-ca-certificates"):
            raise unittest.SkipTest("HTTPS SKIPPED: adding a test CA to the system's store needs root and "
                                    "update-ca-certificates")
        cls.tls = os.path.join(cls.work, "tls")
        os.makedirs(cls.tls)
        ca_key, ca_cert = os.path.join(cls.tls, "ca.key"), os.path.join(cls.tls, "ca.crt")
        key, request, cert = (os.path.join(cls.tls, n) for n in ("server.key", "server.csr", "server.crt"))
        extensions = os.path.join(cls.tls, "server.ext")
        with open(extensions, "w") as f:
            f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n")
        for command in (
                ["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca_cert, "-days", "2",
                 "-subj", "/CN=Ardun launcher test CA"],
                ["req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=localhost"],
                ["x509", "-req", "-in", request, "-CA", ca_cert, "-CAkey", ca_key, "-CAcreateserial", "-out", cert,
                 "-days", "2", "-extfile", extensions]):
            subprocess.run(["openssl"] + command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copy(ca_cert, cls.CA_FILE)
        subprocess.run(["update-ca-certificates"], check=True, stdout=subprocess.DEVNULL)
        try:
            cls.tls_server = TestServer(cls.www, ARGS.tls_port, tls=(cert, key), ca_file=ca_cert).start()
        except Exception:
            cls._remove_ca()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.tls_server.stop()
        cls._remove_ca()

    @classmethod
    def _remove_ca(cls):
        os.remove(cls.CA_FILE)
        subprocess.run(["update-ca-certificates", "--fresh"], stdout=subprocess.DEVNULL)

    def setUp(self):
        self.tls_server.clear()

    def test_an_http_server_that_redirects_to_https_updates(self):
        # A fleet moved to https:// behind a redirect: the launchers built for http:// follow it
        # for the index and for the file (WinINet stops at such a redirect unless told).
        self.serve(self.published_index)
        for name in (INDEX, PUBLISHED_NAME):
            self.server.alias("/ardunlauncher/" + name,
                              "/redirect/301/https://localhost:%d/ardunlauncher/%s" % (ARGS.tls_port, name))
        folder = self.make_folder()
        run = self.start(folder)
        self.assertResult(run, 1)
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertEqual(["/ardunlauncher/" + INDEX, "/ardunlauncher/" + PUBLISHED_NAME], self.tls_server.paths(),
                         run.describe())
        self.assertMessages(run, [])
        self.assertTrue(run.files()["ArdunLauncher.exe"] == self.published, run.describe())

    def test_an_update_over_https(self):
        self.serve(self.published_index)
        folder = tempfile.mkdtemp(prefix="https-", dir=self.work)
        shutil.copy(ARGS.https, os.path.join(folder, "ArdunLauncher.exe"))
        with open(ARGS.https, "rb") as f:
            installed = f.read()
        run = self.start(folder)
        tls_requests = self.tls_server.paths()
        self.assertResult(run, 1)
        self.assertEqual(["/ardunlauncher/" + INDEX, "/ardunlauncher/" + PUBLISHED_NAME], tls_requests,
                         run.describe())
        self.assertMessages(run, [])
        files = run.files()
        expected = {"ArdunLauncher.exe": self.published}
        if OLD_FILE in files:
            expected[OLD_FILE] = installed
        self.assertFiles(run, expected)


class TrialStart(SelfUpdateTest):
    """A new launcher is started once with --self-test before the swap: one that cannot
    start here is never installed."""

    def _publish(self, program):
        """Serves `program` as 1.0.0.3 with an index of its own; returns the index."""
        publication = tempfile.mkdtemp(prefix="publication-", dir=self.work)
        subprocess.run([sys.executable, PUBLISH, program, publication, "--allow-unsigned"], check=True,
                       stdout=subprocess.DEVNULL)
        shutil.rmtree(self.served)
        shutil.copytree(publication, self.served)
        self.server.alias()
        self.server.clear()
        with open(os.path.join(publication, INDEX)) as f:
            return f.read()

    def test_only_a_new_launcher_that_starts_is_installed(self):
        refused = [
            # STATUS_DLL_NOT_FOUND: the loader ends it before it runs a line of its own.
            ("a library no system has", ARGS.missing_library,
             [r"The self-test of `.*\\%s` ended with exit code 3221225781 \(0xC0000135\)\." % re.escape(NEW_FILE),
              check_line("dwExitCode == 0", "QZ_TrialStart")]),
            ("a self-test that never ends", ARGS.hangs,
             [r"The self-test of `.*\\%s` did not end within 10000 ms; it was ended\." % re.escape(NEW_FILE),
              check_line("dwWaitResult == WAIT_OBJECT_0", "QZ_TrialStart")]),
        ]
        for name, program, lines in refused:
            with self.subTest(name):
                self._publish(program)
                folder = self.make_folder()
                run = self.start(folder)
                self.assertResult(run, 0)
                self.assertLess(run.seconds, 40, run.describe())
                self.assertRequests(run, [INDEX, PUBLISHED_NAME])
                self.assertMessages(run, lines + [check_line('nRetCode && "QZ_TrialStart()"')])
                # The new file is gone: it was deleted, so nothing runs from it any more.
                self.assertFiles(run, {"ArdunLauncher.exe": self.installed})
        with self.subTest("a launcher that starts"):
            self._publish(ARGS.published)
            run = self.start(self.make_folder())
            self.assertResult(run, 1)
            self.assertMessages(run, [])
            self.assertEqual(self.published, run.files()["ArdunLauncher.exe"], run.describe())


class Failures(SelfUpdateTest):
    """Every failure leaves the program file as it was."""

    def _fail(self, index, patterns, requests, files=None, leaves=None, published=True, program="ArdunLauncher.exe"):
        self.serve(index, published)
        folder = self.make_folder(program, files)
        run = self.start(folder, program)
        self.assertResult(run, 0)
        self.assertRequests(run, requests)
        self.assertMessages(run, patterns)
        expected = {program: self.installed}
        expected.update(leaves or {})
        self.assertFiles(run, expected)
        return run

    def test_a_broken_index_ends_the_run_before_anything_else_is_fetched(self):
        version_missing = [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]LastestVersionNumber."')]
        cases = [
            ("no section", "[Other]\r\nLastestVersionNumber=1.0.0.3\r\n", version_missing),
            ("no version key", self.index_with(LastestVersionNumber=None), version_missing),
            ("empty version", self.index_with(LastestVersionNumber=""), version_missing),
            ("empty file", "", version_missing),
            ("three parts", self.index_with(LastestVersionNumber="1.0.3"),
             [check_line("pchPartition", "QZ_VersionNumber::ParseString"),
              r"Failed to parse the version number: 1\.0\.3",
              check_line('nRetCode && "LastestVersion.ParseString()"')]),
            ("no file name", self.index_with(FileName=None),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]FileName."')]),
            ("no digest", self.index_with(FileMD5=None),
             [check_line('nRetCode > 0 && "Failed to get [SelfUpdate]FileMD5."')]),
            # Values longer than their buffers are refused, not read cut short.
            ("version of 260 characters", self.index_with(LastestVersionNumber="1.0.0.3" + " x" * 126 + "y"),
             [check_line("nRetCode < _countof(szBuffer)")]),
            ("file name of 260 characters", self.index_with(FileName="A" * 256 + ".exe"),
             [check_line("nRetCode < _countof(szBuffer)")]),
            ("digest of 64 characters", self.index_with(FileMD5=md5_of(self.published) * 2),
             [check_line("nRetCode < _countof(szMD5)")]),
        ]
        for name, index, patterns in cases:
            with self.subTest(name):
                self._fail(index, patterns, [INDEX])

    def test_values_of_the_longest_length_are_read_whole(self):
        # 259 characters of a file name and 63 of a digest fit their buffers: the name is
        # asked for as it stands, and the digest is compared whole (and differs).
        name = "A" * 255 + ".exe"
        self._fail(self.index_with(FileName=name), download_failure_lines(404, name, NEW_FILE), [INDEX, name])
        self._fail(self.index_with(FileMD5=md5_of(self.published) + "0" * 31), [check_line("nRetCode == 0")],
                   [INDEX, PUBLISHED_NAME], leaves={NEW_FILE: self.published})

    def test_a_failed_index_download_removes_the_local_index(self):
        self._fail(None, download_failure_lines(404, INDEX, INDEX), [INDEX],
                   files={INDEX: b"[SelfUpdate]\r\nLastestVersionNumber=1.0.0.3\r\n"})

    def test_a_failed_program_download_leaves_no_new_file(self):
        cases = [
            ("missing on the server", "Missing_1.0.0.3.exe", "/ardunlauncher/Missing_1.0.0.3.exe",
             download_failure_lines(404, "Missing_1.0.0.3.exe", NEW_FILE)),
            ("connection closed early", "../short/1048576/300000", "/short/1048576/300000",
             [check_line('(dwTotalFileSize == dwTotalReadSize) && "Incomplete file."', "QZ_HttpSyncDownloadFile"),
              r"Failed to download `.*`, save as `.*\\%s`, Error Code -?\d+\." % re.escape(NEW_FILE),
              check_line('nRetCode && "QZ_HttpSyncDownloadFile()"')]),
        ]
        for name, file_name, request, patterns in cases:
            with self.subTest(name):
                # A download left by an earlier run does not survive a failed one either.
                self._fail(self.index_with(FileName=file_name), patterns, [INDEX, request],
                           files={NEW_FILE: b"a stale download"})

    def test_a_digest_mismatch_keeps_the_download_and_the_program(self):
        wrong = md5_of(self.published + b"!")
        self._fail(self.index_with(FileMD5=wrong), [check_line("nRetCode == 0")], [INDEX, PUBLISHED_NAME],
                   leaves={NEW_FILE: self.published})

    def test_a_file_that_declares_another_version_is_deleted_and_not_swapped(self):
        # Installed, it would be fetched again at every start: the index names 1.0.0.4.
        self._fail(self.index_with(LastestVersionNumber="1.0.0.4"),
                   [check_line('nRetCode && "The downloaded file\'s FileVersion differs from '
                               '[SelfUpdate]LastestVersionNumber."', "QZ_UpdateTrust::CheckFile")],
                   [INDEX, PUBLISHED_NAME])

    def test_a_program_held_open_is_not_moved_aside(self):
        self.serve(self.published_index)
        folder = self.make_folder()
        let_go = self.hold(os.path.join(folder, "ArdunLauncher.exe"), "read")
        run = self.start(folder)
        let_go()
        self.assertResult(run, 0)
        self.assertGreaterEqual(run.seconds, MOVE_FAILURE_SECONDS, run.describe())
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, move_failure_lines("ArdunLauncher.exe", OLD_FILE, 32) +
                            [check_line('nRetCode && "_MoveFile()"')])
        self.assertFiles(run, {"ArdunLauncher.exe": self.installed, NEW_FILE: self.published})

    def test_a_new_file_held_by_another_program_never_leaves_the_folder_without_a_launcher(self):
        # The fresh download is held open without delete sharing, as a virus scanner may
        # hold it: the program is never moved aside, so another program looking at the
        # folder all along sees a launcher at every moment.
        self.serve(self.published_index)
        folder = self.make_folder(files={NEW_FILE: b"a stale download"})
        let_go = self.hold(os.path.join(folder, NEW_FILE), "readwrite")
        program = os.path.join(folder, "ArdunLauncher.exe")
        looks, missing, done = [0], [0], threading.Event()

        def watch():
            while not done.is_set():
                looks[0] += 1
                missing[0] += not os.path.exists(program)
                time.sleep(0.0005)
        watcher = threading.Thread(target=watch)
        watcher.start()
        try:
            run = self.start(folder)
        finally:
            done.set()
            watcher.join()
        let_go()
        self.assertResult(run, 0)
        self.assertGreater(looks[0], 100)
        self.assertEqual(0, missing[0], "the launcher's file was missing at %d of %d looks" % (missing[0], looks[0]))
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, [r"Failed to open `.*\\%s` for the swap, Error code : 32\." % re.escape(NEW_FILE),
                                  check_line('hVerifiedFile != INVALID_HANDLE_VALUE && "QZ_OpenVerifiedFile()"')])
        self.assertFiles(run, {"ArdunLauncher.exe": self.installed, NEW_FILE: self.published})

    def test_a_failed_rollback_keeps_the_old_file(self):
        # Wine finds names without regard to case, so a folder "launcher.exe" beside the
        # program "Launcher.exe" takes the program's name once the program has been moved
        # aside: neither the new file nor the old one can be moved there any more. The
        # old launcher must then survive under the work name.
        self.serve(self.published_index)
        folder = self.make_folder("Launcher.exe", files={"launcher.exe": None})
        run = self.start(folder, "Launcher.exe")
        self.assertResult(run, 0)
        self.assertGreaterEqual(run.seconds, 2 * MOVE_FAILURE_SECONDS, run.describe())
        self.assertRequests(run, [INDEX, PUBLISHED_NAME])
        self.assertMessages(run, move_failure_lines(NEW_FILE, "Launcher.exe", 5) +
                            move_failure_lines(OLD_FILE, "Launcher.exe", 5) +
                            [r"Failed to copy file `.*\\%s` to `.*\\Launcher\.exe`, Error code : \d+\." %
                             re.escape(OLD_FILE), check_line('nRetCode && "CopyFileW()"'),
                             check_line('false && "_MoveFile()"')])
        self.assertFiles(run, {"launcher.exe": None, OLD_FILE: self.installed, NEW_FILE: self.published})


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installed", required=True, help="the stand-in launcher as installed (1.0.0.2)")
    parser.add_argument("--published", required=True, help="the stand-in launcher as published (1.0.0.3)")
    parser.add_argument("--locker", required=True, help="qz_selfupdate_file_locker.exe")
    parser.add_argument("--port", type=int, required=True, help="the port the stand-in launchers fetch from")
    parser.add_argument("--launcher", required=True, help="the launcher program (1.0.0.2) fetching from that port")
    parser.add_argument("--standin", required=True, help="the client's stand-in updater (client_standin.exe)")
    parser.add_argument("--limited", required=True, help="the installed stand-in with short download limits")
    parser.add_argument("--https", required=True, help="the installed stand-in fetching from https://127.0.0.1:<tls-port>")
    parser.add_argument("--tls-port", type=int, required=True, help="the port of the HTTPS test server")
    parser.add_argument("--missing-library", required=True, help="the published stand-in that imports a missing library")
    parser.add_argument("--hangs", required=True, help="the published stand-in whose self-test never ends")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
