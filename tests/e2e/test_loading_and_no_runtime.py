"""The loading bar with slow navigations, and the browser on a machine without the web runtime:
each in a process of its own, since the engine reads its settings once at start-up."""

from trov_e2e import (CLOSE_HOVER_FILL, HOVER_FILL, LOADING_BLUE, LOADING_ROW, MENU_ITEMS, PANEL_RULE_Y, RULE_GREY,
                      SLOT_TOP, WHITE, BrowserTestCase, cell_point, parse_rect, slot_left, wait_until)


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


class NoRuntimeSession(BrowserTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_browser("noruntime", {"TROV_ENGINE_FAIL": "environment"}, wait_first_page=False)

    def test_07_without_runtime_the_window_still_works(self):
        trov = self.trov
        trov.wait_log("CreateEnvironment", 0)
        info = trov.info()
        self.assertEqual(info.get("class"), "TrovBrowserClass")
        left, top, right, bottom = parse_rect(info["rect"])
        self.assertEqual((right - left, bottom - top), (1200, 800))
        # Nothing tells the user about the runtime with a box of its own.
        self.assert_no_messagebox_for(1.5)
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
        self.assertEqual(box, {"caption": caption, "text": text})
        trov.key("Return")
        wait_until(lambda: trov.messagebox() is None, 5, "the About box to close")
        trov.wait_pixels({(8, PANEL_RULE_Y): WHITE}, what="the panel closed")
        self.assert_no_messagebox_for(0.5)

        self.assertTrue(trov.alive())
        self.assertEqual(trov.bar_text(), "typed without engine")
        log = trov.log()
        self.assertEqual([line for line in log if line.startswith("Navigate")], [])
        self.assertNotIn("CreateController", log)

        trov.click_slot("close")
        self.assertEqual(trov.wait_exit(20), 0)
        self.assertEqual(trov.log(), ["CreateEnvironment"])
