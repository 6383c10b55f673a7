"""Drives a real trov.exe under Wine from the outside, as a person would: the X pointer and
keyboard (xdotool), the pixels on the X screen (xwd), the development engine's call log and the
inspector. Every check polls for its condition with a deadline; nothing waits blindly."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import zlib
from pathlib import Path

# Filled in by run_e2e.py before any test runs.
CONFIG = {"bin": None, "artifacts": None}

XDOTOOL = "/usr/bin/xdotool"
XWD = "/usr/bin/xwd"

WHITE = (255, 255, 255)
HOVER_FILL = (235, 235, 235)
CLOSE_HOVER_FILL = (232, 17, 35)
LOADING_BLUE = (0, 120, 212)
RULE_GREY = (230, 230, 230)

HOME_URL = "https://duckduckgo.com/"
SEARCH_URL = "https://duckduckgo.com/?q="

# Toolbar slots: name -> (index, anchored to the right edge, offset of the left edge).
SLOTS = {
    "back": (0, False, 12),
    "forward": (1, False, 64),
    "refresh": (2, False, 116),
    "home": (3, False, 168),
    "close": (4, True, 60),
    "maximize": (5, True, 112),
    "minimize": (6, True, 164),
    "menu": (7, True, 216),
}
# What a screen reader calls each slot (the maximise slot while the window is not maximised).
SLOT_NAMES = {"back": "后退", "forward": "前进", "refresh": "刷新", "home": "主页", "close": "关闭",
              "maximize": "最大化", "minimize": "最小化", "menu": "菜单"}
ROLE_PUSH_BUTTON = 43
SLOT_TOP = 8
SLOT_SIZE = 48
TOOLBAR_HEIGHT = 64
MENU_BOTTOM = 384
PANEL_RULE_Y = 383
LOADING_ROW = 62

MENU_ITEMS = {
    (0, 0): ("添加书签功能开发中", "提示"),
    (0, 1): ("下载管理功能开发中", "提示"),
    (0, 2): ("历史记录功能开发中", "提示"),
    (1, 1): ("Trov Browser v1.0", "关于"),
}
EMPTY_CELLS = [(1, 0), (1, 2)]

# The engine's lines as it lets go of each handler the browser registers, in the order a Close lets
# them go, then of its three objects as the browser releases them.
HANDLER_RELEASES = ["Released acceleratorhandler", "Released movefocushandler", "Released gotfocushandler",
                    "Released lostfocushandler", "Released navigationstartinghandler",
                    "Released navigationcompletedhandler", "Released sourcechangedhandler",
                    "Released processfailedhandler", "Released fullscreenhandler"]
ENGINE_RELEASES = HANDLER_RELEASES + ["Released webview", "Released controller", "Released environment"]
# The engine's start, with no browser folder and the engine's default user-data folder beside trov.exe.
CREATE_ENVIRONMENT = "CreateCoreWebView2EnvironmentWithOptions null null"


def slot_left(name, client_width):
    _, right, offset = SLOTS[name]
    return client_width - offset if right else offset


def cell_point(row, column, client_width):
    """A point inside a cell of the panel's 3 by 2 grid (rows 160 high below the toolbar)."""
    column_width = client_width // 3
    return column * column_width + column_width // 2, TOOLBAR_HEIGHT + row * 160 + 100


# ---------------------------------------------------------------------------------------------
# Polling


class Timeout(AssertionError):
    pass


class GrabFailed(RuntimeError):
    """A screen grab that did not come back (the X server can refuse one while windows change)."""


