"""The scenes, written once in the toolkit's verbs and run on every surface
(BEZIER_SURFACE names it; surfaces.py lists them): each test class is one
group, one CTest test <surface>.<Group>.

Every frame is compared pixel for pixel with what the project's own frame
composition emits for the same scene (frame_oracle), and the console with
the program's own texts. A check that something did NOT happen is closed by
a later visible action (a "barrier" point): events are handled in order, so
the frame that shows the barrier was drawn after the earlier events.

Positions are window pixels, y down from the top; the editor's points have
y up from the bottom: point = (x, 500 - y).
"""

import ast
import os
import random
import re
import unittest

from . import harness
from .harness import SIZE


def console_texts():
    """The console texts the tests expect, from the one header that holds
    them for the C++ tests too: each `char Name[] = "..." "...";` there."""
    with open(os.path.join(os.path.dirname(__file__), "..", "tests", "support", "console_texts.h")) as f:
        literal = r'"(?:[^"\\]|\\.)*"'
        return {name: "".join(ast.literal_eval(part) for part in re.findall(literal, body))
                for name, body in re.findall(r"char (\w+)\[\] =((?:\s*%s)+);" % literal, f.read())}


TEXTS = console_texts()
HELP, OUT_OF_RANGE, NOT_A_NUMBER = TEXTS["Help"], TEXTS["OutOfRange"], TEXTS["NotANumber"]
STEPS_PROMPT, TOLERANCE_PROMPT = TEXTS["StepsPrompt"], TEXTS["TolerancePrompt"]

# Menu entries, from the top, and their labels with each kind chosen.
CLEAR_ALL, BEZIER, BSPLINE = 0, 1, 2
LABELS = {"bezier": ["   Clear All", "o Bezier", "   Cubic B-Spline"],
          "bspline": ["   Clear All", "   Bezier", "o Cubic B-Spline"]}

# Ten window positions spread over the window, away from where the surfaces
# open the menu, in placement order; barrier points go far from all of them.
SPOTS = [(70, 420), (130, 170), (230, 430), (310, 130), (390, 390),
         (450, 210), (340, 270), (210, 310), (110, 260), (260, 470)]
BARRIER = (470, 470)

SURFACE = os.environ.get("BEZIER_SURFACE", "")
ORACLE = os.environ.get("BEZIER_ORACLE")

surface = None


def point(spot):
    x, y = spot
    return (x, SIZE - y)


def setUpModule():
    global surface
    if not ORACLE or not os.path.exists(ORACLE):
        raise RuntimeError("set BEZIER_ORACLE to the built frame_oracle (ctest does this)")
    from . import surfaces  # the registry: only the scenes need every surface
    surface = surfaces.open_surface(SURFACE)


def tearDownModule():
    if surface is not None:
        surface.stop()


class Scene(unittest.TestCase):
    """A fresh program per test, with the scene it should be showing."""

    def setUp(self):
        self.s = surface
        self.s.start()
        self.kind, self.tolerance, self.steps = "bezier", 5, 25
        self.points = []
        self.out = HELP

    def tearDown(self):
        self.s.check_clean()

    def place(self, *spots):
        for spot in spots:
            self.s.place(*spot)
            self.points.append(point(spot))

    def lit(self):
        return harness.oracle_lit(ORACLE, self.kind, self.points, self.tolerance, self.steps)

    def expect_scene(self):
        return self.s.wait_frame(self.lit())

    def barrier(self):
        self.place(BARRIER)
        self.expect_scene()

    def choose(self, entry, over_controls=False):
        under = self.s.menu(entry, over_controls)
        if entry == CLEAR_ALL:
            self.points = []
        else:
            self.kind = "bezier" if entry == BEZIER else "bspline"
        return under

    def ask(self, key):
        """Presses `key` and waits for its prompt."""
        self.s.key(key)
        self.out += (TOLERANCE_PROMPT % self.tolerance) if key == "t" else (STEPS_PROMPT % self.steps)
        self.s.wait_console(self.out)
        self.expect_waiting(True)

    def expect_waiting(self, waits, focused=True):
        """Checks that the surface shows a dialogue waiting for its line (a
        page with the entry field `focused`), or not."""
        with self.subTest(dialogue_waits=waits):
            if self.s.dialogue_waits() is None:
                self.skipTest("%s cannot tell whether a dialogue waits" % self.s.name)
            harness.await_value(lambda: self.s.dialogue_waits(focused), waits, 5,
                                lambda last: "%s: a dialogue waits: %r, not %r" % (self.s.name, last, waits))


