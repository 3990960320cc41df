#!/usr/bin/env python3
"""End-to-end tests of the launcher program.

Each case lays out a fresh client folder in a temporary directory (the launcher, and
bin\\zhcn\\ and/or bin\\zhcn_exp\\ holding the client stand-ins), serves the launcher's
update index from the local test server, starts the launcher under Wine on the test
display and watches it from outside: the X window list, the window's geometry and
shape, screenshots compared with the button and background artwork and with the clue
texts drawn by a helper, the real mouse and keyboard (xdotool), the stand-ins' start
records, the launcher's log and the server's request log. Two cases change the display
settings players may have: one runs the window at 96, 144 and 192 DPI (the last two each
in a Wine prefix of its own, beside the shared one, made on first use and kept), one on
a second Xvfb display of 16-bit colour that it starts itself.

Run by ctest (tests/launcher/CMakeLists.txt passes the programs); needs DISPLAY (an
Xvfb display without a window manager), Xvfb, xdotool, xwininfo, ImageMagick and
python3-xlib (the X shape of a window).
    launcher_e2e.py ... [--only NAME[,NAME...]] [--keep] [unittest args]
Each case is a test method test_NAME of LauncherTest; --only runs the named ones. The
temporary client folders are kept with --keep and after a failure.
"""

import argparse
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from test_server import TestServer  # noqa: E402
from wine_session import WineSession, windows_path, wine_prefix  # noqa: E402

# The launcher's texts, as the player reads them (the program holds them in code page
# 936; X window names are UTF-8).
OFFICIAL_NAME = "正式版服务器"
OFFICIAL_DESCRIPTION = "正式运营（含公测不删档）服务器，无需申请激活，版本稳定。"
EXPERIENCE_NAME = "体验版服务器"
EXPERIENCE_DESCRIPTION = "优先体验新内容服务器，需申请激活。"
DEFAULT_CLUE = "服务器类型选择\n\n您可以在这里选择想要进入的服务器。"
ERROR_CAPTION = "错误"
ERROR_TEXT = "加载器启动失败。"
WINDOW_NAME = "Ardun"

# Layout of the window with two choices, in window pixels.
WINDOW_SIZE = (262, 338)
BUTTON_SIZE = (183, 33)
OFFICIAL_BUTTON = (39, 52)
EXPERIENCE_BUTTON = (39, 111)
CLOSE_BUTTON = (234, 8, 13, 14)
CLUE_AREA = (32, 338 - 154, 204, 70)
BACKGROUND_POINT = (14, 160)  # plain background, away from every control
OFFICIAL_CENTRE = (OFFICIAL_BUTTON[0] + 91, OFFICIAL_BUTTON[1] + 16)
KEY_COLOR = (255, 87, 226)
# Key pixels at each end of the outer four rows, from the edge inwards.
CORNER_CUTS = (4, 2, 1, 1)
# The caption is drawn in the middle of a choice button; the columns outside it show
# the button picture untouched.
BUTTON_PLAIN_COLUMNS = (range(0, 40), range(144, 183))
# The window's looks that the code-page case compares: at rest, and with a choice hovered.
LOOKS = (("rest", BACKGROUND_POINT, "default"), ("hover_official", OFFICIAL_CENTRE, "official"))
# The DPIs the artwork is drawn for, and the folder of each one's set under res/bitmaps.
DPI_SETS = ((96, "100"), (144, "150"), (192, "200"))
ART_NAMES = ("launch_normal", "launch_hover", "quit_normal", "quit_hover",
             "background_top", "background_middle", "background_bottom")


def scaled(length, dpi):
    """A length of the 96-DPI layout at `dpi`, rounded as the launcher rounds it."""
    return (length * dpi + 48) // 96


def scaled_rect(rect, dpi):
    return tuple(scaled(v, dpi) for v in rect)

# Folder names code page 1252, and 936, cannot spell.
CHINESE_FOLDER = "游戏 客户端"
KOREAN_FOLDER = "게임"
# Wine's code page 1252. Each program takes it from its locale, so the prefix is shared
# (its locale and font settings follow the code page of the program last started).
CP1252_LOCALE = "C.UTF-8"

UPDATER = "clientpatch.exe"
SETUP = "ClientSetup.exe"
INDEX_PATH = "/ardunlauncher/index.txt"

BUILD_LINE = re.compile(r"^The program is built at [A-Z][a-z]{2} [ 123]\d \d{4} \d\d:\d\d:\d\d$")
LOG_LINE = re.compile(r"^\d{8}-\d{6}<(INFO |DEBUG):[0-9A-F]{8}>: (.*)$")


class CaseFailure(AssertionError):
    """A check of a case failed; the message says which."""


def check(condition, message):
    if not condition:
        raise CaseFailure(message)


def wait_for(predicate, timeout, interval=0.05):
    """Polls predicate until it returns something true; returns that, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


# --- pictures ---------------------------------------------------------------------

class Picture:
    """An RGB picture, 8 bits per channel, rows top to bottom."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, bytes(data)
        assert len(self.data) == width * height * 3

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, width, height):
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + width) * 3]
                for r in range(height)]
        return Picture(width, height, b"".join(rows))

    def ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data

    def save_png(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["convert", "ppm:-", path], input=self.ppm(), check=True)

    def differences(self, other, columns=None):
        """Pixels that differ from the same place of `other` (same size), within the
        given column ranges (all columns by default)."""
        check(other.width == self.width and other.height == self.height, "pictures of different sizes")
        column_list = [x for r in columns for x in r] if columns else range(self.width)
        return sum(1 for y in range(self.height) for x in column_list if self.pixel(x, y) != other.pixel(x, y))


def read_ppm(data):
    match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    if not match or match.group(3) != b"255":
        raise ValueError("not an 8-bit binary PPM picture")
    width, height = int(match.group(1)), int(match.group(2))
    return Picture(width, height, data[match.end():match.end() + width * height * 3])