def wait_until(condition, timeout, what, interval=0.05):
    """Returns the first truthy value of condition(); fails with `what` and the last value seen.
    A failed screen grab counts as not yet: the condition is asked again until the deadline."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = condition()
        except GrabFailed as failure:
            last = failure
        if last and not isinstance(last, GrabFailed):
            return last
        if time.monotonic() >= deadline:
            raise Timeout(f"timed out after {timeout:.1f}s waiting for {what} (last seen: {last!r})")
        time.sleep(interval)


def in_order(lines, expected):
    """Whether `expected` occurs in `lines` in that order, other lines allowed between."""
    rest = iter(lines)
    return all(any(line == wanted for line in rest) for wanted in expected)


# ---------------------------------------------------------------------------------------------
# The X screen


class Screen:
    """One capture of the X root window, read from xwd's output."""

    def __init__(self, raw):
        header = struct.unpack(">25I", raw[:100])
        (header_size, _version, _format, _depth, width, height, _xoff, byte_order, _unit, _bit_order, _pad,
         bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask, blue_mask, _bits_rgb, _entries,
         ncolors) = header[:20]
        if bits_per_pixel not in (24, 32):
            raise RuntimeError(f"xwd: {bits_per_pixel} bits per pixel is not supported; run Xvfb at depth 24")
        self.width, self.height = width, height
        self._bpp = bits_per_pixel // 8
        self._stride = bytes_per_line
        self._little = byte_order == 0
        self._masks = (red_mask, green_mask, blue_mask)
        self._shifts = tuple((m & -m).bit_length() - 1 for m in self._masks)
        self._data = memoryview(raw)[header_size + 12 * ncolors:]

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        at = y * self._stride + x * self._bpp
        value = int.from_bytes(self._data[at:at + self._bpp], "little" if self._little else "big")
        return tuple((value & m) >> s for m, s in zip(self._masks, self._shifts))

    def rgb_rows(self):
        """The whole screen as 8-bit RGB rows."""
        fast = self._bpp == 4 and self._little and self._masks == (0xFF0000, 0xFF00, 0xFF)
        for y in range(self.height):
            row = bytes(self._data[y * self._stride:y * self._stride + self.width * self._bpp])
            if fast:
                out = bytearray(self.width * 3)
                out[0::3], out[1::3], out[2::3] = row[2::4], row[1::4], row[0::4]
                yield bytes(out)
            else:
                yield b"".join(bytes(self.pixel(x, y)) for x in range(self.width))

    def save_png(self, path):
        raw = b"".join(b"\x00" + row for row in self.rgb_rows())

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b"")
        Path(path).write_bytes(png)


def glyph_masks(screen, rect, dark=128):
    """The text inside a screen rectangle, cut into glyphs at the columns without a dark pixel:
    each glyph as a tuple of its columns' dark rows. Characters a font lacks all come out the same."""
    left, top, right, bottom = rect
    glyphs, current = [], []
    for x in range(left, right):
        column = tuple(y - top for y in range(top, bottom) if sum(screen.pixel(x, y) or (255, 255, 255)) < dark * 3)
        if column:
            current.append(column)
        elif current:
            glyphs.append(tuple(current))
            current = []
    if current:
        glyphs.append(tuple(current))
    return glyphs


class ScreenArea:
    """A rectangle of the X screen as ImageMagick composes it, window by window. Wine draws its dialogs
    in windows of another depth, which xwd's single read of the root window shows black."""

    def __init__(self, env, rect):
        left, top, right, bottom = rect
        ppm = grab(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                    "+repage", "-depth", "8", "ppm:-"], env)
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)  # one whitespace byte, then the pixels
        if not header:
            raise GrabFailed(f"import wrote no picture ({len(ppm)} bytes)")
        self.left, self.top = left, top
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self._pixels = ppm[header.end():]

    def pixel(self, x, y):
        x, y = x - self.left, y - self.top
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        at = (y * self.width + x) * 3
        return tuple(self._pixels[at:at + 3])


