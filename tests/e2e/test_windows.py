"""The Windows build under Wine: the question as MessageBoxA shows it, the window and the keys, frames
1 and 500 equal to the Linux build's in both modes, the display switch, the warnings, the tune, and the
installer. The Linux program (--binary) draws the reference frames on the same X server."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import test_music  # noqa: E402

QUESTION = ("Would You like to see the intro in its glorious 32-bit mode\n"
            "with transparency effects of extraordinary magnitude?")
NO_MUSIC = "BASS initialization failed! No music!"
DESKTOP = (1024, 768)
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glimmerhorn"


class Windows(unittest.TestCase):
    def start_past_the_warning(self, intro):
        """Answers Yes, dismisses the music's warning and waits for the main loop."""
        intro.answer(intro.wait_for_box(), yes=True)
        intro.dismiss(intro.wait_for_box())
        intro.wait_for_window()
        intro.wait_until_running()

    def next_box(self, intro, *texts):
        """Waits for the next message box, checks its caption and the texts of all boxes so far."""
        box = intro.wait_for_box()
        self.assertEqual(intro.server.box_title(box), "Glimmerhorn!")
        self.assertEqual(intro.box_texts(), list(texts))
        return box

    def linux_frames(self, x, yes):
        """Frames 1 and 500 of the Linux build on server ``x``."""
        out = harness.output_dir(name=self.id() + ".linux")
        with harness.Intro(x, out_dir=out, grab_frames=(1, 500)) as intro:
            intro.answer_question(yes=yes)
            frames = intro.frame(1), intro.frame(500)
            intro.wait_for_window()
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=10.0), 0)
        return frames

    def frames_keys_and_question(self, depth, yes, exit_key):
        out = harness.output_dir(self)
        # a screen larger than the window: on an 800 x 600 one Windows shrinks the captioned window
        # before it goes full screen, and under Wine the first frame keeps the shrunken drawable;
        # both builds draw frame 1 before the full-screen size reaches them and then fill the screen
        # with the frame scaled: frame 500 is the screen's size
        with harness.Xvfb(depth=depth, size=DESKTOP, log_dir=out) as x:
            expected = self.linux_frames(x, yes)
            with harness.WineIntro(x, out_dir=out, env=test_music.no_sound_device(), grab_frames=(1, 500)) as intro:
                box = self.next_box(intro, QUESTION)
                x.screenshot(out, "question")
                intro.answer(box, yes=yes)
                # no sound device: the music's warning, once, before the first frame
                intro.dismiss(self.next_box(intro, QUESTION, NO_MUSIC))
                intro.wait_for_window()
                intro.wait_until_running()
                for key in ("Q", "a", "space", "Return"):
                    intro.key(key)
                time.sleep(1.0)
                self.assertTrue(intro.running(), "a key other than Esc or q ended the intro")
                counts = []
                for number, reference in zip((1, 500), expected):
                    frame = intro.frame(number)
                    frame.save_png(os.path.join(out, "frame-%d.png" % number))
                    reference.save_png(os.path.join(out, "frame-%d-linux.png" % number))
                    self.assertEqual((frame.width, frame.height), (reference.width, reference.height))
                    counts.append(sum(1 for i in range(0, len(frame.data), 3) if frame.data[i:i + 3] != reference.data[i:i + 3]))
                self.assertEqual((frame.width, frame.height), DESKTOP)
                self.assertEqual(counts, [0, 0], "pixels of frames 1 and 500 that differ from the Linux build's")
                x.screenshot(out, "running")
                intro.key(exit_key)
                self.assertEqual(intro.wait(timeout=20.0), 0)
                self.assertEqual(len(intro.box_texts()), 2)

    def test_yes_at_depth_24_frames_equal_linux_and_only_escape_ends_it(self):
        self.frames_keys_and_question(24, True, "Escape")

    def test_no_at_depth_16_frames_equal_linux_and_q_ends_it(self):
        self.frames_keys_and_question(16, False, "q")

    def test_without_the_picture_two_warnings_in_order_then_a_white_backdrop(self):
        out = harness.output_dir(self)
        folder = tempfile.mkdtemp(prefix="glimmerhorn-no-picture-")
        self.addCleanup(shutil.rmtree, folder)
        with harness.Xvfb(depth=24, log_dir=out) as x, \
                harness.WineIntro(x, cwd=folder, out_dir=out, env=test_music.no_sound_device()) as intro:
            texts = [QUESTION, "Can't open JPEG file gfx.data\n", "Could not load the background", NO_MUSIC]
            intro.answer(intro.wait_for_box(), yes=True)
            for count in (2, 3, 4):
                intro.dismiss(self.next_box(intro, *texts[:count]))
            intro.wait_for_window()
            intro.wait_until_running()
            shot = x.screenshot(out, "white_backdrop")
            white = shot.region(2, 2, 796, 596).count(lambda p: p == (255, 255, 255))
            self.assertGreater(white, 0.9 * 796 * 596)
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=20.0), 0)

    def test_the_display_switches_to_800_x_600_and_back_after_escape(self):
        # after a kill Windows itself puts the mode back; Wine 8 does not, so that is not checked here
        out = harness.output_dir(self)
        x = harness.enter(self, harness.XorgDummy(size=DESKTOP, log_dir=out))
        intro = harness.enter(self, harness.WineIntro(x, out_dir=out, env=test_music.no_sound_device()))
        self.start_past_the_warning(intro)
        self.assertEqual(x.current_mode(), (800, 600))
        intro.key("Escape")
        self.assertEqual(intro.wait(timeout=20.0), 0)
        self.assertEqual(x.current_mode(), DESKTOP)

    def test_the_tune_reaches_a_pulseaudio_null_sink_as_libopenmpt_renders_it(self):
        out = harness.output_dir(self)
        if not harness._which("pulseaudio") or not harness._which("parec"):
            self.skipTest("pulseaudio and parec (pulseaudio-utils) are not installed")
        pulse = harness.enter(self, harness.PulseAudio(test_music.RATE))
        env = dict(os.environ, **pulse.env)
        recording = os.path.join(out, "played.raw")
        with open(recording, "wb") as sink:
            recorder = subprocess.Popen(["parec", "-d", "intro.monitor", "--format=float32le", "--rate=%d" % pulse.rate,
                                         "--channels=2", "--raw", "--latency-msec=20"], env=env, stdout=sink)
            self.addCleanup(harness._stop, recorder, signal.SIGTERM, 5.0)
            with harness.Xvfb(depth=24, log_dir=out) as x, \
                    harness.WineIntro(x, out_dir=out, env=pulse.env) as intro:
                intro.answer(intro.wait_for_box(), yes=False)
                intro.wait_for_window()
                intro.wait_until_running()
                time.sleep(8.0)
                self.assertEqual(intro.box_texts(), [QUESTION], "a box came up although the music could play")
                intro.key("Escape")
                self.assertEqual(intro.wait(timeout=20.0), 0)
            harness._stop(recorder, signal.SIGTERM, 5.0)
        played = test_music.read_floats(recording)
        second = test_music.RATE * 2
        start = test_music.first_sound(played)
        self.assertGreaterEqual(len(played) - start, 4 * second, "less than four seconds reached the sink")
        reference = test_music.libopenmpt_render(7.0)
        reference = reference[test_music.first_sound(reference):]
        # on a loaded machine the sound server may run dry for a moment or skip ahead, which moves what
        # follows: pieces of what was heard, away from such a place, are found in the tune, sample for
        # sample, within a second of where the last one was
        lag = 0
        for at in (1, 2, 3):
            found = None
            for offset in range(at * second, at * second + second // 2, second // 10):
                piece = played[start + offset:start + offset + 256]
                candidates = range(max(0, offset + lag - second), min(offset + lag + second, len(reference) - 256), 2)
                found = next((n for n in candidates
                              if all(abs(reference[n + i] - piece[i]) < 1e-3 for i in range(8))
                              and test_music.correlation(piece, reference[n:n + 256]) > 0.99), None)
                if found is not None:
                    lag = found - offset
                    break
            self.assertIsNotNone(found, "second %d of what was heard is not in the tune" % at)

    def test_the_installer_installs_the_start_menu_entry_runs_the_intro_and_the_uninstaller_removes_all(self):
        out = harness.output_dir(self)
        setup = os.environ.get("GLIMMERHORN_WINDOWS_SETUP")
        if not setup or not os.path.isfile(setup):
            raise RuntimeError("set GLIMMERHORN_WINDOWS_SETUP to the installer (got %r)" % setup)
        shortcut = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Glimmerhorn.lnk"
        elsewhere = tempfile.mkdtemp(prefix="glimmerhorn-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere)
        with harness.Xvfb(depth=24, log_dir=out) as x:
            intro = harness.WineIntro(x, cwd=elsewhere, out_dir=out, env=test_music.no_sound_device(),
                                      command=["start", shortcut], detached=True)
            folder = os.path.join(intro.prefix, "drive_c", "Program Files", "Glimmerhorn")
            shutil.rmtree(folder, ignore_errors=True)
            status, said = intro.wine(setup, "/S")
            self.assertEqual(status, 0, said)
            self.assertEqual(intro.wine("reg", "query", UNINSTALL_KEY)[0], 0, "no uninstall entry")
            licences = os.listdir(os.path.join(folder, "licenses"))
            self.assertIn("libopenmpt-LICENSE", licences)
            self.assertEqual(sorted(set(os.listdir(folder)) - {"licenses"}),
                             ["README.txt", "gfx.data", "glimmerhorn.exe", "uninstall.exe"])
            # the entry's target, started from elsewhere, finds its picture: no warning but the music's
            with intro:
                self.start_past_the_warning(intro)
                self.assertEqual(intro.box_texts(), [QUESTION, NO_MUSIC])
                intro.key("Escape")
                intro.main_window_gone()

            intro.wine(os.path.join(folder, "uninstall.exe"), "/S")
            # the uninstaller goes on from a copy of itself in the temporary folder: wait until the
            # prefix's processes have all ended
            subprocess.run(["wineserver", "-w"], env=intro.wine_env(), timeout=120, check=False)
        self.assertFalse(os.path.exists(folder), "the uninstaller left %s" % folder)
        programs = os.path.join(intro.prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                                "Programs")
        self.assertNotIn("Glimmerhorn.lnk", os.listdir(programs))
        self.assertNotEqual(intro.wine("reg", "query", UNINSTALL_KEY)[0], 0, "the uninstall entry stayed")


if __name__ == "__main__":
    harness.main()