def read_bmp(path):
    """A 24-bit Windows bitmap file."""
    with open(path, "rb") as f:
        data = f.read()
    check(data[:2] == b"BM", "%s is not a bitmap file" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    check(struct.unpack_from("<H", data, 28)[0] == 24, "%s is not a 24-bit bitmap" % path)
    stride = (width * 3 + 3) & ~3
    rows = []
    for r in range(abs(height)):
        source = abs(height) - 1 - r if height > 0 else r
        bgr = data[offset + source * stride:offset + source * stride + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return Picture(width, abs(height), b"".join(rows))


def stack(pictures):
    check(len({p.width for p in pictures}) == 1, "pieces of different widths")
    return Picture(pictures[0].width, sum(p.height for p in pictures), b"".join(p.data for p in pictures))


def read_art(scale):
    """The artwork of one scale's set (res/bitmaps/<scale>/), and the window's picture
    with two choices: its pieces at their own heights."""
    bitmaps = os.path.join(ARGS.source_dir, "res", "bitmaps", scale)
    art = {name: read_bmp(os.path.join(bitmaps, name + ".bmp")) for name in ART_NAMES}
    return art, stack([art["background_top"], art["background_middle"], art["background_bottom"]])


# --- the display --------------------------------------------------------------------

class Display:
    """The X display DISPLAY names, or `name`."""

    def __init__(self, name=None):
        self.env = dict(os.environ, **({"DISPLAY": name} if name else {}))
        check(self.env.get("DISPLAY"), "DISPLAY is not set: run under tools/test.sh or give an Xvfb display")
        for tool in ("xdotool", "xwininfo", "import", "convert"):
            check(shutil.which(tool), "%s is missing (tools/setup.sh installs it)" % tool)
        info = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True, check=True, env=self.env).stdout
        self.root = int(re.search(r"Window id: (0x[0-9a-f]+)", info).group(1), 16)
        self.width = int(re.search(r"Width: (\d+)", info).group(1))
        self.height = int(re.search(r"Height: (\d+)", info).group(1))

    def _xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True,
                              env=self.env).stdout

    def visible_windows(self):
        ids = [int(w) for w in self._xdotool("search", "--onlyvisible", "--name", "").split()]
        return [w for w in ids if w != self.root]

    def window_name(self, window):
        return self._xdotool("getwindowname", window).rstrip("\n")

    def find_visible(self, name):
        for window in self.visible_windows():
            if self.window_name(window) == name:
                return window
        return None

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen, or None once it is gone."""
        result = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True, env=self.env)
        if result.returncode != 0 or "IsViewable" not in result.stdout:
            return None
        values = [int(re.search(r"%s:\s+(-?\d+)" % key, result.stdout).group(1))
                  for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
        return tuple(values)

    def screenshot(self, x, y, width, height):
        data = subprocess.run(["import", "-window", "root", "-depth", "8",
                               "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", "ppm:-"],
                              capture_output=True, check=True, env=self.env).stdout
        return read_ppm(data)

    @staticmethod
    def _xlib():
        """python3-xlib's display and shape modules."""
        try:
            from Xlib import display as xlib_display
            from Xlib.ext import shape as xlib_shape
        except ImportError:
            # Debian's python3-xlib (pure Python) when another python3 comes first on PATH.
            sys.path.append("/usr/lib/python3/dist-packages")
            from Xlib import display as xlib_display
            from Xlib.ext import shape as xlib_shape
        return xlib_display, xlib_shape

    def shape(self, window):
        """The rectangles (x, y, width, height) of the window's X bounding shape."""
        xlib_display, xlib_shape = self._xlib()
        connection = xlib_display.Display(self.env["DISPLAY"])
        try:
            reply = connection.create_resource_object("window", window).shape_get_rectangles(xlib_shape.SK.Bounding)
            return sorted((r.x, r.y, r.width, r.height) for r in reply.rectangles)
        finally:
            connection.close()

    def move(self, x, y):
        self._xdotool("mousemove", x, y)

    def window_under(self, x, y):
        """The top-level X window under the screen point (moves the pointer there)."""
        self.move(x, y)
        match = re.search(r"window:(\d+)", self._xdotool("getmouselocation"))
        return int(match.group(1)) if match else None

    def click(self, x, y):
        self.move(x, y)
        time.sleep(0.15)
        self._xdotool("click", 1)

    def drag(self, x, y, dx, dy):
        self.move(x, y)
        time.sleep(0.15)
        self._xdotool("mousedown", 1)
        time.sleep(0.15)
        steps = 5
        for i in range(1, steps + 1):
            self.move(x + dx * i // steps, y + dy * i // steps)
            time.sleep(0.05)
        time.sleep(0.15)
        self._xdotool("mouseup", 1)

    def key(self, name):
        self._xdotool("key", name)

    def focused(self):
        """The top-level X window that takes the keyboard's keys, or None: the focus
        window, or, where the focus follows the pointer (no window manager), the
        top-level window under the pointer."""
        xlib_display, _ = self._xlib()
        connection = xlib_display.Display(self.env["DISPLAY"])
        try:
            focus = connection.get_input_focus().focus
            if isinstance(focus, int):  # PointerRoot (1) or None (0)
                if focus != 1:
                    return None
                focus = connection.screen().root.query_pointer().child
            return focus.id if focus else None
        finally:
            connection.close()


class WindowWatcher(threading.Thread):
    """Records every window that becomes visible while a launcher runs."""

    def __init__(self, display):
        super().__init__(daemon=True)
        self.display = display
        self.seen = {}  # window id -> name
        self._stopping = threading.Event()

    def run(self):
        while not self._stopping.is_set():
            for window in self.display.visible_windows():
                if window not in self.seen:
                    self.seen[window] = self.display.window_name(window)
            self._stopping.wait(0.05)

    def stop(self):
        self._stopping.set()
        self.join()
        return sorted(self.seen.values())


def start_xvfb(depth):
    """Another Xvfb display, of the given colour depth: (process, display name)."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x%d" % depth,
                                "-nolisten", "tcp"], pass_fds=(write_end,),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    if not number:
        process.kill()
        process.wait()
        raise CaseFailure("Xvfb at depth %d did not start" % depth)
    return process, ":" + number


# --- the update server ----------------------------------------------------------------

class UpdateServer:
    """The shared test server (tests/support/test_server.py) on the launcher's fixed
    port, with the index either present or missing (404), and optionally held for some
    seconds before it is answered."""

    def __init__(self, port, version, work):
        self.version = version
        self.root = os.path.join(work, "server")
        os.makedirs(os.path.join(self.root, "ardunlauncher"))
        self.server = TestServer(self.root, port).start()

    def configure(self, index_present=True, hold_seconds=0):
        path = os.path.join(self.root, "ardunlauncher", "index.txt")
        if index_present:
            with open(path, "w") as f:
                f.write("[SelfUpdate]\r\nLastestVersionNumber=%s\r\n" % self.version)
        elif os.path.exists(path):
            os.remove(path)
        if hold_seconds:
            self.server.alias(INDEX_PATH, "/hold/%d%s" % (hold_seconds, INDEX_PATH))
        else:
            self.server.alias()
        self.server.clear()

    def requests(self):
        """Request lines received since the last configure()."""
        return self.server.requests()

    def answered(self):
        """The times (time.monotonic()) at which answers to the index began since the
        last configure()."""
        return [seconds for seconds, path in self.server.answers() if path == INDEX_PATH]

    def close(self):
        self.server.stop()


# --- Wine and client folders ----------------------------------------------------------

class Wine:
    """Starts the launcher and the helpers under Wine (tests/support/wine_session.py),
    with Wine kept up for the whole run; `settings` change the environment (another
    prefix or display)."""

    def __init__(self, **settings):
        self.env = dict(os.environ, **settings)
        self.session = WineSession(env=self.env).start()

    def close(self):
        self.session.stop()

    def start(self, program, args, cwd, output_path):
        # Output goes to a file, never to a pipe: a process Wine starts for the
        # program could hold a pipe open long after the program ended.
        with open(output_path, "ab") as output:
            return subprocess.Popen(WineSession.command(program, *args), cwd=cwd, env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)

    def run(self, program, args=(), cwd=None, timeout=60):
        """Runs a helper program to its end; returns its standard output."""
        with tempfile.TemporaryFile() as output, tempfile.TemporaryFile() as errors:
            result = subprocess.run(WineSession.command(program, *args), cwd=cwd, env=self.env, timeout=timeout,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=errors)
            output.seek(0)
            errors.seek(0)
            text, error_text = output.read().decode("utf-8", "replace"), errors.read().decode("utf-8", "replace")
        check(result.returncode == 0, "%s failed (%d): %s" % (os.path.basename(program), result.returncode, error_text))
        return text


class ClientFolder:
    """A client's root folder: the launcher and the client copies with stand-ins."""

    def __init__(self, path, launcher, standin, official=True, experience=False):
        self.path = path
        os.makedirs(path)
        shutil.copy(launcher, os.path.join(path, "ArdunLauncher.exe"))
        for present, folder in ((official, "zhcn"), (experience, "zhcn_exp")):
            if present:
                os.makedirs(os.path.join(path, "bin", folder))
                for program in (UPDATER, SETUP):
                    shutil.copy(standin, os.path.join(path, "bin", folder, program))

    @property
    def launcher(self):
        return os.path.join(self.path, "ArdunLauncher.exe")

    def starts(self):
        """Every recorded start of a stand-in: (folder, program, record) in record order."""
        found = []
        for folder in ("zhcn", "zhcn_exp"):
            for program in (UPDATER, SETUP):
                record = os.path.join(self.path, "bin", folder, program + ".record.txt")
                if not os.path.exists(record):
                    continue
                with open(record, encoding="utf-8") as f:
                    for block in f.read().replace("\r\n", "\n").split("\n\n"):
                        if block.strip():
                            fields = dict(line.split("=", 1) for line in block.split("\n") if "=" in line)
                            found.append((folder, program, fields))
        return found

    def settled_starts(self, expected):
        """The recorded starts once they stop changing. A started program runs on its
        own: it may write its record after the launcher has ended. With `expected`,
        waits up to 10 s for a first record."""
        if expected:
            wait_for(self.starts, 10)
        previous = None
        for _ in range(20):
            current = self.starts()
            if current == previous:
                break
            previous = current
            time.sleep(0.3)
        return current

    def log_lines(self):
        """(level, message) of every line of the launcher's logs, which are UTF-8."""
        lines = []
        for path in sorted(glob.glob(os.path.join(self.path, "Logs", "**", "*.log"), recursive=True)):
            with open(path, encoding="utf-8") as f:
                for line in f.read().splitlines():
                    match = LOG_LINE.match(line)
                    check(match, "log line of an unexpected form: %r" % line)
                    lines.append((match.group(1).strip(), match.group(2)))
        return lines

    def check_start(self, folder, program):
        """Exactly one program was started, `program` of bin\\`folder`\\, by its relative
        name and in the launcher's folder."""
        starts = self.settled_starts(True)
        check(len(starts) == 1, "expected one start of bin\\%s\\%s, found %s" % (folder, program, starts))
        found_folder, found_program, record = starts[0]
        check((found_folder, found_program) == (folder, program),
              "bin\\%s\\%s was started instead of bin\\%s\\%s" % (found_folder, found_program, folder, program))
        check(record.get("command_line") == ".\\bin\\%s\\%s" % (folder, program),
              "command line %r" % record.get("command_line"))
        check(record.get("working_directory", "").lower() == windows_path(self.path).lower(),
              "started in %r, not in the launcher's folder %r" % (record.get("working_directory"),
                                                                  windows_path(self.path)))


# --- the cases ------------------------------------------------------------------------

ARGS = None


def setUpModule():
    """One display, update server, Wine session and work folder for all cases."""
    shared = LauncherTest
    shared.args = ARGS
    shared.screenshots = os.path.join(ARGS.build_dir, "screenshots")
    try:
        shared.display = Display()
        shared.work = tempfile.mkdtemp(prefix="qz-launcher-e2e-")
        # The fixed port may be taken by another program.
        shared.server = UpdateServer(ARGS.port, ARGS.version, shared.work)
        shared.wine = Wine()
        shared.art, shared.background = read_art("100")
        check((shared.background.width, shared.background.height) == WINDOW_SIZE,
              "the background pieces changed size")
    except Exception as error:
        tearDownModule()
        raise CaseFailure("launcher_e2e: cannot set up the tests: %s" % error) from error


def tearDownModule():
    shared = LauncherTest
    for part in ("wine", "server"):
        if getattr(shared, part, None):
            getattr(shared, part).close()
            setattr(shared, part, None)


class LauncherTest(unittest.TestCase):
    """The cases, and the steps and checks they share (the shared state is set up once
    by setUpModule)."""

    _clue_references = None

    def setUp(self):
        self.processes = []
        self.watchers = []
        self.began = time.monotonic()
        self.addCleanup(self._clean_up)
        leftovers = [self.display.window_name(w) for w in self.display.visible_windows()]
        check(leftovers == [], "the display already shows windows: %s" % leftovers)

    def shortDescription(self):
        return " ".join((self._testMethodDoc or "").split()) or None

    def watch(self):
        watcher = WindowWatcher(self.display)
        watcher.start()
        self.watchers.append(watcher)
        return watcher

    def folder(self, name, **layout):
        launcher = layout.pop("launcher", self.args.launcher)
        return ClientFolder(os.path.join(self.work, name), launcher, self.args.standin, **layout)

    def start(self, client, args=(), cwd=None, wine=None):
        process = (wine or self.wine).start(client.launcher, args, cwd or client.path,
                                            os.path.join(self.work, "wine-output.txt"))
        self.processes.append(process)
        return process

    @staticmethod
    def wait_exit(process, timeout=30):
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            raise CaseFailure("the launcher did not end within %d s" % timeout)
        return time.monotonic()

    def wait_window(self, name=WINDOW_NAME, timeout=30, display=None):
        window = wait_for(lambda: (display or self.display).find_visible(name), timeout, 0.1)
        check(window, "no window named %r appeared within %d s" % (name, timeout))
        return window

    def wait_settled(self, window, display=None, size=WINDOW_SIZE):
        """The window's geometry once it is sized to its picture: the window shows at its
        template's size first and is sized, centred and cut right after."""
        last = [None]

        def settled():
            previous, last[0] = last[0], (display or self.display).geometry(window)
            return last[0] if last[0] and last[0] == previous and last[0][2:] == size else None
        geometry = wait_for(settled, 5, 0.1)
        check(geometry, "the window is not %d x %d: %s" % (size + (last[0],)))
        return geometry

    def system_windows(self):
        """The visible top-level windows as the system lists them: a list of
        (title, class, [left, top, right, bottom], children), children as (class, text,
        rect) of the visible ones; and the foreground window's title."""
        windows, foreground = [], None
        for line in self.wine.run(self.args.windows_helper).splitlines():
            fields = dict(f.split("=", 1) for f in line.split()[1:] if "=" in f)
            if line.startswith("window "):
                windows.append((bytes.fromhex(fields["title"]).decode("gbk"), fields["class"],
                                [int(v) for v in fields["rect"].split(",")], []))
            elif line.startswith("child ") and windows and fields["visible"] == "1":
                windows[-1][3].append((fields["class"].lower(), bytes.fromhex(fields["text"]).decode("gbk"),
                                       [int(v) for v in fields["rect"].split(",")]))
            elif line.startswith("foreground "):
                foreground = bytes.fromhex(fields["title"]).decode("gbk")
        return windows, foreground

    # Pictures of the shown window ------------------------------------------------------

    def clue_references(self):
        """The clue area as it must look with each text: the texts drawn by the helper,
        with the clue text's font and flags, over the window's own picture."""
        if self._clue_references is None:
            x, y, w, h = CLUE_AREA
            folder = os.path.join(self.work, "clue")
            os.makedirs(folder)
            with open(os.path.join(folder, "background.ppm"), "wb") as f:
                f.write(self.background.crop(x, y, w, h).ppm())
            texts = [DEFAULT_CLUE, OFFICIAL_NAME + "\n\n" + OFFICIAL_DESCRIPTION,
                     EXPERIENCE_NAME + "\n\n" + EXPERIENCE_DESCRIPTION]
            self.wine.run(self.args.text_helper, ["background.ppm", "text"] +
                          [t.encode("gbk").hex() for t in texts], cwd=folder)
            pictures = []
            for i in range(len(texts)):
                with open(os.path.join(folder, "text%d.ppm" % i), "rb") as f:
                    pictures.append(read_ppm(f.read()))
            # Drawn once for all cases.
            type(self)._clue_references = dict(zip(("default", "official", "experience"), pictures))
            check(len({p.data for p in pictures}) == 3, "the three clue texts look alike")
        return self._clue_references

    def shot(self, geometry, display=None):
        x, y, w, h = geometry
        return (display or self.display).screenshot(x, y, w, h)

    def clue_shows(self, geometry, which):
        x, y, w, h = CLUE_AREA
        return self.shot(geometry).crop(x, y, w, h).data == self.clue_references()[which].data

    def wait_clue(self, geometry, which, what):
        check(wait_for(lambda: self.clue_shows(geometry, which), 5, 0.1),
              "%s: the clue text does not show the %s text" % (what, which))

    def check_button(self, picture, left_top, art, what):
        x, y = left_top
        differences = picture.crop(x, y, *BUTTON_SIZE).differences(self.art[art], BUTTON_PLAIN_COLUMNS)
        check(differences == 0, "%s: %d pixels differ from the %s picture" % (what, differences, art))

    def save(self, geometry, name, display=None):
        """Saves the window with a margin of 10 pixels (the cut corners show)."""
        x, y, w, h = geometry
        path = os.path.join(self.screenshots, "launcher_e2e_%s.png" % name)
        (display or self.display).screenshot(x - 10, y - 10, w + 20, h + 20).save_png(path)
        return path

    def check_shape(self, window, geometry):
        """The corners are cut row by row by CORNER_CUTS pixels; the next pixel, and the
        middle of every edge, belong to the window."""
        x, y, w, h = geometry
        for row, cut in enumerate(CORNER_CUTS):
            for top in (True, False):
                screen_y = y + row if top else y + h - 1 - row
                for left in (True, False):
                    outside = x + cut - 1 if left else x + w - cut
                    inside = x + cut if left else x + w - 1 - cut
                    where = "%s %s corner, row %d" % ("top" if top else "bottom", "left" if left else "right", row)
                    check(self.display.window_under(outside, screen_y) != window,
                          "%s: the pixel %d from the edge is not cut away" % (where, cut))
                    check(self.display.window_under(inside, screen_y) == window,
                          "%s: the pixel %d from the edge is cut away" % (where, cut + 1))
        for point in ((x + w // 2, y), (x + w // 2, y + h - 1), (x, y + h // 2), (x + w - 1, y + h // 2)):
            check(self.display.window_under(*point) == window, "edge point %s is not part of the window" % (point,))

    def check_rest(self, picture, what):
        """The window at rest: the background picture everywhere but the controls, both
        choice buttons in their normal look with a white caption, the close button."""
        skip = [(bx, by, BUTTON_SIZE[0], BUTTON_SIZE[1]) for bx, by in (OFFICIAL_BUTTON, EXPERIENCE_BUTTON)]
        skip += [CLOSE_BUTTON, CLUE_AREA]
        cut = set()
        for row, n in enumerate(CORNER_CUTS):
            for yy in (row, WINDOW_SIZE[1] - 1 - row):
                cut.update((xx, yy) for xx in list(range(n)) + list(range(WINDOW_SIZE[0] - n, WINDOW_SIZE[0])))
        wrong = 0
        for yy in range(WINDOW_SIZE[1]):
            for xx in range(WINDOW_SIZE[0]):
                if (xx, yy) in cut or any(sx <= xx < sx + sw and sy <= yy < sy + sh for sx, sy, sw, sh in skip):
                    continue
                if picture.pixel(xx, yy) != self.background.pixel(xx, yy):
                    wrong += 1
        check(wrong == 0, "%s: %d background pixels differ from the window's picture" % (what, wrong))
        check(all(picture.pixel(xx, yy) != KEY_COLOR for xx, yy in cut), "%s: key colour on the screen" % what)
        for left_top, name in ((OFFICIAL_BUTTON, "official"), (EXPERIENCE_BUTTON, "experience")):
            self.check_button(picture, left_top, "launch_normal", "%s: %s button" % (what, name))
            # The button pictures hold no white: white pixels are the caption's.
            caption = picture.crop(left_top[0] + 40, left_top[1], 104, BUTTON_SIZE[1])
            check(any(caption.pixel(cx, cy) == (255, 255, 255) for cy in range(caption.height)
                      for cx in range(caption.width)),
                  "%s: the %s button shows no white caption" % (what, name))
        cx, cy, cw, ch = CLOSE_BUTTON
        check(picture.crop(cx, cy, cw, ch).data == self.art["quit_normal"].data,
              "%s: the close button does not show its normal picture" % what)

    # The cases ------------------------------------------------------------------------

    def test_official_only(self):
        """Only bin\\zhcn\\, started from another working directory: no window, the
        updater starts at once in the launcher's folder, the process waits for the
        (held) self-update, and the log and nothing else lands beside the launcher."""
        hold = 3
        self.server.configure(index_present=True, hold_seconds=hold)
        client = self.folder("official only")
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere)
        watcher = self.watch()
        started = time.monotonic()
        process = self.start(client, cwd=elsewhere)
        check(wait_for(lambda: client.starts(), 30, 0.05), "the updater was not started")
        updater_started = time.monotonic()
        ended = self.wait_exit(process)
        windows = watcher.stop()

        check(windows == [], "windows appeared: %s" % windows)
        client.check_start("zhcn", UPDATER)
        check(self.server.requests() == ["GET %s HTTP/1.1" % INDEX_PATH],
              "requests: %s" % self.server.requests())
        answered = self.server.answered()
        check(len(answered) == 1, "the index was answered %d times" % len(answered))
        check(updater_started < answered[0], "the updater started only after the self-update had its index")
        check(ended >= answered[0],
              "the process ended %.2f s before the self-update had its index" % (answered[0] - ended))
        lines = client.log_lines()
        check(len(lines) == 1 and lines[0][0] == "INFO" and BUILD_LINE.match(lines[0][1]),
              "the log should hold the build line alone: %s" % lines)
        check(not os.path.exists(os.path.join(client.path, "index.txt")), "the downloaded index was left behind")
        check(os.listdir(elsewhere) == [], "files written to the working directory: %s" % os.listdir(elsewhere))
        print("    updater started %.2f s after the start; process ended %.2f s after the index was answered"
              % (updater_started - started, ended - answered[0]))

    def test_window(self):
        """Both folders: the shown window, its look, the clue text under the mouse, the
        close button's hover, dragging, and a click on the experience choice."""
        self.server.configure(index_present=True)
        client = self.folder("both", official=True, experience=True)
        self.clue_references()  # drawn before the launcher starts
        display = self.display
        process = self.start(client)
        window = self.wait_window()

        geometry = self.wait_settled(window)
        x, y, w, h = geometry
        centre = (display.width // 2 - w // 2, display.height // 2 - h // 2)
        check((x, y) == centre, "the window is at %d, %d, not centred at %d, %d" % (x, y, centre[0], centre[1]))

        # The system agrees: one dialog, in the foreground, where X shows it.
        windows, foreground = self.system_windows()
        check([(t, c, r) for t, c, r, _ in windows] == [(WINDOW_NAME, "#32770", [x, y, x + w, y + h])],
              "the system lists %s" % [(t, c, r) for t, c, r, _ in windows])
        check(foreground == WINDOW_NAME, "the foreground window is %r" % foreground)

        bx, by = BACKGROUND_POINT
        display.move(x + bx, y + by)
        self.wait_clue(geometry, "default", "at rest")
        self.check_rest(self.shot(geometry), "at rest")
        print("    saved %s" % self.save(geometry, "rest"))
        self.check_shape(window, geometry)

        hovers = ((OFFICIAL_BUTTON, "official"), (EXPERIENCE_BUTTON, "experience"))
        for (left, top), which in hovers:
            display.move(x + bx, y + by)
            self.wait_clue(geometry, "default", "back on the background")
            display.move(x + left + 91, y + top + 16)
            self.wait_clue(geometry, which, "over the %s button" % which)
            self.check_button(self.shot(geometry), (left, top), "launch_hover", "the hovered %s button" % which)
            print("    saved %s" % self.save(geometry, "hover_%s" % which))
        # Straight from one choice button onto the other, both ways: the clue text
        # follows the mouse and keeps the text of the button it rests on, even when
        # the first button's leave arrives after the second button's enter.
        for (left, top), which in hovers:
            display.move(x + left + 91, y + top + 16)
            self.wait_clue(geometry, which, "straight onto the %s button" % which)
            time.sleep(0.5)
            check(self.clue_shows(geometry, which),
                  "resting on the %s button, straight from the other one: the clue text changed" % which)
        display.move(x + bx, y + by)
        self.wait_clue(geometry, "default", "after leaving the experience button")

        # The close button shows its hover picture, and the clue text stays as it was.
        cx, cy, cw, ch = CLOSE_BUTTON
        display.move(x + cx + cw // 2, y + cy + ch // 2)
        check(wait_for(lambda: self.shot(geometry).crop(cx, cy, cw, ch).data == self.art["quit_hover"].data, 5),
              "the close button does not show its hover picture")
        time.sleep(0.3)
        check(self.clue_shows(geometry, "default"), "hovering the close button changed the clue text")
        print("    saved %s" % self.save(geometry, "hover_close"))
        display.move(x + bx, y + by)

        # A press on a choice released off it ends the choice's hover without a leave;
        # the close button's leave after it brings the default text back all the same.
        left, top = OFFICIAL_BUTTON
        display.move(x + left + 91, y + top + 16)
        self.wait_clue(geometry, "official", "over the official button")
        display.drag(x + left + 91, y + top + 16, bx - left - 91, by - top - 16)
        display.move(x + cx + cw // 2, y + cy + ch // 2)
        check(wait_for(lambda: self.shot(geometry).crop(cx, cy, cw, ch).data == self.art["quit_hover"].data, 5),
              "after the press: the close button does not show its hover picture")
        display.move(x + bx, y + by)
        self.wait_clue(geometry, "default", "a press on the official button released off it, then the close button")

        # Dragging the background, or the clue text (the mouse goes through it to the
        # window), moves the window by the same distance.
        clue_point = (CLUE_AREA[0] + 150, CLUE_AREA[1] + 60)
        for (px, py), (dx, dy), what in ((BACKGROUND_POINT, (60, -40), "the background"),
                                         (clue_point, (-90, 25), "the clue text")):
            display.drag(x + px, y + py, dx, dy)
            moved = wait_for(lambda: (lambda g: g if g and g[:2] != (x, y) else None)(display.geometry(window)), 3)
            check(moved and moved[:2] == (x + dx, y + dy), "dragging %s by %d, %d moved the window from %d, %d to %s"
                  % (what, dx, dy, x, y, moved and moved[:2]))
            geometry = moved
            x, y = geometry[:2]
        display.move(x + bx, y + by)
        self.wait_clue(geometry, "default", "after the drags")

        left, top = EXPERIENCE_BUTTON
        display.click(x + left + 91, y + top + 16)
        check(wait_for(lambda: display.geometry(window) is None, 8), "the window stayed after the click")
        self.wait_exit(process)
        client.check_start("zhcn_exp", UPDATER)
        check(self.server.requests() == ["GET %s HTTP/1.1" % INDEX_PATH], "requests: %s" % self.server.requests())
        check([level for level, _ in client.log_lines()] == ["INFO"], "log: %s" % client.log_lines())

    def open_window(self, name, wine=None, display=None, size=WINDOW_SIZE, client=None, timeout=30):
        """Starts a launcher with both choices (in `client` when given): (process, window,
        geometry) once its window is settled at `size`."""
        self.server.configure(index_present=True)
        client = client or self.folder(name, official=True, experience=True)
        process = self.start(client, wine=wine)
        window = self.wait_window(timeout=timeout, display=display)
        return process, window, self.wait_settled(window, display, size)

    def close_window(self, process, window, geometry, display=None):
        """Ends a launcher with its close button."""
        display = display or self.display
        cx, cy, cw, ch = CLOSE_BUTTON
        display.click(geometry[0] + cx + cw // 2, geometry[1] + cy + ch // 2)
        check(wait_for(lambda: display.geometry(window) is None, 8), "the window stayed after the close button")
        self.wait_exit(process)

    def screen_settings(self, wine):
        """(DPI, colour depth) that the programs run by `wine` are shown."""
        for line in wine.run(self.args.windows_helper).splitlines():
            if line.startswith("screen "):
                fields = dict(f.split("=", 1) for f in line.split()[1:])
                return int(fields["dpi"]), int(fields["bits"])
        raise CaseFailure("the windows helper printed no screen settings")

    _baseline = None

    def baseline(self):
        """The window at 96 DPI and depth 24 (this display and prefix), taken once: its
        client area for each of LOOKS."""
        if LauncherTest._baseline is None:
            process, window, geometry = self.open_window("baseline looks")
            x, y = geometry[:2]
            pictures = {}
            for what, (px, py), clue in LOOKS:
                self.display.move(x + px, y + py)
                self.wait_clue(geometry, clue, "%s at 96 DPI" % what)
                if clue != "default":
                    check(wait_for(lambda: self.shot(geometry).crop(px - 91, py - 16, *BUTTON_SIZE).differences(
                        self.art["launch_hover"], BUTTON_PLAIN_COLUMNS) == 0, 5), "%s: no hover picture" % what)
                pictures[what] = self.shot(geometry)
            self.close_window(process, window, geometry)
            LauncherTest._baseline = (pictures, None)
        return LauncherTest._baseline

    _baseline_shape = None

    def baseline_shape(self):
        """The X shape of the window at 96 DPI and depth 24 (this display and prefix),
        taken once."""
        if LauncherTest._baseline_shape is None:
            process, window, geometry = self.open_window("baseline")
            # The shape may reach X a moment after the window's size.
            last = [None]

            def cut():
                previous, last[0] = last[0], self.display.shape(window)
                return last[0] if last[0] == previous and len(last[0]) > 1 else None
            LauncherTest._baseline_shape = wait_for(cut, 5, 0.2)
            check(LauncherTest._baseline_shape, "the window at 96 DPI is not cut: %s" % last[0])
            self.close_window(process, window, geometry)
        return LauncherTest._baseline_shape

    def dpi_wine(self, dpi):
        """The Wine session that shows programs at `dpi`: the shared one at 96, else one
        in a prefix of its own (beside the shared one, kept) set to that DPI."""
        if dpi == 96:
            return self.wine
        wine = Wine(QZ_WINEPREFIX=wine_prefix() + "-dpi%d" % dpi)
        wine.run("reg", ["add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                         "/d", str(dpi), "/f"])
        shown = self.screen_settings(wine)[0]
        if shown != dpi:
            wine.close()
            raise CaseFailure("the prefix shows programs %d DPI, not %d" % (shown, dpi))
        return wine

    def check_scaled_look(self, geometry, dpi, art, background):
        """The window at `dpi` at rest and under the mouse: the picture of the scale's set
        everywhere but the controls and not one pixel of the key colour (the shape is cut
        to the picture), the buttons' pictures of the set at their scaled places, and the
        hover of each choice (its picture, and its own clue text) and of the close
        button."""
        x, y, w, h = geometry

        def s(value):
            return scaled(value, dpi)
        buttons = [scaled_rect(OFFICIAL_BUTTON + BUTTON_SIZE, dpi), scaled_rect(EXPERIENCE_BUTTON + BUTTON_SIZE, dpi)]
        close = scaled_rect(CLOSE_BUTTON, dpi)
        clue = (s(CLUE_AREA[0]), h - s(154), s(CLUE_AREA[2]), s(CLUE_AREA[3]))
        plain = (range(0, s(40)), range(s(144), buttons[0][2]))
        rest_point = (x + s(BACKGROUND_POINT[0]), y + s(BACKGROUND_POINT[1]))

        def button_shows(picture, rect, name):
            return picture.crop(*rect).differences(art[name], plain) == 0

        self.display.move(*rest_point)
        if not wait_for(lambda: all(button_shows(self.shot(geometry), b, "launch_normal") for b in buttons), 10, 0.1):
            print("    saved %s" % self.save(geometry, "dpi%d_failed" % dpi))
            raise CaseFailure("at %d DPI the choice buttons differ from their pictures of the scale in %s pixels"
                              % (dpi, [self.shot(geometry).crop(*b).differences(art["launch_normal"], plain)
                                       for b in buttons]))
        rest = self.shot(geometry)
        print("    saved %s" % self.save(geometry, "dpi%d_rest" % dpi))
        controls = buttons + [close, clue]
        wrong = sum(1 for yy in range(h) for xx in range(w)
                    if background.pixel(xx, yy) != KEY_COLOR and rest.pixel(xx, yy) != background.pixel(xx, yy)
                    and not any(cx <= xx < cx + cw and cy <= yy < cy + ch for cx, cy, cw, ch in controls))
        check(wrong == 0, "at %d DPI %d background pixels differ from the picture of the scale" % (dpi, wrong))
        check(rest.crop(*close).data == art["quit_normal"].data, "at %d DPI the close button's picture is wrong" % dpi)
        margin = self.display.screenshot(x - 10, y - 10, w + 20, h + 20)
        keyed = sum(1 for yy in range(margin.height) for xx in range(margin.width)
                    if all(abs(c - k) <= 10 for c, k in zip(margin.pixel(xx, yy), KEY_COLOR)))
        check(keyed == 0, "at %d DPI %d pixels of the key colour show" % (dpi, keyed))

        clues = []
        for rect, which in zip(buttons, ("official", "experience")):
            self.display.move(x + rect[0] + rect[2] // 2, y + rect[1] + rect[3] // 2)
            check(wait_for(lambda: button_shows(self.shot(geometry), rect, "launch_hover"), 5, 0.1),
                  "at %d DPI the %s button shows no hover picture" % (dpi, which))
            shown = wait_for(lambda: (lambda c: c if c.data != rest.crop(*clue).data else None)(
                self.shot(geometry).crop(*clue)), 5, 0.1)
            check(shown, "at %d DPI hovering the %s button leaves the clue text as it was" % (dpi, which))
            clues.append(shown.data)
            print("    saved %s" % self.save(geometry, "dpi%d_hover_%s" % (dpi, which)))
        check(clues[0] != clues[1], "at %d DPI both choices show the same clue text" % dpi)
        self.display.move(x + close[0] + close[2] // 2, y + close[1] + close[3] // 2)
        check(wait_for(lambda: self.shot(geometry).crop(*close).data == art["quit_hover"].data, 5, 0.1),
              "at %d DPI the close button shows no hover picture" % dpi)
        self.display.move(*rest_point)

    def test_dpi(self):
        """At 96, 144 and 192 DPI (but for 96 each in a Wine prefix of its own) the
        window is laid out at its scale: its size, the artwork drawn for the scale
        (today's at 96 DPI), no key-coloured pixel, hover on the choices and the close
        button at their scaled places, and a click on each of the three."""
        for dpi, scale in DPI_SETS:
            art, background = read_art(scale)
            size = scaled_rect(WINDOW_SIZE, dpi)
            check((background.width, background.height) == size, "the %s%% pieces are not %d x %d" % ((scale,) + size))
            wine = self.dpi_wine(dpi)
            try:
                clicks = (("official", OFFICIAL_CENTRE, "zhcn"), ("experience",
                          (EXPERIENCE_BUTTON[0] + 91, EXPERIENCE_BUTTON[1] + 16), "zhcn_exp"),
                          ("close", (CLOSE_BUTTON[0] + 6, CLOSE_BUTTON[1] + 7), None))
                for i, (what, point, folder) in enumerate(clicks):
                    client = self.folder("dpi %d %s" % (dpi, what), official=True, experience=True)
                    # Off the window: a pointer left over a button would hover it at once.
                    self.display.move(0, 0)
                    process, window, geometry = self.open_window(None, wine=wine, size=size, client=client)
                    if i == 0:
                        self.check_scaled_look(geometry, dpi, art, background)
                    self.display.click(geometry[0] + scaled(point[0], dpi), geometry[1] + scaled(point[1], dpi))
                    check(wait_for(lambda: self.display.geometry(window) is None, 8),
                          "at %d DPI the window stayed after a click on the %s button" % (dpi, what))
                    self.wait_exit(process)
                    if folder:
                        client.check_start(folder, UPDATER)
                    else:
                        check(client.settled_starts(False) == [], "the close button started %s" % client.starts())
            finally:
                if wine is not self.wine:
                    wine.close()

    def test_depth_16(self):
        """On a display of 16-bit colour the window has the X shape it has at 24 bits,
        and no pixel of the key colour shows."""
        shape = self.baseline_shape()
        xvfb, name = start_xvfb(16)
        wine = None
        try:
            display = Display(name)
            wine = Wine(DISPLAY=name)
            bits = self.screen_settings(wine)[1]
            check(bits == 16, "programs on the display %s are shown %d bits a pixel, not 16" % (name, bits))
            # The first window of a second display under Wine has once taken over 30 s on a
            # loaded machine.
            process, window, geometry = self.open_window("depth 16", wine=wine, display=display, timeout=90)
            x, y, w, h = geometry
            display.move(x + BACKGROUND_POINT[0], y + BACKGROUND_POINT[1])
            # The shape may reach X a moment after the window's size.
            found = [None]

            def same_shape():
                found[0] = display.shape(window)
                return found[0] == shape
            wait_for(same_shape, 5, 0.1)
            print("    saved %s" % self.save(geometry, "depth16_rest", display))
            check(found[0] == shape, "the X shape at depth 16 (%d rectangles, first %s) is not the one at depth 24 "
                  "(%d rectangles, first %s)" % (len(found[0]), found[0][:4], len(shape), shape[:4]))
            # Stored in 16 bits, the key colour reads back a few units off.
            picture = display.screenshot(x - 10, y - 10, w + 20, h + 20)
            keyed = sum(1 for yy in range(picture.height) for xx in range(picture.width)
                        if all(abs(c - k) <= 10 for c, k in zip(picture.pixel(xx, yy), KEY_COLOR)))
            check(keyed == 0, "%d pixels of the key colour show at depth 16" % keyed)
            self.close_window(process, window, geometry, display)
        finally:
            if wine:
                wine.close()
            xvfb.terminate()
            xvfb.wait()

    def test_code_pages_and_folder_names(self):
        """Under 1252, and 936, in a folder that code page cannot spell: the window as under 936, a click
        starts the experience updater, the log is in that folder, the self-update swaps."""
        pictures, _ = self.baseline()
        failures = []
        for locale, code_page, name in ((CP1252_LOCALE, 1252, CHINESE_FOLDER), ("zh_CN.UTF-8", 936, KOREAN_FOLDER)):
            wine = Wine(QZ_WINE_LOCALE=locale)
            try:
                check("codepage acp=%d" % code_page in wine.run(self.args.windows_helper), "another code page")
                self.server.configure(index_present=False)
                # A fresh publication: the tool refuses to replace the server's
                # hand-written index, which names no file.
                published = os.path.join(self.server.root, "ardunlauncher")
                shutil.rmtree(published, ignore_errors=True)
                subprocess.run([sys.executable, os.path.join(self.args.source_dir, "tools", "publish_update.py"),
                                self.args.next_launcher, published, "--allow-unsigned"], check=True,
                               stdout=subprocess.DEVNULL)
                client = self.folder(os.path.join(locale, name), official=True, experience=True)
                process = self.start(client, wine=wine)
                window = self.wait_window()
                geometry = self.wait_settled(window)
                x, y = geometry[:2]
                for what, (px, py), _ in LOOKS:
                    self.display.move(x + px, y + py)
                    same = wait_for(lambda: self.shot(geometry).data == pictures[what].data, 5, 0.1)
                    print("    saved %s" % self.save(geometry, "cp%d_%s" % (code_page, what)))
                    check(same, "%s: %d pixels differ" % (what, self.shot(geometry).differences(pictures[what])))
                self.display.click(x + EXPERIENCE_BUTTON[0] + 91, y + EXPERIENCE_BUTTON[1] + 16)
                self.wait_exit(process)
                client.check_start("zhcn_exp", UPDATER)
                lines = client.log_lines()
                check([l for l, _ in lines] == ["INFO"] and BUILD_LINE.match(lines[0][1]), "the log: %s" % lines)
                with open(client.launcher, "rb") as f, open(self.args.next_launcher, "rb") as g:
                    check(f.read() == g.read(), "the launcher was not replaced by the published one")
            except CaseFailure as failure:
                failures.append("code page %d in %s: %s" % (code_page, name, failure))
            finally:
                self._clean_up()
                wine.close()
        check(not failures, "\n".join(failures))

    def _close_without_choice(self, name, close, hold_seconds=0):
        """Both folders and a failing self-update (no index): only the launcher's own
        window ever shows; `close` ends it without starting anything. With
        `hold_seconds` the index answer is held: the window must disappear at once, and
        the process end only after the self-update has its answer."""
        self.server.configure(index_present=False, hold_seconds=hold_seconds)
        client = self.folder(name, official=True, experience=True)
        watcher = self.watch()
        process = self.start(client)
        window = self.wait_window()
        geometry = self.wait_settled(window)
        close(window, geometry, client)
        check(wait_for(lambda: self.display.geometry(window) is None, 8), "the window stayed open")
        gone = time.monotonic()
        if hold_seconds:
            check(not self.server.answered() and process.poll() is None,
                  "the self-update was answered before the window disappeared, or the process ended before it")
        ended = self.wait_exit(process, 30 + hold_seconds)
        if hold_seconds:
            answered = self.server.answered()
            check(len(answered) == 1 and ended >= answered[0],
                  "the process ended before the self-update had its answer")
            print("    window gone %.2f s before the index answer; process ended %.2f s after it"
                  % (answered[0] - gone, ended - answered[0]))
        windows = watcher.stop()
        check(windows == [WINDOW_NAME], "windows shown: %s" % windows)
        check(client.settled_starts(False) == [], "a program was started: %s" % client.starts())
        check(self.server.requests() == ["GET %s HTTP/1.1" % INDEX_PATH], "requests: %s" % self.server.requests())
        messages = [message for _, message in client.log_lines()]
        check(any(re.fullmatch(r'QZLOG_PROCESS_ERROR\(nRetCode && "QZ_HttpSyncDownloadFile\(\)"\) at line \d+ '
                               r"in QZ_ArdunLauncherDlg::_SelfUpdateFunction", m) for m in messages),
              "the failed index download is not logged: %s" % messages)

    def test_keys(self):
        """Enter does nothing; Escape ends the dialog without starting anything."""
        def close(window, geometry, client):
            # Without a window manager the X keyboard focus follows the pointer.
            x, y = geometry[:2]
            self.display.move(x + BACKGROUND_POINT[0], y + BACKGROUND_POINT[1])
            # A loaded machine may take a while to hand the focus over: keys sent before
            # would be lost, and the case would test nothing.
            check(wait_for(lambda: self.display.focused() == window, 5, 0.1),
                  "the keyboard focus never reached the window, so no key would be tested")
            time.sleep(0.2)
            self.display.key("Return")
            # Without a window manager Wine takes up to 2 s to take a closed window off
            # the screen: wait longer than that before looking.
            time.sleep(3.0)
            check(self.display.geometry(window) == geometry, "Enter closed or moved the window")
            check(client.starts() == [], "Enter started %s" % client.starts())
            self.display.key("Escape")
        self._close_without_choice("keys", close)

    def test_close_button(self):
        """The close button ends the dialog without starting anything; the window goes
        at once while the process waits for a slow self-update."""
        def close(window, geometry, client):
            x, y = geometry[:2]
            cx, cy, cw, ch = CLOSE_BUTTON
            self.display.click(x + cx + cw // 2, y + cy + ch // 2)
        self._close_without_choice("close button", close, hold_seconds=8)

    def test_log_folder_blocked(self):
        """A file named Logs where the log folder belongs: the log writes nothing, and
        start-up goes on all the same (updater started, self-update run)."""
        self.server.configure(index_present=True)
        client = self.folder("log blocked")
        blocker = os.path.join(client.path, "Logs")
        with open(blocker, "w") as f:
            f.write("not a folder")
        watcher = self.watch()
        process = self.start(client)
        self.wait_exit(process)
        windows = watcher.stop()
        check(windows == [], "windows appeared: %s" % windows)
        client.check_start("zhcn", UPDATER)
        check(self.server.requests() == ["GET %s HTTP/1.1" % INDEX_PATH], "requests: %s" % self.server.requests())
        check(os.path.isfile(blocker), "the file Logs was replaced")
        with open(blocker) as f:
            check(f.read() == "not a folder", "the file Logs was written to")

    def test_arguments(self):
        """The argument text picks the program: exactly "-c" in any case starts the
        configuration program, anything else the updater. Each launcher gets its exact
        command line (a quoted program name with blanks in one of them)."""
        self.server.configure(index_present=False)
        cases = (("-c", SETUP, "plain"), ("-C", SETUP, "upper case"), ("-c ", UPDATER, "trailing blank"),
                 ("-cx", UPDATER, "longer"), ("/c", UPDATER, "slash"), ("  -c", SETUP, "leading blanks"))
        folders, command_lines = [], []
        for i, (argument, _, name) in enumerate(cases):
            client = self.folder("arguments %d %s" % (i, name))
            folders.append(client)
            command_lines.append('"%s" %s' % (windows_path(client.launcher), argument))
        watcher = self.watch()
        output = self.wine.run(self.args.start_helper, [c.encode("gbk").hex() for c in command_lines], timeout=90)
        windows = watcher.stop()
        check(output.split() == ["exit=0"] * len(cases), "the launchers did not all end: %r" % output)
        check(windows == [], "windows appeared: %s" % windows)
        for client, (argument, program, name) in zip(folders, cases):
            try:
                client.check_start("zhcn", program)
            except CaseFailure as failure:
                raise CaseFailure("argument text %r (%s): %s" % (argument, name, failure))

    def test_experience_without_official(self):
        """bin\\zhcn_exp\\ without bin\\zhcn\\: both choices are offered; the official one
        fails to start, which is logged, and the window closes all the same."""
        self.server.configure(index_present=True)
        client = self.folder("experience only", official=False, experience=True)
        process = self.start(client)
        window = self.wait_window()
        geometry = self.wait_settled(window)
        x, y = geometry[:2]
        self.display.move(x + BACKGROUND_POINT[0], y + BACKGROUND_POINT[1])
        self.wait_clue(geometry, "default", "at rest")
        picture = self.shot(geometry)
        self.check_button(picture, OFFICIAL_BUTTON, "launch_normal", "official button")
        self.check_button(picture, EXPERIENCE_BUTTON, "launch_normal", "experience button")
        left, top = OFFICIAL_BUTTON
        self.display.click(x + left + 91, y + top + 16)
        check(wait_for(lambda: self.display.geometry(window) is None, 8), "the window stayed after the click")
        self.wait_exit(process)
        check(client.settled_starts(False) == [], "a program was started: %s" % client.starts())
        failures = [m for level, m in client.log_lines() if level == "DEBUG"]
        check(len(failures) == 1 and re.fullmatch(r"QZLOG_PROCESS_ERROR\(nRetCode\) at line \d+ in "
                                                  r"QZ_ArdunLauncherDlg::_LoadItemExe", failures[0]),
              "expected the failed process creation alone in the log: %s" % failures)

    def test_without_bitmap_148(self):
        """A launcher without the choice button's picture: the step and the window's
        initialisation each log the failure, one message box says so, nothing is
        started and no self-update asks the server."""
        self.server.configure(index_present=True)
        client = self.folder("without 148", launcher=self.args.launcher_without_148)
        watcher = self.watch()
        process = self.start(client)
        box = self.wait_window(ERROR_CAPTION)

        windows, _ = self.system_windows()
        boxes = [children for title, _, _, children in windows if title == ERROR_CAPTION]
        check(len(boxes) == 1, "%d windows captioned %s" % (len(boxes), ERROR_CAPTION))
        texts = [text for kind, text, _ in boxes[0] if kind == "static" and text]
        buttons = [rect for kind, _, rect in boxes[0] if kind == "button"]
        check(texts == [ERROR_TEXT], "the message box says %s" % texts)
        check(len(buttons) == 1, "the message box has %d buttons" % len(buttons))
        geometry = self.display.geometry(box)
        path = os.path.join(self.screenshots, "launcher_e2e_message_box.png")
        self.display.screenshot(geometry[0] - 10, geometry[1] - 10, geometry[2] + 20, geometry[3] + 20).save_png(path)
        print("    saved %s" % path)

        left, top, right, bottom = buttons[0]
        self.display.click((left + right) // 2, (top + bottom) // 2)
        self.wait_exit(process)
        windows = watcher.stop()
        check(windows == [ERROR_CAPTION], "windows shown: %s" % windows)
        check(client.settled_starts(False) == [], "a program was started: %s" % client.starts())
        check(self.server.requests() == [], "the self-update ran: %s" % self.server.requests())
        lines = client.log_lines()
        failures = [m for level, m in lines if level == "DEBUG"]
        # The picture's loader says what is missing, then the step and the
        # initialisation each log their failure.
        check(len(failures) == 4
              and re.fullmatch(r'QZLOG_PROCESS_ERROR\(pbyData && "FindResource\(SKIN100\)"\) at line \d+ in '
                               r"QZ_LoadSkinPicture", failures[0])
              and failures[1].startswith("Failed to load skin picture 148 at 96 DPI")
              and re.fullmatch(r"QZLOG_PROCESS_ERROR\(nRetCode\) at line \d+ in "
                               r"QZ_ArdunLauncherDlg::_InitLaunchButtons", failures[2])
              and re.fullmatch(r'QZLOG_PROCESS_ERROR\(nRetCode && "_InitLaunchButtons\(\)"\) at line \d+ in '
                               r"QZ_ArdunLauncherDlg::OnInitDialog", failures[3]),
              "log: %s" % lines)

    def _clean_up(self):
        """Nothing of a case, failed or not, lingers into the next one."""
        for watcher in self.watchers:
            watcher.stop()
        for process in self.processes:
            if process.poll() is None:
                print("    ending a launcher that is still running", flush=True)
                process.kill()
                process.wait()
        self.watchers, self.processes = [], []
        self.display.move(0, 0)
        print("    (%.1f s)" % (time.monotonic() - self.began), flush=True)


class DefinitionOrderLoader(unittest.TestLoader):
    """Runs the cases in the order they are written: the simplest first."""

    def getTestCaseNames(self, testCaseClass):
        order = list(vars(testCaseClass))
        return sorted(super().getTestCaseNames(testCaseClass),
                      key=lambda name: order.index(name) if name in order else len(order))


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for name in ("launcher", "launcher-without-148", "next-launcher", "standin", "start-helper", "windows-helper",
                 "text-helper", "source-dir", "build-dir", "version"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--only", help="comma-separated case names (default: all)")
    parser.add_argument("--keep", action="store_true", help="keep the temporary client folders")
    ARGS, rest = parser.parse_known_args()
    for name in ("launcher", "launcher_without_148", "next_launcher", "standin", "start_helper", "windows_helper",
                 "text_helper", "source_dir", "build_dir"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    names = []
    for name in ARGS.only.split(",") if ARGS.only else ():
        if not callable(getattr(LauncherTest, "test_" + name, None)):
            parser.error("--only: there is no case %r" % name)
        names.append("LauncherTest.test_" + name)

    result = unittest.main(argv=[sys.argv[0]] + rest + names, testLoader=DefinitionOrderLoader(), verbosity=2,
                           exit=False).result
    failed = [test.id().split(".test_", 1)[-1] for test, _ in result.failures + result.errors]
    work = getattr(LauncherTest, "work", None)
    if work and (ARGS.keep or failed):
        print("work folder kept: %s" % work)
    elif work:
        shutil.rmtree(work, ignore_errors=True)
    if not result.wasSuccessful():
        print("launcher_e2e: %d case(s) failed: %s" % (len(failed), ", ".join(failed)))
        return 1
    print("launcher_e2e: all cases passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
