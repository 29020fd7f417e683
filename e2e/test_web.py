"""What belongs to the page in Chromium alone (the scenes every surface
shares are in scenes.py): the site's size and archive, loading, failures and
the program's end, type-ahead and echoed lines, offline use, the layout on
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
import pathlib
import re
import shutil
import subprocess
import tempfile
import threading
import unittest
import zipfile

from . import harness, orca, scenes
from .browser import Page, SiteServer
from .chromium import Chromium, Phone
from .harness import scaled
from web.serve_web import SiteHandler
from .scenes import setUpModule, tearDownModule  # noqa: F401  (the chromium surface serves the module)
from .scenes import BSPLINE, CLEAR_ALL, HELP, LABELS, SPOTS, STEPS_PROMPT, TOLERANCE_PROMPT, point

SITE = os.environ.get("BEZIER_WEB_SITE")


class PageCase(scenes.Scene):
    """The chromium surface (BEZIER_SURFACE=chromium), its page loaded
    afresh per test; a test may put another page in its place."""

    @property
    def page(self):
        return self.s.page

    @page.setter
    def page(self, page):
        self.s.page = page


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
        # Every script and the program were asked for as the page arrived
        # (a preload or a script of its own), and none of them twice.
        loaded = self.page.script("return performance.getEntriesByType('resource').map(r => r.name)"
                                  ".filter(n => /[.](js|wasm)$/.test(n))")
        early = self.page.script("return Array.from(document.querySelectorAll('link[rel$=preload], script[src]'),"
                                 " e => e.href || e.src)")
        self.assertEqual((sorted(set(loaded) - set(early)), len(loaded)), ([], len(set(loaded))))
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


class Robustness(PageCase):

    def test_input_made_while_the_program_loads_is_delivered_in_order(self):
        # A slow network: the program arrives once the input is made.
        program = threading.Event()
        server = SiteServer(SITE, held={"/bezier.wasm": program})
        self.addCleanup(server.stop)
        self.addCleanup(program.set)  # first, so the server's thread can end
        self.page = Page(self.s.engine, server.url, wait=False)
        harness.wait_until(lambda: self.page.script(
            "return document.body.classList.contains('loading')"
            " && getComputedStyle(document.getElementById('loading')).display !== 'none'"),
            10, "the page to show that it is loading")
        self.assertIsNone(self.page.alert())
        self.place(*SPOTS[:4])
        self.s.key("c")
        self.points = []
        self.place(*SPOTS[4:9])
        self.page.drag(1, SPOTS[5], [(200, 240), (210, 250)])
        self.points[1] = point((210, 250))
        # Keys move the cursor from the pointer (the middle) in fractions, and
        # Enter places a point under it once the window has its size.
        self.page.move(250, 250)  # the canvas has the focus from the clicks
        for name in ("ArrowRight", "ArrowRight", "ArrowDown", "Enter"):
            self.page.tap_key(name)
        self.assertRegex(self.page.script("return document.getElementById('cursor').style.left"), r"^\d+(\.\d*)?%$")
        self.assertTrue(self.page.script("return document.body.classList.contains('loading')"),
                        "the program came before the input it should have waited for")
        program.set()
        self.s.wait_console(HELP)
        cursor = self.page.pixel(*self.page.centre("#cursor"))
        self.assertLessEqual(max(abs(cursor[0] - 252), abs(cursor[1] - 251)), 2, cursor)
        self.points.append(point(cursor))
        self.expect_scene()

    def test_failures_to_load_say_what_to_do(self):
        cases = [  # name, site change, words the alert must hold
            ("missing program", lambda d: os.remove(os.path.join(d, "bezier.wasm")), "missing"),
            ("truncated program", lambda d: os.truncate(os.path.join(d, "bezier.wasm"), 1000), "damaged"),
            ("missing script", lambda d: os.remove(os.path.join(d, "bezier.js")), "could not be loaded"),
        ]
        for name, change, words in cases:
            with self.subTest(name):
                folder = tempfile.mkdtemp(prefix="bezier-site-")
                shutil.copytree(SITE, folder, dirs_exist_ok=True)
                change(folder)
                server = SiteServer(folder, check=False)
                try:
                    self.s.engine.navigate(server.url)
                    text = harness.wait_until(self.page.alert, 10, "the alert")
                    self.assertIn(words, text)
                    self.assertIn("reload", text.lower())
                    self.s.engine.errors()  # the failed fetch is logged, as it should be
                finally:
                    server.stop()
                    shutil.rmtree(folder)
        with self.subTest("opened as a file"):
            self.s.engine.navigate("file://" + os.path.join(os.path.abspath(SITE), "index.html"))
            text = harness.wait_until(self.page.alert, 10, "the alert")
            self.assertIn("Serve its folder over HTTP", text)
            self.assertIn("./run --web", text)
            self.s.engine.errors()
        self.page.reload()

    def test_the_program_ending_shows_its_status_and_a_way_on(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        self.page.debug("debug.exit(3)")
        text = harness.wait_until(self.page.alert, 10, "the alert")
        self.assertIn("exit status 3", text)
        self.assertTrue(self.page.script("return document.getElementById('entry').disabled"))
        # Nothing more reaches the program, and nothing breaks trying: the
        # page, which takes the input as it comes, keeps none of it.
        self.page.click(*SPOTS[5])
        self.page.key("t")
        self.assertEqual((self.page.debug("debug.queued()"), self.s.console()), (0, HELP))
        self.page.script("document.getElementById('reload').click()")
        harness.wait_until(lambda: self.page.alert() is None and self.page.idle(), 20, "a fresh start")
        self.points = []
        self.place(SPOTS[0])
        self.expect_scene()

    def test_lines_sent_are_echoed_where_a_terminal_shows_them(self):
        self.place(*SPOTS[:4])
        self.ask("t")
        self.s.answer("20")
        self.s.wait_console(self.out)
        self.tolerance = 20
        transcript = HELP + TOLERANCE_PROMPT % 5 + "20\n"
        self.assertEqual(self.page.transcript(), transcript)
        # Type-ahead shows at once, and the next dialogue reads it.
        self.s.answer(" 7")
        transcript += " 7\n"
        self.assertEqual(self.page.transcript(), transcript)
        self.page.key("n")
        self.out += STEPS_PROMPT % 25
        self.s.wait_console(self.out)
        self.steps = 7
        self.assertEqual(self.page.transcript(), transcript + STEPS_PROMPT % 25)
        self.assertEqual(self.page.script("return Array.from(document.querySelectorAll('#console .echo'),"
                                          " e => e.textContent)"), ["20\n", " 7\n"])
        self.choose(BSPLINE)
        self.expect_scene()

    def test_a_held_key_opens_one_dialogue_and_types_nothing_into_it(self):
        self.place(*SPOTS[:4])
        self.page.focus("view")
        self.page.key_down("t")
        self.out += TOLERANCE_PROMPT % 5
        self.s.wait_console(self.out)
        for _ in range(5):
            self.page.key_down("t", repeat=True)
        self.page.key_up("t")
        self.assertEqual(self.page.script("return document.getElementById('entry').value"), "")
        self.s.answer("9")
        self.tolerance = 9
        self.expect_scene()
        self.assertEqual(self.s.console(), self.out)

    def test_no_frame_is_drawn_while_a_dialogue_waits_and_a_flood_of_motion_is_queued_as_one(self):
        # A click (its frame requested) and n at once: the dialogue starts
        # before the frame, which waits for the answer (two frames' time).
        before = self.expect_scene()
        self.page.script("""
            const canvas = document.getElementById('view'), box = canvas.getBoundingClientRect();
            const at = (x, y, buttons) => ({pointerType: 'mouse', bubbles: true, buttons,
                                            clientX: box.left + x + 0.5, clientY: box.top + y + 0.5});
            canvas.dispatchEvent(new PointerEvent('pointerdown', at(...arguments[0], 1)));
            canvas.dispatchEvent(new PointerEvent('pointerup', at(...arguments[0], 0)));
            canvas.dispatchEvent(new KeyboardEvent('keydown', {key: 'n', code: 'KeyN', bubbles: true}));
            for (let i = 0; i < 1e5; i++) canvas.dispatchEvent(new PointerEvent('pointermove', at(100 + i % 50, 100, 0)));
            return new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));""", SPOTS[0])
        self.s.wait_console(HELP + STEPS_PROMPT % 25)
        self.assertEqual((self.page.debug("debug.queued()"), self.s.frame(settled=False)), (1, before))
        self.s.answer("12")
        self.steps = 12
        self.points.append(point(SPOTS[0]))
        self.barrier()

    def test_a_press_nobody_can_release_any_more_ends_where_it_was(self):
        # Space picks the last point up and an arrow drags it, then the focus
        # leaves (Tab, another tab); or the system cancels a finger's drag to
        # the same pixel. The drag ends there, said so, and the mouse over the
        # canvas moves nothing.
        driver = self.s.engine.driver

        def another_tab():
            driver.switch_to.new_window("tab")
            driver.close()
            driver.switch_to.window(driver.window_handles[0])
        leaves = {"Tab": lambda: self.page.tap_key("Tab"), "another tab": another_tab,
                  "a finger cancelled": lambda: self.s.engine.touch("touchCancel")}
        for name, leave in leaves.items():
            with self.subTest(name):
                self.setUp()  # a fresh page
                self.place(*SPOTS[:3])
                if leave is leaves["a finger cancelled"]:
                    for kind, spot in (("touchStart", SPOTS[2]), ("touchMove", (260, 430)), ("touchMove", (231, 430))):
                        self.s.engine.touch(kind, self.page.client(*spot))
                else:  # the canvas has the focus from the clicks, the pointer is on the last point
                    self.page.tap_key(" ")
                    self.page.tap_key("ArrowRight")
                leave()
                self.points[2] = point((231, 430))
                self.page.move(400, 100)
                self.barrier()
                harness.wait_until(lambda: self.page.script("return document.getElementById('status').textContent")
                                   .find("Point dropped: point 3 moved from 230, 430 to 231, 430") >= 0, 5, "the drop")

    def test_an_open_menu_keeps_out_of_the_tab_order_and_closes_on_a_resize(self):
        # Tab goes through the page with the menu open, and out of it (which
        # closes the menu, as the window losing the focus does).
        self.page.open_menu()
        steps = []
        while steps[-1:] != ["left"] and len(steps) < 20:
            self.page.tap_key("Tab")
            steps.append(self.page.script(
                "const e = document.activeElement, open = !document.getElementById('menu').hidden;"
                "return e === document.body ? 'left' : !open ? 'closed' : e.closest('#menu') ? 'in the menu' : e.id"))
        self.assertEqual((steps[-1], [s for s in steps if s in ("closed", "in the menu")]), ("left", []), steps)
        self.page.open_menu()
        self.addCleanup(self.s.engine.cdp, "Emulation.clearDeviceMetricsOverride")
        self.s.engine.emulate(900, 700)
        harness.wait_until(lambda: not self.page.menu_labels()[1], 5, "the menu to close")

    def test_the_entry_takes_at_most_1000_characters(self):
        value = "return document.getElementById('entry').value"
        self.page.focus("entry")
        self.s.engine.insert_text("8" * 5000)
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

    def test_each_copy_of_the_site_loaded_once_starts_again_without_the_network(self):
        # Two builds in two folders of one origin, visited in turn, and then a
        # new build published in the first: it replaces that folder's alone.
        # The caches are read once the folder's worker has settled.
        root = tempfile.mkdtemp(prefix="bezier-sites-")
        self.addCleanup(shutil.rmtree, root, True)

        server, kept = SiteServer(root, check=False), {}
        self.addCleanup(server.stop)
        for folder, build in (("a", "1"), ("b", "1"), ("a", "2")):
            shutil.copytree(SITE, os.path.join(root, folder), dirs_exist_ok=True)
            worker = pathlib.Path(root, folder, "sw.js")
            worker.write_text(re.sub(r"const BUILD = '\w+'", "const BUILD = '%s'" % build, worker.read_text()))
            kept[folder] = "bezier %s%s/ %s" % (server.url, folder, build)
            self.page = Page(self.s.engine, server.url + folder + "/")
            harness.await_value(lambda: self.page.script(
                "return navigator.serviceWorker.getRegistration().then(async (r) => r && !r.installing"
                " && !r.waiting && r.active?.state === 'activated' ? (await caches.keys()).sort() : null)"),
                sorted(kept.values()), 20, "the caches kept are %r".__mod__)
        # The server gone: a connection kept alive outlives it, and finds nothing.
        server.stop()
        shutil.rmtree(root)
        for folder in "ba":
            self.page = Page(self.s.engine, server.url + folder + "/")
            self.assertIsNone(self.page.alert())
            self.s.wait_console(HELP)
        self.place(*SPOTS[:4])
        self.choose(BSPLINE)
        self.expect_scene()


class Layout(PageCase):
    """The page on every screen, in a browser of its own at a phone's scale
    (see Chromium's scale), a phone's screen to begin with."""
    # width, height (CSS pixels), device pixels per CSS pixel, touch screen,
    # device pixels per canvas pixel (None: no whole number fills 60 % of the
    # room, so the canvas is scaled to fit).
    SCREENS = [
        (360, 740, 3, True, 2),        # a phone
        (390, 844, 3, True, 2),
        (320, 568, 2, True, 1),        # a small phone
        (740, 360, 3, True, 2),        # a phone turned
        (568, 320, 2, True, 1),        # a small phone turned
        (820, 1180, 2, True, 3),       # a tablet
        (1180, 820, 2, True, 3),       # a tablet turned
        (1366, 768, 1, False, 1),      # a laptop with a mouse: 500 CSS pixels
        (1440, 900, 2, False, 2),
        (1280, 800, 1.75, False, None),
        (320, 320, 1, False, None),    # the least viewport
    ]

    @classmethod
    def setUpClass(cls):
        cls.screen = Chromium(scale=3)

    @classmethod
    def tearDownClass(cls):
        cls.screen.quit()

    def setUp(self):
        super().setUp()
        self.emulate(**Phone.device)

    def emulate(self, **device):
        self.screen.emulate(**device)
        self.page = Page(self.screen, self.s.server.url)

    def tap(self, spot):
        self.screen.stroke([spot])

    def boxes(self, scroll):
        """The viewport's size and the client rectangles of the canvas, the
        keys, the console and the entry (left, top, right, bottom), after the
        canvas is scrolled into view if `scroll`."""
        return self.page.script("""
            const view = document.getElementById('view'), root = document.documentElement;
            if (arguments[0]) view.scrollIntoView();
            const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
            return {viewport: [root.clientWidth, root.clientHeight], scrolls: root.scrollWidth > root.clientWidth,
                    view: box(view), keys: box(document.querySelector('.controls')),
                    console: box(document.getElementById('console')), entry: box(document.getElementById('entry')),
                    layout: document.body.dataset.layout,
                    buffer: [view.width, view.height], rendering: getComputedStyle(view).imageRendering};""", scroll)

    def assertInView(self, boxes, *names):
        width, height = boxes["viewport"]
        for name in names:
            left, top, right, bottom = boxes[name]
            self.assertTrue(left >= 0 and top >= 0 and right <= width and bottom <= height,
                            "%s at %s is not in the %d x %d viewport" % (name, boxes[name], width, height))

    def test_every_screen_shows_the_whole_canvas_with_pixels_of_one_size(self):
        for width, height, ratio, touch, k in self.SCREENS:
            with self.subTest(screen="%dx%d at %s" % (width, height, ratio)):
                self.emulate(width=width, height=height, scale=ratio, mobile=touch, touch=touch)
                at_load = self.boxes(scroll=False)
                if width > height:
                    self.assertInView(at_load, "view", "keys", "entry")
                boxes = self.boxes(scroll=True)
                self.assertInView(boxes, "view")
                self.assertFalse(boxes["scrolls"], "the page scrolls sideways")
                self.assertEqual((boxes["buffer"], boxes["rendering"]), ([500, 500], "pixelated"))
                left, top, right, bottom = boxes["view"]
                self.assertAlmostEqual(right - left, bottom - top, places=3)
                per_pixel = (right - left) * ratio / 500
                if k is None:
                    self.assertGreater(abs(per_pixel - round(per_pixel)), 0.05, "a whole k would fit")
                    continue
                self.assertAlmostEqual(per_pixel, k, delta=0.001)
                self.points = []
                self.place(*SPOTS[:4])
                self.expect_scene()
                self.assertIsNone(self.screen.shown_as_canvas(self.page, k),
                                  "a device pixel that is not its canvas pixel")

    # A course page of another origin shows the editor in an <iframe> of
    # width x height CSS pixels: the arrangement chosen, and the device pixels
    # per canvas pixel at scale 1 and 2 (None: no whole number fits). The
    # last is edited.
    FRAMES = [(560, 420, "beside", None, 1), (640, 480, "beside", None, 1),
              (1000, 700, "wide", 1, 2), (800, 600, "beside", 1, 2)]

    def test_in_a_frame_of_a_course_page_canvas_keys_console_and_entry_are_in_view(self):
        course = tempfile.mkdtemp(prefix="bezier-course-")
        self.addCleanup(shutil.rmtree, course)
        outer = SiteServer(course, check=False, host="localhost", policy="frame-src http://127.0.0.1:*")
        # The one change the site's policy needs: the course site may frame it.
        editor = SiteServer(SITE, recorder=True, policy=SiteHandler.policy.replace(
            "frame-ancestors 'none'", "frame-ancestors " + outer.url.rstrip("/")))
        self.addCleanup(outer.stop)
        self.addCleanup(editor.stop)
        for width, height, layout, *per_pixel in self.FRAMES:
            with open(os.path.join(course, "%d.html" % width), "w") as f:
                f.write('<!doctype html><title>Course</title><link rel="icon" href="data:,">'
                        '<iframe id="editor" src="%s" width="%d" height="%d"'
                        ' title="Bezier, an editor for planar cubic curves"></iframe>' % (editor.url, width, height))
        # A frame of another origin has a renderer of its own, which sees the
        # browser's own scale, not an emulated one.
        doubled = Chromium(scale=2)
        self.addCleanup(doubled.quit)
        for scale, engine in ((2, doubled), (1, self.s.engine)):
            for width, height, layout, *per_pixel in self.FRAMES:
                with self.subTest(frame="%dx%d at %d" % (width, height, scale)):
                    self.page = Page(engine, outer.url + "%d.html" % width, frame="#editor")
                    boxes = self.boxes(scroll=False)
                    self.assertEqual((boxes["viewport"][1], boxes["layout"]), (height, layout))
                    self.assertInView(boxes, "view", "keys", "console", "entry")
                    self.assertFalse(boxes["scrolls"], "the page scrolls sideways")
                    k = per_pixel[scale - 1]
                    shown = (boxes["view"][2] - boxes["view"][0]) * scale / 500
                    if k is None:
                        self.assertGreater(abs(shown - round(shown)), 0.05, "a whole k would fit")
                    else:
                        self.assertAlmostEqual(shown, k, delta=0.001)
                    self.assertIsNone(self.page.alert())
        # Clicks land on their pixels, and a dialogue is answered in view.
        self.points = []
        self.place(*SPOTS[:5])
        self.expect_scene()
        self.page.click_on("#key-t")
        self.out += TOLERANCE_PROMPT % 5
        self.s.wait_console(self.out)
        self.s.answer("30")
        self.tolerance = 30
        self.expect_scene()
        self.assertEqual(self.page.script("return [scrollX, scrollY]"), [0, 0])

    def test_a_phone_turned_answers_in_view_and_a_turn_in_the_middle_of_a_drag_keeps_its_pixels(self):
        # Taps, drags and the Shift key are the phone's scenes; here the
        # arrangement beside the canvas.
        self.emulate(width=740, height=360, scale=3, mobile=True, touch=True)
        for spot in SPOTS[:5]:
            self.tap(self.page.client(*spot))
            self.points.append(point(spot))
        # The dialogue waits with all it needs in view, nothing scrolled.
        self.tap(self.page.centre("#key-t"))
        self.out += TOLERANCE_PROMPT % 5
        self.s.wait_console(self.out)
        self.assertEqual(self.page.entry_waiting(), (True, True))
        self.assertInView(self.boxes(scroll=False), "view", "keys", "entry")
        self.s.answer("40")
        self.tolerance = 40
        self.expect_scene()
        # Turned upright in the middle of a drag, the phone lays the page out
        # anew, and the drag keeps the mapping it started with until it ends.
        box = self.page.box("#view")
        self.page.press(*SPOTS[4], button=1)
        self.screen.emulate(**Phone.device)
        harness.wait_until(lambda: self.page.box("#view")[:2] != box[:2], 5, "the page laid out anew")
        end = (120, 200)
        spot = (box[0] + (end[0] + 0.5) * box[2] / 500, box[1] + (end[1] + 0.5) * box[3] / 500)
        self.screen.pointer("move", *spot, 1, 4, ())
        self.screen.pointer("up", *spot, 1, 0, ())
        self.points[4] = point(end)
        self.expect_scene()

    def test_a_phone_sees_the_whole_canvas_and_fingers_get_large_targets(self):
        # Controls and menu entries are at least 44 x 44 CSS pixels.
        self.tap(self.page.centre("#key-menu"))
        sizes = self.page.script("return Array.from(document.querySelectorAll('.controls button, #menu li'),"
                                 " e => [e.id || e.textContent, e.offsetWidth, e.offsetHeight])")
        for name, width, height in sizes:
            self.assertGreaterEqual(min(width, height), 44, name)
        self.tap(self.page.centre("#menu > li:nth-child(%d)" % (CLEAR_ALL + 1)))
        self.assertEqual(self.page.menu_labels(), [LABELS[self.kind], False])
        # A touch lands on the canvas pixel under it: the canvas is scaled.
        left, top, shown, _ = self.page.box("#view")
        for fx, fy in ((0.2037, 0.7129), (0.8811, 0.1), (0.999, 0.999)):
            # Touches at whole CSS pixels, off the canvas pixels' centres.
            cx, cy = round(left + fx * shown), round(top + fy * shown)
            before = self.page.script("return window.scrollY")
            self.tap((cx, cy))
            self.assertEqual(self.page.script("return window.scrollY"), before)
            self.points.append(point(self.page.pixel(cx, cy)))
        self.expect_scene()
        # A swipe that starts on the canvas drags, and the page stays put.
        self.screen.stroke([self.page.client(*spot) for spot in ((100, 100), (100, 300), (100, 450))])
        self.assertEqual(self.page.script("return window.scrollY"), before)
        # A dialogue brings the entry field into view.
        self.tap(self.page.centre("#key-n"))
        harness.wait_until(lambda: self.page.entry_waiting() == (True, True), 5, "the dialogue")
        harness.wait_until(lambda: self.page.script(
            "const r = document.getElementById('entry').getBoundingClientRect();"
            "return r.top >= 0 && r.bottom <= innerHeight;"), 5, "the entry field in view")
        self.s.answer("3")
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
        said = lambda: self.page.script("return document.getElementById('status').textContent")  # noqa: E731
        self.page.click(*self.page.entry_pixel(BSPLINE))
        harness.wait_until(lambda: said().startswith("Cubic B-Spline chosen"), 5, "the choice announced")
        # Move is a button of its own: Enter and Space toggle it, its state is
        # shown and said.
        self.page.focus("key-move")
        for key, pressed, words in (("Enter", "true", "Move latched"), (" ", "false", "Move released")):
            self.page.tap_key(key)
            self.assertEqual(self.page.script("return document.activeElement.getAttribute('aria-pressed')"), pressed)
            harness.wait_until(lambda: words in said(), 5, "the latch announced")
            if pressed == "true":
                self.audit("Move latched")
        self.ask("t")
        self.audit("a dialogue waiting")
        self.s.answer("8")


class ScreenReader(unittest.TestCase):
    """A blind student's walk with Orca in its default settings (browse mode
    on a web page): each step presses real keys and waits for what Orca says
    last, then compares all it said meanwhile."""

    def test_orca_hands_the_keys_to_the_canvas_and_says_what_happened_to_which_point(self):
        site = SiteServer(SITE)
        self.addCleanup(site.stop)
        try:
            harness.require("a screen reader", orca.PROGRAMS, packages=orca.PACKAGES)
        except RuntimeError as missing:
            self.skipTest(str(missing))
        # What Orca said and its logs stay with the group's evidence.
        sr = orca.Orca(harness.ARTIFACTS or tempfile.mkdtemp(prefix="orca-"), site.url)
        self.addCleanup(sr.stop)

        def step(keys, last, *said, delay=50):
            if keys:
                sr.keys(*keys.split(), delay=delay)
            heard = " | ".join(sr.hear(last, 60))
            self.assertRegex(heard, "^%s$" % " \\| ".join(said), "after " + (keys or "loading"))

        step("", "editor ready", ".*Bezier curve editor ready. Press Tab to reach the drawing area.")
        step("Tab", "^Focus mode$", r"Drawing area embedded\.",
             r"No points, Bezier curve\. Arrows move the cursor.* Shift\+F10 opens the menu\.", "Focus mode")
        # Five quick presses, one announcement.
        step("Right Right Right Right Right", "^Cursor", "Cursor at 255, 250")
        step("Return", "placed", "Point 1 placed at 255, 250; 1 point")
        step("Right Right Right shift+Return", "deleted", "Point 1 deleted from 255, 250; no points left")
        step("shift+Return", "nothing", "No point within 50 pixels of 258, 250: nothing deleted")
        step("Return", "placed", "Point 1 placed at 258, 250; 1 point")
        step(" ".join(["Right"] * 13) + " space", "picked",
             "Point 1 picked up at 258, 250: arrows move it, Space drops it")
        step("Right Right Right space", "moved", "Point 1 moved from 258, 250 to 274, 250")
        step("shift+F10", "Clear All", ".*Menu menu.", r"Clear All\.")
        step("Down Down", "Cubic B-Spline not selected", r"Bezier selected radio menu item\.",
             r"Cubic B-Spline not selected radio menu item\.", delay=300)
        step("Return", "chosen", r"Drawing area embedded\.", r"(1 point, Cubic B-Spline curve, no segments drawn\. \| )+"
             "Cubic B-Spline chosen: no segments from 1 point")
        # The prompt first and once, then the answer once.
        step("t", "New value", "(region Console \\| )?Current value for deCasteljau Tolerance : 5 New value : entry\\.")
        step("1 0 Return", "accepted", ".*Drawing area embedded\\.",
             r"1 point, Cubic B-Spline curve, no segments drawn\.", "10: accepted, tolerance 10")
        step("Tab", "Shift", "Shift button, not latched: Shift for the next click or tap on the canvas: deletes the nearest point")
        self.assertFalse([line for line in sr.said() if "Controls done by mouse" in line],
                         "the console's help was read out")


if __name__ == "__main__":
    unittest.main()
