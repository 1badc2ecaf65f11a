"""The wave scroller on screen: red block letters enter once the opening spaces have gone by, solid in
16-bit mode and see-through in 32-bit mode."""
import os
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

# The text opens with 14 spaces and a letter moves on one place every 23.4 frames, so at 100 frames
# a second the first letters come into view after about 2 seconds; llvmpipe on a busy machine may
# be slower.
ENTRY_TIMEOUT = 40.0


def letter_pixel(pixel):
    """A pixel of the red letters: lit (1, 0.3, 0.3) keeps red well above green. The white
    snowflakes and the plain blue backdrop have no such pixels."""
    r, g, b = pixel
    return r > g + 50


def letter_pixels(shot):
    d = shot.data
    return [(d[i], d[i + 1], d[i + 2]) for i in range(0, len(d), 3) if letter_pixel((d[i], d[i + 1], d[i + 2]))]


class Scroller(unittest.TestCase):
    def blue_backdrop(self, folder):
        """Writes a gfx.data holding a plain blue 1024 x 1024 picture into ``folder``. Lit letters have
        as much blue as green, so blue above green in a letter shows the backdrop through it."""
        jpeg = os.path.join(folder, "blue.jpg")
        subprocess.run(["convert", "-size", "1024x1024", "xc:rgb(0,0,255)", "-quality", "95", "jpg:" + jpeg],
                       check=True, timeout=60)
        with open(jpeg, "rb") as f, open(os.path.join(folder, "gfx.data"), "wb") as out:
            out.write(b"\0" + f.read())

    def wait_for_backdrop(self, x, intro, out, shows):
        """Polls screenshots until ``shows(screenshot)`` says the first frames have been drawn; the
        screen is black before. Saves and returns that screenshot."""
        def drawn():
            self.assertTrue(intro.running(), "the intro ended:\n" + intro.output())
            shot = x.screenshot()
            return shot if shows(shot) else None
        shot = harness.wait_until(drawn, 20.0, interval=0.1, what="the backdrop")
        shot.save_png(os.path.join(out, "start.png"))
        return shot

    def wait_for_letters(self, x, intro, out, at_least=2000):
        """Polls screenshots until at least ``at_least`` letter pixels show; returns that screenshot."""
        deadline = time.monotonic() + ENTRY_TIMEOUT
        counts = []
        while True:
            self.assertTrue(intro.running(), "the intro ended:\n" + intro.output())
            shot = x.screenshot()
            counts.append(shot.count(letter_pixel))
            if counts[-1] >= at_least:
                return shot, counts
            if time.monotonic() > deadline:
                shot.save_png(os.path.join(out, "no_letters.png"))
                self.fail("no letters after %.0f s; letter pixels seen: %s" % (ENTRY_TIMEOUT, counts))
            time.sleep(0.3)

    def run_on_blue(self, depth, yes):
        out = harness.output_dir(self)
        with tempfile.TemporaryDirectory() as folder:
            self.blue_backdrop(folder)
            with harness.Xvfb(depth=depth, log_dir=out) as x, harness.Intro(x, cwd=folder, out_dir=out) as intro:
                intro.answer_question(yes=yes)
                intro.wait_for_window()
                first = self.wait_for_backdrop(x, intro, out, lambda shot: shot.pixel(400, 5)[2] > 200)
                shot, counts = self.wait_for_letters(x, intro, out)
                shot.save_png(os.path.join(out, "letters.png"))
                print("\n%s: letter pixels by screenshot %s; screenshots in %s" % (self.id(), counts, out))
                intro.key("Escape")
                self.assertEqual(intro.wait(timeout=5.0), 0)
        # the screen starts without letters: the text opens with spaces
        self.assertLess(first.count(letter_pixel), 50)
        return letter_pixels(shot)

    def test_letters_are_solid_red_in_16_bit_mode(self):
        pixels = self.run_on_blue(depth=16, yes=False)
        # nothing of the blue backdrop shows in them: blue stays with green, and green with red (at
        # 5 bits of blue and 6 of green the two may differ by a step)
        blue_over_green = statistics.median(b - g for r, g, b in pixels)
        self.assertLessEqual(abs(blue_over_green), 12, "letters let the backdrop through")
        green_share = statistics.median(g / r for r, g, b in pixels)
        self.assertAlmostEqual(green_share, 0.3, delta=0.15)

    def test_letters_are_see_through_in_32_bit_mode(self):
        pixels = self.run_on_blue(depth=24, yes=True)
        blue_over_green = statistics.median(b - g for r, g, b in pixels)
        self.assertGreater(blue_over_green, 30, "the backdrop does not show through the letters")

    def test_the_whole_scene(self):
        """The picture, the snowflakes and the letters together; the screenshot is the README's."""
        out = harness.output_dir(self)
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            intro.answer_question(yes=True)
            intro.wait_for_window()
            first = self.wait_for_backdrop(x, intro, out, lambda shot: shot.mean()[2] > 20)
            # the lit cabin window is the only reddish thing in the picture
            self.assertLess(first.count(letter_pixel), 500)
            shot, counts = self.wait_for_letters(x, intro, out, at_least=25000)
            shot.save_png(os.path.join(out, "scroller.png"))
            print("\n%s: letter pixels by screenshot %s; screenshot %s" % (self.id(), counts,
                                                                            os.path.join(out, "scroller.png")))
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)


if __name__ == "__main__":
    harness.main()
