#!/usr/bin/env python3
"""Starts and stops the local HTTP test server (http_test_server.py beside this file).

Every test, benchmark and the demo start the server through this module: in Python
with the TestServer class,

    with TestServer(root, port=18431) as server:     # port 0 (default): a free port
        server.base_url, server.get("/__requests"), server.requests(), server.clear()

and from shell scripts with one of its commands:

    test_server.py run [--root DIR] [--port N] [--tls CERT KEY] -- COMMAND [ARGS...]
        runs COMMAND beside the server with QZ_TEST_SERVER_PORT and QZ_TEST_SERVER_DIR
        set, stops the server and exits with COMMAND's exit code (without --root the
        server serves a fresh empty folder, removed afterwards);
    test_server.py start --root DIR [--port N] [--tls CERT KEY] --state DIR
        leaves the server running in the background and prints its port;
    test_server.py stop --state DIR
        stops a server begun by `start` with the same state folder.

The server is ready once it has written its port file; when it does not get there
(the port is taken, the folder is missing, ...), the error says which server, on which
port, and what the server printed.
"""

import argparse
import os
import re
import shutil
import signal
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SERVER_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "http_test_server.py")
START_SECONDS = 15


class TestServerError(RuntimeError):
    """The server did not start, or did not answer; the message says which and why."""


class TestServer:
    """http_test_server.py in a process of its own, serving `root` on 127.0.0.1.

    port: a fixed port, or 0 for a free one (server.port says which after start()).
    tls: (certificate chain, key) PEM files to serve HTTPS; ca_file: the CA that get()
    trusts for it. work: where the port file and the server's output go (a temporary
    folder of its own by default, removed by stop()). detach: the server outlives this
    process (for the `start` command)."""

    def __init__(self, root, port=0, tls=None, ca_file=None, work=None, detach=False):
        self.root = os.path.abspath(root)
        self.requested_port = int(port)
        self.tls = tls
        self.ca_file = ca_file
        self.detach = detach
        self._own_work = work is None
        self.work = work
        self.process = None
        self.port = None

    @property
    def scheme(self):
        return "https" if self.tls else "http"

    @property
    def base_url(self):
        """"http://127.0.0.1:<port>" (https:// with TLS), without a trailing slash."""
        return "%s://127.0.0.1:%d" % (self.scheme, self.port)

    def url(self, path):
        return self.base_url + path

    @property
    def log_path(self):
        return os.path.join(self.work, "server.log")

    def output(self):
        """What the server printed so far (its errors among it)."""
        if not self.work:
            return ""
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def describe(self):
        return "the test server %s (root %s, port %s)" % (
            SERVER_SCRIPT, self.root, self.requested_port or "any free one")

    def start(self):
        if self.work is None:
            self.work = tempfile.mkdtemp(prefix="qz-test-server-")
        os.makedirs(self.work, exist_ok=True)
        port_file = os.path.join(self.work, "port")
        if os.path.exists(port_file):
            os.remove(port_file)
        command = [sys.executable, SERVER_SCRIPT, "--root", self.root, "--port", str(self.requested_port),
                   "--port-file", port_file]
        if self.tls:
            command += ["--tls", self.tls[0], self.tls[1]]
        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                            start_new_session=self.detach)
        deadline = time.monotonic() + START_SECONDS
        while not os.path.exists(port_file):
            if self.process.poll() is not None or time.monotonic() > deadline:
                output = self.output()
                self.stop()
                raise TestServerError("%s did not start%s:\n%s" % (
                    self.describe(), " (is the port in use?)" if self.requested_port else "", output.rstrip()))
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())
        return self

    def stop(self):
        if self.process is not None:
            if self.process.poll() is None:
                self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None
        if self._own_work and self.work and not self.detach:
            shutil.rmtree(self.work, ignore_errors=True)
            self.work = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # --- talking to the server ----------------------------------------------------

    def get(self, path, timeout=10):
        """The body of a 200 answer to GET `path`, as text."""
        context = ssl.create_default_context(cafile=self.ca_file) if self.tls else None
        try:
            with urllib.request.urlopen(self.url(path), timeout=timeout, context=context) as answer:
                return answer.read().decode("utf-8", "replace")
        except OSError as error:
            raise TestServerError("GET %s from %s failed: %s\nserver output:\n%s"
                                  % (path, self.base_url, error, self.output().rstrip())) from error

    def request_log(self):
        """The request log: one block per request (request line, header lines)."""
        return [block for block in self.get("/__requests").split("\n\n") if block.strip()]

    def requests(self):
        """The request line of every request since the last clear()."""
        return [block.split("\n", 1)[0] for block in self.request_log()]

    def paths(self):
        """The path of every GET request since the last clear()."""
        return re.findall(r"^GET (\S+) HTTP", self.get("/__requests"), re.M)

    def answers(self):
        """(time, path) of every answer begun since the last clear(), the time on the
        system's monotonic clock (time.monotonic() in any process on this machine)."""
        found = []
        for line in self.get("/__answers").splitlines():
            seconds, _, path = line.partition(" ")
            found.append((float(seconds), path))
        return found

    def clear(self):
        """Empties the request log and the answer times."""
        self.get("/__clear")

    def alias(self, path=None, to=None):
        """From now on answers `path` as `to`; without arguments forgets every alias."""
        if path is None:
            self.get("/__alias")
        else:
            self.get("/__alias?" + urllib.parse.urlencode({"path": path, "to": to}))


