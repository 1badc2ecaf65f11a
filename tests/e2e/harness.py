"""End-to-end harness: the real program on its own X server, driven and watched from outside.

Python 3 standard library only; the X side uses Xvfb (XorgDummy where modes must switch),
xdotool, xwininfo, xprop, xrandr, glxinfo and ImageMagick's ``import``.

A test file is a plain ``unittest`` module ending in ``harness.main()``, run by CTest (see
``glimmerhorn_e2e_test`` in tests/CMakeLists.txt), which passes ``--binary <program>`` and sets the
output folder in ``GLIMMERHORN_E2E_OUT`` (<build>/e2e-output). By hand, from the build folder:
``python3 ../tests/e2e/test_window.py -v [Window.test_name]``. Typical use::

    import harness

    class Colours(unittest.TestCase):
        def test_depth_24(self):
            out = harness.output_dir(self)                 # screenshots and logs land here
            with harness.Xvfb(depth=24) as x, harness.Intro(x, out_dir=out) as intro:
                box = intro.wait_for_box()                 # the question, an SDL message box
                intro.answer(box, yes=True)                # Return answers Yes, Esc answers No
                window = intro.wait_for_window()           # the full-screen "Glimmerhorn!" window
                intro.wait_until_running()                 # the main loop draws frames
                time.sleep(1.0)
                shot = x.screenshot(out, "running")        # also saved as running.png
                self.assertEqual(shot.pixel(10, 590), (0, 0, 0))
                intro.key("Escape")
                self.assertEqual(intro.wait(timeout=5.0), 0)

    if __name__ == "__main__":
        harness.main()

Other things tests do:

- run without the picture: ``Intro(x, cwd=tempfile.mkdtemp())`` (the default cwd is the build
  folder, where gfx.data sits);
- record the sound: ``Intro(x, env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": path})``
  (the default is the silent ``dummy`` driver);
- warnings: after the question, ``intro.boxes()`` lists the boxes showing, ``x.box_title(box)``
  gives a caption, ``intro.dismiss(box)`` presses OK; ``intro.output()`` is what went to stderr;
- pixels: ``shot.pixel(x, y)``, ``shot.region(x, y, w, h)``, ``.colours()``, ``.count(pred)``,
  ``.mean()``, ``.median()``; ``frame_problems(shot, frame)`` checks the picture scaled into a
  rectangle of a larger window, black bars around it (``x.window_alpha(window)`` for their alpha); the window's place and visual from ``x.window_info(window)`` and
  ``x.glx_visual(info["visual"])`` (alpha bits and so on);
- mode switching: ``XorgDummy()`` in place of ``Xvfb()`` (1024 x 768 with an 800 x 600 mode;
  ``x.current_mode()``); it raises XorgUnavailable where Xorg cannot run: skip then;
- a monitor without 800 x 600: ``XorgDummy(size=(1920, 1080), intro_mode=False)``;
- Wayland desktops: ``Mutter()``, ``Weston()``, ``Sway()`` or ``KWin()`` in place of ``Xvfb()``, a headless compositor whose
  XWayland the tests talk to (``w.output_screenshot()`` is mutter's own picture of its output); they
  raise CompositorUnavailable where the compositor cannot run: skip then.

Where the program prints that it can show no message box, ``wait_for_box`` fails at once with that
line (SDL's reason) instead of waiting for a box that will not come.

Everything is torn down by the context managers: the program is killed if still running, the X
server is stopped, and the program's stdout/stderr are written to ``<out>/intro.log``.

Known traps the harness already handles: ``xvfb-run -a`` races (we pass ``-displayfd``);
``xdotool search --name`` cannot see SDL's message boxes (we list top-level windows with xwininfo
and pick the ones whose ``_NET_WM_WINDOW_TYPE`` is a dialog); 16-bit screens are read with
``import`` (xwd gets them wrong). A freeglut full-screen window with no window manager may sit one
pixel off the origin: compare window positions with ``abs(x) <= 1``, and screenshots are of the
whole root window, so pixel coordinates are screen coordinates.
"""

import array
import base64
import functools
import http.server
import json
import os
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

#: Environment every program started on a test server gets: software GL, no sound device.
BASE_ENV = {
    "LIBGL_ALWAYS_SOFTWARE": "1",
    "GALLIUM_DRIVER": "llvmpipe",
    "SDL_AUDIODRIVER": "dummy",
}

#: The title of the intro's window and of its message boxes.
TITLE = "Glimmerhorn!"

#: The status of a script that skipped a test and failed none: SKIP_RETURN_CODE of its CTest entry.
SKIP_STATUS = 77


def main():
    """Runs the calling script's unittest tests. Takes ``--binary PATH`` (the program; CTest passes
    it) and ``--out FOLDER`` (screenshots and logs) off the command line first; the rest goes to
    unittest (``-v``, test names, ...). Ends with 0 when every test passed, SKIP_STATUS when some were
    skipped and none failed, else 1. Use as ``if __name__ == "__main__": harness.main()``."""
    import unittest
    argv = list(sys.argv)
    for flag, variable in (("--binary", "GLIMMERHORN_BINARY"), ("--out", "GLIMMERHORN_E2E_OUT")):
        while flag in argv:
            at = argv.index(flag)
            os.environ[variable] = os.path.abspath(argv[at + 1])
            del argv[at:at + 2]
    result = unittest.main(module="__main__", argv=argv, exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    # a script that skipped a test (a server that cannot run here) did not pass: CTest shows it as skipped
    sys.exit(SKIP_STATUS if result.skipped else 0)


def binary_path(argument=None):
    """Path of the program under test: ``argument`` if given, else ``$GLIMMERHORN_BINARY`` (set by
    ``--binary``, see main), else ./glimmerhorn in the working directory.

    Raises RuntimeError when none names an existing file.
    """
    path = argument or os.environ.get("GLIMMERHORN_BINARY")
    if not path and os.path.isfile("glimmerhorn"):
        path = "glimmerhorn"
    if not path or not os.path.isfile(path):
        raise RuntimeError("set GLIMMERHORN_BINARY to the glimmerhorn program (got %r)" % path)
    return os.path.abspath(path)


def build_dir():
    """The folder holding the program (and gfx.data once it exists): a good default working directory."""
    return os.path.dirname(binary_path())


def output_dir(test=None, name=None):
    """Creates and returns a folder for a test's screenshots and logs.

    ``test`` is a unittest.TestCase (its id names the folder) or ``name`` a plain string. The root is
    ``$GLIMMERHORN_E2E_OUT`` (CTest sets ``<build>/e2e-output``), else a temporary folder.
    """
    if name is None:
        name = test.id() if test is not None else "e2e"
        script = os.path.splitext(os.path.basename(sys.argv[0] or "e2e"))[0]
        if name.startswith("__main__."):
            name = script + name[len("__main__"):]
    name = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)
    root = os.environ.get("GLIMMERHORN_E2E_OUT") or os.path.join(tempfile.gettempdir(), "glimmerhorn-e2e")
    path = os.path.join(root, name)
    os.makedirs(path, exist_ok=True)
    return path