class Startup(Scene):

    def test_title_help_text_menu_and_a_black_frame(self):
        self.assertEqual(self.s.title(), "Bezier")
        self.s.wait_console(HELP)
        self.assertEqual(self.s.menu_labels(), LABELS["bezier"])
        self.s.wait_frame(set())
        self.assertEqual(self.s.console(), HELP)


class Drawing(Scene):

    def test_seeded_random_scenes_of_both_kinds(self):
        for seed in range(self.s.random_scenes):
            rng = random.Random(seed)
            with self.subTest(seed=seed):
                for count in (rng.randint(1, 3), rng.randint(1, 6)):
                    self.place(*[(rng.randrange(SIZE), rng.randrange(SIZE)) for _ in range(count)])
                    self.expect_scene()
                    self.choose(rng.choice((BEZIER, BSPLINE)))
                    self.expect_scene()
                self.choose(CLEAR_ALL)
                self.expect_scene()

    def test_points_at_the_edges_are_clipped(self):
        self.place((0, 0), (499, 499), (0, 499), (499, 0))
        self.expect_scene()
        self.choose(BSPLINE)
        self.expect_scene()


class Editing(Scene):

    def test_delete_nearest_takes_a_point_at_49_pixels_and_keeps_one_at_50(self):
        self.place((200, 200), (380, 120), (120, 330))
        target = (200, 200)
        self.expect_scene()
        for away, deleted in ((50, False), (49, True)):
            with self.subTest(away=away):
                self.s.delete(target[0], target[1] + away)
                if deleted:
                    self.points.remove(point(target))
                self.barrier()

    def test_a_move_takes_the_nearest_point_and_one_far_from_all_moves_nothing(self):
        self.place(*SPOTS[:4])
        self.expect_scene()
        start, end = (SPOTS[1][0] + 12, SPOTS[1][1] - 9), (150, 330)
        self.s.move(start, end)
        self.points[1] = point(end)
        self.expect_scene()
        self.s.move((480, 20), (300, 300))
        self.expect_scene()
        # With the on-screen Move: it lets go after the drag, and a click
        # places a point again.
        with self.subTest("the on-screen Move"):
            if not self.s.latches_move:
                self.skipTest("%s has no on-screen Move to drag with" % self.s.name)
            self.s.move(SPOTS[3], (330, 160), latch=True)
            self.points[3] = point((330, 160))
            self.barrier()


class Menu(Scene):

    def test_a_choice_relabels_the_entries_and_reaches_nothing_else(self):
        self.place(*SPOTS[:5])
        self.expect_scene()
        covered = []
        for entry in (BSPLINE, BEZIER, BSPLINE):
            before = self.s.beneath()
            under = self.choose(entry, over_controls=True)
            covered += [under] if under else []
            try:
                self.expect_scene()
            finally:
                self.assertEqual(self.s.console(), self.out, "the choice over %s pressed it too" % under)
            self.assertEqual(self.s.beneath(), before,
                             "the choice reached %s beneath the menu (scroll, focus, entry)" % under)
            self.assertEqual(self.s.menu_labels(), LABELS[self.kind])
            self.barrier()
        if self.s.menu_over_controls:
            self.assertTrue(covered, "the menu never lay over a control")

    def test_clear_all_and_c_empty_the_frame_and_other_keys_only_redraw(self):
        for clear in (lambda: self.choose(CLEAR_ALL), lambda: self.s.key("c")):
            self.place(*SPOTS[:5])
            self.expect_scene()
            clear()
            self.points = []
            self.expect_scene()
        self.place(*SPOTS[:4])
        with self.subTest(keys="CNTx"):
            if not self.s.types_any_key:
                self.skipTest("%s has no keys but c, t and n" % self.s.name)
            for key in "CNTx":
                self.s.key(key)
            self.barrier()
            self.assertEqual(self.s.console(), HELP)