# --- the command line ---------------------------------------------------------------

def _server_arguments(parser, root_required=True):
    parser.add_argument("--root", required=root_required, help="folder whose files are served")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0, the default: a free port)")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"), help="serve HTTPS with this certificate and key")


def _run(args):
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        sys.exit("test_server.py run: no command given after --")
    data = None
    if args.root is None:
        data = tempfile.mkdtemp(prefix="qz-test-server-data-")
    try:
        server = TestServer(args.root or data, args.port, tls=args.tls).start()
    except TestServerError as error:
        if data:
            shutil.rmtree(data, ignore_errors=True)
        sys.exit("test_server.py run: %s" % error)
    try:
        env = dict(os.environ, QZ_TEST_SERVER_PORT=str(server.port), QZ_TEST_SERVER_DIR=server.root)
        print("test_server.py: %s serving %s" % (server.base_url, server.root), flush=True)
        child = subprocess.Popen(command, env=env)
        # An interrupt or a termination goes to the command; the server stops after it.
        for number in (signal.SIGINT, signal.SIGTERM):
            signal.signal(number, lambda received, frame: child.send_signal(received))
        code = child.wait()
        if code != 0:
            output = server.output().rstrip()
            if output:
                print("test_server.py: %s exited with %d; the test server's output:\n%s"
                      % (command[0], code, output), file=sys.stderr)
        return code if code >= 0 else 128 - code
    finally:
        server.stop()
        if data:
            shutil.rmtree(data, ignore_errors=True)


def _start(args):
    os.makedirs(args.state, exist_ok=True)
    try:
        server = TestServer(args.root, args.port, tls=args.tls, work=args.state, detach=True).start()
    except TestServerError as error:
        sys.exit("test_server.py start: %s" % error)
    with open(os.path.join(args.state, "pid"), "w") as f:
        f.write("%d\n" % server.process.pid)
    print(server.port)
    return 0


def _stop(args):
    pid_file = os.path.join(args.state, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read())
    except (OSError, ValueError):
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    deadline = time.monotonic() + 30
    while os.path.exists("/proc/%d" % pid) and time.monotonic() < deadline:
        time.sleep(0.05)
    os.remove(pid_file)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="action", required=True)
    run = commands.add_parser("run", help="run a command beside the server")
    _server_arguments(run, root_required=False)
    run.add_argument("command", nargs=argparse.REMAINDER, help="-- COMMAND [ARGS...]")
    start = commands.add_parser("start", help="start the server in the background; prints its port")
    _server_arguments(start)
    start.add_argument("--state", required=True, help="folder for the server's port, process id and output")
    stop = commands.add_parser("stop", help="stop a server begun by start")
    stop.add_argument("--state", required=True, help="the state folder given to start")
    args = parser.parse_args()
    return {"run": _run, "start": _start, "stop": _stop}[args.action](args)


if __name__ == "__main__":
    sys.exit(main())
