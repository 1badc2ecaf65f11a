"""Under XWayland, as on GNOME and KDE: on mutter the switch to 800 x 600 is emulated for the intro and
its picture is scaled to fill the output; on weston, which does not take the emulation up, it runs full
screen in the lower-left 800 x 600. Both on a headless 1024 x 768 output."""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

OUTPUT = (1024, 768)


class Compositors(unittest.TestCase):
    def start(self, compositor, out):
        """The intro on a fresh compositor, past its question (Yes), its window up and drawing."""
        try:
            server = compositor(size=OUTPUT, log_dir=out).__enter__()
        except harness.CompositorUnavailable as reason:
            self.skipTest(str(reason))
        self.addCleanup(server.__exit__, None, None, None)
        intro = harness.Intro(server, out_dir=out).__enter__()
        self.addCleanup(intro.__exit__, None, None, None)
        intro.answer_question(yes=True)
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
        return harness.wait_until(placed, 10, what="a %d x %d full-screen window" % size)

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

    def test_weston_keeps_the_output_size_and_the_picture_in_the_lower_left_corner(self):
        out = harness.output_dir(self)
        server, intro = self.start(harness.Weston, out)
        self.wait_for_full_screen(server, intro.window, OUTPUT)
        time.sleep(0.5)
        shot = server.screenshot(out, "window", window=intro.window)
        self.assertEqual((shot.width, shot.height), OUTPUT)
        # black above and to the right of the 800 x 600 frame, the picture in it
        self.assertEqual(shot.region(0, 0, 1024, 168).colours(), {(0, 0, 0)})
        self.assertEqual(shot.region(800, 168, 224, 600).colours(), {(0, 0, 0)})
        expected = harness.picture_crop(40, 40, 160, 80).mean()
        seen = shot.region(40, 168 + 40, 160, 80).mean()
        for c in range(3):
            self.assertAlmostEqual(seen[c], expected[c], delta=12)
        intro.key("Escape")
        self.assertEqual(intro.wait(timeout=5.0), 0)


if __name__ == "__main__":
    harness.main()
