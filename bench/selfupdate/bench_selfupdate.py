#!/usr/bin/env python3
"""Self-update benchmark, run by bench/selfupdate/run.sh.

Times, inside the program (so Wine's process start-up does not count):
  - one up-to-date check: the stand-in launcher fetches the index, compares versions
    and cleans up;
  - one full update to a launcher padded to SIZE bytes: index, download, MD5 check,
    swap and clean-up;
  - the trial start alone: the installed launcher starting the published one with
    --self-test and waiting for it, as every update does before its swap, reported as
    its share of the full update's time;
and beside them, in the same rounds, the bare WinINet program fetching the same files
(the index; the index and then the launcher file), and curl on the host for context.
Reports the best and the median time of each, and ours against the bare fetch.

    bench_selfupdate.py --installed A.exe --published B.exe --bare BARE.exe
                        --port N [--rounds R] [--size BYTES]

The server is tests/support/test_server.py's; Wine is kept up between the starts by
tests/support/wine_session.py (QZ_WINE_ANCHOR names the anchor program).
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from test_server import TestServer, TestServerError  # noqa: E402
from wine_session import WineSession, windows_path  # noqa: E402

PUBLISH = os.path.join(ROOT, "tools", "publish_update.py")


class Bench:
    def __init__(self, args):
        self.args = args
        scratch = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
        self.work = tempfile.mkdtemp(prefix="qz-bench-selfupdate-", dir=scratch)
        self.www = os.path.join(self.work, "www", "ardunlauncher")
        self.base_url = "http://127.0.0.1:%d/ardunlauncher/" % args.port
        self.server = None
        self.wine = None

    def close(self):
        if self.wine:
            self.wine.stop()
        if self.server:
            self.server.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    def prepare(self):
        with open(self.args.installed, "rb") as f:
            self.installed = f.read()
        with open(self.args.published, "rb") as f:
            published = f.read()
        if len(published) > self.args.size:
            sys.exit("the published program (%d bytes) is larger than --size" % len(published))
        # Data after the last section is not loaded, so the padded launcher still
        # carries its version resource: a launcher of the wanted size.
        filler = bytes(i % 251 for i in range(self.args.size - len(published)))
        self.published = published + filler
        source = os.path.join(self.work, "source", "ArdunLauncher.exe")
        os.makedirs(os.path.dirname(source))
        with open(source, "wb") as f:
            f.write(self.published)
        # The self-update benchmark's published stand-in carries no update key: the tool
        # publishes it, with an unsigned index, only when allowed by name. The signing
        # benchmark's carries the test key, which signs its index: a copy of that key
        # only its owner may read, as the tool wants, used as the project's tests use it.
        options = ["--allow-unsigned"]
        sign_key = getattr(self.args, "sign_key", None)
        if sign_key:
            key_copy = os.path.join(self.work, os.path.basename(sign_key))
            shutil.copy(sign_key, key_copy)
            os.chmod(key_copy, 0o600)
            options = ["--sign-key", key_copy, "--allow-test-keys"]
        subprocess.run([sys.executable, PUBLISH, source, self.www] + options, check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(self.www, "index.txt")) as f:
            self.update_index = f.read()
        self.file_name = re.search(r"FileName=(\S+)", self.update_index).group(1)
        self.current_index = re.sub(r"LastestVersionNumber=\S+", "LastestVersionNumber=1.0.0.2", self.update_index)

        try:
            self.server = TestServer(os.path.join(self.work, "www"), self.args.port).start()
        except TestServerError as error:
            sys.exit("bench_selfupdate: %s" % error)
        self.env = dict(os.environ)
        # Wine stays up between the starts, so they do not bring its services up again.
        self.wine = WineSession().start()

    def serve_index(self, text):
        with open(os.path.join(self.www, "index.txt"), "w", newline="") as f:
            f.write(text)

    def _wine(self, program, *arguments, cwd=None):
        completed = subprocess.run(WineSession.command(program, *arguments), cwd=cwd, env=self.env,
                                   stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300)
        return completed.returncode, completed.stdout

    def ours(self, update):
        """Seconds of one self-update run in a fresh launcher folder."""
        self.serve_index(self.update_index if update else self.current_index)
        folder = tempfile.mkdtemp(prefix="launcher-", dir=self.work)
        program = os.path.join(folder, "ArdunLauncher.exe")
        with open(program, "wb") as f:
            f.write(self.installed)
        code, output = self._wine(program, cwd=folder)
        match = re.search(r"selfupdate result=(\d+) seconds=([\d.]+)", output)
        if code != 11 or not match:
            sys.exit("FAILED: the self-update run ended with code %d: %s" % (code, output.strip()))
        with open(program, "rb") as f:
            expected = self.published if update else self.installed
            if f.read() != expected:
                sys.exit("FAILED: the launcher file is not the %s one" % ("published" if update else "installed"))
        if sorted(os.listdir(folder)) not in (["ArdunLauncher.exe"], ["ArdunLauncher.exe", "ArdunLauncher.exe.tmp"]):
            sys.exit("FAILED: work files left behind: %s" % os.listdir(folder))
        shutil.rmtree(folder)
        return float(match.group(2))

    def trial_start(self):
        """Seconds of one trial start of the published launcher, inside the installed one."""
        folder = tempfile.mkdtemp(prefix="trial-", dir=self.work)
        program = os.path.join(folder, "ArdunLauncher.exe")
        with open(program, "wb") as f:
            f.write(self.installed)
        with open(os.path.join(folder, "ArdunLauncher.exe.new"), "wb") as f:
            f.write(self.published)
        code, output = self._wine(program, "--trial-start", "ArdunLauncher.exe.new", cwd=folder)
        match = re.search(r"trialstart result=1 seconds=([\d.]+)", output)
        if code != 0 or not match:
            sys.exit("FAILED: the trial start ended with code %d: %s" % (code, output.strip()))
        shutil.rmtree(folder)
        return float(match.group(1))

    def bare(self, name, size):
        """Seconds of the bare WinINet program fetching one file."""
        target = os.path.join(self.work, "bare.bin")
        code, output = self._wine(self.args.bare, self.base_url + name, windows_path(target))
        match = re.search(r"result=1 bytes=(\d+) seconds=([\d.]+)", output)
        if code != 0 or not match or int(match.group(1)) != size:
            sys.exit("FAILED: the bare fetch of %s: %s" % (name, output.strip()))
        os.remove(target)
        return float(match.group(2))

    def curl(self, name):
        target = os.path.join(self.work, "curl.bin")
        seconds = subprocess.run(["curl", "-s", "-o", target, "-w", "%{time_total}", self.base_url + name],
                                 check=True, capture_output=True, text=True).stdout
        os.remove(target)
        return float(seconds)

    def run(self):
        self.prepare()
        index_size = len(self.update_index.encode())
        current_size = len(self.current_index.encode())
        print("== warming up")
        self.ours(False)
        self.ours(True)
        self.serve_index(self.update_index)
        self.bare("index.txt", index_size)
        self.bare(self.file_name, len(self.published))

        times = {key: [] for key in ("check", "check_bare", "check_curl", "update", "update_bare", "update_curl",
                                     "trial")}
        ratios = {"check": [], "update": []}
        mib = len(self.published) / 1048576.0
        print("== %d rounds: up-to-date check, and full update to a %.1f MiB launcher" % (self.args.rounds, mib))
        for round_number in range(1, self.args.rounds + 1):
            # Alternate which goes first, so drift in the machine's load favours neither.
            order = (True, False) if round_number % 2 else (False, True)
            for ours_first in order:
                if ours_first:
                    check = self.ours(False)
                    update = self.ours(True)
                    trial = self.trial_start()
                else:
                    self.serve_index(self.current_index)
                    check_bare = self.bare("index.txt", current_size)
                    check_curl = self.curl("index.txt")
                    self.serve_index(self.update_index)
                    update_bare = self.bare("index.txt", index_size) + self.bare(self.file_name, len(self.published))
                    update_curl = self.curl("index.txt") + self.curl(self.file_name)
            for key, value in (("check", check), ("check_bare", check_bare), ("check_curl", check_curl),
                               ("update", update), ("update_bare", update_bare), ("update_curl", update_curl),
                               ("trial", trial)):
                times[key].append(value)
            ratios["check"].append(check / check_bare)
            ratios["update"].append(update / update_bare)
            print("   round %d: check %.1f ms (bare %.1f, curl %.1f); update %.1f ms (bare %.1f, curl %.1f)"
                  % (round_number, check * 1e3, check_bare * 1e3, check_curl * 1e3, update * 1e3,
                     update_bare * 1e3, update_curl * 1e3))

        best = {key: min(values) for key, values in times.items()}
        median = {key: statistics.median(values) for key, values in times.items()}
        with open("/proc/loadavg") as f:
            load = " ".join(f.read().split()[:3])
        print()
        print("== results: %d rounds, times inside the programs (machine load: %s)" % (self.args.rounds, load))
        print("                                              best        median")
        rows = [
            ("up-to-date check (ours)", "check"),
            ("  bare WinINet fetch of the index", "check_bare"),
            ("  curl fetch of the index (host)", "check_curl"),
            ("full update, %.1f MiB (ours)" % mib, "update"),
            ("  bare WinINet fetch of index + file", "update_bare"),
            ("  curl fetch of index + file (host)", "update_curl"),
            ("  of which the trial start (ours)", "trial"),
        ]
        for label, key in rows:
            print("   %-40s %8.1f ms  %8.1f ms" % (label, best[key] * 1e3, median[key] * 1e3))
        print("   up-to-date check / bare fetch          %8.2f     %8.2f  (best times; median of per-round ratios)"
              % (best["check"] / best["check_bare"], statistics.median(ratios["check"])))
        print("   full update / bare fetches             %8.2f     %8.2f  (best times; median of per-round ratios)"
              % (best["update"] / best["update_bare"], statistics.median(ratios["update"])))
        print("   trial start / full update              %8.2f     %8.2f  (best times; median times)"
              % (best["trial"] / best["update"], median["trial"] / median["update"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installed", required=True)
    parser.add_argument("--published", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--size", type=int, default=4 * 1048576)
    args = parser.parse_args()
    bench = Bench(args)
    try:
        bench.run()
    finally:
        bench.close()


if __name__ == "__main__":
    main()
