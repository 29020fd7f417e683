"""What belongs to the real window alone (the scenes every surface shares are
in scenes.py): its command line, resizing, closing, toolkit options and the
end of its standard input. Real X events in, every pixel of the frame out.

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
import unittest

from . import harness, scenes
from .harness import SIZE
from .scenes import BSPLINE, HELP, NOT_A_NUMBER, SPOTS, STEPS_PROMPT, point, setUpModule, tearDownModule  # noqa: F401

# The window surface's display serves the whole module (BEZIER_SURFACE=window).
BINARY = os.environ.get("BEZIER_BINARY")


class CommandLine(unittest.TestCase):
    """What the program does before it has a window: no display needed."""

    def run_program(self, *args, display=None):
        env = {name: value for name, value in os.environ.items() if name != "DISPLAY"}
        env.update({"DISPLAY": display} if display else {})
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


class Window(scenes.Scene):
    """A fresh program per test, with the scene it should show."""

    def test_resizing_snaps_back_to_500_by_500_with_the_drawing_unchanged(self):
        self.place(*SPOTS[:7])
        self.expect_scene()
        for size in [(300, 300), (700, 600), (500, 200), (501, 500)]:
            with self.subTest(size=size):
                self.s.resize(*size)
                harness.wait_until(lambda: self.s.geometry() == (0, 0, SIZE, SIZE), 10, "the size undone")
                # Handled after the resize, so drawn into the restored window.
                self.barrier()

    def test_toolkit_options_on_the_command_line_reach_the_toolkit(self):
        # With DISPLAY naming no server, a window on ours can only come from
        # the -display option handed through to the toolkit.
        self.s.start(args=["-display", self.s.server.display], env={"DISPLAY": ":65000"})
        self.s.wait_console(HELP, timeout=2)
        self.place(*SPOTS[:4])
        self.expect_scene()

    def test_end_of_input_fails_the_dialogue_without_blocking(self):
        self.place(*SPOTS[:5])
        self.choose(BSPLINE)
        self.s.proc.stdin.close()
        for _ in range(2):
            # The message is out at once, and the window still answers with
            # the setting unchanged.
            self.out += STEPS_PROMPT % 25 + NOT_A_NUMBER
            self.s.key("n")
            self.s.wait_console(self.out)
            self.barrier()

    def test_closing_the_window_ends_the_process(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        self.s.close_window()
        status = self.s.wait_exit(timeout=10)
        self.assertIsNotNone(status, "the program is still running after its window was closed")
        self.assertEqual(status, 0)


class WindowManager(scenes.Scene):
    """The window under real window managers, which may refuse the pin:
    openbox, told the one size, keeps it when asked to maximize; i3 tiles
    the window at its own size, larger than the pin, and the drawing in the
    window's bottom-left 500 x 500 still takes every click, Shift-click and
    drag under the pointer. Positions are the drawing's (the surface adds
    the rows below it)."""

    def setUp(self):
        harness.require("the window managers", ("openbox", "i3", "wmctrl", "xprop"),
                        packages="openbox, i3-wm, wmctrl, x11-utils")
        self.s, self.manager = scenes.surface, None
        self.s.managed = True

    def tearDown(self):
        self.s.kill()
        self.s.managed = False
        if self.manager:
            harness.end(self.manager)

    def start_under(self, name, *command):
        """The manager, once it has claimed the screen, then the program. Its
        files (log, socket) and configuration are the suite's own."""
        home = {variable: self.s.workdir for variable in ("XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME")}
        self.manager = subprocess.Popen(command, env=dict(self.s.server.env, **home), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        harness.wait_until(lambda: "Name: %s\n" % name in self.s.server.run("wmctrl", "-m", check=False),
                           10, name + " to manage the screen")
        super().setUp()

    def edit_under_the_pointer(self):
        """Places, deletes near and drags from near a point, each frame checked."""
        self.place(*SPOTS[:5])
        self.expect_scene()
        self.s.delete(SPOTS[1][0], SPOTS[1][1] + 45)  # within the pick radius
        del self.points[1]
        self.expect_scene()
        self.s.move((SPOTS[3][0] + 12, SPOTS[3][1] - 9), (150, 330))
        self.points[2] = point((150, 330))
        self.expect_scene()

    def test_i3_tiles_the_window_and_the_drawing_takes_input_under_the_pointer(self):
        config = os.path.join(self.s.workdir, "i3.config")
        with open(config, "w") as f:
            f.write("# i3 config file (v4)\n")
        self.start_under("i3", "i3", "-c", config)
        harness.wait_until(lambda: min(self.s.geometry()[2:]) > SIZE, 10, "the window tiled larger than 500 x 500")
        self.edit_under_the_pointer()

    def test_openbox_keeps_the_window_500_by_500_when_asked_to_maximize(self):
        self.start_under("Openbox", "openbox")
        state = ("wmctrl", "-i", "-r", self.s.window, "-b")
        for change, above in (("add", True), ("remove", False)):
            self.s.server.run(*state, change + ",maximized_vert,maximized_horz")
            # The manager answers in order: once the window is (no longer)
            # above the others, it has answered the maximize before.
            self.s.server.run(*state, change + ",above")
            harness.wait_until(lambda: ("_NET_WM_STATE_ABOVE" in self.s.server.run(
                "xprop", "-id", self.s.window, "_NET_WM_STATE")) == above, 10, change + " above")
            self.assertEqual(self.s.geometry()[2:], (SIZE, SIZE), change + " maximized")
            if above:
                self.edit_under_the_pointer()
        self.barrier()


if __name__ == "__main__":
    unittest.main()
