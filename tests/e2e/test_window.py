"""The window and the keys: the question, the full-screen window, what ends the intro and what does not."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


class Window(unittest.TestCase):
    def test_yes_at_depth_24_gives_a_full_screen_window_with_alpha_and_escape_ends_it(self):
        out = harness.output_dir(self)
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            box = intro.wait_for_box()
            self.assertEqual(x.box_title(box), "Glimmerhorn!")
            self.assertEqual(len(intro.boxes()), 1)
            intro.answer(box, yes=True)
            window = intro.wait_for_window()
            info = x.window_info(window)
            self.assertLessEqual(abs(info["x"]), 1)
            self.assertLessEqual(abs(info["y"]), 1)
            self.assertEqual((info["width"], info["height"]), (800, 600))
            self.assertGreater(x.glx_visual(info["visual"])["alpha"], 0)
            x.screenshot(out, "running")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=1.0), 0)


if __name__ == "__main__":
    unittest.main()
