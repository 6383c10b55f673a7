"""The browser with a working engine, driven through one process from start-up to its close button."""

import os
import random
import re
import tempfile

from trov_e2e import (CLOSE_HOVER_FILL, CREATE_ENVIRONMENT, EMPTY_CELLS, ENGINE_RELEASES, HOME_URL, HOVER_FILL,
                      MENU_BOTTOM, MENU_ITEMS, PANEL_RULE_Y, ROLE_PUSH_BUTTON, RULE_GREY, SEARCH_URL, SLOT_NAMES, SLOT_SIZE, SLOT_TOP, SLOTS,
                      TOOLBAR_HEIGHT, WHITE, BrowserTestCase, ScreenArea, capture, cell_point, glyph_masks, in_order,
                      parse_rect, slot_left, wait_until, windows_path)


def as_started(test):
    """Marks a test that must see the process exactly as it started."""
    test.as_started = True
    return test


def hover_probe(name, width):
    """An inside pixel of the slot's square that no glyph touches."""
    return slot_left(name, width) + 3, SLOT_TOP + 3


def hover_point(name, width):
    """Where the pointer rests on a slot: inside it, away from the probes and the glyph."""
    return slot_left(name, width) + 42, SLOT_TOP + 44


def slot_pixels(width, hovered=None):
    """The expected probe colours of all eight slots with one (or none) hovered."""
    expected = {}
    for name in SLOTS:
        fill = WHITE
        if name == hovered:
            fill = CLOSE_HOVER_FILL if name == "close" else HOVER_FILL
        expected[hover_probe(name, width)] = fill
    if hovered == "close":
        # The cross turns white on the red fill; its centre is on both strokes.
        expected[(slot_left("close", width) + SLOT_SIZE // 2, SLOT_TOP + SLOT_SIZE // 2)] = WHITE
    return expected


class BrowserSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("browser")

    def setUp(self):
        if not getattr(getattr(self, self._testMethodName), "as_started", False):
            self.restore_normal_state()

    # -- helpers ------------------------------------------------------------------------------

    def navigate(self, text, requested, shown, enter="Return"):
        """Types text and Enter: the engine is asked for `requested`, and the bar ends showing `shown`."""
        trov = self.trov
        mark = trov.navigate_by_typing(text, requested, enter)
        trov.wait_log(f"NavigationCompleted {shown}", mark)
        trov.wait_bar(shown)
        return mark

    def open_menu(self):
        trov = self.trov
        mark = trov.mark()
        trov.click_slot("menu")
        trov.wait_log(f"put_Bounds 0 {MENU_BOTTOM} {trov.width} {trov.height}", mark)
        trov.wait_pixels({(8, PANEL_RULE_Y): RULE_GREY, (8, 200): WHITE, (trov.width - 8, 300): WHITE},
                         what="the open panel with its rule at y=383")
        self.assertEqual(parse_rect(trov.info()["page"]), (0, MENU_BOTTOM, trov.width, trov.height))

    def wait_menu_closed(self, mark):
        trov = self.trov
        trov.wait_log(f"put_Bounds 0 {TOOLBAR_HEIGHT} {trov.width} {trov.height}", mark)
        trov.wait_pixels({(8, PANEL_RULE_Y): WHITE}, what="the panel's rule to be gone")
        self.assertEqual(parse_rect(trov.info()["page"]), (0, TOOLBAR_HEIGHT, trov.width, trov.height))

    def check_hover(self, width):
        """Every slot in turn shows its fill under the pointer, and only it."""
        trov = self.trov
        for name in SLOTS:
            trov.move(*hover_point(name, width))
            trov.wait_pixels(slot_pixels(width, name), what=f"the hover fill of {name} at width {width}")

    # -- scenarios ----------------------------------------------------------------------------

    @as_started
    def test_01_startup(self):
        trov = self.trov
        info = trov.info()
        # The inspector looks the window up by class and title together.
        self.assertEqual(info.get("window"), "found")
        self.assertEqual(info.get("class"), "TrovBrowserClass")
        left, top, right, bottom = parse_rect(info["rect"])
        self.assertEqual((right - left, bottom - top), (1200, 800))
        self.assertEqual((info["visible"], info["iconic"], info["zoomed"]), ("1", "0", "0"))
        _, _, width, height = parse_rect(info["client"])
        self.assertEqual(trov.log()[:18], [
            CREATE_ENVIRONMENT,
            "add_BrowserProcessExited",
            "CreateController",
            "put_IsVisible 1",
            f"put_Bounds 0 64 {width} {height}",
            "add_NavigationStarting",
            "add_NavigationCompleted",
            "add_SourceChanged",
            "add_ProcessFailed",
            "add_ContainsFullScreenElementChanged",
            "add_AcceleratorKeyPressed",
            "add_MoveFocusRequested",
            "add_GotFocus",
            "add_LostFocus",
            "add_ScriptDialogOpening",
            "add_NewWindowRequested",
            "add_ZoomFactorChanged",
            f"Navigate {HOME_URL}",
        ])
        trov.wait_bar(HOME_URL)
        info = trov.info()
        self.assertEqual(info["focus"], "main")
        self.assertEqual(parse_rect(info["page"]), (0, TOOLBAR_HEIGHT, width, height))
        self.assertEqual(parse_rect(info["addressbar"]), (250, 14, 250 + width - 490, 50))
        # The band's bottom rule, and no loading bar once the first page is in.
        trov.wait_pixels({(100, 63): RULE_GREY, (100, 62): WHITE, (width - 100, 63): RULE_GREY})

    def test_02_typing(self):
        trov = self.trov
        # The click that gives the bar the focus selects the whole address, which typing replaces; a
        # click in the focused bar places the caret.
        trov.click(trov.width // 2, TOOLBAR_HEIGHT + 200)
        wait_until(lambda: trov.info().get("focus") == "page", 5, "the page to take the focus")
        trov.focus_bar()
        trov.type("first.click")
        trov.wait_bar("first.click")
        trov.click(260 + 60, 14 + 18)  # away from the first click: not a double click, which selects a word
        trov.type("x")
        wait_until(lambda: len(trov.bar_text()) == len("first.click") + 1, 5, "a letter typed at the caret")
        self.navigate("abc.def", "https://abc.def", "https://abc.def/")
        self.navigate("hello world", SEARCH_URL + "hello%20world", SEARCH_URL + "hello%20world")
        self.navigate("a&b=c", SEARCH_URL + "a%26b%3Dc", SEARCH_URL + "a%26b%3Dc")
        self.navigate("nodot", SEARCH_URL + "nodot", SEARCH_URL + "nodot")
        self.navigate("HTTP://Mixed.Case/Path", "HTTP://Mixed.Case/Path", "http://mixed.case/Path")
        self.navigate("keypad.example", "https://keypad.example", "https://keypad.example/", enter="KP_Enter")

        # An empty field navigates nowhere: the next navigation is the only one after it.
        trov.fill_bar("")
        mark = trov.mark()
        trov.key("Return")
        self.navigate("after.empty", "https://after.empty", "https://after.empty/")
        navigations = [line for line in trov.since(mark) if line.startswith("Navigate ")]
        self.assertEqual(navigations, ["Navigate https://after.empty"])

        # An address with a scheme of its own goes to the engine as typed.
        trov.fill_bar("file:///C:/windows/win.ini")
        mark = trov.mark()
        trov.key("Return")
        trov.wait_log("Navigate file:///C:/windows/win.ini", mark)

        # A paste longer than the edit control's default limit reaches the engine whole.
        long_address = "http://long.example/" + "a" * (100_000 - len("http://long.example/"))
        with tempfile.NamedTemporaryFile("w", suffix=".txt", encoding="utf-8", delete=False) as paste:
            paste.write(long_address)
        self.addCleanup(os.unlink, paste.name)
        self.assertEqual(trov.inspector("clipboard", windows_path(paste.name))[0], 0)
        trov.focus_bar()
        mark = trov.mark()
        trov.key("ctrl+a", "ctrl+v", "Return")
        trov.wait_log(f"Navigate {long_address}", mark, timeout=20)

    def test_04a_navigation_buttons(self):
        trov = self.trov
        self.navigate("first.test", "https://first.test", "https://first.test/")
        self.navigate("second.test", "https://second.test", "https://second.test/")

        mark = trov.mark()
        trov.click_slot("back")
        lines = trov.wait_log("NavigationCompleted https://first.test/", mark)
        self.assertIn("GoBack", lines)
        trov.wait_bar("https://first.test/")

        mark = trov.mark()
        trov.click_slot("forward")
        lines = trov.wait_log("NavigationCompleted https://second.test/", mark)
        self.assertIn("GoForward", lines)
        trov.wait_bar("https://second.test/")

        mark = trov.mark()
        trov.click_slot("refresh")
        lines = trov.wait_log("NavigationCompleted https://second.test/", mark)
        self.assertEqual(lines[0], "Reload")
        self.assertIn("NavigationStarting https://second.test/", lines)
        trov.wait_bar("https://second.test/")

        mark = trov.mark()
        trov.click_slot("home")
        lines = trov.wait_log(f"NavigationCompleted {HOME_URL}", mark)
        self.assertEqual(lines[0], f"Navigate {HOME_URL}")
        trov.wait_bar(HOME_URL)

        # The mouse's back and forward buttons over the toolbar, between the home button and the bar.
        for button, call, shown in (("8", "GoBack", "https://second.test/"), ("9", "GoForward", HOME_URL)):
            mark = trov.mark()
            trov.xdotool("mousemove", *trov.screen_point(232, 30), "click", button)
            lines = trov.wait_log(f"NavigationCompleted {shown}", mark)
            self.assertEqual(lines.count(call), 1, f"mouse button {button}: {lines}")
            trov.wait_bar(shown)

    def test_04c_the_window_stays_wide_enough_for_one_button_per_click(self):
        trov = self.trov
        self.assertEqual(trov.inspector("resize", 300, 200)[0], 0)
        wait_until(lambda: (trov.refresh_geometry()["width"], trov.height) == (590, MENU_BOTTOM), 5,
                   "the window at its minimum: a 590 by 384 client area")
        mark = trov.mark()
        trov.click(100, 30)  # forward; at a client width of 300 the menu button lay here too
        trov.wait_log("GoForward", mark)
        trov.info()  # answered once the click's handler has returned, with any panel it opened
        self.assertFalse([line for line in trov.since(mark) if line.startswith(f"put_Bounds 0 {MENU_BOTTOM} ")])
        self.assertFalse(trov.menu_open(), "the click opened the menu as well")
        trov.click_slot("menu")
        wait_until(trov.menu_open, 5, "the panel to open, whole, in the smallest window")
        self.assertEqual(trov.pixel(8, PANEL_RULE_Y), RULE_GREY)

    def test_04b_maximize_restore_minimize(self):
        trov = self.trov
        mark = trov.mark()
        trov.click_slot("maximize")
        wait_until(lambda: trov.info().get("zoomed") == "1", 5, "the window to be maximised")
        geometry = trov.refresh_geometry()
        left, top, right, bottom = geometry["rect"]
        screen_w, screen_h = map(int, geometry["info"]["screen"].split())
        self.assertEqual((screen_w, screen_h), (1600, 1000))
        self.assertTrue(left <= 0 and top <= 0 and right >= screen_w and bottom >= screen_h,
                        f"maximised window {geometry['rect']} does not cover the {screen_w}x{screen_h} desktop")
        self.assertEqual(trov.width, screen_w)
        trov.wait_log(f"put_Bounds 0 64 {trov.width} {trov.height}", mark)
        # The band is repainted at the new width: the rule reaches the right edge.
        trov.wait_pixels({(trov.width - 3, 63): RULE_GREY})

        trov.click_slot("maximize")
        wait_until(lambda: trov.info().get("zoomed") == "0", 5, "the window to be restored")
        left, top, right, bottom = trov.refresh_geometry()["rect"]
        self.assertEqual((right - left, bottom - top), (1200, 800))

        # The window's moves reach the engine (its own popups are placed by them).
        self.assertIn("NotifyParentWindowPositionChanged", trov.since(mark))

        # Minimised, the view is hidden; restored, it is shown before it gets its bounds.
        mark = trov.mark()
        trov.click_slot("minimize")
        wait_until(lambda: trov.info().get("iconic") == "1", 5, "the window to be minimised")
        trov.wait_log("put_IsVisible 0", mark)
        self.assertEqual(trov.inspector("restore")[0], 0)
        wait_until(lambda: trov.info().get("iconic") == "0", 5, "the window to come back")
        left, top, right, bottom = trov.refresh_geometry()["rect"]
        restored = f"put_Bounds 0 64 {trov.width} {trov.height}"
        lines = trov.wait_log(restored, mark)
        self.assertTrue(in_order(lines, ["put_IsVisible 0", "put_IsVisible 1", restored]), lines)
        self.assertEqual((right - left, bottom - top), (1200, 800))
        trov.wait_pixels({(100, 63): RULE_GREY}, what="the toolbar repainted after the restore")

    def test_05_hover(self):
        trov = self.trov
        width = trov.width
        trov.wait_pixels(slot_pixels(width), what="no hover fill with the pointer on the page")
        self.check_hover(width)
        # Off every slot, in the toolbar's gap and over the page: no fill anywhere.
        trov.move(230, 32)
        trov.wait_pixels(slot_pixels(width), what="no hover fill in the gap before the address bar")
        trov.move(*hover_point("close", width))
        trov.wait_pixels(slot_pixels(width, "close"))
        trov.mouse_away()
        trov.wait_pixels(slot_pixels(width), what="no hover fill after leaving for the page")

        # A narrower window: the right group follows the right edge.
        self.assertEqual(trov.inspector("resize", 900, 700)[0], 0)
        wait_until(lambda: trov.refresh_geometry()["width"] == 892, 5, "the client to become 892 wide")
        self.check_hover(trov.width)
        trov.mouse_away()

        # Maximised, through its own button.
        trov.inspector("resize", 1200, 800)
        wait_until(lambda: trov.refresh_geometry()["width"] == 1192, 5, "the client to become 1192 wide")
        trov.click_slot("maximize")
        wait_until(lambda: trov.info().get("zoomed") == "1", 5, "the window to be maximised")
        trov.refresh_geometry()
        self.assertEqual(trov.width, 1600)
        for name in ("close", "maximize", "minimize", "menu"):
            trov.move(*hover_point(name, trov.width))
            trov.wait_pixels(slot_pixels(trov.width, name), what=f"the hover fill of {name} when maximised")
        trov.mouse_away()
        trov.wait_pixels(slot_pixels(trov.width))

    def test_06_menu(self):
        trov = self.trov
        # The menu button toggles the panel; a click outside it, into the page, closes it too.
        self.open_menu()
        mark = trov.mark()
        trov.click_slot("menu")
        self.wait_menu_closed(mark)
        self.open_menu()
        mark = trov.mark()
        trov.click(trov.width // 2, MENU_BOTTOM + 100)
        self.wait_menu_closed(mark)
        self.assert_no_messagebox_for(0.5)

        for number, ((row, column), (text, caption)) in enumerate(sorted(MENU_ITEMS.items())):
            with self.subTest(cell=(row, column)):
                self.open_menu()
                mark = trov.mark()
                trov.click(*cell_point(row, column, trov.width))
                box = wait_until(trov.messagebox, 5, f"the message box of cell {(row, column)}")
                self.assertEqual(box, {"caption": caption, "text": text})
                if not text.isascii():
                    self.assert_text_drawn(text)
                # The panel stays open behind the box until it is dismissed.
                self.assertEqual(trov.bounds_top(), MENU_BOTTOM)
                if number % 2:
                    self.assertEqual(trov.inspector("dismiss-messagebox")[0], 0)
                else:
                    trov.key("Return")
                self.wait_menu_closed(mark)
                wait_until(lambda: trov.messagebox() is None, 5, "the message box to close")

        for row, column in EMPTY_CELLS:
            with self.subTest(cell=(row, column)):
                self.open_menu()
                mark = trov.mark()
                trov.click(*cell_point(row, column, trov.width))
                # The panel closes only after a box would have been dismissed, so a box shows first.
                self.wait_menu_closed(mark)
                self.assert_no_messagebox_for(1.0)

    def assert_text_drawn(self, text):
        """Each character of the box's text drawn as a glyph of its own, not one empty square for all."""
        rect = parse_rect(self.trov.dialog()["text_rect"])
        glyphs = wait_until(lambda: glyph_masks(ScreenArea(self.trov.env, rect), rect), 5,
                            "the box's text on the screen")
        # Touching characters may join into one shape; empty squares are all one shape.
        self.assertGreaterEqual(len(set(glyphs)), max(3, len(set(text)) // 2), f"{len(glyphs)} shapes for {text!r}")

    def test_07_screen_reader_and_tooltips(self):
        """From another process, as a screen reader: every button named where it is painted, and back
        pressed by its default action; then the tooltip over the back button."""
        trov = self.trov
        children = trov.accessible()
        buttons = {child["name"]: child for child in children if not child["object"]}
        self.assertEqual([child["name"] for child in children if child["object"]], ["地址栏"])
        ox, oy = trov.geometry["origin"]
        for slot, name in SLOT_NAMES.items():
            with self.subTest(slot=slot):
                self.assertIn(name, buttons, f"no child named {name} in {children}")
                self.assertEqual(buttons[name]["role"], str(ROLE_PUSH_BUTTON))
                left = ox + slot_left(slot, trov.width)
                self.assertEqual(buttons[name]["location"], f"{left} {oy + SLOT_TOP} {SLOT_SIZE} {SLOT_SIZE}")

        mark = trov.mark()
        code, out = trov.inspector("accessible-press", "后退")
        self.assertEqual(code, 0, out)
        trov.wait_log("GoBack", mark)

        x, y = hover_point("back", trov.width)
        trov.move(x, y)
        tip = wait_until(trov.tooltip, 5, "the tooltip of the back button")
        self.assertEqual(tip["text"], "后退 (Alt+←)")
        left, top, right, bottom = tip["rect"]
        px, py = trov.screen_point(x, y)
        self.assertTrue(abs(left - px) < 40 and py < top < py + 60, f"tooltip at {tip['rect']}, pointer at {(px, py)}")
        self.assertEqual(trov.since(mark).count("GoBack"), 1)

    def test_08_long_session(self):
        trov = self.trov
        seed = 20240611
        rng = random.Random(seed)
        kinds = ["hover"] * 10 + ["menu"] * 3 + ["type"] * 3 + ["resize"] * 2 + ["history"] * 2 + ["panel_cell"]
        counts = {}
        typed = 0
        session_start = trov.mark()
        for step in range(300):
            kind = rng.choice(kinds)
            counts[kind] = counts.get(kind, 0) + 1
            context = f"step {step} ({kind}), seed {seed}"
            if kind == "hover":
                name = rng.choice(list(SLOTS))
                trov.move(*hover_point(name, trov.width))
                if counts[kind] % 20 == 0:
                    trov.wait_pixels(slot_pixels(trov.width, name), what=f"hover fill of {name} at {context}")
            elif kind == "menu":
                trov.click_slot("menu")
                trov.click_slot("menu")
            elif kind == "type":
                typed += 1
                host = f"s{step}.example"
                trov.navigate_by_typing(host, f"https://{host}")
            elif kind == "resize":
                if rng.random() < 0.3:
                    trov.click_slot("maximize")
                    wait_until(lambda: trov.info().get("zoomed") == "1", 5, f"maximised at {context}")
                    trov.refresh_geometry()
                    trov.click_slot("maximize")
                    wait_until(lambda: trov.info().get("zoomed") == "0", 5, f"restored at {context}")
                else:
                    width, height = rng.randrange(800, 1500), rng.randrange(500, 950)
                    self.assertEqual(trov.inspector("resize", width, height)[0], 0, context)
                    wait_until(lambda: trov.refresh_geometry()["rect"][2:] == (width, height), 5,
                               f"the window at {width}x{height}, {context}")
                trov.refresh_geometry()
            elif kind == "history":
                trov.click_slot(rng.choice(["back", "forward", "refresh", "home"]))
            elif kind == "panel_cell":
                trov.click_slot("menu")
                mark = trov.mark()
                trov.click(*cell_point(*rng.choice(EMPTY_CELLS), trov.width))
                trov.wait_log(f"put_Bounds 0 {TOOLBAR_HEIGHT} {trov.width} {trov.height}", mark)
            self.assertTrue(trov.alive(), f"trov.exe ended at {context}")
            if step % 50 == 49:
                self.assertEqual(trov.info().get("window"), "found", context)

        self.assertGreater(typed, 20)
        # Every opening of the panel reached the web view's bounds, at whatever width it happened.
        opened = [line for line in trov.since(session_start) if line.startswith(f"put_Bounds 0 {MENU_BOTTOM} ")]
        self.assertEqual(len(opened), counts.get("menu", 0) + counts.get("panel_cell", 0))
        self.assertTrue(trov.alive())
        info = trov.info()
        self.assertEqual(info.get("window"), "found")
        self.assertEqual(info.get("visible"), "1")
        self.assertIsNone(trov.messagebox())
        trov.mouse_away()
        self.navigate("final.session", "https://final.session", "https://final.session/")

    def test_99_close_button_ends_the_process(self):
        """The page is left first: the window goes once a started about:blank has completed."""
        trov = self.trov
        mark = trov.mark()
        trov.click_slot("close")
        self.assertEqual(trov.wait_exit(20), 0)
        log = trov.log()
        self.assertTrue(in_order(log[mark:], ["Navigate about:blank", "NavigationStarting about:blank",
                                              "NavigationCompleted about:blank"]), log[mark:])
        for line in ENGINE_RELEASES:
            self.assertIn(line, log)


class KeyboardSession(BrowserTestCase):
    """The shortcuts, from the main window, the address bar and the page, in a process of its own that
    Ctrl+W ends."""

    @classmethod
    def setUpClass(cls):
        cls.start_browser("keyboard")

    def setUp(self):
        if not getattr(getattr(self, self._testMethodName), "as_started", False):
            self.restore_normal_state()

    def focus_page(self):
        trov = self.trov
        trov.click(trov.width // 2, TOOLBAR_HEIGHT + 200)
        wait_until(lambda: trov.info().get("focus") == "page", 5, "the page to take the focus")

    def press_once(self, keys, line):
        """Presses the keys: the engine gets exactly one `line` before the line of a later key (keys
        are taken in order), which reloads or goes home, and whose page is awaited."""
        trov = self.trov
        mark = trov.mark()
        later_keys, later = ("F5", "Reload") if line.startswith("Navigate ") else ("alt+Home", f"Navigate {HOME_URL}")
        trov.key(keys)
        trov.key(later_keys)
        lines = trov.wait_log(later, mark)
        self.assertEqual(lines.count(line), 1, f"{keys} before {later_keys}: {lines}")
        wait_until(lambda: "NavigationCompleted" in " ".join(trov.since(mark + len(lines))), 10, "the later key's page")
        return mark

    def assert_engine_keys_act_once(self, where):
        for keys, line in (("F5", "Reload"), ("alt+Left", "GoBack"), ("alt+Right", "GoForward"),
                           ("alt+Home", f"Navigate {HOME_URL}")):
            with self.subTest(where=where, keys=keys):
                mark = self.press_once(keys, line)
                if line.startswith("Navigate "):
                    self.trov.wait_log(f"NavigationCompleted {HOME_URL}", mark)
                self.assertEqual(self.trov.info().get("focus"), where, "the key moved the focus")

    @as_started
    def test_01_engine_keys_from_the_main_window_and_from_the_page(self):
        trov = self.trov
        self.assertEqual(trov.info().get("focus"), "main")
        self.assert_engine_keys_act_once("main")
        self.focus_page()
        mark = trov.mark()
        self.assert_engine_keys_act_once("page")
        # The page's keys came through the engine's accelerator event, handled by the browser.
        self.assertIn("AcceleratorKeyPressed 0 116 1", trov.since(mark))
        self.assertIn("AcceleratorKeyPressed 2 37 1", trov.since(mark))
        # The zoom keys outside the page: the page zooms out and back in the engine's steps.
        trov.focus_bar()
        self.press_once("ctrl+minus", "ZoomFactor 0.9")
        self.press_once("ctrl+0", "ZoomFactor 1")

    def test_02_focus_keys_select_the_whole_address_and_escape_restores_it(self):
        trov = self.trov
        # The last: a lone Alt first, which left the window in an unseen menu mode that took Ctrl+L.
        for keys in (("ctrl+l",), ("alt+d",), ("F6",), ("alt", "ctrl+l")):
            with self.subTest(keys=keys):
                self.focus_page()
                trov.key(*keys)
                wait_until(lambda: trov.info().get("focus") == "addressbar", 5, f"{keys} to focus the address bar")
                trov.type("typed.over")
                trov.wait_bar("typed.over")
                trov.key("Escape")
                trov.wait_bar(HOME_URL)
                # Restored and selected: typing replaces it all again, and Enter navigates as ever.
                trov.type("keys.example")
                trov.wait_bar("keys.example")
                trov.key("Escape")
                trov.wait_bar(HOME_URL)
                self.assertEqual(trov.info().get("focus"), "addressbar")
        mark = trov.mark()
        trov.key("ctrl+a")
        trov.type("after.select")
        trov.key("Return")
        trov.wait_log("NavigationCompleted https://after.select/", mark)
        trov.wait_bar("https://after.select/")

    def test_03_escape_or_an_item_chosen_by_keyboard_closes_the_menu_and_gives_the_focus_back(self):
        """Escape closes the panel before touching the address and gives the focus back where it was;
        F10 opens it with the keyboard on its first item, the arrows and Enter choose as a click does."""
        trov = self.trov
        trov.focus_bar()
        shown = trov.bar_text()
        trov.key("ctrl+a")
        trov.type("half")
        trov.wait_bar("half")
        trov.click_slot("menu")  # in the address bar's focus band, but a button: the keyboard stays
        wait_until(trov.menu_open, 5, "the panel to open")
        self.assertEqual(trov.info().get("focus"), "addressbar")
        mark = trov.mark()
        trov.key("Escape")
        trov.wait_log(f"put_Bounds 0 {TOOLBAR_HEIGHT} {trov.width} {trov.height}", mark)
        wait_until(lambda: not trov.menu_open(), 5, "the panel to close")
        self.assertEqual(trov.info().get("focus"), "addressbar")
        self.assertEqual(trov.bar_text(), "half")

        # Down then Up comes back to the first item, which Enter chooses.
        self.focus_page()
        trov.key("F10")
        wait_until(trov.menu_open, 5, "F10 to open the panel")
        wait_until(lambda: trov.info().get("focus") == "main", 5, "the panel to take the keyboard")
        trov.key("Down", "Up", "Return")
        box = wait_until(trov.messagebox, 5, "the message box of the item chosen by keyboard")
        self.assertEqual(box, {"caption": "提示", "text": "添加书签功能开发中"})
        trov.key("Return")
        wait_until(lambda: not trov.menu_open(), 5, "the panel to close")
        wait_until(lambda: trov.info().get("focus") == "page", 5, "the focus back in the page")
        trov.focus_bar()
        trov.key("alt+f")
        wait_until(trov.menu_open, 5, "Alt+F to open the panel")
        trov.key("alt+f")
        wait_until(lambda: not trov.menu_open(), 5, "Alt+F to close the panel")
        wait_until(lambda: trov.info().get("focus") == "addressbar", 5, "the focus back in the bar")
        trov.key("Escape")
        trov.wait_bar(shown)
        # Alt held through a click into the page is no lone Alt: its release opens nothing.
        trov.xdotool("keydown", "alt")
        self.focus_page()
        mark = trov.mark()
        trov.xdotool("keyup", "alt")
        released = wait_until(lambda: [line for line in trov.since(mark)
                                       if re.match(r"AcceleratorKeyPressed [13] 18 ", line)], 5, "the page's Alt release")
        self.assertTrue(released[0].endswith(" 0"), f"Alt held through a click was taken for a lone Alt: {released}")
        self.assertFalse(trov.menu_open(), "Alt held through a click opened the panel")

    def test_04_after_minimize_and_restore_typing_goes_on_in_the_address_bar(self):
        trov = self.trov
        trov.fill_bar("before")
        trov.click_slot("minimize")
        wait_until(lambda: trov.info().get("iconic") == "1", 5, "the window to be minimised")
        self.assertEqual(trov.inspector("restore")[0], 0)
        wait_until(lambda: trov.info().get("iconic") == "0", 5, "the window to come back")
        wait_until(lambda: trov.info().get("focus") == "addressbar", 5, "the focus back in the address bar")
        trov.type("after")
        trov.wait_bar("beforeafter")

    def test_05_tab_and_f6_move_the_focus_between_the_bar_and_the_page(self):
        trov = self.trov
        trov.focus_bar()
        for keys, reason in (("Tab", 1), ("shift+Tab", 2)):
            with self.subTest(keys=keys):
                mark = trov.mark()
                trov.key(keys)
                trov.wait_log(f"MoveFocus {reason}", mark)
                wait_until(lambda: trov.info().get("focus") == "page", 5, f"{keys} to move into the page")
                # The white page has nothing to focus: the same key leaves it for the bar at once.
                trov.key(keys)
                trov.wait_log(f"MoveFocusRequested {reason} 1", mark)
                wait_until(lambda: trov.info().get("focus") == "addressbar", 5, f"{keys} to come back to the bar")
        trov.type("tabbed.over")  # the whole text was selected
        trov.wait_bar("tabbed.over")
        trov.key("Escape")
        wait_until(lambda: trov.bar_text().startswith("https://"), 5, "Escape to put the page's address back")
        mark = trov.mark()
        trov.key("F6")
        trov.wait_log("MoveFocus 0", mark)
        wait_until(lambda: trov.info().get("focus") == "page", 5, "F6 in the bar to move into the page")
        trov.key("F6")
        wait_until(lambda: trov.info().get("focus") == "addressbar", 5, "F6 in the page to focus the bar")

    def test_06_f11_fills_the_screen_with_the_page_and_f11_again_gives_the_window_back(self):
        trov = self.trov
        window_rect = trov.refresh_geometry()["rect"]
        screen = capture(trov.env)
        self.focus_page()
        mark = trov.mark()
        trov.key("F11")
        wait_until(lambda: parse_rect(trov.info()["rect"]) == (0, 0, screen.width, screen.height), 5,
                   "the window to cover the screen")
        trov.wait_log(f"put_Bounds 0 0 {screen.width} {screen.height}", mark)
        trov.refresh_geometry()
        self.assertEqual((trov.width, trov.height), (screen.width, screen.height), "no frame or caption is left")
        # The white page where the band's rule and close button were.
        band = {(300, TOOLBAR_HEIGHT - 1): WHITE, (trov.width - 36, SLOT_TOP + SLOT_SIZE // 2): WHITE}
        trov.wait_pixels(band, what="the page over the band's place")
        self.assertEqual(trov.info().get("focus"), "page")
        # The hint that F11 leaves, at the top of the screen, drawn (its frame and text), not taking the focus.
        info = wait_until(lambda: (lambda i: i if i.get("fullscreen_hint") == "按 F11 退出全屏" else None)(trov.info()), 5, "the hint")
        left, top, right, bottom = parse_rect(info["fullscreen_hint_rect"])
        self.assertTrue(top < 100 and left > 0 and right < screen.width, info["fullscreen_hint_rect"])
        wait_until(lambda: (lambda shot: shot.pixel(left, top + 10) != WHITE and sum(
            max(shot.pixel(x, y)) < 128 for x in range(left, right, 2) for y in range(top, bottom, 2)) > 10)(
                capture(trov.env)), 3, "the hint drawn on the screen")
        self.assertEqual(info.get("focus"), "page")

        trov.key("F11")
        wait_until(lambda: parse_rect(trov.info()["rect"]) == window_rect, 5, "the window back at its place")
        self.assertNotIn("fullscreen_hint", trov.info(), "the hint goes with full screen")
        trov.refresh_geometry()
        trov.wait_pixels({(300, TOOLBAR_HEIGHT - 1): RULE_GREY}, what="the band's rule back")
        self.assertEqual(trov.bounds_top(), TOOLBAR_HEIGHT)
        self.assertEqual(trov.info().get("focus"), "page")
        self.assertFalse([line for line in trov.since(mark) if line.startswith("ContainsFullScreenElementChanged")])

        # Minimised, F11 leaves the window alone: restored, it is where and as it was.
        trov.click_slot("minimize")
        wait_until(lambda: trov.info().get("iconic") == "1", 5, "the window minimised")
        mark = trov.mark()
        trov.key("F11", "F5")
        lines = trov.wait_log("Reload", mark)  # the later key: F11 has been taken
        self.assertFalse([line for line in lines if line.startswith("put_Bounds")], "F11 took the screen")
        self.assertEqual(trov.info().get("iconic"), "1")
        self.assertEqual(trov.inspector("restore")[0], 0)
        wait_until(lambda: parse_rect(trov.info()["rect"]) == window_rect, 5, "the window back at its place")
        trov.refresh_geometry()
        trov.wait_pixels({(300, TOOLBAR_HEIGHT - 1): RULE_GREY}, what="the band's rule after the restore")
        self.assertEqual(trov.bounds_top(), TOOLBAR_HEIGHT)

        # Maximised, F11, minimised, and full screen left while minimised: the next restore brings it
        # back maximised, with its band.
        trov.click_slot("maximize")
        wait_until(lambda: trov.info().get("zoomed") == "1", 5, "the window maximised")
        maximised_rect = trov.info()["rect"]
        trov.key("F11")
        wait_until(lambda: parse_rect(trov.info()["rect"]) == (0, 0, screen.width, screen.height), 5,
                   "the window to cover the screen")
        self.assertEqual(trov.inspector("minimize")[0], 0)
        wait_until(lambda: trov.info().get("iconic") == "1", 5, "the window minimised")
        self.assertEqual(trov.bounds_top(), 0)
        trov.key("F11")
        wait_until(lambda: trov.bounds_top() == TOOLBAR_HEIGHT, 5, "full screen left")
        self.assertEqual(trov.info().get("iconic"), "1", "left full screen, still minimised")
        self.assertEqual(trov.inspector("restore")[0], 0)
        wait_until(lambda: trov.info().get("zoomed") == "1", 5, "the window maximised again")
        self.assertEqual(trov.info()["rect"], maximised_rect)
        trov.refresh_geometry()
        trov.wait_pixels({(300, TOOLBAR_HEIGHT - 1): RULE_GREY}, what="the band's rule, maximised again")
        self.assertEqual(trov.bounds_top(), TOOLBAR_HEIGHT)
        trov.click_slot("maximize")  # restores, for the scenarios after this one
        wait_until(lambda: trov.info().get("zoomed") == "0", 5, "the window restored")

    def test_99_ctrl_w_ends_the_program(self):
        trov = self.trov
        self.focus_page()
        trov.key("ctrl+w")
        self.assertEqual(trov.wait_exit(20), 0)
        log = trov.log()
        self.assertIn("AcceleratorKeyPressed 0 87 1", log)
        for line in ENGINE_RELEASES:
            self.assertIn(line, log)
