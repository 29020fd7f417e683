"""The browser edition in headless Chromium: real input events in, every
canvas pixel out.

The built site is served on a loopback port with the strict
Content-Security-Policy it is published with, and driven like the desktop
window in test_editor.py: clicks, drags, keys, the pop-up menu and lines typed
into the entry field. Every frame is compared pixel for pixel with what the
project's own frame composition emits for the same scene (frame_oracle, with
the desktop's measured point rule), and the console with the desktop's texts.
Any error in the browser's log or any policy violation fails the test.

Run with /usr/bin/python3 (Debian's python3-selenium); ctest does.
"""

import glob
import os
import re
import shutil
import tempfile
import time
import unittest
import zipfile

import browser
import harness
from harness import scaled
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
        self.assertEqual(self.page.violations(), [], "the page broke its security policy")
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
        self.assertEqual(self.page.canvas_box()[2:], (500, 500))
        self.page.wait_console(HELP)
        self.assertEqual(self.page.menu_labels(), [LABELS["bezier"], False])
        self.assertEqual(self.page.entry_waiting()[0], False)
        self.expect_scene()

    def test_site_fits_in_300_kib_and_installs_as_an_app(self):
        size = sum(os.path.getsize(os.path.join(folder, name))
                   for folder, _, names in os.walk(SITE) for name in names)
        self.assertLessEqual(size, 300 * 1024, "the site takes %d bytes" % size)
        manifest = self.page.script("return fetch(document.querySelector('link[rel=manifest]').href)"
                                    ".then(r => r.json())")
        for field in ("name", "short_name", "start_url", "display", "theme_color"):
            self.assertTrue(manifest.get(field), "the manifest has no " + field)
        self.assertEqual(manifest["display"], "standalone")
        icon = manifest["icons"][0]
        self.assertEqual((icon["src"], icon["type"]), ("icon.svg", "image/svg+xml"))
        # The archive to publish holds exactly the files the service worker
        # keeps, as built.
        archive = max(glob.glob(os.path.join(SITE, "..", "bezier-web-*.zip")), key=os.path.getmtime)
        with open(os.path.join(SITE, "sw.js")) as f:
            kept = set(re.findall(r"^  '\./(.+)',$", f.read(), re.M)) | {"sw.js"}
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(set(z.namelist()), kept)
            for name in kept:
                with open(os.path.join(SITE, name), "rb") as f:
                    self.assertEqual(z.read(name), f.read(), name)


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
        # A drag released off the canvas ends there: the point stays put when
        # the pointer comes back.
        self.page.press(290, 300, button=1)
        self.page.move(250, 200)
        self.page.release(520, 530, button=1)
        self.points[2] = point((520, 530))
        self.page.move(300, 320)
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
        for key in "CNTx":
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


def site_copy(change):
    """A temporary copy of the built site, changed by `change(folder)`."""
    folder = tempfile.mkdtemp(prefix="bezier-site-")
    shutil.copytree(SITE, folder, dirs_exist_ok=True)
    change(folder)
    return folder


