"""The background picture on the real program under Xvfb: our gfx.data in frame 1, an odd width, and
the run without it (or with something other than a file in its place).

Run by CTest (e2e_picture); by hand from the build folder: ``python3 ../tests/e2e/test_picture.py -v``.
"""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


def decode_picture(path):
    """The picture in a gfx.data file (lead byte skipped) as a harness.Image, decoded by ImageMagick."""
    with open(path, "rb") as f:
        stream = f.read()[1:]
    ppm = subprocess.run(["convert", "jpeg:-", "-depth", "8", "ppm:-"], input=stream,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60, check=True).stdout
    return harness.read_ppm(ppm)


def backdrop_of(picture):
    """What the backdrop pass should put on the 800 x 600 screen (rows from the top): the quad spans
    799 x 599 pixels and its texture coordinates cover the right-most 800 columns and the top 600 rows
    of a 1024-wide picture, sampled linearly. Column 799 and row 0 stay clear (black)."""
    w, h, d = picture.width, picture.height, picture.data
    s0 = 1.0 - 800.0 / w
    t1 = 600.0 / w
    out = bytearray(800 * 600 * 3)
    for row in range(1, 600):
        # GL row (from the bottom) of this screen row, and its centre's texture coordinate t
        t = t1 * (1.0 - (599 - row + 0.5) / 599.0)
        py = t * h - 0.5
        y0 = max(0, min(h - 1, int(py // 1)))
        y1 = max(0, min(h - 1, y0 + 1))
        fy = py - (py // 1)
        for x in range(799):
            s = s0 + (1.0 - s0) * (x + 0.5) / 799.0
            px = s * w - 0.5
            x0 = max(0, min(w - 1, int(px // 1)))
            x1 = max(0, min(w - 1, x0 + 1))
            fx = px - (px // 1)
            i = (row * 800 + x) * 3
            for c in range(3):
                a = d[(y0 * w + x0) * 3 + c] * (1 - fx) + d[(y0 * w + x1) * 3 + c] * fx
                b = d[(y1 * w + x0) * 3 + c] * (1 - fx) + d[(y1 * w + x1) * 3 + c] * fx
                out[i + c] = int(round(a * (1 - fy) + b * fy))
    return harness.Image(800, 600, bytes(out))


def close_fraction(shot, expected, dx, dy, tolerance):
    """Fraction of pixels inside the quad (of ``shot`` moved by dx, dy) within ``tolerance`` of
    ``expected`` in every channel, and the mean absolute difference over the whole quad."""
    s, e = shot.data, expected.data
    close = total = 0
    diff_sum = 0
    for row in range(2, 598):
        for x in range(2, 797):
            i = (row * 800 + x) * 3
            j = ((row + dy) * shot.width + x + dx) * 3
            diff = max(abs(s[j] - e[i]), abs(s[j + 1] - e[i + 1]), abs(s[j + 2] - e[i + 2]))
            diff_sum += diff
            total += 1
            if diff <= tolerance:
                close += 1
    return close / total, diff_sum / total


def box_area(info):
    """(x, y, width, height) of a window from harness.XServer.window_info."""
    return info["x"], info["y"], info["width"], info["height"]


def drawn_box(server, box, out, name):
    """A screenshot of message box ``box`` once its text is drawn (its area holds more than the
    background and the button's two colours), cut to the box. Mapped is not yet drawn on a busy machine."""
    def look():
        info = server.window_info(box)
        if info is None:
            return None
        area = server.screenshot(out, name).region(*box_area(info))
        return area if len(area.colours()) > 3 else None
    return harness.wait_until(look, 10.0, interval=0.1, what="the box's text")


def flipped(image):
    """The image upside down."""
    rows = [image.data[r * image.width * 3:(r + 1) * image.width * 3] for r in range(image.height)]
    return harness.Image(image.width, image.height, b"".join(reversed(rows)))


class Picture(unittest.TestCase):
    def first_frame_with_picture(self, out, folder):
        """Runs the intro in ``folder`` (which holds its gfx.data), answers No, and returns frame 1
        exactly as drawn, kept by the preloaded GL probe."""
        with harness.Xvfb(depth=24, log_dir=out) as x, \
                harness.Intro(x, cwd=folder, grab_frames=(1,), out_dir=out) as intro:
            intro.answer_question(yes=False)
            intro.wait_for_window()
            intro.wait_until_running()
            frame = intro.frame(1, timeout=60)
            # the picture came with no box about it
            self.assertEqual(intro.boxes(), [], "no warning about the picture")
            x.screenshot(out, "screen")
            self.assertTrue(intro.running())
        frame.save_png(os.path.join(out, "frame-1.png"))
        return frame

    def assert_backdrop(self, frame, expected):
        self.assertEqual((frame.width, frame.height), (800, 600))
        # the scroll text opens with spaces and the first ornament comes later: frame 1 is the
        # backdrop alone, bar the last letters of the line at the top right
        fraction, mean_diff = close_fraction(frame, expected, 0, 0, 8)
        print("frame 1 against the picture: %.4f of pixels within 8, mean difference %.2f"
              % (fraction, mean_diff), file=sys.stderr)
        self.assertGreater(fraction, 0.99, "frame 1 shows the picture's top-right 800 x 600")
        self.assertLess(mean_diff, 1.0)
        upside_down, _ = close_fraction(frame, flipped(expected), 0, 0, 8)
        self.assertLess(upside_down, 0.5, "the picture is upright, its first row on top")

    def test_our_picture_fills_the_screen_upright(self):
        out = harness.output_dir(self)
        picture_path = os.path.join(harness.build_dir(), "gfx.data")
        self.assertTrue(os.path.exists(picture_path), "the build puts gfx.data beside the program")
        expected = backdrop_of(decode_picture(picture_path))
        expected.save_png(os.path.join(out, "expected.png"))
        self.assert_backdrop(self.first_frame_with_picture(out, harness.build_dir()), expected)

    def test_rows_of_an_odd_width_are_read_packed(self):
        # 1021 x 700: rows of 3063 bytes, not a multiple of four; GL's default unpack alignment would
        # skew every row and read past the block
        out = harness.output_dir(self)
        with tempfile.TemporaryDirectory(prefix="glimmerhorn-odd-picture-") as folder:
            with open(os.path.join(harness.build_dir(), "gfx.data"), "rb") as f:
                stream = f.read()[1:]
            odd = subprocess.run(["convert", "jpeg:-", "-crop", "1021x700+3+0", "+repage", "-quality", "95", "jpeg:-"],
                                 input=stream, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60,
                                 check=True).stdout
            path = os.path.join(folder, "gfx.data")
            with open(path, "wb") as f:
                f.write(b"\x7f" + odd)
            picture = decode_picture(path)
            self.assertEqual((picture.width, picture.height), (1021, 700))
            expected = backdrop_of(picture)
            expected.save_png(os.path.join(out, "expected.png"))
            self.assert_backdrop(self.first_frame_with_picture(out, folder), expected)

    def two_warnings_then_a_white_backdrop(self, out, folder):
        """Runs the intro in ``folder`` and checks the run without a picture: the loader's box, then
        set-up's, then frames on a white backdrop until Esc ends it with 0. Returns the two boxes' sizes."""
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, cwd=folder, out_dir=out) as intro:
            intro.answer_question(yes=False)
            # the loader's box, then set-up's; the intro waits on each
            first = intro.wait_for_box()
            self.assertEqual(x.box_title(first), "Glimmerhorn!")
            first_look = drawn_box(x, first, out, "first_box")
            time.sleep(0.3)
            self.assertEqual(intro.boxes(), [first], "one box at a time")
            sizes = [box_area(x.window_info(first))[2:]]
            intro.dismiss(first)
            # a new box (X may hand it the first one's id again)
            second = intro.wait_for_box()
            self.assertEqual(x.box_title(second), "Glimmerhorn!")
            second_look = drawn_box(x, second, out, "second_box")
            # two different messages (their texts are checked exactly by the unit tests)
            self.assertNotEqual(first_look.data, second_look.data)
            sizes.append(box_area(x.window_info(second))[2:])
            intro.dismiss(second)
            intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(0.4)
            self.assertEqual(intro.boxes(), [], "no third box")
            shot = x.screenshot(out, "white_backdrop")
            self.assertTrue(intro.running(), "the intro runs on without its picture")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)
        white = shot.region(2, 2, 796, 596).count(lambda p: p == (255, 255, 255))
        self.assertGreater(white, 0.9 * 796 * 596, "the backdrop is an untextured white quad")
        return sizes

    def test_without_the_picture_or_with_a_fifo_or_folder_in_its_place_two_warnings_then_white(self):
        # a FIFO would hold the open until a writer came, a folder reach the decoder as an empty file:
        # both are no picture, with the same two messages as a missing file
        sizes = []
        for name, make in (("missing", None), ("fifo", os.mkfifo), ("folder", os.mkdir)):
            with tempfile.TemporaryDirectory(prefix="glimmerhorn-no-picture-") as folder:
                if make:
                    make(os.path.join(folder, "gfx.data"))
                out = os.path.join(harness.output_dir(self), name)
                os.makedirs(out, exist_ok=True)
                sizes.append(self.two_warnings_then_a_white_backdrop(out, folder))
        self.assertEqual(sizes[1:], sizes[:1] * 2)


if __name__ == "__main__":
    harness.main()
