"""The capture program: the same capture makes the same bytes, its files read back right, its frames are
the live intro's, its sound is libopenmpt's render of the tune, and its failures leave nothing behind.

Files are read back with the ffmpeg package's ffprobe and ffmpeg. Run by CTest (e2e_capture); by hand
from the build folder: ``GLIMMERHORN_TUNE_RENDER=tests/tune_render python3 ../tests/e2e/test_capture.py -v``."""
import array
import json
import os
import re
import resource
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

FRAME = 0.01  # one frame of the intro, in seconds
RATE = 44100


def capture_binary():
    return os.environ.get("GLIMMERHORN_CAPTURE") or os.path.join(harness.build_dir(), "glimmerhorn-capture")


def run_capture(path, *args, cwd=None, check=True, timeout=600, **extra):
    """Runs the capture program into ``path``; returns the finished process (stderr as text)."""
    done = subprocess.run([capture_binary(), *args, path], cwd=cwd or harness.build_dir(), stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=timeout, **extra)
    if check and done.returncode != 0:
        raise AssertionError("capture of %s ended with %d: %s" % (path, done.returncode, done.stderr))
    return done


def probe(path):
    """ffprobe's view of a file: {"streams": [...], "format": {...}}, packets counted."""
    out = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_streams", "-show_format", "-of", "json",
                          path], stdout=subprocess.PIPE, check=True).stdout
    return json.loads(out)


def duration(stream):
    """A stream's length in seconds: its own, or Matroska's DURATION tag."""
    if "duration" in stream:
        return float(stream["duration"])
    h, m, s = stream["tags"]["DURATION"].split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)


