"""Two copies of the intro on one display: both run, and the desktop's mode comes back in either order."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

DESKTOP = (1024, 768)
INTRO = (800, 600)


class SecondCopy(unittest.TestCase):
    def server(self, out):
        return harness.enter(self, harness.XorgDummy(size=DESKTOP, log_dir=out))

    def start(self, x, out, yes):
        """One more copy, past its question, with its own window; returns (intro, its window)."""
        before = set(x.main_windows())
        intro = harness.enter(self, harness.Intro(x, out_dir=out))
        intro.answer_question(yes=yes)
        window = harness.wait_until(lambda: (set(x.main_windows()) - before) or None, 15,
                                    what="the new copy's window").pop()
        intro.window = window
        intro.wait_until_running()
        return intro

    def run_both(self, first_to_end):
        out = harness.output_dir(self)
        x = self.server(out)
        first = self.start(x, harness.output_dir(name=os.path.basename(out) + ".first"), yes=True)
        self.assertEqual(x.current_mode(), INTRO)
        second = self.start(x, harness.output_dir(name=os.path.basename(out) + ".second"), yes=False)
        self.assertTrue(first.running() and second.running())
        self.assertEqual(x.current_mode(), INTRO)
        self.assertEqual(len(x.main_windows()), 2)
        x.screenshot(out, "both")

        ending, staying = (first, second) if first_to_end == "first" else (second, first)
        ending.key("Escape")
        self.assertEqual(ending.wait(timeout=5.0), 0)
        self.assertTrue(staying.running(), "ending one copy ended the other")
        staying.key("q")
        self.assertEqual(staying.wait(timeout=5.0), 0)
        harness.wait_until(lambda: x.current_mode() == DESKTOP and x.screen_size() == DESKTOP, 20,
                           what="the 1024 x 768 mode to come back")

    def test_the_first_copy_ends_first(self):
        self.run_both("first")

    def test_the_second_copy_ends_first(self):
        self.run_both("second")


if __name__ == "__main__":
    harness.main()
