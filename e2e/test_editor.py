"""The editor in a real window: real X events in, every pixel of the frame out.

Each test starts the program afresh on one private display per test group,
drives it with the pointer, the keyboard, the pop-up menu and its standard
input, and compares the whole 500 x 500 window with the frame the project's
own frame composition emits for the same scene (frame_oracle).

Synchronisation: a frame is awaited until it matches (or the wait times out
and the difference is shown); a check that something did NOT happen is closed
by a later visible action (a "barrier" point): events are handled in order,
so the frame that shows the barrier was drawn after the earlier events.

Positions in this file are window coordinates (y down from the top); the
editor's points have y up from the bottom: point = (x, 500 - y).
"""

import os
import subprocess
import tempfile
import unittest

import harness
from harness import SIZE

BINARY = os.environ.get("BEZIER_BINARY")
ORACLE = os.environ.get("BEZIER_ORACLE")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS") or tempfile.mkdtemp(prefix="bezier-e2e-")

HELP = (" Controls done by mouse:\n"
        "  left: Place point\n"
        "  shift-left: delete point\n"
        "  middle-drag: move point\n"
        "  right: Popup menu (includes:\n"
        "    clear function\n"
        "    choice of spline types\n"
        "    toggle 3D-rotation)\n"
        " Controsl done by keyboard:\n"
        "  t: Sets tolerance for when deCasteljau's should stop\n"
        "     (Default: 5; Good value for wireframe: 20)\n"
        "  n: Sets the number of steps used in B-spline evaluation\n"
        "     (Default: 25; Good value for wireframe: 10)\n")

STEPS_PROMPT = "Current value for number of steps for B-spline: %d\nNew value :"
TOLERANCE_PROMPT = "Current value for deCasteljau Tolerance : %d\nNew value :"
OUT_OF_RANGE = "Invalid entry:  Must fall between 1 and 500\n"
NOT_A_NUMBER = "Invalid entry.\n"

# Menu entries, from the top.
CLEAR_ALL, BEZIER, BSPLINE = 0, 1, 2

# Ten window positions spread over the window, away from the corner where the
# menu is opened, in placement order.
SPOTS = [(70, 420), (130, 170), (230, 430), (310, 130), (390, 390),
         (450, 210), (340, 270), (210, 310), (110, 260), (260, 470)]

# Where barrier points go: far from every spot above.
BARRIER = (470, 470)

server = None


def setUpModule():
    global server
    missing = [name for name, value in (("BEZIER_BINARY", BINARY), ("BEZIER_ORACLE", ORACLE))
               if not value or not os.path.exists(value)]
    if missing:
        raise RuntimeError("set %s to the built programs (ctest does this)" % " and ".join(missing))
    os.makedirs(ARTIFACTS, exist_ok=True)
    # No display means no suite: this raises, and the run fails.
    server = harness.XServer(ARTIFACTS)


def tearDownModule():
    if server is not None:
        server.stop()


def point(spot):
    x, y = spot
    return (x, SIZE - y)


class EditorCase(unittest.TestCase):
    """A fresh program per test, with the scene it should be showing."""

    def setUp(self):
        self.app = harness.App(server, BINARY, workdir=ARTIFACTS)
        self.addCleanup(self.app.kill)
        self.kind = "bezier"
        self.tolerance = 5
        self.steps = 25
        self.points = []

    def place(self, *spots):
        for spot in spots:
            self.app.click(*spot)
            self.points.append(point(spot))

    def lit(self, points=None, **settings):
        scene = dict(kind=self.kind, tolerance=self.tolerance, steps=self.steps)
        scene.update(settings)
        return harness.oracle_lit(ORACLE, scene["kind"], self.points if points is None else points,
                                  scene["tolerance"], scene["steps"])

    def expect_scene(self, **settings):
        """Waits for the frame of the current points and settings."""
        return self.app.wait_frame(self.lit(**settings))

    def barrier(self):
        """Places a point far from the others and waits for the frame with it:
        every earlier event has then been handled and drawn."""
        self.place(BARRIER)
        self.expect_scene()

    def choose(self, entry):
        self.app.menu(entry)
        if entry == BEZIER:
            self.kind = "bezier"
        elif entry == BSPLINE:
            self.kind = "bspline"
        else:
            self.points = []