class Dialogues(Scene):

    def test_accepted_out_of_range_and_unreadable_answers(self):
        self.place(*SPOTS[:6])
        self.ask("t")
        self.s.answer("20")
        self.tolerance = 20
        self.expect_scene()
        self.choose(BSPLINE)
        cases = [  # lines typed (None: the rest of the last line answers), message, steps after
            (["0"], OUT_OF_RANGE, 25),
            (["499"], "", 499),
            # Every other answer once per engine: the same code reads the
            # lines whichever device typed them.
            (["500"], OUT_OF_RANGE, 499),
            (["abc 12"], NOT_A_NUMBER, 499),  # the rest of a failed line is dropped
            (["-3"], OUT_OF_RANGE, 499),
            (["7x"], "", 7),
            (None, NOT_A_NUMBER, 7),  # the "x" left over from "7x"
            (["1" * 30], OUT_OF_RANGE, 7),
            (["", "9" * 10000], OUT_OF_RANGE, 7),  # an empty line leaves the dialogue waiting, as "%d" does
            (["\u00e9t\u00e9 \u6f22\u5b57"], NOT_A_NUMBER, 7),
        ]
        for lines, message, steps in cases if self.s.every_answer else cases[:2]:
            with self.subTest(lines=lines and [line[:12] for line in lines]):
                if lines is None:
                    self.s.key("n")
                    self.out += STEPS_PROMPT % self.steps
                else:
                    self.ask("n")
                    for line in lines:
                        self.s.answer(line)
                self.out += message
                self.s.wait_console(self.out)
                self.steps = steps
                self.expect_scene()
        if not self.s.every_answer:
            return
        # A pasted block: the waiting dialogue takes its first line, the next
        # dialogue the second, and the third waits for its Enter.
        self.ask("n")
        self.s.paste("abc\n12\n5")
        self.out += NOT_A_NUMBER
        self.s.wait_console(self.out)
        self.s.key("n")
        self.out += STEPS_PROMPT % self.steps
        self.s.wait_console(self.out)
        self.steps = 12
        self.expect_scene()
        self.ask("n")
        self.s.answer("")
        self.steps = 5
        self.expect_scene()

    def test_input_made_while_a_dialogue_waits_is_handled_in_order_once_it_has_its_line(self):
        self.place(*SPOTS[:4])
        self.choose(BSPLINE)
        before = self.expect_scene()
        self.ask("n")
        self.place(SPOTS[4])
        self.s.delete(*SPOTS[0])
        self.s.move(SPOTS[2], (180, 330))
        self.s.key("n")
        # The program still waits for its line, so it has handled none of it.
        self.expect_waiting(True, focused=False)
        self.assertEqual(self.s.frame(settled=False), before, "the frame changed while the dialogue waited")
        self.assertEqual(self.s.console(), self.out)
        self.s.answer("10")
        # The queued input runs: the point, the delete, the move, and the
        # second dialogue, which shows the value just entered.
        self.steps = 10
        self.out += STEPS_PROMPT % 10
        self.s.wait_console(self.out)
        self.s.answer("4")
        self.steps = 4
        self.points[2] = point((180, 330))
        del self.points[0]
        self.expect_scene()
        self.expect_waiting(False)


if __name__ == "__main__":
    unittest.main()
