"""The scene on screen, without the picture: the white backdrop and its black edges, and the ornaments,
opaque in 16-bit mode and see-through in 32-bit mode.

Frames are kept exactly as drawn by the preloaded GL probe (Intro's grab_frames), so a test
looks at frame 1 or frame 700 whatever the machine's speed. The animation steps once a frame, so
frame 700 shows the same scene in both modes and the two can be compared pixel by pixel."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
# Ornaments spawn every 60 frames above the view and take a few hundred frames to sink through it:
# by frame 700 several are in sight.
ORNAMENT_FRAME = 700


def neutral(pixel, slack=10):
    """Grey or white: red, green and blue within `slack` of each other (16-bit pixels are rounded)."""
    return max(pixel) - min(pixel) <= slack


def reddish(pixel):
    """A pixel of the red letters (lit or shaded), or of a letter seen through an ornament."""
    return pixel[0] > pixel[1] + 12


def run_without_picture(test, depth, yes, frames):
    """Runs the intro from a folder without gfx.data, answers the question, dismisses the two warnings
    about the picture, and returns the grabbed frames {number: Image} plus a screenshot and the
    window's place on the screen."""
    out = harness.output_dir(test)
    mode = "32bit" if yes else "16bit"
    empty = tempfile.TemporaryDirectory(prefix="glimmerhorn-nopicture-")
    test.addCleanup(empty.cleanup)
    with harness.Xvfb(depth=depth, log_dir=out) as x, \
            harness.Intro(x, cwd=empty.name, grab_frames=frames, out_dir=out) as intro:
        intro.answer_question(yes=yes)
        # the loader's "Can't open JPEG file" and then "Could not load the background"
        for _ in range(2):
            box = intro.wait_for_box()
            test.assertEqual(x.box_title(box), "Glimmerhorn!")
            intro.dismiss(box)
        window = intro.wait_for_window()
        intro.wait_until_running()
        images = {n: intro.frame(n) for n in sorted(frames)}
        info = x.window_info(window)
        shot = x.screenshot(out, "screen-%s" % mode)
        test.assertEqual(intro.boxes(), [])
        intro.key("Escape")
        test.assertEqual(intro.wait(timeout=5.0), 0)
    for n in frames:
        images[n].save_png(os.path.join(out, "frame-%d-%s.png" % (n, mode)))
    return images, shot, info


class Scene(unittest.TestCase):
    def check_first_frame(self, frame):
        self.assertEqual((frame.width, frame.height), (800, 600))
        # the quad's corners are at 799 and 599: the top row and the right-most column keep the clear
        # colour; everything else is the untextured white backdrop, save the odd letter coming in
        edge = [frame.pixel(x, 0) for x in range(800)] + [frame.pixel(799, y) for y in range(600)]
        self.assertTrue(all(p == BLACK or reddish(p) for p in edge))
        self.assertGreater(sum(p == BLACK for p in edge), 0.95 * len(edge))
        inner = frame.region(0, 1, 799, 599)
        self.assertEqual(inner.count(lambda p: p != WHITE and not reddish(p)), 0)
        self.assertGreater(inner.count(lambda p: p == WHITE), 0.9 * 799 * 599)

    def check_screen_edges(self, shot, info):
        # without a window manager the window may sit a pixel off the origin: find its edges on screen
        right = info["x"] + 799
        top = info["y"]
        if 0 <= right < shot.width:
            column = [shot.pixel(right, y) for y in range(max(top, 0), min(top + 600, shot.height))]
            self.assertGreater(sum(p == BLACK for p in column), 0.8 * len(column))
        if 0 <= top < shot.height:
            row = [shot.pixel(x, top) for x in range(max(info["x"], 0), min(right + 1, shot.width))]
            self.assertGreater(sum(p == BLACK for p in row), 0.8 * len(row))

    def test_white_first_frame_and_ornaments_opaque_in_16_bits_see_through_in_32_bits(self):
        frames16, shot16, info16 = run_without_picture(self, 16, False, (1, ORNAMENT_FRAME))
        frames32, shot32, info32 = run_without_picture(self, 24, True, (1, ORNAMENT_FRAME))
        self.check_first_frame(frames16[1])
        self.check_first_frame(frames32[1])
        self.check_screen_edges(shot16, info16)
        self.check_screen_edges(shot32, info32)

        opaque = frames16[ORNAMENT_FRAME]
        blended = frames32[ORNAMENT_FRAME]
        # The ornaments' caps face the light and come out white; their walls are shades of grey. In
        # 16-bit mode those greys are the ornament itself: white material under white light.
        walls = [(x, y) for y in range(1, 600) for x in range(799)
                 if neutral(opaque.pixel(x, y)) and max(opaque.pixel(x, y)) < 235]
        self.assertGreater(len(walls), 200, "too few ornament pixels in sight at frame %d" % ORNAMENT_FRAME)
        self.assertLess(min(max(opaque.pixel(x, y)) for x, y in walls), 160, "no opaque grey in 16-bit mode")
        # In 32-bit mode the same pixels are 30 % ornament over 70 % white backdrop.
        matching = 0
        for x, y in walls:
            under = blended.pixel(x, y)
            expected = 0.3 * sum(opaque.pixel(x, y)) / 3 + 0.7 * 255
            if neutral(under) and abs(sum(under) / 3 - expected) <= 14:
                matching += 1
        self.assertGreater(matching, 0.75 * len(walls),
                           "%d of %d ornament pixels show the backdrop through" % (matching, len(walls)))
        darkest = min(max(blended.pixel(x, y)) for x, y in walls if neutral(blended.pixel(x, y)))
        self.assertGreaterEqual(darkest, 150, "an ornament pixel in 32-bit mode hides the backdrop")


if __name__ == "__main__":
    harness.main()