def grab(command, env):
    try:
        return subprocess.run(command, check=True, capture_output=True, env=env, timeout=30).stdout
    except (subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
        raise GrabFailed(f"{command[0]}: {error}; {getattr(error, 'stderr', b'') or b''!r}") from None


def capture(env=None):
    raw = grab([XWD, "-root", "-silent"], env)
    if len(raw) < 100:
        raise GrabFailed(f"xwd wrote {len(raw)} bytes")
    return Screen(raw)


# ---------------------------------------------------------------------------------------------
# Wine


def wine_binary():
    if os.path.exists("/usr/lib/wine/wine64"):
        return "/usr/lib/wine/wine64"
    return shutil.which("wine64") or shutil.which("wine") or "wine"


def wine_environment():
    """The environment for every Wine and X call: the display and the project's prefix for it."""
    env = dict(os.environ)
    display = env.get("DISPLAY")
    if not display:
        raise RuntimeError("DISPLAY is not set: run the end-to-end tests through scripts/test")
    if not env.get("WINEPREFIX"):
        number = display.split(":", 1)[-1].split(".", 1)[0]
        env["WINEPREFIX"] = str(Path(CONFIG["bin"]).parent / "wine" / f"display-{number}")
    if not (Path(env["WINEPREFIX"]) / ".trov-ready").exists():
        raise RuntimeError(f"no prepared Wine prefix at {env['WINEPREFIX']}: run through scripts/test")
    env["WINEARCH"] = "win64"
    env["WINEDEBUG"] = "-all"
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d")
    for name in ("TROV_ENGINE_LOG", "TROV_ENGINE_DELAY_MS", "TROV_ENGINE_FAIL", "TROV_ENGINE_CHROMIUM",
                 "TROV_ENGINE_FRAME_LOG", "TROV_ENGINE_FAIL_RESTARTS"):
        env.pop(name, None)
    return env


def run_inspector(env, *args, timeout=30):
    command = [wine_binary(), str(Path(CONFIG["bin"]) / "trov_inspector.exe"), *map(str, args)]
    # Output goes to a file, not a pipe: Wine's helper processes started meanwhile (the desktop,
    # services) inherit the handles and would hold a pipe open long after the inspector has exited.
    with tempfile.TemporaryFile() as out:
        try:
            result = subprocess.run(command, cwd=CONFIG["bin"], env=env, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.DEVNULL, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the inspector did not answer within {timeout}s: {' '.join(command)}") from None
        out.seek(0)
        return result.returncode, out.read().decode("utf-8", "replace")


def warm_up_wine():
    """Starts the prefix's Wine server and services with a process of our own before any browser, so
    that their start-up (slow on a fresh server) is not counted against a test's deadlines."""
    env = wine_environment()
    for attempt in (1, 2):
        try:
            run_inspector(env, "info", timeout=180)
            return
        except AssertionError:
            if attempt == 2:
                raise


def windows_path(path):
    """A Unix path as Wine's Z: drive sees it, whatever the current directory."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def parse_rect(text):
    return tuple(int(v) for v in text.split())


class Trov:
    """One trov.exe process with its own engine log."""

    def __init__(self, name, engine_env=None):
        self.name = name
        self.env = wine_environment()
        self.workdir = Path(tempfile.mkdtemp(prefix=f"trov-e2e-{name}-"))
        self.log_path = self.workdir / "engine.log"
        self.env["TROV_ENGINE_LOG"] = windows_path(self.log_path)
        self.env.update(engine_env or {})
        self.bin = Path(CONFIG["bin"])
        self.process = None
        self.exit_code = None
        self.geometry = None

    # -- process ------------------------------------------------------------------------------

    def start(self, timeout=60):
        self.process = subprocess.Popen([wine_binary(), str(self.bin / "trov.exe")], cwd=str(self.bin), env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + timeout
        code = 1
        # An inspector that could not run at all (Wine's server still settling after the previous
        # session) answers at once; it is asked again until the deadline.
        while code != 0 and self.process.poll() is None and time.monotonic() < deadline:
            remaining = max(1, int(deadline - time.monotonic()))
            code, _ = self.inspector("wait-window", remaining * 1000, timeout=remaining + 30)
            if code != 0:
                time.sleep(0.2)
        if self.process.poll() is not None:
            raise AssertionError(f"trov.exe ended during start-up with exit code {self.process.returncode}")
        if code != 0:
            raise AssertionError(f"no visible Trov window within {timeout}s")
        self.refresh_geometry()

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout):
        try:
            self.exit_code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"trov.exe still running {timeout}s after its window was closed") from None
        return self.exit_code

    def stop(self):
        """Ends this process if a test left it running (our own child, by its handle)."""
        if self.alive():
            self.process.kill()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        shutil.rmtree(self.workdir, ignore_errors=True)

    # -- inspector ----------------------------------------------------------------------------

    def inspector(self, *args, timeout=30):
        return run_inspector(self.env, *args, timeout=timeout)

    def info(self):
        # Asked again when it found no window: an inspector started while Wine is busy now and then
        # fails to see one that is there.
        for _ in range(3):
            code, out = self.inspector("info")
            if code == 0 or not self.alive():
                break
            time.sleep(0.2)
        values = {}
        for line in out.splitlines():
            key, sep, value = line.rstrip("\r").partition("=")
            if sep:
                values.setdefault(key, value)
        return values

    def dialog(self):
        """Everything the inspector reads from an open message box or dialog of the window, or None."""
        code, out = self.inspector("messagebox")
        if code != 0:
            return None
        return dict(line.rstrip("\r").partition("=")[::2] for line in out.splitlines() if "=" in line)

    def messagebox(self):
        fields = self.dialog()
        if fields is None:
            return None
        return {"caption": fields.get("caption"), "text": fields.get("text")}

    def wait_dialog(self, what, timeout=10, **expected):
        """Waits for a dialog whose fields have the expected values; returns all its fields."""
        def matching():
            fields = self.dialog()
            return fields if fields and all(fields.get(k) == v for k, v in expected.items()) else None
        return wait_until(matching, timeout, what)

    def accessible(self):
        """The client area's children as a screen reader reads them from another process: a dict per
        child with its id, role, state, name and location (left, top, width, height on the screen)."""
        code, out = self.inspector("accessible")
        if code != 0:
            raise AssertionError(f"the inspector found no accessible object: {out!r}")
        children = []
        for line in out.splitlines():
            match = re.match(r"child=(\d+)( object=1)? role=(\S+) state=(\S+) location=(.*?) name=(.*)$", line.rstrip("\r"))
            if match:
                number, own, role, state, location, name = match.groups()
                children.append({"id": int(number), "object": bool(own), "role": role, "state": state,
                                 "location": location, "name": name})
        return children

    def tooltip(self):
        """The text and screen rectangle of the tooltip shown for the window, or None."""
        code, out = self.inspector("tooltip")
        if code != 0:
            return None
        fields = dict(line.rstrip("\r").partition("=")[::2] for line in out.splitlines() if "=" in line)
        return {"text": fields.get("text"), "rect": parse_rect(fields["rect"])}

    def bar_text(self):
        return self.info().get("addressbar_text")

    def wait_bar(self, text, timeout=10):
        wait_until(lambda: self.bar_text() == text, timeout, f"the address bar to show {text!r}")

    def refresh_geometry(self):
        """Client size and the client area's origin on the X screen, from the window and client rects."""
        info = self.info()
        left, top, right, bottom = parse_rect(info["rect"])
        _, _, width, height = parse_rect(info["client"])
        border = ((right - left) - width) // 2
        caption = (bottom - top) - height - border
        self.geometry = {"origin": (left + border, top + caption), "width": width, "height": height,
                         "rect": (left, top, right, bottom), "info": info}
        return self.geometry

    @property
    def width(self):
        return self.geometry["width"]

    @property
    def height(self):
        return self.geometry["height"]

    # -- engine log ---------------------------------------------------------------------------

    def log(self):
        try:
            return self.log_path.read_text(encoding="utf-8").splitlines()
        except FileNotFoundError:
            return []

    def mark(self):
        return len(self.log())

    def since(self, mark):
        return self.log()[mark:]

    def wait_log(self, line, mark, timeout=10):
        """Waits for an exact line after the mark; returns the lines after the mark up to it."""
        def found():
            lines = self.since(mark)
            return lines[:lines.index(line) + 1] if line in lines else None
        return wait_until(found, timeout, f"engine log line {line!r}")

    def bounds_top(self):
        """The top of the last web view bounds in the log, or None."""
        for line in reversed(self.log()):
            if line.startswith("put_Bounds "):
                return int(line.split()[2])
        return None

    # -- pointer, keyboard, pixels --------------------------------------------------------------

    def screen_point(self, x, y):
        ox, oy = self.geometry["origin"]
        return ox + x, oy + y

    def xdotool(self, *args):
        subprocess.run([XDOTOOL, *map(str, args)], check=True, env=self.env, timeout=30)

    def move(self, x, y):
        self.xdotool("mousemove", *self.screen_point(x, y))

    def click(self, x, y):
        self.xdotool("mousemove", *self.screen_point(x, y), "click", "1")

    def click_slot(self, name):
        self.click(slot_left(name, self.width) + SLOT_SIZE // 2, SLOT_TOP + SLOT_SIZE // 2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "30", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "20", text)

    def pixel(self, x, y):
        """One client pixel as the screen shows it now (a failed grab is taken again)."""
        screen = wait_until(lambda: capture(self.env), 5, "a screen grab that succeeds")
        return screen.pixel(*self.screen_point(x, y))

    def wait_pixels(self, expected, timeout=5, what=None):
        """Waits until every client point in `expected` ({(x, y): rgb}) shows its colour in one capture."""
        seen = {}

        def check():
            screen = capture(self.env)
            seen.clear()
            seen.update({p: screen.pixel(*self.screen_point(*p)) for p in expected})
            return all(seen[p] == rgb for p, rgb in expected.items())
        try:
            wait_until(check, timeout, what or f"pixels {expected}")
        except Timeout as failure:
            raise Timeout(f"{failure}; pixels seen: {dict(seen)}") from None
        return dict(seen)

    def save_screenshot(self, path):
        capture(self.env).save_png(path)

    # -- compound actions ---------------------------------------------------------------------

    def focus_bar(self):
        """Clicks into the address bar with the pointer, and waits for it to have the focus."""
        self.click(260 + 20, 14 + 18)
        wait_until(lambda: self.info().get("focus") == "addressbar", 5, "the address bar to take the focus")

    def fill_bar(self, text):
        """Replaces the bar's text by typing: the whole line selected from the keyboard, then typed over."""
        self.focus_bar()
        self.key("End", "shift+Home")
        if text:
            self.type(text)
        else:
            self.key("BackSpace")
        self.wait_bar(text, timeout=10)

    def navigate_by_typing(self, text, expected_url, enter="Return"):
        """Types text and Enter; returns the log lines from Navigate to the navigation's completion."""
        self.fill_bar(text)
        mark = self.mark()
        self.key(enter)
        self.wait_log(f"Navigate {expected_url}", mark)
        return mark

    def mouse_away(self):
        """The pointer over the page, off every toolbar slot."""
        self.move(self.width // 2, max(TOOLBAR_HEIGHT + 200, self.height - 100))

    def menu_open(self):
        """Whether the panel shows on screen: its rule at the band's new bottom edge."""
        return self.pixel(8, PANEL_RULE_Y) == RULE_GREY


def save_artifacts(trov, name):
    out = Path(CONFIG["artifacts"])
    out.mkdir(parents=True, exist_ok=True)
    saved = []
    try:
        wait_until(lambda: capture(trov.env if trov else None), 5, "a screen grab").save_png(out / f"{name}.png")
        saved.append(out / f"{name}.png")
    except Exception as error:  # a failed capture must not hide the test's own failure
        print(f"e2e: no screenshot for {name}: {error}")
    if trov is not None and trov.log_path.exists():
        shutil.copyfile(trov.log_path, out / f"{name}.log")
        saved.append(out / f"{name}.log")
    for path in saved:
        print(f"e2e: saved {path}")


def assert_no_messagebox_for(test, trov, seconds):
    """Looks for a message box again and again for a while: none may show up."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        test.assertIsNone(trov.messagebox(), "a message box appeared")
        time.sleep(0.1)


def check_works_without_engine(test, trov):
    """The window of a Trov whose engine never came: it has its size and toolbar, hover and the menu
    panel with its About box work, a typed address and the navigation buttons do nothing, and no
    box of its own tells the person."""
    info = trov.info()
    test.assertEqual(info.get("class"), "TrovBrowserClass")
    left, top, right, bottom = parse_rect(info["rect"])
    test.assertEqual((right - left, bottom - top), (1200, 800))
    # Nothing tells the user about the runtime with a box of its own.
    assert_no_messagebox_for(test, trov, 1.5)
    width = trov.width

    for name, fill in (("back", HOVER_FILL), ("menu", HOVER_FILL), ("close", CLOSE_HOVER_FILL)):
        trov.move(slot_left(name, width) + 42, SLOT_TOP + 44)
        trov.wait_pixels({(slot_left(name, width) + 3, SLOT_TOP + 3): fill}, what=f"the hover fill of {name}")
    trov.mouse_away()
    trov.wait_pixels({(slot_left("close", width) + 3, SLOT_TOP + 3): WHITE})

    trov.fill_bar("typed without engine")
    trov.key("Return")
    for name in ("back", "forward", "refresh", "home"):
        trov.click_slot(name)
    trov.mouse_away()
    trov.wait_pixels({(100, 63): RULE_GREY})

    trov.click_slot("menu")
    trov.wait_pixels({(8, PANEL_RULE_Y): RULE_GREY}, what="the open panel")
    text, caption = MENU_ITEMS[(1, 1)]
    trov.click(*cell_point(1, 1, width))
    box = wait_until(trov.messagebox, 5, "the About box")
    test.assertEqual(box, {"caption": caption, "text": text})
    trov.key("Return")
    wait_until(lambda: trov.messagebox() is None, 5, "the About box to close")
    trov.wait_pixels({(8, PANEL_RULE_Y): WHITE}, what="the panel closed")
    assert_no_messagebox_for(test, trov, 0.5)

    test.assertTrue(trov.alive())
    test.assertEqual(trov.bar_text(), "typed without engine")


class BrowserTestCase(unittest.TestCase):
    """A test class shares one process (Wine start-up is slow); tests leave it in a known state."""

    trov = None
    engine_env = None
    maxDiff = None

    @classmethod
    def start_browser(cls, name, engine_env=None, wait_first_page=True):
        cls.trov = Trov(name, engine_env)
        cls.addClassCleanup(cls.trov.stop)
        try:
            cls.trov.start()
            if wait_first_page:
                cls.trov.wait_log(f"NavigationCompleted {HOME_URL}", 0, timeout=30)
        except Exception:
            save_artifacts(cls.trov, f"{name}-start-up")
            raise

    def tearDown(self):
        """Whatever a test did, Trov closed and let go of no engine object inside one of its events."""
        if self.trov is not None:
            self.assertEqual([line for line in self.trov.log() if line.startswith("Reentrant ")], [])

    def assert_no_messagebox_for(self, seconds):
        assert_no_messagebox_for(self, self.trov, seconds)

    def save_artifacts(self):
        """On failure: the screen and the engine log beside the test output."""
        save_artifacts(self.trov, self._testMethodName)

    def restore_normal_state(self):
        """No message box, window restored at 1200 by 800, panel closed, pointer on the page."""
        trov = self.trov
        if not trov.alive():
            self.fail("trov.exe is no longer running")
        for _ in range(3):
            if trov.messagebox() is None:
                break
            trov.inspector("dismiss-messagebox")
            wait_until(lambda: trov.messagebox() is None, 5, "the message box to close")
        def state():
            info = trov.info()
            return info.get("iconic"), info.get("zoomed")
        for _ in range(3):
            before = state()
            if before == ("0", "0"):
                break
            # Restoring a window minimised from maximised brings it back maximised: a second round.
            trov.inspector("restore")
            wait_until(lambda: state() != before, 5, "the window to leave the minimised or maximised state")
        def normal_size():
            geometry = trov.refresh_geometry()
            left, top, right, bottom = geometry["rect"]
            return geometry["info"].get("iconic") == "0" and geometry["info"].get("zoomed") == "0" and \
                (right - left, bottom - top) == (1200, 800)
        if not normal_size():
            trov.inspector("resize", 1200, 800)
        wait_until(normal_size, 5, "the window restored at 1200x800")
        if trov.menu_open():
            trov.click_slot("menu")
            wait_until(lambda: not trov.menu_open(), 5, "the panel to close")
        trov.mouse_away()