def frame_sums(path):
    """MD5 of every decoded video frame as 8-bit RGB, in order, whatever the codec's own planes."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-pix_fmt", "rgb24", "-f", "framemd5",
                          "-"],
                         stdout=subprocess.PIPE, check=True, text=True).stdout
    return [line.split(",")[-1].strip() for line in out.splitlines() if line and not line.startswith("#")]


def decoded_frame(path, number):
    """Video frame ``number`` (from 1) of a file as a harness.Image."""
    ppm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", "select=eq(n\\,%d)" % (number - 1),
                          "-frames:v", "1", "-f", "image2pipe", "-vcodec", "ppm", "-"],
                         stdout=subprocess.PIPE, check=True).stdout
    return harness.read_ppm(ppm)


def differences(a, b):
    """Mean absolute channel difference of two pictures of one size, and the share of channels off by more than 24."""
    diffs = [abs(x - y) for x, y in zip(a.data, b.data)]
    return sum(diffs) / len(diffs), sum(d > 24 for d in diffs) / len(diffs)


def halved(image):
    """The picture at half its width and height, each pixel the mean of a 2 x 2 block."""
    w, d = image.width, image.data
    out = bytearray()
    for y in range(0, image.height, 2):
        for x in range(0, w, 2):
            i = (y * w + x) * 3
            out += bytes((d[i + c] + d[i + 3 + c] + d[i + 3 * w + c] + d[i + 3 * w + 3 + c] + 2) // 4 for c in range(3))
    return harness.Image(w // 2, image.height // 2, bytes(out))


class Capture(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="glimmerhorn-capture-")
        cls.long = os.path.join(cls.folder.name, "500.mkv")
        run_capture(cls.long, "--frames", "500")

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def assert_in_step(self, info, frames, fps, codecs):
        video, audio = info["streams"]
        self.assertEqual((video["codec_name"], audio["codec_name"]), codecs)
        self.assertEqual((video["width"], video["height"], video["avg_frame_rate"]), (800, 600, "%d/1" % fps))
        self.assertEqual(int(video["nb_read_packets"]), frames)
        self.assertEqual((int(audio["sample_rate"]), audio["channels"]), (RATE, 2))
        self.assertAlmostEqual(duration(video), frames / fps, delta=1e-3)
        self.assertAlmostEqual(duration(audio), duration(video), delta=FRAME)

    def test_the_same_300_frames_make_the_same_bytes_with_the_tune_as_libopenmpt_renders_it(self):
        first, second = self.path("a.mkv"), self.path("b.mkv")
        run_capture(first, "--frames", "300")
        run_capture(second, "--frames", "300")
        with open(first, "rb") as a, open(second, "rb") as b:
            self.assertTrue(a.read() == b.read(), "two captures of 300 frames differ")
        self.assert_in_step(probe(first), 300, 100, ("h264", "flac"))

        # 24-bit FLAC, read back as 32-bit integers: libopenmpt's floats rounded to the nearest 2^-23
        heard = array.array("i", subprocess.run(["ffmpeg", "-v", "error", "-i", first, "-map", "0:a", "-f", "s32le",
                                                 "-"], stdout=subprocess.PIPE, check=True).stdout)
        rendered = array.array("f", subprocess.run([os.environ["GLIMMERHORN_TUNE_RENDER"], str(300 * 441)],
                                                   stdout=subprocess.PIPE, check=True).stdout)
        self.assertEqual(len(heard), 300 * 441 * 2)
        self.assertEqual(len(heard), len(rendered))
        self.assertGreater(max(abs(v) for v in rendered), 0.01, "the first three seconds are not silent")
        worst = max(abs(h / 2.0 ** 31 - min(max(r, -1.0), 1.0 - 2.0 ** -23)) for h, r in zip(heard, rendered))
        self.assertLessEqual(worst, 2.0 ** -24 + 1e-12)

    def test_frames_1_and_500_are_the_live_intros_and_scale_2_is_the_same_picture(self):
        out = harness.output_dir(self)
        solid = self.path("500-16.mkv")
        run_capture(solid, "--frames", "500", "--mode", "16")
        for depth, capture in ((24, self.long), (16, solid)):
            with harness.Xvfb(depth=depth, log_dir=out) as x, \
                    harness.Intro(x, grab_frames=(1, 500), out_dir=out) as intro:
                intro.answer_question(yes=depth == 24)
                frames = {number: intro.frame(number) for number in (1, 500)}
            for number, live in frames.items():
                captured = decoded_frame(capture, number)
                if live.data != captured.data:
                    live.save_png(os.path.join(out, "live-%d-%d.png" % (depth, number)))
                    captured.save_png(os.path.join(out, "captured-%d-%d.png" % (depth, number)))
                self.assertTrue(live.data == captured.data,
                                "frame %d at depth %d differs from the live intro's" % (number, depth))

        big = self.path("scale2.mkv")
        run_capture(big, "--frames", "120", "--scale", "2")
        self.assertEqual(probe(big)["streams"][0]["width"], 1600)
        mean, far = differences(halved(decoded_frame(big, 120)), decoded_frame(self.long, 120))
        self.assertLess(mean, 2.0)
        self.assertLess(far, 0.01)

    def test_other_rates_take_the_frame_on_screen_at_their_times(self):
        every = frame_sums(self.long)
        quarter = self.path("25.mkv")
        run_capture(quarter, "--fps", "25", "--frames", "20")
        self.assertEqual(frame_sums(quarter), [every[4 * k] for k in range(20)])
        sixty = self.path("60.mkv")
        run_capture(sixty, "--fps", "60", "--frames", "30")
        # video frame k at 60 a second is at k x 16.7 ms, within intro frame k x 100 // 60 + 1
        self.assertEqual(frame_sums(sixty), [every[k * 100 // 60] for k in range(30)])
        self.assert_in_step(probe(sixty), 30, 60, ("h264", "flac"))
        # FFV1 codes the same pixels another way
        ffv1 = self.path("ffv1.mkv")
        run_capture(ffv1, "--ffv1", "--frames", "30")
        self.assertEqual(frame_sums(ffv1), every[:30])
        self.assert_in_step(probe(ffv1), 30, 100, ("ffv1", "flac"))

    def test_mp4_and_gif(self):
        mp4 = self.path("a.mp4")
        run_capture(mp4, "--frames", "100")
        info = probe(mp4)
        self.assert_in_step(info, 100, 100, ("h264", "aac"))
        self.assertEqual(info["streams"][0]["pix_fmt"], "yuv420p")
        # 4:2:0 at the default quality: near the lossless frame, with the colours' range and matrix right
        mean, far = differences(decoded_frame(mp4, 100), decoded_frame(self.long, 100))
        self.assertLess(mean, 3.0)
        self.assertLess(far, 0.01)
        gif = self.path("a.gif")
        run_capture(gif, "--seconds", "1", "--fps", "25")
        (stream,) = probe(gif)["streams"]
        self.assertEqual((stream["codec_name"], int(stream["nb_read_packets"])), ("gif", 25))
        mean, far = differences(decoded_frame(gif, 25), decoded_frame(self.long, 97))
        self.assertLess(mean, 3.0)
        self.assertLess(far, 0.01)

    def assert_fails_leaving_nothing(self, folder, done, status, message):
        self.assertEqual(done.returncode, status, done.stderr)
        self.assertRegex(done.stderr, message)
        self.assertEqual(len(done.stderr.strip().splitlines()), 1, done.stderr)
        self.assertEqual([name for name in os.listdir(folder) if "x.mkv" in name], [])

    def test_failures_say_why_in_one_line_and_leave_no_file(self):
        existing = self.path("existing.mkv")
        with open(existing, "wb") as f:
            f.write(b"keep me")
        done = run_capture(existing, "--frames", "5", check=False)
        self.assertEqual(done.returncode, 1)
        self.assertIn("--force", done.stderr)
        with open(existing, "rb") as f:
            self.assertEqual(f.read(), b"keep me")

        done = run_capture(self.path("clip.avi"), "--frames", "5", check=False)
        self.assertEqual(done.returncode, 2)
        self.assertTrue(all(e in done.stderr for e in (".mkv", ".mp4", ".gif")), done.stderr)
        for wrong in (("--fps", "30"), ("--scale", "5"), ("--mode", "24"), ("--frames", "0")):
            self.assertEqual(run_capture(self.path("x.mkv"), *wrong, check=False).returncode, 2, wrong)
        self.assertEqual(run_capture(self.path("x.gif"), "--fps", "100", check=False).returncode, 2)
        self.assertEqual(run_capture(self.path("x.mp4"), "--ffv1", check=False).returncode, 2)

        empty = tempfile.mkdtemp(dir=self.folder.name)
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "5", cwd=empty, check=False)
        self.assert_fails_leaving_nothing(empty, done, 1, "gfx.data")
        # a FIFO of that name is no picture either, and must not hold the capture up
        os.mkfifo(os.path.join(empty, "gfx.data"))
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "5", cwd=empty, check=False, timeout=20)
        self.assert_fails_leaving_nothing(empty, done, 1, "gfx.data")

        # a 1 MB file size limit: 200 frames take twice that
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))  # noqa: E731
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "200", check=False, preexec_fn=limit)
        self.assert_fails_leaving_nothing(empty, done, 1, "File too large")

        # a folder that takes no file: a read-only one, or for root, who writes in those too, sysfs
        os.chmod(empty, 0o555)
        closed = "/sys" if os.geteuid() == 0 else empty
        done = run_capture(os.path.join(closed, "x.mkv"), "--frames", "5", check=False)
        self.assert_fails_leaving_nothing(closed, done, 1, "Permission denied")

    def test_ctrl_c_ends_with_a_shorter_file_that_plays(self):
        target = self.path("stopped.mkv")
        process = subprocess.Popen([capture_binary(), target], cwd=harness.build_dir(), stderr=subprocess.PIPE,
                                   text=True)
        # the temporary file beside the target grows once frames are written
        def writing():
            return any(name.startswith(".stopped.mkv.") and os.path.getsize(self.path(name)) > 20 << 20
                       for name in os.listdir(self.folder.name))
        harness.wait_until(writing, 120, interval=0.1, what="frames being written")
        time.sleep(0.5)
        process.send_signal(signal.SIGINT)
        _, errors = process.communicate(timeout=60)
        self.assertEqual(process.returncode, 128 + signal.SIGINT, errors)
        written = int(re.search(r"first (\d+) of 13864 frames", errors).group(1))
        self.assertFalse([n for n in os.listdir(self.folder.name) if n.startswith(".stopped")])
        self.assert_in_step(probe(target), written, 100, ("h264", "flac"))


if __name__ == "__main__":
    harness.main()