def wait_until(condition, timeout, interval=0.05, what="condition"):
    """Polls ``condition()`` until it returns something truthy and returns that; TimeoutError after ``timeout`` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# Pictures


class Image:
    """An RGB picture: ``width``, ``height`` and ``data`` (bytes, 3 per pixel, rows top to bottom)."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def pixel(self, x, y):
        """(r, g, b) at column x, row y counted from the top (screen coordinates for screenshots)."""
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def region(self, x, y, width, height):
        """A new Image cut out of this one; (x, y) is the top-left corner."""
        rows = []
        for row in range(y, y + height):
            start = (row * self.width + x) * 3
            rows.append(self.data[start:start + width * 3])
        return Image(width, height, b"".join(rows))

    def colours(self):
        """The set of distinct (r, g, b) values in the picture."""
        d = self.data
        return {(d[i], d[i + 1], d[i + 2]) for i in range(0, len(d), 3)}

    def count(self, predicate):
        """How many pixels satisfy ``predicate((r, g, b))``."""
        d = self.data
        return sum(1 for i in range(0, len(d), 3) if predicate((d[i], d[i + 1], d[i + 2])))

    def median(self):
        """Median (r, g, b), channel by channel."""
        return tuple(sorted(self.data[c::3])[len(self.data) // 6] for c in range(3))

    def mean(self):
        """Mean (r, g, b) as floats."""
        n = self.width * self.height or 1
        d = self.data
        return (sum(d[0::3]) / n, sum(d[1::3]) / n, sum(d[2::3]) / n)

    def save_png(self, path):
        """Writes the picture as an 8-bit RGB PNG (for people to look at)."""
        raw = b"".join(b"\0" + self.data[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))

    def save_ppm(self, path):
        """Writes the picture as a binary PPM (P6)."""
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data)


def read_ppm(blob):
    """Parses a binary PPM (P6, maxval up to 65535) into an Image with 8 bits a channel."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos) + 1
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        fields.append(blob[pos:end])
        pos = end
    pos += 1  # the single whitespace after maxval
    if fields[0] != b"P6":
        raise ValueError("not a binary PPM: %r" % fields[0])
    width, height, maxval = int(fields[1]), int(fields[2]), int(fields[3])
    if maxval < 256:
        data = blob[pos:pos + width * height * 3]
        if maxval != 255:
            data = bytes(v * 255 // maxval for v in data)
    else:
        words = struct.unpack(">%dH" % (width * height * 3), blob[pos:pos + width * height * 6])
        data = bytes(v * 255 // maxval for v in words)
    return Image(width, height, data)


_picture = []


def picture_crop(x, y, width, height):
    """The part of the committed assets/gfx.data that the intro shows at (x, y) of its 800 x 600: the
    picture's right-most 800 columns and its top 600 rows, one picture pixel a screen pixel."""
    if not _picture:
        source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        with open(os.path.join(source, "assets", "gfx.data"), "rb") as f:
            jpeg = f.read()[1:]  # one lead byte, then the JPEG stream
        ppm = subprocess.run(["convert", "jpeg:-", "ppm:-"], input=jpeg, stdout=subprocess.PIPE, check=True).stdout
        _picture.append(read_ppm(ppm))
    picture = _picture[0]
    return picture.region(picture.width - 800 + x, y, width, height)


#: Parts of the 800 x 600 frame, (x, y, width, height) with y from the top, that show the picture in
#: the intro's first seconds: a strip inside each edge (the top row and right-most column themselves
#: stay black) and the cabin, all clear of the letters, which come in at the top right.
FRAME_PARTS = ((0, 440, 16, 150), (782, 440, 16, 150), (20, 582, 760, 14), (100, 4, 400, 14), (600, 470, 180, 110))


def frame_problems(shot, frame, alpha=None):
    """What is wrong (a list of lines) in ``shot``, a full-screen window, for the 800 x 600 frame scaled
    into ``frame`` = (x, y, width, height): the FRAME_PARTS must match the picture (median within 12 a
    channel), all outside must be black and, with ``alpha`` (window_alpha), opaque."""
    left, top, width, height = frame
    problems = []
    bars = ((0, 0, left, shot.height), (left + width, 0, shot.width - left - width, shot.height),
            (left, 0, width, top), (left, top + height, width, shot.height - top - height))
    for bar in (bar for bar in bars if bar[2] > 0 and bar[3] > 0):
        if shot.region(*bar).colours() != {(0, 0, 0)}:
            problems.append("the bar at %r is not all black" % (bar,))
        if alpha and alpha.region(*bar).colours() != {(255, 255, 255)}:
            problems.append("the bar at %r is not all opaque" % (bar,))
    scale = width / 800
    for x, y, w, h in FRAME_PARTS:
        expected = picture_crop(x, y, w, h).median()
        seen = shot.region(left + round(x * scale), top + round(y * scale), round(w * scale), round(h * scale)).median()
        if max(abs(a - b) for a, b in zip(seen, expected)) > 12:
            problems.append("frame part %r is %r, the picture there %r" % ((x, y, w, h), seen, expected))
    return problems


def proc_stat(pid):
    """The fields of /proc/<pid>/stat after the command name (state, parent, process group, ...), or
    None when there is no such process."""
    try:
        with open("/proc/%s/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()
    except (OSError, IndexError):
        return None


def cpu_seconds(pid):
    """User + system CPU time a process has used so far, from /proc (None once it has ended)."""
    fields = proc_stat(pid)
    return None if fields is None else (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def read_ppm_file(path):
    """read_ppm on a file."""
    with open(path, "rb") as f:
        return read_ppm(f.read())


# ---------------------------------------------------------------------------------------------
# X servers


class XServer:
    """What the tests need from any X server the harness started: ``display`` (":N"), ``env``
    (the environment for programs run on it) and the helpers below. Start one with Xvfb or XorgDummy."""

    display = None
    width = 0
    height = 0
    depth = 0

    @property
    def env(self):
        """A copy of os.environ with DISPLAY pointing here and BASE_ENV added."""
        env = dict(os.environ)
        env.update(BASE_ENV)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def run(self, *command, timeout=10, check=True):
        """Runs an X client on this server; returns its stdout as text. CalledProcessError on failure when ``check``."""
        done = subprocess.run(list(command), env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout, check=False)
        if check and done.returncode != 0:
            raise subprocess.CalledProcessError(done.returncode, command, done.stdout, done.stderr)
        return done.stdout.decode("utf-8", "replace")

    def top_windows(self):
        """The windows of clients as a list of (id, name or None, width, height, x, y), x and y relative
        to the parent: every window in the tree, so that a window manager's frames (under a
        compositor) do not hide the clients' windows inside them."""
        out = self.run("xwininfo", "-root", "-tree")
        found = []
        for line in out.splitlines():
            m = re.match(r'\s+(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \(.*?\)\s+(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
            if m:
                found.append((int(m.group(1), 16), m.group(2), int(m.group(3)), int(m.group(4)),
                              int(m.group(5)), int(m.group(6))))
        return found

    def window_info(self, window):
        """Facts about a window from xwininfo, as a dict: x, y (absolute), width, height, depth,
        visual (int id), map_state ("IsViewable", "IsUnMapped", ...), override_redirect (bool).
        None when the window is gone."""
        try:
            out = self.run("xwininfo", "-id", hex(window))
        except subprocess.CalledProcessError:
            return None

        def field(label):
            m = re.search(r"^\s*%s:\s*(.*)$" % re.escape(label), out, re.M)
            return m.group(1).strip() if m else None

        return {
            "x": int(field("Absolute upper-left X")),
            "y": int(field("Absolute upper-left Y")),
            "width": int(field("Width")),
            "height": int(field("Height")),
            "depth": int(field("Depth")),
            "visual": int(field("Visual"), 16),
            "map_state": field("Map State"),
            "override_redirect": field("Override Redirect State") == "yes",
        }

    def window_properties(self, window):
        """All properties of a window as raw xprop text ("" when the window is gone)."""
        try:
            return self.run("xprop", "-id", hex(window))
        except subprocess.CalledProcessError:
            return ""

    def message_boxes(self):
        """Ids of the mapped SDL message boxes (windows of type _NET_WM_WINDOW_TYPE_DIALOG), oldest first."""
        boxes = []
        for window, _name, _w, _h, _x, _y in self.top_windows():
            if "_NET_WM_WINDOW_TYPE_DIALOG" not in self.window_properties(window):
                continue
            info = self.window_info(window)
            if info and info["map_state"] == "IsViewable":
                boxes.append(window)
        return boxes

    def box_title(self, window):
        """The caption of a message box (its _NET_WM_NAME / WM_NAME), or None."""
        m = re.search(r'^(?:_NET_WM_NAME|WM_NAME)\([^)]*\) = "(.*)"$', self.window_properties(window), re.M)
        return m.group(1) if m else None

    def main_windows(self, title=TITLE):
        """Ids of mapped windows titled ``title`` that are not message boxes."""
        found = []
        for window, name, _w, _h, _x, _y in self.top_windows():
            if name != title:
                continue
            if "_NET_WM_WINDOW_TYPE_DIALOG" in self.window_properties(window):
                continue
            info = self.window_info(window)
            if info and info["map_state"] == "IsViewable":
                found.append(window)
        return found

    def glx_visual(self, visual):
        """GLX facts of a visual id from ``glxinfo -v``: dict with depth, alpha (alphaSize),
        red, green, blue, depth_buffer, double_buffer. None if glxinfo does not list it."""
        out = self.run("glxinfo", "-v", timeout=30)
        m = re.search(r"Visual ID: %x\s+depth=(\d+).*?\n(.*?)\n\s*\n" % visual, out, re.S)
        if not m:
            return None
        block = m.group(2)

        def size(name):
            g = re.search(r"\b%s=(\d+)" % name, block)
            return int(g.group(1)) if g else None

        return {
            "depth": int(m.group(1)),
            "red": size("redSize"),
            "green": size("greenSize"),
            "blue": size("blueSize"),
            "alpha": size("alphaSize"),
            "depth_buffer": size("depthSize"),
            "double_buffer": size("doubleBuffer"),
        }

    def current_mode(self):
        """(width, height) of the mode the primary output shows now, as a client of our own sees it,
        from ``xrandr --query``."""
        out = self.run("xrandr", "--query")
        m = re.search(r"^\S+ connected (?:primary )?(\d+)x(\d+)\+\d+\+\d+", out, re.M)
        return (int(m.group(1)), int(m.group(2))) if m else None

    def screen_size(self):
        """Current (width, height) of screen 0, from xwininfo on the root window (follows mode switches)."""
        out = self.run("xwininfo", "-root")
        w = re.search(r"Width: (\d+)", out)
        h = re.search(r"Height: (\d+)", out)
        return int(w.group(1)), int(h.group(1))

    def screenshot(self, out_dir=None, name=None, window=None):
        """Grabs the whole screen with ``import -window root`` (or only ``window``, as X keeps it: under
        a compositor the screen is the compositor's); returns an Image. When ``out_dir`` and ``name``
        are given, also saves ``<out_dir>/<name>.png`` for people to look at."""
        target = hex(window) if window else "root"
        blob = subprocess.run(["import", "-silent", "-window", target, "-depth", "8", "ppm:-"], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30, check=True).stdout
        image = read_ppm(blob)
        if out_dir and name:
            image.save_png(os.path.join(out_dir, name + ".png"))
        return image

    def window_alpha(self, window):
        """The alpha of a 32-bit window (read with xwd) as an Image of (a, a, a) pixels, else None."""
        blob = subprocess.run(["xwd", "-silent", "-id", hex(window)], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=30, check=True).stdout
        header = struct.unpack(">25I", blob[:100])
        size, depth, width, height, byte_order = header[0], header[3], header[4], header[5], header[7]
        bits_per_pixel, bytes_per_line, colours = header[11], header[12], header[19]
        if depth != 32 or bits_per_pixel != 32:
            return None
        start = size + colours * 12
        pixels = b"".join(blob[start + row * bytes_per_line:start + row * bytes_per_line + width * 4]
                          for row in range(height))
        alpha = pixels[3::4] if byte_order == 0 else pixels[0::4]  # the byte outside the colour masks
        data = bytearray(len(alpha) * 3)
        data[0::3] = data[1::3] = data[2::3] = alpha
        return Image(width, height, bytes(data))

    def key(self, keysym, window=None):
        """Sends one key press and release (an xdotool keysym name: "Escape", "q", "Q", "Return", "a")
        to ``window`` (sent straight to it) or, with no window, to whatever has the focus.

        xdotool's own status is not checked: a key that ends the program destroys the window between
        the press and the release, and xdotool then reports an error for the release."""
        if window is None:
            self.run("xdotool", "key", keysym, check=False)
        else:
            self.run("xdotool", "key", "--window", str(window), keysym, check=False)


class Xvfb(XServer):
    """Context manager: a private Xvfb on a free display (found with -displayfd), torn down on exit.

    ``depth`` 24 or 16; ``size`` (width, height), default (800, 600). ``log_dir``, when given,
    receives xserver.log. Attributes: display, width, height, depth, env (see XServer).
    """

    def __init__(self, depth=24, size=(800, 600), log_dir=None, extra_args=()):
        self.depth = depth
        self.width, self.height = size
        self.log_dir = log_dir
        self.extra_args = list(extra_args)
        self.process = None
        self.display = None
        self._log = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        log_path = os.path.join(self.log_dir, "xserver.log") if self.log_dir else os.devnull
        self._log = open(log_path, "wb")
        command = ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                   "%dx%dx%d" % (self.width, self.height, self.depth),
                   "-nolisten", "tcp", "-noreset", "+extension", "GLX", "+extension", "RANDR"] + self.extra_args
        self.process = subprocess.Popen(command, pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=self._log, start_new_session=True)
        os.close(write_fd)
        try:
            self.display = ":" + _read_display_number(read_fd, self.process, 20.0)
        except Exception:
            self.__exit__(None, None, None)
            raise
        finally:
            os.close(read_fd)
        return self

    def __exit__(self, *exc):
        _stop(self.process, signal.SIGTERM, 5.0)
        if self._log:
            self._log.close()
        return False


#: openbox's whole configuration: new windows get the focus, and no key or button is bound (a page's
#: Esc and clicks are the page's)
OPENBOX_CONFIG = """<?xml version="1.0"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <desktops><number>1</number></desktops>
</openbox_config>
"""


class Openbox:
    """Context manager: the openbox window manager on ``server`` (an XServer), ready once it has set
    _NET_SUPPORTING_WM_CHECK on the root window; stopped on exit.

    Traps: start it before the clients it is to manage (a window already mapped is not given the
    focus). It reads only OPENBOX_CONFIG (a HOME of its own, never the user's rc.xml) and runs with
    --sm-disable, waiting for no session manager. Bound to no key, it grabs none: Esc reaches the
    focused window. ``log_dir``, when given, receives openbox.log.
    """

    def __init__(self, server, log_dir=None):
        self.server = server
        self.log_dir = log_dir
        self.process = self.folder = self._log = None

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="glimmerhorn-openbox-")
        config = os.path.join(self.folder, "rc.xml")
        with open(config, "w") as f:
            f.write(OPENBOX_CONFIG)
        env = dict(self.server.env, HOME=self.folder, XDG_CONFIG_HOME=self.folder, XDG_CACHE_HOME=self.folder)
        self._log = open(os.path.join(self.log_dir, "openbox.log") if self.log_dir else os.devnull, "wb")
        self.process = subprocess.Popen(["openbox", "--sm-disable", "--config-file", config], env=env,
                                        stdin=subprocess.DEVNULL, stdout=self._log, stderr=self._log,
                                        start_new_session=True)

        def ready():
            if self.process.poll() is not None:
                raise RuntimeError("openbox exited with status %d before managing the screen" % self.process.returncode)
            return "window id #" in self.server.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)
        try:
            wait_until(ready, 20.0, what="openbox to manage the screen")
        except Exception:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        _stop(self.process, signal.SIGTERM, 5.0)
        if self._log:
            self._log.close()
        if self.folder:
            subprocess.run(["rm", "-rf", self.folder], check=False)
        return False


XORG_DUMMY_CONFIG = """\
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 32768
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync %(hsync)s
    VertRefresh %(vrefresh)s
    Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
    Modeline "800x600" 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync
    Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth %(depth)d
    SubSection "Display"
        Depth %(depth)d
        Modes %(modes)s
        Virtual %(width)d %(height)d
    EndSubSection
EndSection
Section "ServerLayout"
    Identifier "layout"
    Screen "screen"
EndSection
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
    Option "AllowMouseOpenFail" "true"
EndSection
"""


class XorgUnavailable(Exception):
    """Raised by XorgDummy when Xorg with the dummy driver cannot start here; tests should skip."""


class XorgDummy(XServer):
    """Context manager: a private Xorg with the dummy video driver, which (unlike Xvfb) can switch
    modes through XRandR. Its screen starts at ``size`` (default 1024 x 768, or 1920 x 1080) and also
    offers 800 x 600 unless ``intro_mode`` is False, as on a monitor without that mode (then the
    monitor's sync ranges let through no mode of 600 lines, nor 768: give it 1920 x 1080).

    Written config, log and keyboard files live in a temporary folder (the log is copied to
    ``log_dir``/xserver.log when given). Raises XorgUnavailable, with Xorg's own reason, when the
    server cannot start (not root, no dummy driver, ...): use it as
    ``except harness.XorgUnavailable as e: self.skipTest(str(e))``.
    """

    def __init__(self, size=(1024, 768), depth=24, log_dir=None, intro_mode=True):
        self.width, self.height = size
        self.depth = depth
        self.intro_mode = intro_mode
        self.modes = ["%dx%d" % size] + (["800x600"] if intro_mode else [])
        self.log_dir = log_dir
        self.process = None
        self.display = None
        self._folder = None

    def __enter__(self):
        if not _which("Xorg"):
            raise XorgUnavailable("Xorg is not installed (xserver-xorg-core)")
        if not os.path.exists("/usr/lib/xorg/modules/drivers/dummy_drv.so"):
            raise XorgUnavailable("the dummy video driver is not installed (xserver-xorg-video-dummy)")
        self._folder = tempfile.TemporaryDirectory(prefix="glimmerhorn-xorg-")
        folder = self._folder.name
        os.makedirs(os.path.join(folder, "conf.d"))
        config = os.path.join(folder, "xorg.conf")
        with open(config, "w") as f:
            f.write(XORG_DUMMY_CONFIG % {"depth": self.depth, "width": self.width, "height": self.height,
                                         "modes": " ".join('"%s"' % mode for mode in self.modes),
                                         # the driver adds every standard mode the ranges allow
                                         "hsync": "5.0 - 1000.0" if self.intro_mode else "60.0 - 70.0",
                                         "vrefresh": "5.0 - 200.0" if self.intro_mode else "50.0 - 61.0"})
        self._log_path = os.path.join(folder, "xorg.log")
        read_fd, write_fd = os.pipe()
        command = ["Xorg", "-config", config, "-configdir", os.path.join(folder, "conf.d"),
                   "-logfile", self._log_path, "-displayfd", str(write_fd), "-noreset", "-nolisten", "tcp",
                   "-novtswitch", "-sharevts", "-quiet"]
        self._output = open(os.path.join(folder, "output"), "wb")
        self.process = subprocess.Popen(command, pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                                        stdout=self._output, stderr=self._output, start_new_session=True)
        os.close(write_fd)
        try:
            self.display = ":" + _read_display_number(read_fd, self.process, 30.0)
        except RuntimeError as error:
            reason = self._reason()
            self.__exit__(None, None, None)
            raise XorgUnavailable("Xorg with the dummy driver cannot start here: %s%s" % (error, reason))
        finally:
            os.close(read_fd)
        return self

    def _reason(self):
        lines = []
        for path in (self._log_path, os.path.join(self._folder.name, "output")):
            try:
                with open(path, errors="replace") as f:
                    lines += [line.strip() for line in f if "(EE)" in line and "config directory" not in line]
            except OSError:
                pass
        return ("; " + " | ".join(lines[-4:])) if lines else ""

    def __exit__(self, *exc):
        _stop(self.process, signal.SIGTERM, 10.0)
        if self._folder:
            if self.log_dir and os.path.exists(self._log_path):
                with open(self._log_path, "rb") as src, open(os.path.join(self.log_dir, "xserver.log"), "wb") as dst:
                    dst.write(src.read())
            self._output.close()
            self._folder.cleanup()
            self._folder = None
        return False


class CompositorUnavailable(Exception):
    """Raised when the compositor is not installed or cannot start; tests skip."""


class _Compositor(XServer):
    """A headless Wayland compositor with XWayland, in a session and runtime folder of its own; the
    tests' X clients (the intro, xdotool, xprop) reach it through XWayland's DISPLAY. ``size`` is its
    one output (default 1024 x 768); ``log_dir`` receives its logs (compositor.log, weston.log).
    A subclass gives ``command(folder)``, the command line that starts it with ``folder`` as its
    runtime folder, and ``wait_for_display(folder)``, which sets ``display`` once it has said it (by
    default from the file that the script of ``report(folder)`` writes)."""

    depth = 24
    program = None

    @property
    def env(self):
        """As XServer.env, inside the compositor's session: its runtime folder and, for mutter, its
        session bus and the X authority file its XWayland asks for."""
        env = XServer.env.fget(self)
        env.update(self.session_env)
        return env

    def __init__(self, size=(1024, 768), log_dir=None):
        self.width, self.height = size
        self.log_dir = log_dir
        self.process = None
        self.display = None
        self.session_env = {}
        self._folder = None
        self._helpers = []

    def __enter__(self):
        if not _which(self.program):
            raise CompositorUnavailable("%s is not installed" % self.program)
        self._folder = tempfile.mkdtemp(prefix="glimmerhorn-%s-" % self.program)
        os.chmod(self._folder, 0o700)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY")}
        env["XDG_RUNTIME_DIR"] = self._folder
        self.session_env = {"XDG_RUNTIME_DIR": self._folder}
        self._log = open(os.path.join(self._folder, "compositor.log"), "wb")
        self.process = subprocess.Popen(self.command(self._folder), env=env, stdin=subprocess.DEVNULL,
                                        stdout=self._log, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            deadline = time.monotonic() + 60
            while not self.display:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    raise CompositorUnavailable("%s did not start: %s" % (self.program, self._log_tail()))
                self.wait_for_display(self._folder)
                time.sleep(0.1)
            # XWayland starts with the first client on some compositors: wait until it answers
            wait_until(lambda: self.run("xdpyinfo", check=False, timeout=30).startswith("name of display"), 30,
                       interval=0.2, what="XWayland to answer")
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def report(self, folder, hold=True):
        """The command line of a script for the compositor to run once up: it notes DISPLAY, XAUTHORITY
        and the bus in <folder>/session, then with ``hold`` keeps a session that ends with it open."""
        script = os.path.join(folder, "report.sh")
        session = os.path.join(folder, "session")
        with open(script, "w") as f:
            f.write('printf "%%s\\n%%s\\n%%s\\n" "$DISPLAY" "$XAUTHORITY" "$DBUS_SESSION_BUS_ADDRESS" >%s.tmp\n'
                    'mv %s.tmp %s%s\n' % (session, session, session, " && exec sleep 86400" if hold else ""))
        return "sh " + script

    def wait_for_display(self, folder):
        try:
            with open(os.path.join(folder, "session")) as f:
                display, xauthority, bus = f.read().split("\n")[:3]
        except (OSError, ValueError):
            return
        self.session_env.update({name: value for name, value in
                                 (("DBUS_SESSION_BUS_ADDRESS", bus), ("XAUTHORITY", xauthority)) if value})
        self.display = display

    def _logs(self):
        return [name for name in sorted(os.listdir(self._folder)) if name.endswith(".log")]

    def _log_tail(self):
        lines = []
        for name in self._logs():
            with open(os.path.join(self._folder, name), errors="replace") as f:
                lines += f.read().splitlines()[-2:]
        return " | ".join(lines)

    def __exit__(self, *exc):
        for helper in self._helpers:
            _stop(helper, signal.SIGTERM, 5.0)
        if self.process and self.process.poll() is None:
            # the whole session: the compositor, XWayland, the session bus
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait(timeout=5)
            except ProcessLookupError:
                pass
        if self._folder:
            self._log.close()
            for name in self._logs() if self.log_dir else []:
                with open(os.path.join(self._folder, name), "rb") as src, \
                        open(os.path.join(self.log_dir, name), "wb") as dst:
                    dst.write(src.read())
            subprocess.run(["rm", "-rf", self._folder], check=False)
            self._folder = None
        return False


class Mutter(_Compositor):
    """Context manager: Debian 12's mutter 43, headless, with one virtual monitor and XWayland. Its
    XWayland emulates a mode change for the client that makes it: the full-screen window of that client
    takes the emulated size and is scaled to fill the output. ``output_screenshot`` shows the output as
    the compositor composes it. Raises CompositorUnavailable when mutter cannot run here."""

    program = "mutter"

    def command(self, folder):
        return ["dbus-run-session", "--", "mutter", "--headless", "--wayland", "--virtual-monitor",
                "%dx%d" % (self.width, self.height), "--"] + self.report(folder).split()

    def output_screenshot(self, out_dir=None, name=None):
        """The output as mutter composes it, through its screen cast (PipeWire); returns an Image and
        saves ``<out_dir>/<name>.png`` when given. Starts PipeWire for it the first time. The screen
        cast is driven by tests/e2e/screencast.py on Debian's own python3, which has the GObject bindings."""
        if not self._helpers:
            for daemon in ("pipewire", "wireplumber"):
                if not _which(daemon):
                    raise CompositorUnavailable("%s is not installed" % daemon)
                self._helpers.append(subprocess.Popen([daemon], env=self.env, stdin=subprocess.DEVNULL,
                                                      stdout=self._log, stderr=subprocess.STDOUT))
            # mutter looks for PipeWire once, when the cast starts: a busy machine may not have it up yet
            wait_until(lambda: os.path.exists(os.path.join(self._folder, "pipewire-0")), 30, what="PipeWire")
        raw = os.path.join(self._folder, "output.rgb")
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screencast.py")
        done = subprocess.run(["/usr/bin/python3", script, raw], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=90, check=False)
        if done.returncode != 0:
            raise RuntimeError("no screen cast from mutter: " + done.stdout.decode("utf-8", "replace")[-600:])
        with open(raw, "rb") as f:
            image = Image(self.width, self.height, f.read())
        if out_dir and name:
            image.save_png(os.path.join(out_dir, name + ".png"))
        return image


class Weston(_Compositor):
    """Context manager: weston with its headless backend, the desktop shell and XWayland: a compositor
    that does not take up XWayland's mode emulation, so a full-screen window keeps the output's size.
    Raises CompositorUnavailable when weston cannot run here."""

    program = "weston"

    def command(self, folder):
        return ["weston", "--backend=headless-backend.so", "--width=%d" % self.width, "--height=%d" % self.height,
                "--xwayland", "--no-config", "--socket=wayland-glimmerhorn", "--idle-time=0",
                "--log=" + os.path.join(folder, "weston.log")]

    def wait_for_display(self, folder):
        try:
            with open(os.path.join(folder, "weston.log"), errors="replace") as f:
                m = re.search(r"xserver listening on display (:\d+)", f.read())
        except OSError:
            return
        if m:
            self.display = m.group(1)


class Sway(_Compositor):
    """Context manager: sway 1.7 headless, drawing in software, with XWayland. sway will not run as root:
    as root it runs as nobody and lets root's X clients into its XWayland."""

    program = "sway"

    def command(self, folder):
        report = self.report(folder, hold=False)  # sway starts it in a session of its own
        user = []
        if os.geteuid() == 0:
            import pwd
            nobody = pwd.getpwnam("nobody")
            os.chown(folder, nobody.pw_uid, nobody.pw_gid)
            # /tmp/.X11-unix root's and open to all: made by XWayland as nobody, it would shut other X servers out
            os.makedirs("/tmp/.X11-unix", exist_ok=True)
            if os.stat("/tmp/.X11-unix").st_uid == 0:
                os.chmod("/tmp/.X11-unix", 0o1777)
            user = ["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid, "--clear-groups"]
            report = "xhost +si:localuser:root && " + report
        config = os.path.join(folder, "config")
        with open(config, "w") as f:
            f.write("output HEADLESS-1 mode %dx%d position 0 0\nxwayland enable\ndefault_border none\n"
                    "exec %s\n" % (self.width, self.height, report))
        return user + ["env", "HOME=" + folder, "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                       "WLR_RENDERER=pixman", "sway", "--config", config]


class KWin(_Compositor):
    """Context manager: KWin 5.27 (``kwin_wayland --virtual``) with XWayland, in a session bus of its own."""

    program = "kwin_wayland"

    def command(self, folder):
        # Debian's kwin_wayland carries a file capability (CAP_SYS_RESOURCE); where the capability
        # bounding set lacks it, as in many containers, exec refuses the file. A copy without it runs.
        binary = os.path.join(folder, "kwin_wayland")
        subprocess.run(["cp", _which(self.program), binary], check=True)
        return ["dbus-run-session", "--", "env", "HOME=" + folder, binary, "--virtual", "--xwayland",
                "--width", str(self.width), "--height", str(self.height), "--socket", "wayland-glimmerhorn",
                "--exit-with-session", self.report(folder)]


def enter(test, manager):
    """Enters ``manager`` (a server, an intro) until ``test``'s clean-up; skips the test where the server
    or compositor cannot run here."""
    try:
        entered = manager.__enter__()
    except (XorgUnavailable, CompositorUnavailable) as reason:
        test.skipTest(str(reason))
    test.addCleanup(manager.__exit__, None, None, None)
    return entered


def _which(program):
    for folder in os.environ.get("PATH", "/usr/bin:/bin").split(os.pathsep) + ["/usr/bin"]:
        if os.access(os.path.join(folder, program), os.X_OK):
            return os.path.join(folder, program)
    return None


def _read_display_number(fd, process, timeout):
    deadline = time.monotonic() + timeout
    text = b""
    while not text.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            raise RuntimeError("X server gave no display number within %.0f s" % timeout)
        ready, _, _ = select.select([fd], [], [], min(left, 0.2))
        if ready:
            chunk = os.read(fd, 64)
            if not chunk:
                raise RuntimeError("X server exited before giving its display number (status %r)" % process.poll())
            text += chunk
        elif process.poll() is not None:
            raise RuntimeError("X server exited with status %d before starting" % process.returncode)
    return text.decode().strip()


def _stop(process, sig, grace):
    """Signals a process (and its session) and reaps it; SIGKILL after ``grace`` seconds."""
    if process is None or process.poll() is not None:
        return
    try:
        process.send_signal(sig)
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=5)
    except ProcessLookupError:
        pass


# ---------------------------------------------------------------------------------------------
# The program


class Intro:
    """Context manager: the real program started on an X server and watched from outside.

    ``server`` an XServer; ``binary`` defaults to ``$GLIMMERHORN_BINARY``; ``cwd`` the working
    directory (default the build folder, where gfx.data sits; pass an empty temp dir to run
    without it); ``args`` extra command-line arguments; ``env`` extra environment variables added
    to server.env (e.g. {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": path}); ``out_dir``
    receives intro.log (stdout and stderr) at the end. ``gl_probe=True`` preloads the build's GL probe
    (tools/gl_probe.c), which notes the GL viewport at every buffer swap (see gl_probe());
    ``grab_frames=(1, 500)`` preloads it to keep those frames exactly as drawn (see frame()). On exit
    the program is killed if it is still running.
    """

    def __init__(self, server, binary=None, cwd=None, args=(), env=None, out_dir=None, gl_probe=False,
                 grab_frames=()):
        self.server = server
        self.binary = binary_path(binary)
        self.cwd = cwd or os.path.dirname(self.binary)
        self.args = list(args)
        self.extra_env = dict(env or {})
        self.out_dir = out_dir
        self.process = None
        self.window = None
        self._output = tempfile.TemporaryFile()
        self._probe_folder = None
        if gl_probe or grab_frames:
            # CTest names it; by hand it is found where the build puts it, beside the program
            library = os.environ.get("GLIMMERHORN_GL_PROBE") or os.path.join(
                os.path.dirname(self.binary), "tools", "libgl_probe.so")
            if not os.path.isfile(library):
                raise RuntimeError("set GLIMMERHORN_GL_PROBE to the gl_probe library (CTest does)")
            self._probe_folder = tempfile.TemporaryDirectory(prefix="glimmerhorn-probe-")
            self.extra_env["LD_PRELOAD"] = library
            self.extra_env["GLIMMERHORN_GL_PROBE_LOG"] = os.path.join(self._probe_folder.name, "probe.txt")
            self.extra_env["GLIMMERHORN_GRAB_DIR"] = self._probe_folder.name
            self.extra_env["GLIMMERHORN_GRAB_FRAMES"] = " ".join(str(n) for n in grab_frames)

    def frame(self, number, timeout=120.0):
        """With ``grab_frames``: frame ``number`` exactly as drawn (an Image, top row first), waiting
        for it while the program runs."""
        path = os.path.join(self._probe_folder.name, "frame-%d.ppm" % number)
        wait_until(lambda: os.path.exists(path), timeout, what="frame %d" % number)
        return read_ppm_file(path)

    def gl_probe(self):
        """With ``gl_probe=True``: what the preloaded probe noted, once the program has ended through
        exit (exit key, not a kill): {"swaps": n, "first_viewport": [x, y, w, h], "last_viewport": [...]}.
        None when nothing was written."""
        try:
            with open(self.extra_env["GLIMMERHORN_GL_PROBE_LOG"]) as f:
                fields = [line.split() for line in f if line.strip()]
        except (KeyError, OSError):
            return None
        found = {}
        for name, *values in fields:
            found[name] = int(values[0]) if len(values) == 1 else [int(v) for v in values]
        return found

    def __enter__(self):
        env = self.server.env
        env.update(self.extra_env)
        self.process = subprocess.Popen([self.binary] + self.args, cwd=self.cwd, env=env,
                                        stdin=subprocess.DEVNULL, stdout=self._output, stderr=subprocess.STDOUT)
        return self

    def __exit__(self, *exc):
        _stop(self.process, signal.SIGKILL, 5.0)
        if self.out_dir:
            with open(os.path.join(self.out_dir, "intro.log"), "w") as f:
                f.write(self.output())
        self._output.close()
        if self._probe_folder:
            self._probe_folder.cleanup()
        return False

    @property
    def pid(self):
        """The program's process id."""
        return self.process.pid

    def output(self):
        """Everything the program wrote to stdout and stderr so far, as text."""
        self._output.flush()
        self._output.seek(0)
        return self._output.read().decode("utf-8", "replace")

    def running(self):
        """True while the program has not exited."""
        return self.process.poll() is None

    def wait(self, timeout=5.0):
        """Waits for the program to end and returns its exit status (negative: killed by that signal).
        Raises subprocess.TimeoutExpired if it is still running after ``timeout`` seconds."""
        return self.process.wait(timeout=timeout)

    def signal(self, sig):
        """Sends a signal (signal.SIGTERM, signal.SIGINT, ...) to the program."""
        self.process.send_signal(sig)

    def _alive_or_fail(self, what):
        if self.process.poll() is not None:
            raise AssertionError("the program exited with status %d while waiting for %s; output:\n%s"
                                 % (self.process.returncode, what, self.output()))

    def boxes(self):
        """Ids of the message boxes now showing (see XServer.message_boxes)."""
        return self.server.message_boxes()

    def no_box_reason(self):
        """The program's line saying that no message box can be shown here, with SDL's reason; None
        while it has not said so."""
        m = re.search(r"^Glimmerhorn: no message box could be shown.*$", self.output(), re.M)
        return m.group(0) if m else None

    def wait_for_box(self, timeout=60.0):
        """Waits for a message box and returns its id (the oldest if several). Fails at once when
        the program says that no box can be shown here (it writes the message to stderr instead)."""
        def find():
            self._alive_or_fail("a message box")
            reason = self.no_box_reason()
            if reason:
                raise AssertionError("no message box will come: %s" % reason)
            boxes = self.boxes()
            return boxes[0] if boxes else None
        return wait_until(find, timeout, what="a message box")

    def box_processes(self):
        """Pids of the live children the program shows its message boxes from: SDL forks one a box, in
        the program's process group (the display-mode helper starts a session of its own)."""
        mine = proc_stat(self.process.pid)
        found = set()
        for pid in self.child_processes():
            fields = proc_stat(pid)
            if mine and fields and fields[0] != "Z" and fields[2] == mine[2]:
                found.add(pid)
        return found

    def wait_box_gone(self, box, timeout=5.0, shown_by=()):
        """Waits until message box ``box`` is no longer showing, or the processes ``shown_by`` (its
        box_processes() before it was closed) have all ended: the next box may take the same window id
        before a poll sees this one go."""
        shown_by = set(shown_by)
        wait_until(lambda: box not in self.boxes() or (shown_by and not shown_by & self.box_processes()),
                   timeout, what="the box to close")

    def press_until_gone(self, box, keysym, timeout=30.0):
        """Presses ``keysym`` on message box ``box`` and waits until the box has closed. On a busy
        machine a key sent to a box that has just come up is now and then lost: while the box's own
        process still shows it (so no later box can have taken its window id), the key goes again."""
        shown_by = self.box_processes()
        deadline = time.monotonic() + timeout
        while True:
            self.press(box, keysym)
            try:
                return self.wait_box_gone(box, timeout=2.0 if shown_by else timeout, shown_by=shown_by)
            except TimeoutError:
                if time.monotonic() > deadline or not shown_by & self.box_processes():
                    raise

    #: the key that answers No
    no_key = "Escape"

    def answer(self, box, yes):
        """Answers a Yes/No box: Return (Yes) or no_key (No); waits until the box has closed."""
        self.press_until_gone(box, "Return" if yes else self.no_key)

    def dismiss(self, box):
        """Closes an OK box with Return and waits until it has gone."""
        self.press_until_gone(box, "Return")

    def answer_question(self, yes, timeout=20.0):
        """Waits for the start-up question, checks its caption, answers it; returns the box id."""
        box = self.wait_for_box(timeout)
        title = self.server.box_title(box)
        if title != TITLE:
            raise AssertionError("first box is captioned %r, expected %r" % (title, TITLE))
        self.answer(box, yes)
        return box

    def main_windows(self, title):
        return self.server.main_windows(title)

    def wait_for_window(self, timeout=60.0, title=TITLE):
        """Waits for the program's mapped main window titled ``title``; returns its id (also kept in
        ``self.window``)."""
        def find():
            self._alive_or_fail("the window")
            windows = self.main_windows(title)
            return windows[0] if windows else None
        self.window = wait_until(find, timeout, what="the %r window" % title)
        return self.window

    def frame_timer_armed(self):
        """True when the program's frame timer (its timerfd) is armed right now. Only the main loop
        arms it, once a frame, and it stays armed for all but a few microseconds of each frame."""
        folder = "/proc/%d/fd" % self.process.pid
        try:
            for fd in os.listdir(folder):
                try:
                    if "timerfd" not in os.readlink(os.path.join(folder, fd)):
                        continue
                    with open("/proc/%d/fdinfo/%s" % (self.process.pid, fd)) as f:
                        m = re.search(r"it_value: \((\d+), (\d+)\)", f.read())
                    if m and (m.group(1), m.group(2)) != ("0", "0"):
                        return True
                except OSError:
                    continue
        except OSError:
            pass
        return False

    def wait_until_running(self, timeout=30.0):
        """Waits until the program paces frames in its main loop (its scene is built, its music
        started, its first frames drawn). Call it after wait_for_window and before timing anything,
        taking screenshots of the scene or sending keys that should act at once: start-up can take
        seconds on a loaded machine, and keys sent before the main loop wait in the queue."""
        def armed():
            self._alive_or_fail("the main loop")
            return self.frame_timer_armed()
        wait_until(armed, timeout, interval=0.01, what="the frame timer to be armed (the main loop)")

    def press(self, window, keysym):
        self.server.key(keysym, window=window)

    def key(self, keysym):
        """Sends a key to the main window (wait_for_window first)."""
        if self.window is None:
            raise RuntimeError("call wait_for_window before sending keys")
        self.press(self.window, keysym)

    def child_processes(self):
        """Ids of the processes the program has forked and that still run (or wait to be reaped)."""
        return [int(pid) for pid in os.listdir("/proc")
                if pid.isdigit() and (proc_stat(pid) or [None, None])[1] == str(self.process.pid)]


# ---------------------------------------------------------------------------------------------
# The Windows build under Wine


#: Wine in every test: no debug noise but the boxes' texts (read from the output), no browser, .NET or menu entries
WINE_ENV = {"WINEDEBUG": "-all,trace+msgbox", "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=d"}


def windows_exe():
    path = os.environ.get("GLIMMERHORN_WINDOWS_EXE")  # CTest sets it
    if not path or not os.path.isfile(path):
        raise RuntimeError("set GLIMMERHORN_WINDOWS_EXE to the Windows build's glimmerhorn.exe (got %r)" % path)
    return os.path.abspath(path)


def wine_prefix():
    """The Wine prefix the tests share, made once (some 10 s) in ``$GLIMMERHORN_WINE_PREFIX`` or beside
    the output root."""
    root = os.environ.get("GLIMMERHORN_E2E_OUT") or os.path.join(tempfile.gettempdir(), "glimmerhorn-e2e")
    prefix = os.environ.get("GLIMMERHORN_WINE_PREFIX") or os.path.join(os.path.dirname(root), "wine-prefix")
    if not os.path.isfile(os.path.join(prefix, "system.reg")):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(WINE_ENV, WINEPREFIX=prefix)
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=300, check=False)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120, check=False)
    return prefix


class WineIntro(Intro):
    """Context manager: the Windows build run by ``wine``, watched as Intro watches the Linux one, with
    a wineserver of its own. ``cwd`` defaults to the exe's folder; the GL probe writes a swap stream."""

    def __init__(self, server, exe=None, cwd=None, env=None, out_dir=None, grab_frames=(), command=None,
                 detached=False):
        exe = exe or windows_exe()
        # a command such as ``start`` that starts the intro and ends: its end is no failure
        self.detached = detached
        super().__init__(server, binary=_which("wine"), cwd=cwd or os.path.dirname(exe),
                         args=command if command is not None else [exe], env=env, out_dir=out_dir,
                         gl_probe=True, grab_frames=grab_frames)
        self.prefix = wine_prefix()
        self.swap_stream = os.path.join(self._probe_folder.name, "swaps.txt")
        self.extra_env.update(WINE_ENV, WINEPREFIX=self.prefix, GLIMMERHORN_SWAP_STREAM=self.swap_stream)

    def wine_env(self):
        """The environment of the Wine tools for this intro, without the probe."""
        env = self.server.env
        env.update({k: v for k, v in self.extra_env.items() if not k.startswith(("LD_PRELOAD", "GLIMMERHORN_"))})
        return env

    def __enter__(self):
        subprocess.run(["wineserver", "-k"], env=self.wine_env(), stderr=subprocess.DEVNULL, check=False)
        self.wineserver = subprocess.Popen(["wineserver", "-f", "-p"], env=self.wine_env(),
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, start_new_session=True)
        return super().__enter__()

    def __exit__(self, *exc):
        super().__exit__(*exc)
        subprocess.run(["wineserver", "-k"], env=self.wine_env(), stderr=subprocess.DEVNULL, check=False)
        _stop(self.wineserver, signal.SIGTERM, 10.0)
        return False

    def wine(self, *command, timeout=120):
        """Runs a Wine command in the intro's prefix and server; returns (status, output)."""
        done = subprocess.run([_which("wine")] + list(command), env=self.wine_env(), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout, check=False)
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def box_texts(self):
        """The texts of the message boxes shown so far, oldest first (Wine's msgbox trace)."""
        return [bytes(text, "ascii").decode("unicode_escape")
                for text in re.findall(r'trace:msgbox:MSGBOX_OnInit L"(.*)"', self.output())]

    def _windows(self):
        # Wine makes and drops helper windows all the time: a listing may fail; the caller polls again
        try:
            return self.server.top_windows()
        except subprocess.CalledProcessError:
            return []

    def _mapped(self, fits):
        return [window for window, name, width, height, _x, _y in self._windows() if fits(name, width, height)
                and (self.server.window_info(window) or {}).get("map_state") == "IsViewable"]

    def boxes(self):
        """Message boxes: mapped windows with a caption of the program's, smaller than the main window."""
        return self._mapped(lambda name, w, h: name in (TITLE, "Glimmerhorn", "JPEG Error") and w < 800 and h < 600)

    def main_windows(self, title):
        return self._mapped(lambda name, w, h: name == title and w >= 800 and h >= 600)

    def box_processes(self):
        return set()

    def _alive_or_fail(self, what):
        if not self.detached:
            super()._alive_or_fail(what)

    def main_window_gone(self, timeout=30.0):
        """Waits until no window of the intro's is left (for a detached intro)."""
        wait_until(lambda: not any(name == TITLE for _w, name, *_rest in self._windows()), timeout,
                   what="the intro's window to go")

    def press(self, window, keysym):
        """Focuses ``window`` and presses a key there: Wine takes no key sent to a window unfocused."""
        self.server.run("xdotool", "windowfocus", str(window), "key", keysym, check=False)

    no_key = "n"  # No's mnemonic; Yes is the default button


    def swaps(self):
        """The swap stream's lines so far: monotonic and CPU seconds of each swap."""
        try:
            with open(self.swap_stream) as f:
                return [tuple(float(v) for v in line.split()) for line in f if line.count(" ") == 1]
        except OSError:
            return []

    def wait_until_running(self, timeout=60.0):
        def swapping():
            self._alive_or_fail("the main loop")
            return len(self.swaps()) >= 3
        wait_until(swapping, timeout, interval=0.05, what="frames to be swapped (the main loop)")



# ---------------------------------------------------------------------------------------------
# The web build in real browsers


#: the browsers the web tests run in, as tests/web/driver.js names them
BROWSERS = ("chromium", "firefox")


def browsers():
    """The browsers a web test runs in: ``$GLIMMERHORN_BROWSER`` (CTest runs each alone), else both."""
    chosen = os.environ.get("GLIMMERHORN_BROWSER")
    return (chosen,) if chosen else BROWSERS


def web_build():
    """The folder tools/web.sh builds into (site/, glimmerhorn.html, trace/): ``$GLIMMERHORN_WEB_BUILD``
    (CTest sets it), else build-web/ of the source tree."""
    source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.environ.get("GLIMMERHORN_WEB_BUILD") or os.path.join(source, "build-web")


class PulseAudio:
    """Context manager: a PulseAudio of its own with one null sink ("intro", float stereo at ``rate``);
    ``env`` points clients at it. For programs that need a sound output to play at all."""

    def __init__(self, rate=44100):
        self.rate = rate
        self.process = None

    def __enter__(self):
        self.folder = tempfile.mkdtemp(prefix="glimmerhorn-pulse-")
        socket = os.path.join(self.folder, "native")
        self.env = {"PULSE_SERVER": "unix:" + socket}
        env = dict(os.environ, HOME=self.folder, XDG_RUNTIME_DIR=self.folder, **self.env)
        self.process = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disallow-exit",
             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
             "--load=module-null-sink sink_name=intro format=float32le rate=%d channels=2" % self.rate,
             "--load=module-always-sink"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists(socket), 20.0, what="PulseAudio's socket")
        return self

    def __exit__(self, *exc):
        _stop(self.process, signal.SIGTERM, 5.0)
        subprocess.run(["rm", "-rf", self.folder], check=False)
        return False