class Startup(EditorCase):

    def test_help_text_is_written_before_the_window_and_the_window_is_black(self):
        # The window is already shown here; the help text must not be held
        # back in a buffer until some later write.
        try:
            out = self.app.wait_output(HELP, timeout=2)
        except TimeoutError as e:
            self.fail("the help text is not on standard output: %s" % e)
        self.assertEqual(out, HELP)
        self.assertEqual(self.app.geometry(), (0, 0, SIZE, SIZE))
        self.app.wait_frame(set())


    def test_toolkit_options_on_the_command_line_reach_the_toolkit(self):
        # With DISPLAY naming no server, a window on ours can only come from
        # the -display option handed through to the toolkit.
        self.app.kill()
        self.app = harness.App(server, BINARY, args=["-display", server.display],
                               env={"DISPLAY": ":65000"}, workdir=ARTIFACTS)
        self.addCleanup(self.app.kill)
        self.assertEqual(self.app.wait_output(HELP, timeout=2), HELP)
        self.place(*SPOTS[:4])
        self.expect_scene()


class CommandLine(unittest.TestCase):
    """What the program does before it has a window: no display needed."""

    def run_program(self, *args, display=None):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        if display is not None:
            env["DISPLAY"] = display
        return subprocess.run([BINARY] + list(args), env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=harness.scaled(20))

    def test_version_and_help_need_no_display(self):
        done = self.run_program("--version")
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        self.assertRegex(done.stdout, r"^bezier \d+\.\d+\.\d+\n$")
        for option in ("--help", "-h"):
            done = self.run_program("-display", ":65000", option)
            self.assertEqual((done.returncode, done.stderr), (0, ""), option)
            self.assertTrue(done.stdout.startswith("Usage: bezier"), done.stdout)

    def test_without_a_display_the_help_text_comes_first_then_one_clear_line(self):
        cases = [  # DISPLAY, arguments, the display named
            (None, (), ""),
            (":65000", (), ":65000"),
            (None, ("-display", ":65001"), ":65001"),
        ]
        for display, args, named in cases:
            with self.subTest(display=display, args=args):
                done = self.run_program(*args, display=display)
                self.assertEqual(done.returncode, 1)
                self.assertEqual(done.stdout, HELP)
                self.assertEqual(done.stderr, "bezier: cannot open display '%s' "
                                 "(set DISPLAY or use -display NAME)\n" % named)


class Placing(EditorCase):

    def test_both_curve_kinds_follow_the_placed_points(self):
        placed = 0
        for count in (1, 2, 3, 4, 7, 10):
            with self.subTest(points=count):
                self.place(*SPOTS[placed:count])
                placed = count
                self.expect_scene()
                self.choose(BSPLINE)
                self.expect_scene()
                self.choose(BEZIER)
                self.expect_scene()

    def test_point_is_placed_where_the_left_button_is_released(self):
        press, release = (100, 100), (180, 140)
        self.app.drag(1, press, [release])
        self.points.append(point(release))
        self.expect_scene()

    def test_points_at_the_window_edges_are_drawn_clipped(self):
        # Corner markers are partly outside the window; what remains must
        # still be exactly the visible part.
        self.place((0, 0), (499, 499), (0, 499), (499, 0))
        self.expect_scene()


