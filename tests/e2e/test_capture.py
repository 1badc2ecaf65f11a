"""The capture program as only a real run shows it: the same capture makes the same bytes, its files read
back right, its frames are the live intro's, its sound is libopenmpt's render of the tune, the README's
commands work, and no failure, signal or kill leaves anything behind. (The command line, the frame
numbering, the palette and the target file have unit tests of their own: tests/capture.)

Files are read back with the ffmpeg package's ffprobe and ffmpeg. Run by CTest (e2e_capture); by hand
from the build folder: ``GLIMMERHORN_TUNE_RENDER=tests/tune_render python3 ../tests/e2e/test_capture.py -v``."""
import array
import json
import os
import re
import resource
import shlex
import shutil
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
PASS = 13864  # frames in one pass of the tune at 100 a second
DAY = "8640000"  # --frames of the longest capture: hours of drawing, so a quick end means none was done


def capture_binary():
    return os.environ.get("GLIMMERHORN_CAPTURE") or os.path.join(harness.build_dir(), "glimmerhorn-capture")


def run_capture(path, *args, cwd=None, check=True, timeout=600, program=None, **extra):
    """Runs the capture program (or ``program``) into ``path``; returns the finished process."""
    done = subprocess.run([program or capture_binary(), *args, path], cwd=cwd or harness.build_dir(),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=timeout, **extra)
    if check and done.returncode != 0:
        raise AssertionError("capture of %s ended with %d: %s" % (path, done.returncode, done.stderr))
    return done


def start_capture(path, *args, cwd=None):
    """Starts the capture program in a session of its own; stderr is a pipe."""
    return subprocess.Popen([capture_binary(), *args, path], cwd=cwd or harness.build_dir(), stderr=subprocess.PIPE,
                            text=True, start_new_session=True)


def writing(process, folder):
    """Bytes in the nameless file the capture writes in ``folder``, seen in its open files; -1 before."""
    sizes = []
    for fd in os.listdir("/proc/%d/fd" % process.pid) if process.poll() is None else ():
        path = "/proc/%d/fd/%s" % (process.pid, fd)
        try:
            if os.readlink(path).startswith(folder + "/"):
                sizes.append(os.stat(path).st_size)
        except OSError:
            pass
    return max(sizes, default=-1)


def listing(folder):
    """Every name in a folder, hidden ones included, with its size."""
    return sorted((name, os.lstat(os.path.join(folder, name)).st_size) for name in os.listdir(folder))


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


def frame_sums(path, count=None):
    """MD5 of each decoded video frame (the first ``count``) as 8-bit RGB, whatever the codec's planes."""
    first = ["-frames:v", str(count)] if count else []
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", *first, "-pix_fmt", "rgb24", "-f",
                          "framemd5", "-"],
                         stdout=subprocess.PIPE, check=True, text=True).stdout
    return [line.split(",")[-1].strip() for line in out.splitlines() if line and not line.startswith("#")]


def decoded_frame(path, number):
    """Video frame ``number`` (from 1) of a file as a harness.Image."""
    ppm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", "select=eq(n\\,%d)" % (number - 1),
                          "-frames:v", "1", "-f", "image2pipe", "-vcodec", "ppm", "-"],
                         stdout=subprocess.PIPE, check=True).stdout
    return harness.read_ppm(ppm)




