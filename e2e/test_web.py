"""The browser edition in headless Chromium: real input events in, every
canvas pixel out.

The built site is served on a loopback port and driven like the desktop
window in test_editor.py: clicks, drags, keys, the pop-up menu and lines typed
into the entry field. Every frame is compared pixel for pixel with what the
project's own frame composition emits for the same scene (frame_oracle, with
the desktop's measured point rule), and the console with the desktop's texts.

Run with /usr/bin/python3 (Debian's python3-selenium); ctest does.
"""

import os
import unittest

import browser
import harness
from test_editor import (BARRIER, BEZIER, BSPLINE, CLEAR_ALL, HELP, NOT_A_NUMBER, OUT_OF_RANGE,
                         SPOTS, STEPS_PROMPT, TOLERANCE_PROMPT, point)

SITE = os.environ.get("BEZIER_WEB_SITE")
ORACLE = os.environ.get("BEZIER_ORACLE")

LABELS = {"bezier": ["   Clear All", "o Bezier", "   Cubic B-Spline"],
          "bspline": ["   Clear All", "   Bezier", "o Cubic B-Spline"]}

site_server = None
chromium = None


def setUpModule():
    global site_server, chromium
    if not ORACLE or not os.path.exists(ORACLE):
        raise RuntimeError("set BEZIER_ORACLE to the built frame_oracle (ctest does this)")
    if not SITE:
        raise RuntimeError("set BEZIER_WEB_SITE to the built site (ctest does this)")
    # No browser or no site means no suite: these raise, and the run fails.
    browser.check_browser()
    site_server = browser.SiteServer(SITE)
    chromium = browser.Browser()


def tearDownModule():
    if chromium is not None:
        chromium.quit()
    if site_server is not None:
        site_server.stop()


class PageCase(unittest.TestCase):
    """A freshly loaded page per test, with the scene it should show."""

    def setUp(self):
        self.page = browser.Page(chromium, site_server.url)
        self.kind = "bezier"
        self.tolerance = 5
        self.steps = 25
        self.points = []
        self.out = HELP

    def tearDown(self):
        errors = self.page.browser_errors()
        self.assertEqual(errors, [], "the page reported errors")

    def place(self, *spots):
        for spot in spots:
            self.page.click(*spot)
            self.points.append(point(spot))

    def expect_scene(self):
        lit = harness.oracle_lit(ORACLE, self.kind, self.points, self.tolerance, self.steps)
        return self.page.wait_frame(lit)

    def barrier(self):
        """A point far from the others, then its frame: every earlier event
        has been handled and drawn."""
        self.place(BARRIER)
        self.expect_scene()

    def choose(self, entry, by_left_click=False):
        if by_left_click:
            self.page.menu_by_left_click(entry)
        else:
            self.page.menu(entry)
        if entry == BEZIER:
            self.kind = "bezier"
        elif entry == BSPLINE:
            self.kind = "bspline"
        else:
            self.points = []

    def dialogue(self, key, entry, result=""):
        """Presses `key` and answers its dialogue with the line `entry`, then
        checks that `result` follows at once. With `entry` None nothing is
        typed: what was typed before answers it."""
        if entry is None:
            self.page.key(key)
            self.out += self.prompt(key) + result
            self.page.wait_console(self.out)
            return
        self.dialogue_opened(key)
        self.page.enter_line(entry)
        self.out += result
        self.page.wait_console(self.out)

    def dialogue_opened(self, key):
        """Presses `key`, checks the console up to its prompt and that the
        page shows it waits for a line (entry field highlighted and focused)."""
        self.page.key(key)
        self.out += self.prompt(key)
        self.page.wait_console(self.out)
        self.assertEqual(self.page.entry_waiting(), (True, True),
                         "the entry field is not highlighted and focused while the dialogue waits")

    def prompt(self, key):
        return {"t": TOLERANCE_PROMPT % self.tolerance, "n": STEPS_PROMPT % self.steps}[key]


class Startup(PageCase):

    def test_page_shows_the_window_the_help_text_and_the_menu(self):
        self.assertEqual(self.page.title(), "Bezier")
        self.assertEqual(self.page.canvas_size, (500, 500))
        self.page.wait_console(HELP)
        self.assertEqual(self.page.menu_labels(), [LABELS["bezier"], False])
        self.assertEqual(self.page.entry_waiting()[0], False)
        self.expect_scene()

    def test_site_fits_in_300_kib(self):
        names = ("index.html", "style.css", "page.js", "bezier.js", "bezier.wasm")
        size = sum(os.path.getsize(os.path.join(SITE, name)) for name in names)
        self.assertLessEqual(size, 300 * 1024, "the site takes %d bytes" % size)


class Drawing(PageCase):

    def test_both_curve_kinds_match_the_desktop_frame(self):
        placed = 0
        for count in (3, 4, 7, 10):
            with self.subTest(points=count):
                self.place(*SPOTS[placed:count])
                placed = count
                self.expect_scene()
                self.choose(BSPLINE)
                self.expect_scene()
                self.choose(BEZIER)
                self.expect_scene()

    def test_shift_click_deletes_and_middle_drag_moves_a_point(self):
        self.place(*SPOTS[:6])
        self.expect_scene()
        self.page.shift_click(SPOTS[1][0] + 30, SPOTS[1][1] - 30)
        del self.points[1]
        self.expect_scene()
        # Now SPOTS[3] is point 2: it follows the pointer until the release,
        # even where the pointer leaves the canvas.
        self.page.press(*SPOTS[3], button=1)
        for spot in [(250, 350), (290, 300), (520, -10)]:
            self.page.move(*spot)
            self.points[2] = point(spot)
            self.expect_scene()
        self.page.release(290, 300, button=1)
        self.points[2] = point((290, 300))
        self.page.move(420, 80)
        self.barrier()

    def test_points_at_the_canvas_edges_are_clipped(self):
        self.place((0, 0), (499, 499), (0, 499), (499, 0))
        self.expect_scene()


