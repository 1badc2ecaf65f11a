"""The display switch on a server that can switch modes: 800 x 600 while the intro runs, the desktop
mode back however the intro ends."""
import os
import platform
import signal
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

DESKTOP = (1024, 768)
INTRO = (800, 600)


class DisplaySwitch(unittest.TestCase):
    def start(self, out, yes=True, box=False):
        """The intro on a fresh Xorg at 1024 x 768, past its question, its window up and the mode switched;
        with ``box``, run without gfx.data and held up by the loader's warning box."""
        x = harness.enter(self, harness.XorgDummy(size=DESKTOP, log_dir=out))
        self.assertEqual(x.current_mode(), DESKTOP)
        self.assertEqual(x.screen_size(), DESKTOP)
        folder = tempfile.TemporaryDirectory(prefix="glimmerhorn-no-picture-")
        self.addCleanup(folder.cleanup)
        intro = harness.enter(self, harness.Intro(x, cwd=folder.name if box else None, out_dir=out))
        intro.answer_question(yes=yes)
        intro.wait_for_window()
        if box:
            intro.wait_for_box()
        else:
            intro.wait_until_running()
        self.assertEqual(x.current_mode(), INTRO)
        self.assertEqual(x.screen_size(), INTRO)
        time.sleep(0.5)
        self.assertTrue(intro.running())
        self.assertEqual(x.current_mode(), INTRO)
        return x, intro

    def assert_desktop_back(self, x, timeout=20.0):
        harness.wait_until(lambda: x.current_mode() == DESKTOP and x.screen_size() == DESKTOP, timeout,
                           what="the 1024 x 768 mode to come back")

    def test_escape_restores_the_desktop_mode_before_the_process_ends(self):
        x, intro = self.start(harness.output_dir(self))
        intro.key("Escape")
        self.assertEqual(intro.wait(timeout=5.0), 0)
        # the exit waits for the restore, so the mode is back the moment the status is known
        self.assertEqual(x.current_mode(), DESKTOP)
        self.assertEqual(x.screen_size(), DESKTOP)

    def test_q_in_16_bit_mode_restores_it_too(self):
        x, intro = self.start(harness.output_dir(self), yes=False)
        intro.key("q")
        self.assertEqual(intro.wait(timeout=5.0), 0)
        self.assertEqual(x.current_mode(), DESKTOP)

    def test_sigterm_restores_the_desktop_mode(self):
        x, intro = self.start(harness.output_dir(self))
        intro.signal(signal.SIGTERM)
        self.assertEqual(intro.wait(timeout=5.0), -signal.SIGTERM)
        self.assert_desktop_back(x)

    def test_sigint_restores_the_desktop_mode(self):
        x, intro = self.start(harness.output_dir(self))
        intro.signal(signal.SIGINT)
        self.assertEqual(intro.wait(timeout=5.0), -signal.SIGINT)
        self.assert_desktop_back(x)

    def test_sigkill_restores_the_desktop_mode(self):
        x, intro = self.start(harness.output_dir(self))
        intro.signal(signal.SIGKILL)
        self.assertEqual(intro.wait(timeout=5.0), -signal.SIGKILL)
        self.assert_desktop_back(x)

    def kill_under_a_box(self, sig):
        # SDL shows the box from a forked child, which holds all the intro's descriptors
        x, intro = self.start(harness.output_dir(self), box=True)
        intro.signal(sig)
        self.assertEqual(intro.wait(timeout=5.0), -sig)
        # before the watcher woke on the intro's own end, the box's process kept the mode for good
        self.assert_desktop_back(x)

    def test_sigint_with_a_warning_box_open_restores_the_mode_at_once(self):
        self.kill_under_a_box(signal.SIGINT)

    def test_sigkill_with_a_warning_box_open_restores_the_mode_at_once(self):
        self.kill_under_a_box(signal.SIGKILL)

    def test_the_server_going_under_a_warning_box_ends_the_intro_at_once(self):
        # the box's process (SDL's fork of the intro) exits when its connection breaks, and waits for
        # nothing of ours on the way: had it run the intro's exit handler, it would sit out the 2 s the
        # intro gives the watcher in poll (timeout 2000 ms), holding the intro up. That wait is looked
        # for in /proc, not timed: on a busy machine the whole teardown alone can take 2.6 s
        if platform.machine() != "x86_64":
            self.skipTest("reads the x86-64 system call numbers in /proc/<pid>/syscall")
        x, intro = self.start(harness.output_dir(self), box=True)
        shown_by = intro.box_processes()
        self.assertEqual(len(shown_by), 1)
        x.__exit__(None, None, None)
        waited = set()

        def ended():
            for pid in shown_by:
                try:
                    with open("/proc/%d/syscall" % pid) as f:
                        call = f.read().split()
                except OSError:
                    continue
                if call[:1] == ["7"] and int(call[3], 16) == 2000:  # poll(fds, n, 2000)
                    waited.add(pid)
            return not intro.running()
        harness.wait_until(ended, 30, interval=0.02, what="the intro to end")
        self.assertEqual(waited, set(), "the box's process waited for the mode's restore")

    def test_losing_the_x_connection_restores_the_desktop_mode(self):
        # the server cuts the intro's connection; Xlib then ends the process through exit
        x, intro = self.start(harness.output_dir(self))
        x.run("xdotool", "windowkill", str(intro.window), check=False)
        self.assertNotEqual(intro.wait(timeout=5.0), 0)
        self.assert_desktop_back(x)

    def test_nothing_of_the_intro_outlives_it(self):
        x, intro = self.start(harness.output_dir(self))
        mine = intro.child_processes()
        self.assertEqual(len(mine), 1, "one helper process keeps the mode to put back")
        intro.key("Escape")
        intro.wait(timeout=5.0)
        harness.wait_until(lambda: x.main_windows() == [] and x.message_boxes() == [], 10.0,
                           what="the intro's windows to go")
        harness.wait_until(lambda: all((harness.proc_stat(pid) or "Z")[0] == "Z" for pid in mine),
                           10.0, what="the intro's helper process to end")

    def test_without_an_800_by_600_mode_the_frame_fills_the_screen_in_its_own_mode(self):
        # a wide monitor that offers no 800 x 600: the mode stays, the frame fills the middle 1440 x 1080
        out = harness.output_dir(self)
        x = harness.enter(self, harness.XorgDummy(size=(1920, 1080), log_dir=out, intro_mode=False))
        self.assertNotIn(" 800x600 ", x.run("xrandr", "--query"))
        with harness.Intro(x, out_dir=out) as intro:
            intro.answer_question(yes=False)
            window = intro.wait_for_window()
            intro.wait_until_running()
            harness.wait_until(lambda: x.window_info(window)["width"] == 1920, 30, what="the full-screen window")
            time.sleep(1.0)
            self.assertEqual(x.current_mode(), (1920, 1080))
            shot = x.screenshot(out, "running", window=window)
            self.assertEqual(harness.frame_problems(shot, (240, 0, 1440, 1080)), [])
            self.assertEqual(intro.child_processes(), [], "no switch, so no helper to put a mode back")
            intro.key("q")
            self.assertEqual(intro.wait(timeout=5.0), 0)
        self.assertEqual(x.current_mode(), (1920, 1080))


if __name__ == "__main__":
    harness.main()
