"""What belongs to the page in Chromium alone (the scenes every surface
shares are in scenes.py): the site's size and archive, loading, failures and
the program's end, type-ahead and awkward lines, offline use, the layout on
a phone and the accessibility audit. Real input events in, every canvas
pixel out.

The built site is served on a loopback port with the strict
Content-Security-Policy it is published with. Every frame is compared pixel
for pixel with what the project's own frame composition emits for the same
scene (frame_oracle), and the console with the desktop's texts.
Any error in the browser's log or any policy violation fails the test.

Run with /usr/bin/python3 (Debian's python3-selenium); ctest does.
"""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile

import browser
import harness
from harness import scaled
from scenes import BARRIER, BEZIER, BSPLINE, CLEAR_ALL, HELP, LABELS, SPOTS, STEPS_PROMPT, TOLERANCE_PROMPT, point

SITE = os.environ.get("BEZIER_WEB_SITE")
ORACLE = os.environ.get("BEZIER_ORACLE")

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

    def announced(self, text):
        """Waits until the page's live region says `text`."""
        harness.wait_until(lambda: self.page.script(
            "return document.getElementById('status').textContent") == text, 5, "the announcement " + text)

    def barrier(self):
        """A point far from the others, then its frame: every earlier event
        has been handled and drawn."""
        self.place(BARRIER)
        self.expect_scene()

    def choose(self, entry):
        self.page.menu(entry)
        self.kind = {BEZIER: "bezier", BSPLINE: "bspline"}.get(entry, self.kind)

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


class Site(PageCase):

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


PHONE = dict(width=360, height=740, scale=3, mobile=True, touch=True)


class DeviceCase(PageCase):
    """A page on an emulated device (DEVICE), for touch screens and phones."""
    DEVICE = PHONE

    def setUp(self):
        super().setUp()
        self.page.emulate(**self.DEVICE)
        self.page.reload()

    def tearDown(self):
        self.page.stop_emulating()
        super().tearDown()

    def tap_control(self, selector):
        self.page.tap_client(*self.page.element_centre(selector))

    def choose_by_tap(self, entry, tap):
        tap(*self.page.element_centre("#menu > li:nth-child(%d)" % (entry + 1)))
        self.kind = {BEZIER: "bezier", BSPLINE: "bspline"}.get(entry, self.kind)
        self.assertEqual(self.page.menu_labels(), [LABELS[self.kind], False])