def shipped_words():
    """The intro's own scroll text as assets/scroll_text.cpp holds it, without its opening and closing spaces."""
    top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with open(os.path.join(top, "assets", "scroll_text.cpp"), encoding="latin-1") as f:
        source = f.read().split("scroll_text[] =", 1)[1].split(";\n", 1)[0]
    text = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', source)).encode("latin-1").decode("unicode_escape")
    return text.strip(" ")


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

    def assert_near(self, a, b, mean):
        """Two pictures of one size differ by less than ``mean`` a channel, and under 1 % of channels by over 24."""
        diffs = [abs(x - y) for x, y in zip(a.data, b.data)]
        self.assertLess(sum(diffs) / len(diffs), mean)
        self.assertLess(sum(d > 24 for d in diffs) / len(diffs), 0.01)

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
        self.assert_near(halved(decoded_frame(big, 120)), decoded_frame(self.long, 120), 2.0)

    def test_60_a_second_takes_the_frame_on_screen_at_its_times_and_ffv1_the_same_pixels(self):
        every = frame_sums(self.long, 50)
        sixty = self.path("60.mkv")
        run_capture(sixty, "--fps", "60", "--frames", "30")
        # video frame k at 60 a second is at k x 16.7 ms, within intro frame k x 100 // 60 + 1
        self.assertEqual(frame_sums(sixty), [every[k * 100 // 60] for k in range(30)])
        self.assert_in_step(probe(sixty), 30, 60, ("h264", "flac"))
        # FFV1 codes the same pixels another way
        ffv1 = self.path("ffv1.mkv")
        run_capture(ffv1, "--ffv1", "--frames", "10")
        self.assertEqual(frame_sums(ffv1), every[:10])
        self.assert_in_step(probe(ffv1), 10, 100, ("ffv1", "flac"))

    def test_mp4_and_gif(self):
        mp4 = self.path("a.mp4")
        run_capture(mp4, "--frames", "100")
        info = probe(mp4)
        self.assert_in_step(info, 100, 100, ("h264", "aac"))
        self.assertEqual(info["streams"][0]["pix_fmt"], "yuv420p")
        # 4:2:0 at the default quality: near the lossless frame, with the colours' range and matrix right
        self.assert_near(decoded_frame(mp4, 100), decoded_frame(self.long, 100), 3.0)
        gif = self.path("a.gif")
        run_capture(gif, "--seconds", "1", "--fps", "25")
        (stream,) = probe(gif)["streams"]
        self.assertEqual((stream["codec_name"], int(stream["nb_read_packets"])), ("gif", 25))
        self.assert_near(decoded_frame(gif, 25), decoded_frame(self.long, 97), 3.0)

    def assert_fails_leaving_nothing(self, folder, done, status, message):
        self.assertEqual(done.returncode, status, done.stderr)
        self.assertRegex(done.stderr, message)
        self.assertEqual(len(done.stderr.strip().splitlines()), 1, done.stderr)
        self.assertEqual([name for name in os.listdir(folder) if "x.mkv" in name], [])

    def test_failures_say_why_in_one_line_and_leave_no_file(self):
        # a copy of the program with no picture beside it or in an installed folder
        empty = tempfile.mkdtemp(dir=self.folder.name)
        os.mkdir(os.path.join(empty, "bin"))
        lonely = shutil.copy(capture_binary(), os.path.join(empty, "bin"))
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "5", cwd=empty, program=lonely, check=False)
        self.assert_fails_leaving_nothing(empty, done, 1, "gfx.data is not in the working folder, nor beside")
        # a FIFO of that name is no picture either, and must not hold the capture up
        os.mkfifo(os.path.join(empty, "gfx.data"))
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "5", cwd=empty, check=False, timeout=20)
        self.assert_fails_leaving_nothing(empty, done, 1, "gfx.data in the working folder: not a plain file")
        shutil.rmtree(os.path.join(empty, "bin"))

        # a 1 MB file size limit: 200 frames take twice that
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))  # noqa: E731
        done = run_capture(os.path.join(empty, "x.mkv"), "--frames", "200", check=False, preexec_fn=limit)
        self.assert_fails_leaving_nothing(empty, done, 1, "File too large")

        # too little address space, wherever it runs out (loading, EGL, the colour count): said, not silent
        for megabytes in (200, 300, 400):
            limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (megabytes << 20,) * 2)  # noqa: E731
            done = run_capture(os.path.join(empty, "x.gif"), "--seconds", "1", check=False, preexec_fn=limit)
            self.assertTrue(done.returncode == 0 or done.stderr.strip(), "%d MB: %d" % (megabytes, done.returncode))
            self.assertEqual(sorted(os.listdir(empty)), ["gfx.data"] if done.returncode else ["gfx.data", "x.gif"])
            if os.path.exists(os.path.join(empty, "x.gif")):
                os.remove(os.path.join(empty, "x.gif"))

    def test_a_greeting_changes_the_letters_alone_and_a_refused_one_makes_no_file(self):
        own, default, other = self.path("own.mkv"), self.path("default.mkv"), self.path("other.mkv")
        run_capture(default, "--frames", "60")
        # the intro's own words, with a line break at the end as an editor leaves it: the same bytes
        run_capture(own, "--frames", "60", "--text=-", input=shipped_words() + "\n")
        with open(own, "rb") as a, open(default, "rb") as b:
            self.assertTrue(a.read() == b.read(), "the intro's own words make another video")
        # the first letter comes on screen in frame 34; before it the frames are the intro's
        done = run_capture(other, "--frames", "60", "--text=-", input="God Jul, \u00c5sa & J\u00f6rg! \U0001F384")
        self.assertEqual(done.stderr, "glimmerhorn-capture: standard input: 1 character is not in the font and "
                         "will show as gaps: U+1F384.\n")
        sums, ours = frame_sums(other), frame_sums(default)
        self.assertTrue(sums[:30] == ours[:30] and sums[59] != ours[59])

        folder = tempfile.mkdtemp(dir=self.folder.name)
        refused = [*((empty, "The text is empty: it holds nothing but spaces.") for empty in (b"", b" \r\n\t")),
                   (b"hyv\xe4\xe4", "The text is not valid UTF-8: the bytes at offset 3 \\(counting from 0\\) are not"),
                   ("\U0001F384 \u4e2d".encode(), "None of the text's characters is in the font"),
                   (b"x" * 4001, "The text is longer than 4000 characters, the most a greeting holds.")]
        text = os.path.join(folder, "text")
        for content, message in refused:
            with open(text, "wb") as f:
                f.write(content)
            done = run_capture(os.path.join(folder, "x.mkv"), "--frames", DAY, "--text", text, check=False, timeout=60)
            self.assert_fails_leaving_nothing(folder, done, 2, "^glimmerhorn-capture: %s: %s" % (text, message))
        for name, reason in (("missing", "No such file or directory"), (".", "Is a directory")):
            done = run_capture(os.path.join(folder, "x.mkv"), "--text", os.path.join(folder, name), check=False)
            self.assert_fails_leaving_nothing(folder, done, 2, "cannot read the text in .*%s: %s$" % (name, reason))

    def test_targets_are_checked_before_anything_is_drawn(self):
        folder = tempfile.mkdtemp(dir=self.folder.name)
        os.mkdir(os.path.join(folder, "d.mkv"))
        with open(os.path.join(folder, "existing.mkv"), "wb") as f:
            f.write(b"keep me")
        before = listing(folder)
        # a day's worth of frames: refused at once, or it would run for hours
        for name, extra, message in (("d.mkv", ["--force"], "d.mkv: it is a folder"),
                                     ("none/x.gif", [], "none/x.gif: there is no folder .*none$"),
                                     ("existing.mkv", [], "existing.mkv exists; --force replaces it")):
            done = run_capture(os.path.join(folder, name), "--frames", DAY, *extra, check=False, timeout=60)
            self.assertEqual(done.returncode, 1, done.stderr)
            self.assertRegex(done.stderr.strip(), "^glimmerhorn-capture: .*" + message)
            self.assertEqual(listing(folder), before)
        # the longest name a file can have takes no hidden name that would be longer
        name = "n" * 246 + ".mkv"
        run_capture(os.path.join(folder, name), "--frames", "2")
        self.assertEqual(listing(folder), sorted(before + [(name, os.path.getsize(os.path.join(folder, name)))]))

    def test_readme_commands_run_from_the_top_of_a_clone(self):
        # the README's build leaves the program and the picture in build/; the preview is in docs/
        top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        with open(os.path.join(top, "README.md")) as f:
            section = f.read().split("## Capturing the intro to a video", 1)[1]
        commands = [line.split("#", 1)[0].split() for line in section.split("```sh", 1)[1].split("```", 1)[0]
                    .strip().splitlines()]
        self.assertEqual(len(commands), 3, commands)
        clone = tempfile.mkdtemp(dir=self.folder.name)
        os.makedirs(os.path.join(clone, "build"))
        os.makedirs(os.path.join(clone, "docs"))
        shutil.copy(capture_binary(), os.path.join(clone, "build"))
        shutil.copy(os.path.join(harness.build_dir(), "gfx.data"), os.path.join(clone, "build"))
        shutil.copy(os.path.join(top, "docs", "preview.gif"), os.path.join(clone, "docs"))
        for words in commands:
            # three frames each: --seconds gives way to --frames
            if "--seconds" in words:
                del words[words.index("--seconds"):words.index("--seconds") + 2]
            words[-1:-1] = ["--frames", "3"]
            done = subprocess.run(words, cwd=clone, stderr=subprocess.PIPE, text=True, timeout=120)
            self.assertEqual(done.returncode, 0, "%s: %s" % (shlex.join(words), done.stderr))
            (stream, *_) = probe(os.path.join(clone, words[-1]))["streams"]
            self.assertEqual(int(stream["nb_read_packets"]), 3, words)

    def assert_unchanged_or_shorter(self, process, folder, before, target, sig):
        """After sig: the folder as it was, or with the complete shorter capture under its name, as it says."""
        _, errors = process.communicate(timeout=120)
        after = listing(folder)
        if after == before:
            self.assertIn(process.returncode, (-sig, 128 + sig), errors)
            return None
        self.assertEqual(process.returncode, 128 + sig, errors)
        self.assertEqual([name for name, _ in after], [name for name, _ in before] + [os.path.basename(target)])
        return int(re.search(r"first (\d+) of %d frames" % PASS, errors).group(1))

    def test_stop_signals_keep_a_shorter_file_and_kills_leave_the_folder_as_it_was(self):
        folder = tempfile.mkdtemp(dir=self.folder.name)
        with open(os.path.join(folder, "other.mkv"), "wb") as f:
            f.write(b"left alone")
        before = listing(folder)
        target = os.path.join(folder, "stopped.mkv")
        for sig in (signal.SIGHUP, signal.SIGQUIT, signal.SIGKILL):
            # as soon as its file is open (before or about the first frame), then half way through; after a
            # kill only the folder as it was passes assert_unchanged_or_shorter
            for size in (0, 5 << 20):
                process = start_capture(target)
                harness.wait_until(lambda: writing(process, folder) >= size, 120, interval=0.01, what="the file")
                process.send_signal(sig)
                written = self.assert_unchanged_or_shorter(process, folder, before, target, sig)
                if size and sig != signal.SIGKILL:
                    self.assertIsNotNone(written, "%s left no file" % sig)
                    self.assert_in_step(probe(target), written, 100, ("h264", "flac"))
                if written is not None:
                    os.remove(target)

    def test_ctrl_c_with_stderr_closed_ends_with_status_130_and_a_file_that_plays(self):
        folder = tempfile.mkdtemp(dir=self.folder.name)
        target = os.path.join(folder, "stopped.mkv")
        process = start_capture(target)
        harness.wait_until(lambda: writing(process, folder) > 5 << 20, 120, what="frames being written")
        # the last message goes to a pipe nobody reads: it must not be the death of it
        process.stderr.close()
        process.send_signal(signal.SIGINT)
        self.assertEqual(process.wait(timeout=120), 128 + signal.SIGINT)
        self.assertEqual(os.listdir(folder), ["stopped.mkv"])
        info = probe(target)
        self.assert_in_step(info, int(info["streams"][0]["nb_read_packets"]), 100, ("h264", "flac"))

    def test_the_gifs_colour_pass_is_one_process_that_a_signal_ends_at_once(self):
        folder = tempfile.mkdtemp(dir=self.folder.name)
        target = os.path.join(folder, "preview.gif")
        for sig in (signal.SIGTERM, signal.SIGKILL):
            # a whole pass of the tune: the colours take longer to count than the signal takes to come
            process = start_capture(target)
            harness.wait_until(lambda: (harness.cpu_seconds(process.pid) or 0) > 2.0, 60, what="colours being counted")
            process.send_signal(sig)
            _, errors = process.communicate(timeout=60)
            self.assertEqual(process.returncode, 128 + sig if sig != signal.SIGKILL else -sig, errors)
            if sig == signal.SIGTERM:
                self.assertEqual(errors, "glimmerhorn-capture: interrupted while choosing the colours; nothing "
                                         "written\n")
            # nothing of it runs on
            with self.assertRaises(ProcessLookupError):
                os.killpg(process.pid, 0)
            self.assertEqual(os.listdir(folder), [])


if __name__ == "__main__":
    harness.main()
