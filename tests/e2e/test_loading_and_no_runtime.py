"""The loading bar with slow navigations, the browser on a machine without the web runtime, and the
browser surviving its engine's failures: each in a process of its own, since the engine reads its
settings once at start-up and the browser keeps its restart budget for the life of the process."""

import time
import unittest

from trov_e2e import (CREATE_ENVIRONMENT, ENGINE_RELEASES, HOME_URL, LOADING_BLUE, LOADING_ROW, RULE_GREY, TOOLBAR_HEIGHT,
                      WHITE, BrowserTestCase, Trov, capture, check_works_without_engine, in_order, parse_rect,
                      wait_until)


class LoadingBarSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        # Each navigation stays open for three seconds: long enough to see the bar for certain.
        cls.start_browser("loading", {"TROV_ENGINE_DELAY_MS": "3000"})

    def setUp(self):
        self.restore_normal_state()

    def test_03_loading_bar(self):
        trov = self.trov
        width = trov.width
        end = int(width * 0.4)
        start, inside, past = (100, LOADING_ROW), (end - 10, LOADING_ROW), (end + 10, LOADING_ROW)
        trov.wait_pixels({start: WHITE, inside: WHITE, past: WHITE}, what="no loading bar before typing")

        trov.fill_bar("slow.example")
        mark = trov.mark()
        trov.key("Return")
        trov.wait_log("Navigate https://slow.example", mark)
        trov.wait_pixels({start: LOADING_BLUE, inside: LOADING_BLUE, past: WHITE}, timeout=2.5,
                         what="the loading bar from x=0 to 40% of the width")
        self.assertNotIn("NavigationCompleted https://slow.example/", trov.since(mark),
                         "the bar was seen only after the navigation had completed")

        trov.wait_log("NavigationCompleted https://slow.example/", mark, timeout=15)
        trov.wait_pixels({start: WHITE, inside: WHITE, (100, 63): RULE_GREY}, what="the loading bar gone")
        trov.wait_bar("https://slow.example/")


class TypingDuringLoadSession(BrowserTestCase):
    """What a person types while a page loads is still there when the page completes."""

    @classmethod
    def setUpClass(cls):
        cls.start_browser("typing", {"TROV_ENGINE_DELAY_MS": "2000"})

    def test_03b_typing_survives_the_completion_and_enter_shows_the_new_page(self):
        trov = self.trov
        trov.fill_bar("slow.example")
        mark = trov.mark()
        trov.key("Return")
        trov.wait_log("Navigate https://slow.example", mark)
        # Enter gave the keyboard to the page; a click brings it back to the bar for more typing.
        wait_until(lambda: trov.info().get("focus") == "page", 5, "the page to take the focus after Enter")
        trov.focus_bar()
        trov.key("End", "shift+Home")
        trov.type("next.example")
        trov.wait_bar("next.example")
        self.assertNotIn("NavigationCompleted https://slow.example/", trov.since(mark),
                         "the typing had to happen while the page was still loading")

        trov.wait_log("NavigationCompleted https://slow.example/", mark, timeout=15)
        deadline = time.monotonic() + 0.5
        while time.monotonic() < deadline:
            self.assertEqual(trov.bar_text(), "next.example", "the completion overwrote the typing")
            time.sleep(0.05)

        mark = trov.mark()
        trov.key("Return")
        trov.wait_log("NavigationCompleted https://next.example/", mark, timeout=15)
        trov.wait_bar("https://next.example/")


class NoRuntimeSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("noruntime", {"TROV_ENGINE_FAIL": "environment"}, wait_first_page=False)

    def test_07_without_runtime_the_window_still_works(self):
        trov = self.trov
        trov.wait_log(CREATE_ENVIRONMENT, 0)
        check_works_without_engine(self, trov)
        log = trov.log()
        self.assertEqual([line for line in log if line.startswith("Navigate")], [])
        self.assertNotIn("CreateController", log)

        trov.click_slot("close")
        self.assertEqual(trov.wait_exit(20), 0)
        self.assertEqual(trov.log(), [CREATE_ENVIRONMENT])


RENDERER_EXITED, BROWSER_EXITED = 1, 0


def page_shows_text(trov):
    """A simulated page draws its URL in dark text at its top left; a blank page has none."""
    screen = capture(trov.env)
    dark = 0
    for y in range(TOOLBAR_HEIGHT + 14, TOOLBAR_HEIGHT + 34):
        for x in range(14, 300, 2):
            pixel = screen.pixel(*trov.screen_point(x, y))
            dark += pixel is not None and max(pixel) < 128
    return dark > 10


class EngineFailureSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("failures")

    def fail_process(self, kind):
        code, _ = self.trov.inspector("fail-process", kind)
        self.assertEqual(code, 0, "no page window to fail")

    def open(self, host):
        mark = self.trov.navigate_by_typing(host, f"https://{host}")
        self.trov.wait_log(f"NavigationCompleted https://{host}/", mark)
        self.trov.wait_bar(f"https://{host}/")

    def test_10_crashed_page_and_dead_engine_come_back(self):
        trov = self.trov
        self.open("first.test")
        self.open("second.test")
        last = "https://second.test/"

        # The page's renderer dies: one reload brings the same page back.
        mark = trov.mark()
        self.fail_process(RENDERER_EXITED)
        lines = trov.wait_log(f"NavigationCompleted {last}", mark)
        self.assertEqual(lines[:2], ["ProcessFailed 1", "Reload"])
        wait_until(lambda: page_shows_text(trov), 5, "the page drawn again")
        self.assertEqual(trov.since(mark).count("Reload"), 1)

        # The browser process dies while half an address is typed: all of it let go, a new engine,
        # back on the last page, and the typing still there with the focus.
        trov.focus_bar()
        trov.key("End", "shift+Home")
        trov.type("half.typ")
        trov.wait_bar("half.typ")
        mark = trov.mark()
        self.fail_process(BROWSER_EXITED)
        lines = trov.wait_log(f"NavigationCompleted {last}", mark, timeout=30)
        # The new environment only once the old one said that its browser process has exited.
        self.assertTrue(in_order(lines, ["ProcessFailed 0", "Close", *ENGINE_RELEASES[:-1], "BrowserProcessExited 1",
                                         "Released environment", CREATE_ENVIRONMENT, "add_BrowserProcessExited",
                                         "CreateController", "add_ProcessFailed", "add_GotFocus", "add_LostFocus",
                                         f"Navigate {last}"]), lines)
        self.assertEqual(trov.info().get("focus"), "addressbar")
        trov.type("ed")
        trov.wait_bar("half.typed")
        wait_until(lambda: page_shows_text(trov), 5, "the page drawn by the new engine")
        self.assertEqual(parse_rect(trov.info()["page"]), (0, TOOLBAR_HEIGHT, trov.width, trov.height))

        # The new engine's history works.
        trov.key("Escape")
        trov.wait_bar(last)
        self.open("third.test")
        mark = trov.mark()
        trov.click_slot("back")
        trov.wait_log(f"NavigationCompleted {last}", mark)
        trov.wait_bar(last)
        mark = trov.mark()
        trov.click_slot("forward")
        trov.wait_log("NavigationCompleted https://third.test/", mark)
        trov.wait_bar("https://third.test/")
        self.assert_no_messagebox_for(0.5)

        # The session ends (log-off, shutdown, the Restart Manager): no WM_CLOSE comes, and the
        # process may be ended as soon as WM_ENDSESSION returns. The engine is closed first, the
        # page is not asked, and the program exits with 0.
        mark = trov.mark()
        code, out = trov.inspector("end-session")
        self.assertEqual(code, 0, out)
        self.assertIn("query=1", out)
        self.assertEqual(trov.wait_exit(20), 0)
        lines = trov.since(mark)
        self.assertTrue(in_order(lines, ["Close", *ENGINE_RELEASES]), lines)
        self.assertNotIn("Navigate about:blank", lines)


class EngineRetrySession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("restart-retry", {"TROV_ENGINE_FAIL_RESTARTS": "2"})

    def test_12_a_restart_that_fails_is_tried_again_until_the_page_is_back(self):
        trov = self.trov
        mark = trov.mark()
        self.assertEqual(trov.inspector("fail-process", str(BROWSER_EXITED))[0], 0, "no page window to fail")
        lines = trov.wait_log(f"NavigationCompleted {HOME_URL}", mark, timeout=40)
        self.assertEqual(lines.count("EnvironmentFailed"), 2, lines)
        self.assertEqual(lines.count(CREATE_ENVIRONMENT), 3, lines)
        wait_until(lambda: page_shows_text(trov), 5, "the page drawn by the third engine")
        self.assert_no_messagebox_for(0.5)


class EngineFailureLimitSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("failure-limit", {"TROV_ENGINE_FAIL_RESTARTS": "1"})

    def test_11_an_engine_that_keeps_dying_comes_back_three_times_then_when_asked(self):
        """Each restart's first attempt fails, as while an engine is still coming back; the budget
        counts deaths, so three within a minute all come back. The fourth leaves the engine down,
        silently, until a typed address brings it and that page back."""
        trov = self.trov
        kind = str(BROWSER_EXITED)
        for failure in range(1, 5):
            mark = trov.mark()
            self.assertEqual(trov.inspector("fail-process", kind)[0], 0, f"no page window at failure {failure}")
            trov.wait_log("ProcessFailed 0", mark)
            if failure <= 3:
                lines = trov.wait_log(f"NavigationCompleted {HOME_URL}", mark, timeout=30)
                self.assertEqual(lines.count("EnvironmentFailed"), 1, lines)
                wait_until(lambda: page_shows_text(trov), 5, f"the page back after failure {failure}")
        trov.wait_log("Released environment", mark)
        self.assert_no_messagebox_for(2)
        self.assertEqual(trov.since(mark).count(CREATE_ENVIRONMENT), 0, "a fourth restart")
        self.assertTrue(trov.alive())
        self.assertIsNone(trov.info().get("page"))

        mark = trov.mark()
        trov.fill_bar("typed.after.death")
        trov.key("Return")
        trov.wait_log("NavigationCompleted https://typed.after.death/", mark, timeout=30)
        trov.wait_bar("https://typed.after.death/")
        wait_until(lambda: page_shows_text(trov), 5, "the typed page shown by the engine started for it")
        self.assert_no_messagebox_for(0.5)
        trov.click_slot("close")
        self.assertEqual(trov.wait_exit(20), 0)


class QuickStartsSession(unittest.TestCase):
    def test_13_thirty_starts_in_a_row_each_show_their_window_and_exit_0(self):
        """Each start right after the previous one's exit: every one shows its window (start waits
        for it) and exits 0 when closed."""
        for number in range(1, 31):
            trov = Trov(f"start{number}")
            try:
                trov.start(timeout=30)
                self.assertEqual(trov.inspector("close")[0], 0, f"start {number}: no window to close")
                self.assertEqual(trov.wait_exit(20), 0, f"start {number}")
            finally:
                trov.stop()