class Robustness(PageCase):

    def test_input_made_while_the_program_loads_is_delivered_in_order(self):
        # A slow network: the program arrives two seconds after the page.
        server = browser.SiteServer(SITE, delays={"/bezier.wasm": 2})
        try:
            self.page = browser.Page(chromium, server.url, wait=False)
            harness.wait_until(lambda: self.page.script(
                "return document.body.classList.contains('loading')"
                " && getComputedStyle(document.getElementById('loading')).display !== 'none'"),
                10, "the page to show that it is loading")
            self.assertIsNone(self.page.alert())
            self.place(*SPOTS[:4])
            self.page.key("c")
            self.points = []
            self.place(*SPOTS[4:9])
            self.page.drag(1, SPOTS[5], [(200, 240), (210, 250)])
            self.points[1] = point((210, 250))
            self.assertTrue(self.page.script("return document.body.classList.contains('loading')"),
                            "the program came before the input it should have waited for")
            self.page.wait_console(HELP)
            self.expect_scene()
        finally:
            server.stop()

    def test_failures_to_load_say_what_to_do(self):
        cases = [  # name, site change, words the alert must hold
            ("missing program", lambda d: os.remove(os.path.join(d, "bezier.wasm")), "missing"),
            ("truncated program", lambda d: os.truncate(os.path.join(d, "bezier.wasm"), 1000), "damaged"),
            ("missing script", lambda d: os.remove(os.path.join(d, "bezier.js")), "could not be loaded"),
        ]
        for name, change, words in cases:
            with self.subTest(name):
                folder = site_copy(change)
                server = browser.SiteServer(folder, check=False)
                try:
                    self.page.driver.get(server.url)
                    text = harness.wait_until(self.page.alert, 10, "the alert")
                    self.assertIn(words, text)
                    self.assertIn("reload", text.lower())
                    self.page.browser_errors()  # the failed fetch is logged, as it should be
                finally:
                    server.stop()
                    shutil.rmtree(folder)
        with self.subTest("opened as a file"):
            self.page.driver.get("file://" + os.path.join(os.path.abspath(SITE), "index.html"))
            text = harness.wait_until(self.page.alert, 10, "the alert")
            self.assertIn("Serve its folder over HTTP", text)
            self.assertIn("./run --web", text)
            self.page.browser_errors()
        self.page.reload()

    def test_the_program_ending_shows_its_status_and_a_way_on(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        self.page.debug("debug.exit(3)")
        text = harness.wait_until(self.page.alert, 10, "the alert")
        self.assertIn("exit status 3", text)
        self.assertTrue(self.page.script("return document.getElementById('entry').disabled"))
        # Nothing more reaches the program, and nothing breaks trying.
        self.page.click(*SPOTS[5])
        self.page.key("t")
        time.sleep(0.3)
        self.assertEqual(self.page.console_text(), HELP)
        self.page.script("document.getElementById('reload').click()")
        harness.wait_until(lambda: self.page.alert() is None and self.page.idle(), 20, "a fresh start")
        self.points = []
        self.place(SPOTS[0])
        self.expect_scene()

    def test_lines_sent_are_echoed_where_a_terminal_shows_them(self):
        self.place(*SPOTS[:4])
        self.dialogue("t", "20")
        self.tolerance = 20
        transcript = HELP + TOLERANCE_PROMPT % 5 + "20\n"
        self.assertEqual(self.page.transcript(), transcript)
        # Type-ahead shows at once, and the next dialogue reads it.
        self.page.enter_line(" 7")
        transcript += " 7\n"
        self.assertEqual(self.page.transcript(), transcript)
        self.dialogue("n", None)
        self.steps = 7
        self.assertEqual(self.page.transcript(), transcript + STEPS_PROMPT % 25)
        self.assertEqual(self.page.script("return Array.from(document.querySelectorAll('#console .echo'),"
                                          " e => e.textContent)"), ["20\n", " 7\n"])
        self.choose(BSPLINE)
        self.expect_scene()

    def test_a_held_key_opens_one_dialogue_and_types_nothing_into_it(self):
        self.place(*SPOTS[:4])
        self.page.focus("view")
        self.page.char_down("t")
        self.out += TOLERANCE_PROMPT % 5
        self.page.wait_console(self.out)
        for _ in range(5):
            self.page.char_down("t", repeat=True)
        self.page.char_up("t")
        self.assertEqual(self.page.script("return document.getElementById('entry').value"), "")
        self.page.enter_line("9")
        self.tolerance = 9
        self.expect_scene()
        self.assertEqual(self.page.console_text(), self.out)

    def test_the_entry_takes_at_most_1000_characters(self):
        value = "return document.getElementById('entry').value"
        self.page.focus("entry")
        self.page.cdp("Input.insertText", text="8" * 5000)
        self.assertEqual(self.page.script(value), "8" * 1000)
        self.page.script("document.getElementById('entry').value = ''")
        # Ten megabytes pasted, on one line and on many: only what fits the
        # field goes in.
        self.page.paste("7", 10_000_000)
        self.assertEqual(self.page.script(value), "7" * 1000)
        self.page.script("document.getElementById('entry').value = ''")
        self.page.paste("1\n", 5_000_000)
        self.assertEqual(self.page.transcript(), HELP + "1\n" * 500)

    def test_a_drag_made_while_a_dialogue_waits_moves_the_point_once_it_is_answered(self):
        self.place(*SPOTS[:4])
        before = self.expect_scene()
        self.dialogue_opened("n")
        self.page.drag(1, SPOTS[2], [(200, 380), (180, 330)])
        # A flood of motion waiting behind the dialogue collapses into one.
        self.page.script("""
            const canvas = document.getElementById('view');
            const box = canvas.getBoundingClientRect();
            for (let i = 0; i < 100000; i++) {
              canvas.dispatchEvent(new PointerEvent('pointermove', {pointerType: 'mouse', bubbles: true,
                clientX: box.left + 100 + i % 50, clientY: box.top + 100}));
            }""")
        # Queued: the motion onto the point, the press, the drag's motion, the
        # release and the last of the flood.
        self.assertEqual(self.page.debug("debug.queued()"), 5)
        self.assertEqual(self.page.canvas(), before, "the canvas changed while the dialogue waited")
        self.page.enter_line("12")
        self.steps = 12
        self.points[2] = point((180, 330))
        self.barrier()


class Offline(PageCase):

    def test_a_page_loaded_once_starts_again_without_the_network(self):
        server = browser.SiteServer(SITE)
        try:
            self.page = browser.Page(chromium, server.url)
            harness.wait_until(lambda: self.page.script(
                "return navigator.serviceWorker.controller !== null"), 20, "the service worker")
        finally:
            server.stop()
        self.page.reload()
        self.assertIsNone(self.page.alert())
        self.page.wait_console(HELP)
        self.place(*SPOTS[:4])
        self.choose(BSPLINE)
        self.expect_scene()


if __name__ == "__main__":
    unittest.main()