class Layout(DeviceCase):
    DEVICE = PHONE

    def layout(self):
        return self.page.script("""
            const v = document.getElementById('view').getBoundingClientRect();
            const root = document.scrollingElement;
            return {scrollWidth: root.scrollWidth, width: root.clientWidth, left: v.left, right: v.right,
                    shown: v.width, rendering: getComputedStyle(document.getElementById('view')).imageRendering,
                    buffer: [document.getElementById('view').width, document.getElementById('view').height]};""")

    def test_a_phone_sees_the_whole_canvas_and_fingers_get_large_targets(self):
        for width in (360, 320):
            with self.subTest(width=width):
                self.page.emulate(**dict(PHONE, width=width))
                self.page.reload()
                box = self.layout()
                self.assertLessEqual(box["scrollWidth"], box["width"], "the page scrolls sideways")
                self.assertGreaterEqual(box["left"], 0)
                self.assertLessEqual(box["right"], width)
                self.assertLess(box["shown"], 500)
                self.assertEqual(box["rendering"], "pixelated")
                self.assertEqual(box["buffer"], [500, 500])
        # Controls and menu entries are at least 44 x 44 CSS pixels.
        self.tap_control("#menu-key")
        sizes = self.page.script("return Array.from(document.querySelectorAll('.controls button, #menu li'),"
                                 " e => [e.id || e.textContent, e.offsetWidth, e.offsetHeight])")
        for name, width, height in sizes:
            self.assertGreaterEqual(min(width, height), 44, name)
        self.choose_by_tap(CLEAR_ALL, self.page.tap_client)
        # A touch lands on the canvas pixel under it: the canvas is scaled.
        left, top, shown, _ = self.page.canvas_box()
        for fx, fy in ((0.2037, 0.7129), (0.8811, 0.1), (0.999, 0.999)):
            # Touch positions arrive in whole CSS pixels.
            cx, cy = round(left + fx * shown), round(top + fy * shown)
            before = self.page.script("return window.scrollY")
            self.page.tap_client(cx, cy)
            self.assertEqual(self.page.script("return window.scrollY"), before)
            self.points.append(point((int((cx - left) * 500 // shown), int((cy - top) * 500 // shown))))
        self.expect_scene()
        # A swipe that starts on the canvas drags, and the page stays put.
        self.page.touch_drag((100, 100), [(100, 300), (100, 450)])
        self.assertEqual(self.page.script("return window.scrollY"), before)
        # A dialogue brings the entry field into view.
        self.tap_control("#key-n")
        harness.wait_until(lambda: self.page.entry_waiting() == (True, True), 5, "the dialogue")
        harness.wait_until(lambda: self.page.script(
            "const r = document.getElementById('entry').getBoundingClientRect();"
            "return r.top >= 0 && r.bottom <= innerHeight;"), 5, "the entry field in view")
        self.page.enter_line("3")
        self.steps = 3
        self.choose(BSPLINE)
        self.expect_scene()


# The accessibility audit: axe-core, fetched from npm into the build folder
# the first time (a test dependency, never part of the site).
AXE_VERSION = "4.14.1"
NPM_DIR = os.environ.get("BEZIER_NPM_DIR") or os.path.join(os.path.dirname(SITE or "."), "..", "npm")
WCAG_A_AA = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa"]


def axe_source():
    path = os.path.join(NPM_DIR, "node_modules", "axe-core", "axe.min.js")
    if not os.path.exists(path):
        if not shutil.which("npm"):
            raise RuntimeError("the accessibility audit needs npm to fetch axe-core (install npm)")
        subprocess.run(["npm", "install", "--no-save", "--no-audit", "--no-fund", "--prefix", NPM_DIR,
                        "axe-core@" + AXE_VERSION], check=True, capture_output=True, timeout=scaled(300))
    with open(path) as f:
        return f.read()


class Accessibility(PageCase):

    @classmethod
    def setUpClass(cls):
        cls.axe = axe_source()

    def audit(self, state):
        if not self.page.script("return typeof axe !== 'undefined'"):
            self.page.script(self.axe)
        violations = self.page.script(
            "return axe.run(document, {runOnly: {type: 'tag', values: arguments[0]}})"
            ".then(r => r.violations.map(v => v.id + ': ' + v.nodes.map(n => n.target.join(' ')).join(', ')))",
            WCAG_A_AA)
        self.assertEqual(violations, [], "WCAG 2.1 A/AA violations with " + state)

    def test_the_page_passes_the_audit_and_names_what_a_screen_reader_needs(self):
        self.audit("the page idle")
        self.assertEqual(self.page.script("return document.querySelector('h1').textContent.trim()"),
                         "Bezier an editor for planar cubic curves")
        self.assertTrue(self.page.script("return document.getElementById('help').open"),
                        "the help is not open on a first visit")
        described = self.page.script("const v = document.getElementById('view');"
                                     "return [v.getAttribute('aria-label'),"
                                     " document.getElementById(v.getAttribute('aria-describedby')).textContent]")
        self.assertEqual(described[0], "Drawing area")
        self.assertIn("Shift+F10", described[1])
        self.page.open_menu()
        self.audit("the menu open")
        roles = self.page.script("return Array.from(document.querySelectorAll('#menu > li'), li =>"
                                 " [li.getAttribute('role'), li.getAttribute('aria-checked'), li.textContent])")
        self.assertEqual(roles, [["menuitem", None, "   Clear All"], ["menuitemradio", "true", "o Bezier"],
                                 ["menuitemradio", "false", "   Cubic B-Spline"]])
        self.page.click(*self.page.menu_item_centre(BSPLINE))
        self.announced("Menu: Cubic B-Spline")
        self.dialogue_opened("t")
        self.audit("a dialogue waiting")
        self.page.enter_line("8")


if __name__ == "__main__":
    unittest.main()
