"""What the web build puts out equals the desktop build's, in Chromium and Firefox ESR: frames 1, 2 and 500
of both modes against the Linux program's (--binary) on Xvfb, the GL calls of the steps drawn up to 500 in
the trace build against gl_stream's desktop log of the same steps, and the sound, from a busy page, against
libopenmpt's own render of the tune."""
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import test_music  # noqa: E402

FRAMES = (1, 2, 500)

# Two rasterisers draw the same triangles: llvmpipe on the desktop, SwiftShader (Chromium) or llvmpipe
# behind WebGL (Firefox), our shaders evaluating GL 1.1's per-vertex lighting in float where Mesa has its
# own fixed-function code. Colours then differ by a few steps and an edge pixel may fall either side.
# So a pixel matches within TOLERANCE a channel, and each part of the frame must match almost everywhere:
# the backdrop (where the layers leave the picture alone) in 99% of its pixels, the pixels of each layer
# (where the Linux frame differs from its frame 1 by more than LAYER) in 85%: a missing layer leaves the
# picture there, which is more than LAYER away, and fails its part.
TOLERANCE = 24
LAYER = 64
PARTS = {"backdrop": 0.99, "scroller": 0.85, "ornaments": 0.85}

_linux = {}

# The GL calls: the same calls in the same order with the same arguments, but for the last bits of the
# snowflakes' moves. Their positions and angles add up sin() of a phase every frame, and the C library
# of the web build (musl's) and glibc round some sines differently in the last bit of a double; over
# 500 frames that grows to a few parts in 100,000 of a float, far from any wrong argument.
NUMBER = re.compile(r"-?\d+(?:\.\d+)?(?:e[-+]?\d+)?")
RELATIVE = 1e-4


def same_call(desktop, web):
    """Whether two GL log lines are the same call with the same arguments, floats within RELATIVE."""
    if desktop == web:
        return True
    if NUMBER.sub("#", desktop) != NUMBER.sub("#", web):
        return False
    for a, b in zip(map(float, NUMBER.findall(desktop)), map(float, NUMBER.findall(web))):
        if abs(a - b) > RELATIVE * max(abs(a), abs(b), 1e-3):
            return False
    return True


def linux_frames(yes):
    """Frames 1, 2 and 500 of the Linux program, on an 800 x 600 Xvfb like the pages' canvas."""
    if yes not in _linux:
        out = harness.output_dir(name="web_output.linux.%s" % ("yes" if yes else "no"))
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, out_dir=out, grab_frames=FRAMES) as intro:
            intro.answer_question(yes=yes)
            _linux[yes] = {n: intro.frame(n) for n in FRAMES}
            intro.wait_for_window()
            intro.key("Escape")
            intro.wait(timeout=10.0)
    return _linux[yes]


def part_of(reference, backdrop, i):
    """Which part of the frame pixel ``i`` (a byte offset) of the Linux frame shows."""
    seen, plain = reference.data[i:i + 3], backdrop.data[i:i + 3]
    if max(abs(a - b) for a, b in zip(seen, plain)) <= LAYER:
        return "backdrop"
    return "scroller" if seen[0] > seen[1] + 40 and seen[0] > seen[2] + 40 else "ornaments"  # red letters


def assert_parts_match(test, frame, reference, backdrop, number):
    """Fails ``test`` unless every part of frame ``number`` matches ``reference`` (the Linux frame; its
    frame 1 is ``backdrop``) in its share of pixels; frame 500 must show letters and ornaments."""
    test.assertEqual((frame.width, frame.height), (800, 600), "frame %d's size" % number)
    parts = part_matches(frame, reference, backdrop)
    if number == 500:
        test.assertGreater(parts.get("scroller", (0, 0))[1], 2000, "no letters in Linux frame 500")
        test.assertGreater(parts.get("ornaments", (0, 0))[1], 300, "no ornaments in Linux frame 500")
    for part, (matching, total) in sorted(parts.items()):
        test.assertGreaterEqual(matching, PARTS[part] * total, "frame %d, %s: %d of %d pixels match"
                                % (number, part, matching, total))


def part_matches(frame, reference, backdrop):
    """{part: (matching pixels, pixels)} of ``frame`` against ``reference``."""
    found = {}
    for i in range(0, len(reference.data), 3):
        part = part_of(reference, backdrop, i)
        same = max(abs(a - b) for a, b in zip(frame.data[i:i + 3], reference.data[i:i + 3])) <= TOLERANCE
        matching, total = found.get(part, (0, 0))
        found[part] = (matching + same, total + 1)
    return found