class Browser:
    """Context manager: a page of the web build in Chromium (headless) or Firefox ESR, both from Debian,
    driven by tests/web/driver.js (puppeteer-core; ``npm ci --prefix tests/web`` installs it, as
    tools/test.sh does). ``folder`` is served over HTTP on 127.0.0.1 (``open("index.html")``); ``open``
    also takes a file (a file:// URL then). The page's test hooks collect into ``window.__gh``:
    ``grab`` the frame numbers whose pixels are read back (``grab_frame`` adds one), ``audio_seconds``
    how much of the sound is kept, ``gl_calls`` N the trace build's GL lines up to the end of frame N
    (``save_gl_calls``; with ``gl_only`` only the lines that start so, and "# frame N" after each
    frame's); ``raf`` replaces requestAnimationFrame with one at that
    rate (Hz); ``offline`` sends every request but loopback to a closed port; ``page`` passes more of
    driver.js's launch options (ticks, slow_draw, busy, no_webgl); ``no_sound``: Firefox has no sound server.

    Traps: Firefox makes no WebGL context in its own headless mode, so it runs windowed on an Xvfb of
    its own with webgl.force-enabled. Its full screen (on the question's answer, as in Chromium) needs the
    focus in the tab: Firefox starts with it in the address bar, where the driver's navigations and
    clicks (no X input) leave it, and refuses requestFullscreen ("not in the currently focused tab").
    One real click (xdotool) into the blank first page moves it there. And it needs a window manager
    (Openbox, started first: it focuses a new window and handles _NET_WM_STATE_FULLSCREEN), or the full
    screen keeps the unmanaged window's size. The screen is 800 x 600, as Chromium's headless one: the
    page is 800 x 600 in full screen and windowed (the window's foot then hangs below the screen, which
    changes nothing drawn). The canvas's pixels are read inside onFrame, before
    the swap presents them (the drawing buffer is not preserved after it). The question's click is the
    user gesture Web Audio needs: answer it with ``answer`` (a trusted click), never from page script.
    Firefox plays no sound with no output device (onAudio is never called): it gets a PulseAudio null
    sink of its own. The http server runs in a thread of the test process and serves .wasm as
    application/wasm.
    """

    def __init__(self, browser, folder=None, out_dir=None, grab=(), audio_seconds=0, gl_calls=0,
                 raf=None, offline=False, gl_only=None, no_sound=False, **page):
        self.browser = browser
        self.folder = folder
        self.out_dir = out_dir
        self.launch = {"op": "launch", "browser": browser, "grab": list(grab), "audio_seconds": audio_seconds,
                       "gl_calls": gl_calls, "raf": raf, "offline": offline, "gl_only": gl_only, **page}
        self.no_sound = no_sound
        self.x = self.wm = self.server = self.driver = self.pulse = None

    def __enter__(self):
        web = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "web")
        if not os.path.isdir(os.path.join(web, "node_modules", "puppeteer-core")):
            raise RuntimeError("the browser driver is not installed: npm ci --prefix %s" % web)
        try:
            if self.browser == "firefox":
                self.x = Xvfb(depth=24, size=(800, 600)).__enter__()
                self.wm = Openbox(self.x, log_dir=self.out_dir).__enter__()
                self.launch["display"] = self.x.display
                self.pulse = None if self.no_sound else PulseAudio().__enter__()
                self.launch["env"] = self.pulse.env if self.pulse else {"PULSE_SERVER": "unix:/nonexistent"}
            if self.folder:
                class Quiet(http.server.SimpleHTTPRequestHandler):
                    def log_message(self, *args):
                        pass
                handler = functools.partial(Quiet, directory=self.folder)
                self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
                threading.Thread(target=self.server.serve_forever, daemon=True).start()
            self._log = open(os.path.join(self.out_dir, "browser.log") if self.out_dir else os.devnull, "wb")
            self.driver = subprocess.Popen(["node", os.path.join(web, "driver.js")], stdin=subprocess.PIPE,
                                           stdout=subprocess.PIPE, stderr=self._log, start_new_session=True)
            self.version = self.call(**self.launch)
            if self.x:
                self._focus_page()
        except Exception:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        if self.driver:
            try:
                self.call("close", driver_timeout=30)
            except Exception:
                pass
            self.driver.stdin.close()
            _stop(self.driver, signal.SIGTERM, 10.0)
            self.driver.stdout.close()
            if self.driver.poll() is not None:
                try:
                    os.killpg(self.driver.pid, signal.SIGKILL)  # a browser left behind by a killed driver
                except ProcessLookupError:
                    pass
            self._log.close()
        if self.server:
            self.server.shutdown()
            self.server.server_close()
        for manager in (self.wm, self.x, self.pulse):
            if manager:
                manager.__exit__(None, None, None)
        return False

    def _focus_page(self):
        """Moves the focus from the address bar into the tab, as a viewer's click into the page does; the
        pointer is then parked in the screen's far corner, off the page's boxes."""
        x, y = self.eval("[mozInnerScreenX + innerWidth / 2, mozInnerScreenY + innerHeight / 2].map(Math.round)")
        self.x.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1",
                   "mousemove", str(self.x.width - 1), str(self.x.height - 1))
        self.wait("document.hasFocus()", 20.0, "the page to have the focus")

    def call(self, op, driver_timeout=120, **fields):
        """Sends one command to the driver (see tests/web/driver.js) and returns its value."""
        fields["op"] = op
        timeout = driver_timeout
        self.driver.stdin.write((json.dumps(fields) + "\n").encode())
        self.driver.stdin.flush()
        ready, _, _ = select.select([self.driver.stdout], [], [], timeout)
        line = self.driver.stdout.readline() if ready else b""
        if not line:
            raise AssertionError("the browser driver gave no answer to %r within %d s" % (op, timeout))
        answer = json.loads(line)
        if not answer["ok"]:
            raise AssertionError("%s in %s failed: %s" % (op, self.browser, answer["error"]))
        return answer.get("value")  # none where the value has no JSON form (a page's element in Firefox)

    def url(self, name):
        """The URL of ``name``: on the test's server, or a file:// URL for a path."""
        if os.path.isabs(name):
            return "file://" + name
        return "http://127.0.0.1:%d/%s" % (self.server.server_address[1], name)

    def open(self, name="index.html"):
        """Opens the page; returns the URLs requested while it loaded."""
        return self.call("goto", url=self.url(name))

    def eval(self, expr):
        return self.call("eval", expr=expr)

    def wait(self, expr, timeout=60.0, what=None):
        """Waits until the page expression ``expr`` is truthy and returns its value."""
        try:
            return self.call("wait", expr=expr, timeout=timeout, driver_timeout=timeout + 30)
        except AssertionError as error:
            raise AssertionError("%s: waiting for %s: %s" % (self.browser, what or expr, str(error)[:400]))

    def wait_for_box(self, timeout=60.0):
        """Waits for an open box (``dialog.box``); returns its caption, text and buttons (value, label). Firefox
        with a sound server takes a second or more here to bring up the output the page starts when the
        question shows: it is given that, as a viewer reading the question gives it."""
        box = self.wait("""(() => { const d = document.querySelector('dialog.box[open]'); return d && {
            caption: d.querySelector('.caption').textContent, text: d.querySelector('.text').textContent,
            buttons: [...d.querySelectorAll('button')].map(b => [b.value, b.textContent.trim()])}; })()""",
                         timeout, "a box")
        if self.pulse and ["yes", "Yes"] in box["buttons"]:
            time.sleep(2.0)
        return box

    def start(self, yes, page="index.html", frames=3):
        """Opens the page, checks that the first box is the question, answers it and waits for frames."""
        self.open(page)
        box = self.wait_for_box()
        if box["caption"] != TITLE:
            raise AssertionError("the first box is captioned %r, expected %r" % (box["caption"], TITLE))
        self.answer(yes)
        self.wait_frames(frames)
        return box

    def press_box(self, value):
        """Clicks the button ``value`` (yes, no, ok) of the open box and waits until the box has closed."""
        self.eval("document.querySelector('dialog.box[open]').dataset.pressed = 'yes'")
        self.call("click", selector="dialog.box[open] button[value=%s]" % value)
        self.wait("!document.querySelector('dialog.box[data-pressed]')", 10.0, "the box to close")

    def answer(self, yes):
        self.press_box("yes" if yes else "no")

    def key(self, key):
        """Presses a key in the page (puppeteer's names: "Escape", "q", "Enter", "a")."""
        self.call("key", key=key)

    def frames(self):
        """[number, page time in ms, canvas width, height] of every frame so far, as onFrame saw them."""
        return self.eval("__gh.frames")

    def wait_frames(self, count, timeout=120.0):
        return self.wait("__gh.frames.length >= %d" % count, timeout, "%d frames" % count)

    def frame(self, number, timeout=120.0):
        """Frame ``number`` (one of ``grab``) as read back from the canvas: an Image, top row first."""
        self.wait("__gh.pixels[%d]" % number, timeout, "frame %d" % number)
        found = self.eval("__gh.takePixels(%d)" % number)
        rgba, width, height = base64.b64decode(found["rgba"]), found["width"], found["height"]
        rgb = bytearray(width * height * 3)
        for row in range(height):  # read bottom row first
            line = rgba[(height - 1 - row) * width * 4:(height - row) * width * 4]
            target = memoryview(rgb)[row * width * 3:(row + 1) * width * 3]
            target[0::3], target[1::3], target[2::3] = line[0::4], line[1::4], line[2::4]
        return Image(width, height, bytes(rgb))

    def grab_frame(self, number):
        """Reads back frame ``number`` too when it comes (see frame)."""
        self.eval("__gh.wanted.add(%d), true" % number)

    def audio(self, timeout=60.0):
        """(interleaved stereo float samples, sample rate) of the first ``audio_seconds`` that onAudio got,
        once that much has come; an AssertionError if it has not within ``timeout`` seconds."""
        self.wait("__gh.audioDone", timeout, "%s s of sound" % self.launch["audio_seconds"])
        path = tempfile.mktemp(prefix="glimmerhorn-audio-")
        try:
            self.call("save", expr="__gh.takeAudio()", file=path, base64=True)
            samples = array.array("f")
            with open(path, "rb") as f:
                samples.frombytes(f.read())
        finally:
            if os.path.exists(path):
                os.remove(path)
        return samples, self.eval("__gh.rate")

    def save_gl_calls(self, path):
        """Appends the GL lines collected since the last call to ``path``."""
        self.call("save", expr="__gh.takeGl()", file=path, append=True)

    def glyph_calls(self, frames):
        """The scroller's glyph lists in frames 1 to ``frames`` of a traced page launched with gl_calls
        >= frames and gl_only="glCallList": a list a frame of the 18 bytes they name."""
        self.wait("__gh.gl.filter(l => l[0] == '#').length >= %d" % frames, 120.0, "%d frames" % frames)
        found, frame = [], []
        for line in self.eval("__gh.gl"):
            if line.startswith("# frame"):
                found.append(frame[-18:])  # the ornaments' calls of list 1 come first
                frame = []
            else:
                frame.append(int(line[line.index("(") + 1:line.index(")")]) & 0xFF)
        return found[:frames]

    def ends(self):
        """The statuses onEnd was called with."""
        return [status for status, _t in self.eval("__gh.ends")]

    def lose_context(self, restore_after_ms=500):
        """Loses the page's WebGL context (WEBGL_lose_context) and restores it ``restore_after_ms`` later."""
        self.eval("""(() => { const lose = __gh.context.getExtension('WEBGL_lose_context'); lose.loseContext();
            setTimeout(() => lose.restoreContext(), %d); return true; })()""" % restore_after_ms)
