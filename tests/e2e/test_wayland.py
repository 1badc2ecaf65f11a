"""Under XWayland, as on GNOME and KDE: on mutter the switch to 800 x 600 is emulated for the intro and
mutter scales its picture to fill the output; on weston, sway and KWin, which do not take the emulation
up, the window keeps the output's size and the intro scales its frame to fill it, 4:3 and centred.
On headless outputs of 1024 x 768 and 1920 x 1080."""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

OUTPUT = (1024, 768)
WIDE = (1920, 1080)


class Compositors(unittest.TestCase):
    def start(self, compositor, out, size=OUTPUT, yes=True):
        """The intro on a fresh compositor, past its question, its window up and drawing."""
        server = harness.enter(self, compositor(size=size, log_dir=out))
        intro = harness.enter(self, harness.Intro(server, out_dir=out))
        intro.answer_question(yes=yes)
        intro.wait_for_window()
        intro.wait_until_running()
        return server, intro

    def wait_for_full_screen(self, server, window, size):
        """Waits until the window manager has made the window full screen at ``size``; its properties."""
        def placed():
            info = server.window_info(window)
            properties = server.window_properties(window)
            if (info["x"], info["y"], info["width"], info["height"]) == (0, 0) + size \
                    and "_NET_WM_STATE_FULLSCREEN" in properties:
                return properties
            return None
        return harness.wait_until(placed, 30, what="a %d x %d full-screen window" % size)

    def test_mutter_scales_the_emulated_800_by_600_to_fill_the_output_and_nothing_stays_switched(self):
        out = harness.output_dir(self)
        server, intro = self.start(harness.Mutter, out)
        properties = self.wait_for_full_screen(server, intro.window, (800, 600))
        # XWayland's note to the window manager: this client sees an 800 x 600 monitor at the origin
        rects = re.search(r"^_XWAYLAND_RANDR_EMU_MONITOR_RECTS\(CARDINAL\) = (.*)$", properties, re.M)
        self.assertIsNotNone(rects, properties)
        self.assertEqual(rects.group(1), "0, 0, 800, 600")
        # the emulation is the intro's alone: every other client sees the output's own mode, and no
        # helper process waits to put a mode back
        self.assertEqual(server.current_mode(), OUTPUT)
        self.assertEqual(server.screen_size(), OUTPUT)
        self.assertEqual(intro.child_processes(), [])

        # the output as mutter composes it: the 800 x 600 frame stretched by 1.28 over all of it
        shot = server.output_screenshot(out, "output")
        for x, y, width, height in ((40, 40, 160, 80), (600, 470, 180, 110)):
            expected = harness.picture_crop(x, y, width, height).mean()
            seen = shot.region(round(x * 1.28), round(y * 1.28), round(width * 1.28), round(height * 1.28)).mean()
            for c in range(3):
                self.assertAlmostEqual(seen[c], expected[c], delta=12, msg="region at %d, %d" % (x, y))

        intro.key("Escape")
        self.assertEqual(intro.wait(timeout=5.0), 0)
        # the emulation went with the intro's connection: its window is gone, the output as it was
        self.assertEqual(server.current_mode(), OUTPUT)
        self.assertEqual(server.screen_size(), OUTPUT)
        self.assertEqual(server.main_windows(), [])

    def fill_both_outputs(self, compositor, wide_yes):
        """On 1024 x 768 and 1920 x 1080 outputs (32-bit on the wide one with ``wide_yes``): the window keeps
        the output's size and the frame fills it, 4:3; XWayland's emulation, noted on the window, goes unused."""
        for size, frame, yes in ((OUTPUT, (0, 0) + OUTPUT, not wide_yes), (WIDE, (240, 0, 1440, 1080), wide_yes)):
            with self.subTest(size=size):
                out = harness.output_dir(name="%s.%dx%d" % (os.path.basename(harness.output_dir(self)), size[0], size[1]))
                server, intro = self.start(compositor, out, size, yes)
                properties = self.wait_for_full_screen(server, intro.window, size)
                self.assertIn("_XWAYLAND_RANDR_EMU_MONITOR_RECTS(CARDINAL) = 0, 0, 800, 600", properties)
                time.sleep(0.5)
                shot = server.screenshot(out, "window", window=intro.window)
                self.assertEqual((shot.width, shot.height), size)
                self.assertEqual(harness.frame_problems(shot, frame, server.window_alpha(intro.window)), [])
                intro.key("Escape")
                self.assertEqual(intro.wait(timeout=5.0), 0)
                self.doCleanups()

    def test_weston_ignores_the_emulation_and_the_frame_fills_the_output(self):
        self.fill_both_outputs(harness.Weston, wide_yes=True)

    def test_sway_ignores_the_emulation_and_the_frame_fills_the_output(self):
        self.fill_both_outputs(harness.Sway, wide_yes=False)

    def test_kwin_ignores_the_emulation_and_the_frame_fills_the_output(self):
        self.fill_both_outputs(harness.KWin, wide_yes=True)


if __name__ == "__main__":
    harness.main()