class Output(unittest.TestCase):
    def browser(self, browser, folder, **options):
        out = harness.output_dir(name="%s.%s" % (self.id(), browser))
        return harness.enter(self, harness.Browser(browser, folder=folder, out_dir=out, **options))

    def test_frames_1_2_and_500_equal_the_linux_build_part_by_part(self):
        for browser in harness.browsers():
            for yes in (True, False):
                with self.subTest(browser=browser, yes=yes):
                    expected = linux_frames(yes)
                    page = self.browser(browser, os.path.join(harness.web_build(), "site"), grab=FRAMES)
                    page.start(yes=yes)
                    for number in FRAMES:
                        frame = page.frame(number)
                        frame.save_png(os.path.join(page.out_dir, "frame-%d.png" % number))
                        expected[number].save_png(os.path.join(page.out_dir, "frame-%d-linux.png" % number))
                        assert_parts_match(self, frame, expected[number], expected[1], number)

    def test_gl_calls_of_the_drawn_steps_to_500_equal_the_desktop_stream(self):
        # On 60 Hz ticks most shown frames run two steps and draw the second: each drawn step's calls (step 1's
        # with the set-up's) are the desktop's of the same step, so the undrawn steps moved the scene on exactly.
        program = os.environ.get("GLIMMERHORN_GL_STREAM")
        if not program or not os.path.isfile(program):
            raise RuntimeError("set GLIMMERHORN_GL_STREAM to the gl_stream program (got %r)" % program)
        for browser in harness.browsers():
            for yes in (True, False):
                with self.subTest(browser=browser, yes=yes):
                    # gl_stream 32|16 N: the set-up's and frames' calls under "# set-up" and "# frame N" headings
                    desktop = subprocess.run([program, "32" if yes else "16", "500"], stdout=subprocess.PIPE,
                                             cwd=harness.build_dir(), check=True, timeout=300).stdout.decode()
                    setup, *desktop = re.split(r"^# frame (\d+)\n", desktop.replace("# set-up\n", ""), flags=re.M)
                    desktop = {int(n): calls.splitlines() for n, calls in zip(desktop[0::2], desktop[1::2])}
                    desktop[1] = setup.splitlines() + desktop[1]
                    page = self.browser(browser, os.path.join(harness.web_build(), "trace"), gl_calls=500, ticks=60)
                    path = os.path.join(page.out_dir, "gl-%s.txt" % ("yes" if yes else "no"))
                    open(path, "w").close()
                    page.start(yes=yes)
                    while not page.eval("!__gh.glOpen"):
                        page.save_gl_calls(path)  # a frame's lines at a time keep the page small
                    page.save_gl_calls(path)
                    with open(path) as f:  # each drawn step's lines, then "# frame N"
                        drawn = re.split(r"^# frame (\d+)\n", f.read(), flags=re.M)
                    drawn = [(int(n), calls.splitlines()) for calls, n in zip(drawn[0::2], drawn[1::2]) if int(n) <= 500]
                    self.assertTrue(drawn[0][0] == 1 and 200 < len(drawn) < 450, "drawn: %s" % [n for n, _ in drawn])
                    for number, web in drawn:
                        wanted = desktop[number]
                        at = next((i for i, (a, b) in enumerate(zip(wanted, web)) if not same_call(a, b)), min(len(web), len(wanted)))
                        self.assertEqual(web[at:at + 5], wanted[at:at + 5], "step %d from its line %d (%d lines against %d)"
                                         % (number, at + 1, len(web), len(wanted)))

    def test_the_sound_is_libopenmpts_render_at_the_pages_rate(self):
        for browser in harness.browsers():
            with self.subTest(browser=browser):
                # the page's thread blocked 50 ms of every 200: the worklet (blocks of 1024) plays on with no gap
                page = self.browser(browser, os.path.join(harness.web_build(), "site"), audio_seconds=5, busy=[50, 200])
                page.start(yes=False)
                sound, rate = page.audio()
                self.assertEqual(page.eval("[__gh.underruns, __gh.audio[0][0].length]"), [0, 1024])
                start = test_music.first_sound(sound)
                self.assertLess(start, rate * 2, "the first second was silent")
                heard = sound[start:start + 4 * rate * 2]
                reference = test_music.libopenmpt_render(5.0, rate)
                expected = reference[test_music.first_sound(reference):][:len(heard)]
                self.assertEqual(len(heard), len(expected))
                self.assertGreaterEqual(test_music.correlation(heard, expected), 0.99, "at %d Hz" % rate)


if __name__ == "__main__":
    harness.main()
