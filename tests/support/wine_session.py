"""Windows programs under Wine for the end-to-end drivers and the benchmarks.

Every program runs through tools/wine-run, which takes the project's Wine settings from
tools/wine-env.sh. A WineSession keeps Wine up while a driver runs: it asks
`tools/wine-run --anchor` for the anchor program (tools/wine_anchor), which a test
session (tools/test-session.sh) already keeps; a driver run on its own starts one and
ends it again in stop().

    with WineSession() as wine:
        subprocess.run(wine.command(program, argument), ...)
"""

import os
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")


def windows_path(path):
    """The Windows name Wine gives a host path (drive Z: is the host's root)."""
    return "Z:" + os.path.realpath(path).replace("/", "\\")


def wine_prefix():
    """The Wine prefix programs run in (tools/wine-run --prefix)."""
    return subprocess.run([WINE_RUN, "--prefix"], check=True, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          text=True).stdout.strip()


def default_anchor():
    """The anchor program of the build the driver belongs to (ctest gives QZ_BINARY_DIR),
    or None to let tools/wine-run find one."""
    anchor = os.environ.get("QZ_WINE_ANCHOR")
    if anchor:
        return anchor
    build = os.environ.get("QZ_BINARY_DIR")
    if build:
        candidate = os.path.join(build, "tools", "wine_anchor", "qz_wine_anchor.exe")
        if os.path.isfile(candidate):
            return candidate
    return None


class WineSession:
    def __init__(self, anchor=None, env=None):
        """`env`: the environment of the Wine programs (another QZ_WINEPREFIX or DISPLAY,
        say); this process's by default."""
        self.anchor = anchor or default_anchor()
        self.env = env
        self.started_pid = None

    @staticmethod
    def command(program, *arguments):
        """The command line that runs `program` under Wine with the project's settings."""
        return [WINE_RUN, program] + [str(a) for a in arguments]

    def start(self):
        # The answer goes to a file, never to a pipe: nothing Wine starts may hold a
        # pipe of ours open.
        with tempfile.TemporaryFile(mode="w+") as output:
            result = subprocess.run([WINE_RUN, "--anchor"] + ([self.anchor] if self.anchor else []), env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
            output.seek(0)
            text = output.read().strip()
        words = text.split()
        if result.returncode == 0 and len(words) >= 2 and words[-2] == "started":
            self.started_pid = words[-1]
        elif result.returncode != 0:
            # Slower, not wrong: each program then brings Wine's services up itself.
            print("wine_session: no Wine anchor (%s): %s" % (" ".join([WINE_RUN, "--anchor"]), text),
                  file=sys.stderr, flush=True)
        return self

    def stop(self):
        if self.started_pid:
            subprocess.run([WINE_RUN, "--anchor-stop", self.started_pid], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.started_pid = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