class Menu(PageCase):

    def test_choices_relabel_the_entries_and_reach_no_canvas_handler(self):
        self.place(*SPOTS[:5])
        self.expect_scene()
        cases = [  # entry, chosen by a left click?
            (BSPLINE, False), (BEZIER, True), (BSPLINE, True), (BSPLINE, False), (BEZIER, False)]
        for entry, by_left_click in cases:
            with self.subTest(entry=entry, left_click=by_left_click):
                self.choose(entry, by_left_click)
                self.assertEqual(self.page.menu_labels(), [LABELS[self.kind], False])
                # A stray point from the choosing click would show here.
                self.barrier()

    def test_escape_or_a_press_elsewhere_closes_the_menu_without_a_choice(self):
        self.place(*SPOTS[:4])
        closers = [("escape", self.press_escape),
                   ("left press", lambda: self.page.click(300, 300)),
                   ("right press", lambda: self.page.click(300, 300, button=2))]
        for name, close in closers:
            with self.subTest(close=name):
                self.page.open_menu()
                self.assertEqual(self.page.menu_labels(), [LABELS["bezier"], True])
                close()
                self.assertEqual(self.page.menu_labels(), [LABELS["bezier"], False])
                self.barrier()

    def press_escape(self):
        self.page.key_down("Escape")
        self.page.key_up("Escape")

    def test_clear_all_and_the_c_key_empty_the_canvas_and_other_keys_only_redraw(self):
        for clear in (lambda: self.choose(CLEAR_ALL), lambda: self.page.key("c")):
            self.place(*SPOTS[:5])
            self.expect_scene()
            clear()
            self.points = []
            self.expect_scene()
        self.place(*SPOTS[:4])
        for key in "CNTx ":
            self.page.key(key)
        self.barrier()
        self.assertEqual(self.page.console_text(), HELP)


class Dialogues(PageCase):

    def test_entries_give_the_desktop_results_and_messages(self):
        self.place(*SPOTS[:6])
        self.dialogue("t", "20")
        self.tolerance = 20
        self.expect_scene()
        self.choose(BSPLINE)
        cases = [  # entry (None: answered by the rest of the last line), message, steps after
            ("0", OUT_OF_RANGE, 25),
            ("500", OUT_OF_RANGE, 25),
            ("499", "", 499),
            ("abc", NOT_A_NUMBER, 499),
            ("-3", OUT_OF_RANGE, 499),
            ("7x", "", 7),
            (None, NOT_A_NUMBER, 7),  # the "x" left over from "7x"
            ("1" * 30, OUT_OF_RANGE, 7),
        ]
        for entry, message, steps in cases:
            with self.subTest(entry=entry):
                self.dialogue("n", entry, message)
                self.steps = steps
                self.expect_scene()

    def test_window_input_made_while_a_dialogue_waits_follows_it_in_order(self):
        self.place(*SPOTS[:4])
        before = self.expect_scene()
        self.dialogue_opened("n")
        # Clicks, a menu choice and a key, all while the program waits.
        self.page.click(*SPOTS[4])
        self.page.click(*SPOTS[5])
        self.page.menu(BSPLINE)
        self.page.key("n")
        self.assertEqual(self.page.canvas(), before, "the canvas changed while the dialogue waited")
        self.assertEqual(self.page.console_text(), self.out)
        self.page.enter_line("10")
        # The queued input runs: two points, the menu, and the second
        # dialogue, which shows the value just entered.
        self.steps = 10
        self.out += STEPS_PROMPT % 10
        self.page.wait_console(self.out)
        self.assertEqual(self.page.menu_labels(), [LABELS["bspline"], False])
        self.page.enter_line("4")
        self.steps = 4
        self.kind = "bspline"
        self.points += [point(SPOTS[4]), point(SPOTS[5])]
        self.expect_scene()
        self.assertEqual(self.page.entry_waiting()[0], False)

    def test_type_ahead_and_awkward_lines_neither_hang_nor_break_the_page(self):
        self.place(*SPOTS[:5])
        # A line typed before any dialogue is kept for the next one.
        self.page.enter_line("30")
        self.dialogue("t", None)
        self.tolerance = 30
        self.expect_scene()
        # An empty line keeps the dialogue waiting, as a "%d" read does.
        self.dialogue_opened("t")
        self.page.enter_line("")
        self.page.wait_console(self.out)
        self.assertEqual(self.page.entry_waiting(), (True, True))
        cases = [("9" * 10000, OUT_OF_RANGE), ("\u00e9t\u00e9 \u6f22\u5b57", NOT_A_NUMBER)]
        for entry, message in cases:
            with self.subTest(entry=entry[:12]):
                self.page.enter_line(entry)
                self.out += message
                self.page.wait_console(self.out)
                self.dialogue_opened("t")
        # A pasted text of three lines: the waiting dialogue takes the first,
        # the second waits for the next one, the third stays in the field.
        self.page.paste("abc\n12\n5")
        self.out += NOT_A_NUMBER
        self.page.wait_console(self.out)
        self.assertEqual(self.page.script("return document.getElementById('entry').value"), "5")
        self.dialogue("n", None)
        self.steps = 12
        self.choose(BSPLINE)
        self.expect_scene()


if __name__ == "__main__":
    unittest.main()