class Deleting(EditorCase):

    TARGET = (200, 250)
    OTHER = (380, 120)

    def test_shift_release_50_pixels_away_deletes_nothing(self):
        # Exactly on the radius, which is exclusive; the unit tests go round
        # it in every direction.
        self.place(self.TARGET, self.OTHER)
        self.expect_scene()
        self.app.shift_click(self.TARGET[0], self.TARGET[1] + 50)
        self.barrier()

    def test_shift_release_deletes_the_nearest_of_two_points(self):
        a, b = (200, 200), (240, 200)
        self.place(a, b, self.OTHER)
        self.expect_scene()
        self.app.shift_click(225, 200)  # 25 from a, 15 from b
        self.points.remove(point(b))
        self.barrier()

    def test_deleting_a_point_redraws_the_curve_through_the_rest(self):
        self.place(*SPOTS[:5])
        self.expect_scene()
        self.app.shift_click(*SPOTS[1])
        del self.points[1]
        self.expect_scene()


class Dragging(EditorCase):

    def test_middle_drag_moves_the_point_with_the_cursor_until_release(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        self.app.xdo("mousemove", "--window", self.app.window, *SPOTS[2], "mousedown", 2)
        for spot in [(250, 350), (290, 300)]:
            self.app.move(*spot)
            self.points[2] = point(spot)
            self.expect_scene()
        self.app.xdo("mouseup", 2)
        # After the release, moving on leaves the point where it was.
        self.app.move(420, 80)
        self.barrier()

    def test_middle_drag_grabs_a_point_a_little_off_its_centre(self):
        self.place(*SPOTS[:4])
        self.app.drag(2, (SPOTS[1][0] + 30, SPOTS[1][1] - 30), [(150, 330)])
        self.points[1] = point((150, 330))
        self.expect_scene()

    def test_middle_press_on_empty_space_moves_nothing(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        for start in [(SPOTS[0][0] + 50, SPOTS[0][1]), (480, 20)]:
            with self.subTest(start=start):
                self.app.drag(2, start, [(300, 300), (320, 200)])
                self.barrier()


class Menu(EditorCase):

    def test_clear_all_and_the_c_key_empty_the_window(self):
        cases = [("menu", lambda: self.choose(CLEAR_ALL)),
                 ("key c", lambda: self.app.key("c"))]
        for name, clear in cases:
            with self.subTest(clear=name):
                self.place(*SPOTS[:5])
                self.expect_scene()
                clear()
                self.points = []
                self.expect_scene()
                # A cleared list starts again.
                self.place(SPOTS[6])
                self.expect_scene()
                clear()
                self.points = []
                self.expect_scene()

    def test_choosing_the_selected_kind_again_changes_nothing(self):
        self.place(*SPOTS[:5])
        self.choose(BEZIER)
        self.expect_scene()
        self.choose(BSPLINE)
        self.choose(BSPLINE)
        self.expect_scene()

    def test_entries_are_relabelled_to_mark_the_chosen_kind(self):
        # The labels cannot be read back as text, but the menu's picture
        # with the pointer on the same entry changes exactly with them.
        bezier_marked = self.app.menu(BSPLINE, picture=True)
        bspline_marked = self.app.menu(BSPLINE, picture=True)
        self.app.menu(BEZIER)
        bezier_marked_again = self.app.menu(BSPLINE, picture=True)
        self.assertNotEqual(bezier_marked, bspline_marked)
        self.assertEqual(bezier_marked, bezier_marked_again)
        # Three entries of 25 pixels: the menu is at least 75 high, and less
        # than a fourth entry would make it.
        self.assertTrue(75 <= bezier_marked.height < 100, bezier_marked.height)
        self.kind = "bspline"
        self.barrier()

    def test_upper_case_keys_do_nothing(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        for key in ("C", "N", "T"):
            self.app.key(key)
        self.barrier()
        self.assertEqual(self.app.stdout(), HELP)

    def test_entry_chosen_with_a_left_click_adds_no_point(self):
        # The left press lands on the menu, the release on the window below.
        self.place(*SPOTS[:4])
        self.expect_scene()
        cases = [(BSPLINE, "bspline"), (BEZIER, "bezier")]
        for entry, kind in cases:
            with self.subTest(entry=entry):
                self.app.menu_by_left_click(entry)
                self.kind = kind
                self.barrier()
        self.app.menu_by_left_click(CLEAR_ALL)
        self.points = []
        self.barrier()


class Dialogues(EditorCase):

    def dialogue(self, key, entry, transcript):
        """Presses key, checks the whole output so far ends with its prompt,
        and answers with one line."""
        self.app.key(key)
        out = self.app.wait_output_count("New value :", transcript.count("New value :"))
        self.assertEqual(out, transcript)
        self.app.type_line(entry)

    def test_steps_and_tolerance_entries_change_the_frame(self):
        self.place(*SPOTS[:5])
        self.expect_scene()
        out = HELP + TOLERANCE_PROMPT % 5
        self.dialogue("t", "20", out)
        self.tolerance = 20
        self.expect_scene()

        self.choose(BSPLINE)
        out += STEPS_PROMPT % 25
        self.dialogue("n", "10", out)
        self.steps = 10
        self.expect_scene()

        # The next dialogues show the stored values.
        out += TOLERANCE_PROMPT % 20
        self.dialogue("t", "499", out)
        self.tolerance = 499
        out += STEPS_PROMPT % 10
        self.dialogue("n", "1", out)
        self.steps = 1
        self.expect_scene()
        self.choose(BEZIER)
        self.expect_scene()

    def test_rejected_entries_print_a_message_and_keep_the_setting(self):
        self.place(*SPOTS[:5])
        out = HELP
        cases = [  # key, entry, message
            ("n", "0", OUT_OF_RANGE),
            ("n", "500", OUT_OF_RANGE),
            ("n", "-3", OUT_OF_RANGE),
            ("n", "99999999999", OUT_OF_RANGE),
            ("n", "abc", NOT_A_NUMBER),
            ("t", "0", OUT_OF_RANGE),
            ("t", "500", OUT_OF_RANGE),
            ("t", "abc", NOT_A_NUMBER),
        ]
        for key, entry, message in cases:
            with self.subTest(key=key, entry=entry):
                # The kind whose frame depends on the setting being edited.
                self.choose(BSPLINE if key == "n" else BEZIER)
                self.expect_scene()
                out += (STEPS_PROMPT % 25) if key == "n" else (TOLERANCE_PROMPT % 5)
                self.dialogue(key, entry, out)
                out += message
                # The message is out at once, not held until the next prompt.
                self.assertEqual(self.app.wait_output(out), out)
                self.barrier()

    def test_after_a_failed_entry_the_rest_of_its_line_is_dropped(self):
        self.place(*SPOTS[:5])
        self.choose(BSPLINE)
        self.expect_scene()
        out = HELP + STEPS_PROMPT % 25
        self.dialogue("n", "abc 12", out)
        out += NOT_A_NUMBER + STEPS_PROMPT % 25
        self.dialogue("n", "10", out)
        self.steps = 10
        self.expect_scene()

    def test_end_of_input_fails_the_dialogue_without_blocking(self):
        self.place(*SPOTS[:5])
        self.choose(BSPLINE)
        self.app.proc.stdin.close()
        for _ in range(2):
            # The message is out at once, and the window still answers with
            # the setting unchanged.
            out = self.app.stdout() + STEPS_PROMPT % 25 + NOT_A_NUMBER
            self.app.key("n")
            self.assertEqual(self.app.wait_output(out), out)
            self.barrier()


class Window(EditorCase):

    def test_resizing_snaps_back_to_500_by_500_with_the_drawing_unchanged(self):
        self.place(*SPOTS[:7])
        self.expect_scene()
        for size in [(300, 300), (700, 600), (500, 200), (501, 500)]:
            with self.subTest(size=size):
                self.app.resize(*size)
                # Handled after the resize, so drawn into the restored window.
                self.barrier()
                self.assertEqual(self.app.geometry(), (0, 0, SIZE, SIZE))

    def test_closing_the_window_ends_the_process(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        self.app.close_window()
        status = self.app.wait_exit(timeout=10)
        self.assertIsNotNone(status, "the program is still running after its window was closed")
        self.assertEqual(status, 0)


if __name__ == "__main__":
    unittest.main()
