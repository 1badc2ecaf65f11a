"""The window and the keys: the question, the full-screen window, what ends the intro and what does not."""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


class Window(unittest.TestCase):
    def full_screen(self, x, window):
        info = x.window_info(window)
        # without a window manager freeglut may leave the window one pixel off the origin
        self.assertLessEqual(abs(info["x"]), 1)
        self.assertLessEqual(abs(info["y"]), 1)
        self.assertEqual((info["width"], info["height"]), (x.width, x.height))
        return info

    def test_yes_at_depth_24_gives_a_full_screen_alpha_window_that_only_esc_and_q_end(self):
        out = harness.output_dir(self)
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            box = intro.wait_for_box()
            self.assertEqual(x.box_title(box), "Glimmerhorn!")
            self.assertEqual(len(intro.boxes()), 1)
            intro.answer(box, yes=True)
            window = intro.wait_for_window()
            intro.wait_until_running()
            self.assertEqual(intro.boxes(), [])
            info = self.full_screen(x, window)
            self.assertGreater(x.glx_visual(info["visual"])["alpha"], 0)
            # the class a panel matches to the menu entry's StartupWMClass
            self.assertIn('WM_CLASS(STRING) = "glimmerhorn", "Glimmerhorn"\n', x.window_properties(window))
            for key in ("Q", "a", "space", "Return", "x"):
                intro.key(key)
            time.sleep(0.5)
            self.assertTrue(intro.running(), "a key other than Esc or q ended the intro")
            self.assertEqual(x.main_windows(), [window])
            x.screenshot(out, "running")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_no_at_depth_16_gives_a_window_without_alpha_and_q_ends_it(self):
        out = harness.output_dir(self)
        with harness.Xvfb(depth=16, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            intro.answer_question(yes=False)
            window = intro.wait_for_window()
            intro.wait_until_running()
            info = self.full_screen(x, window)
            visual = x.glx_visual(info["visual"])
            self.assertEqual(visual["alpha"], 0)
            self.assertEqual(info["depth"], 16)
            intro.key("Q")
            time.sleep(0.5)
            self.assertTrue(intro.running(), "upper-case Q ended the intro")
            x.screenshot(out, "running")
            intro.key("q")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_yes_on_a_16_bit_desktop_still_gets_an_alpha_window(self):
        # X cannot change the desktop's depth; the server's 32-bit visual carries the alpha channel
        out = harness.output_dir(self)
        with harness.Xvfb(depth=16, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            intro.answer_question(yes=True)
            window = intro.wait_for_window()
            intro.wait_until_running()
            info = self.full_screen(x, window)
            self.assertGreater(x.glx_visual(info["visual"])["alpha"], 0)
            intro.key("q")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_no_at_depth_24_gives_no_alpha_either_and_a_hidden_window_costs_no_more_than_a_shown_one(self):
        out = harness.output_dir(self)
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, out_dir=out) as intro:
            intro.answer_question(yes=False)
            window = intro.wait_for_window()
            intro.wait_until_running()
            info = self.full_screen(x, window)
            self.assertEqual(x.glx_visual(info["visual"])["alpha"], 0)

            def cpu_over(seconds):
                start = harness.cpu_seconds(intro.pid)
                time.sleep(seconds)
                return harness.cpu_seconds(intro.pid) - start

            shown = cpu_over(3.0)
            # GLUT draws nothing for an unmapped window, as for a minimised one
            x.run("xdotool", "windowunmap", str(window))
            harness.wait_until(lambda: x.window_info(window)["map_state"] == "IsUnMapped", 20, what="the unmap")
            time.sleep(0.5)
            hidden = cpu_over(3.0)
            print("CPU over 3 s: %.3f s shown, %.3f s hidden" % (shown, hidden), file=sys.stderr)
            self.assertLessEqual(hidden, shown)
            self.assertLess(hidden, 0.05 * 3.0, "more than 5 % of a core while hidden")

            x.run("xdotool", "windowmap", str(window))
            harness.wait_until(lambda: x.window_info(window)["map_state"] == "IsViewable", 20, what="the map")
            time.sleep(0.5)
            first = x.screenshot(out, "shown-again")
            time.sleep(0.5)
            self.assertNotEqual(x.screenshot().data, first.data, "no new frame once shown again")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_where_no_box_can_be_shown_the_harness_says_why_at_once_and_the_question_counts_as_no(self):
        # only the server's built-in fonts, and no zenity on the path: SDL has no way to show a box.
        # Run from an empty folder, the picture's two warnings follow the question.
        out = harness.output_dir(self)
        nothing = tempfile.mkdtemp(prefix="glimmerhorn-nothing-")
        self.addCleanup(os.rmdir, nothing)
        with harness.Xvfb(depth=24, log_dir=out, extra_args=["-fp", "built-ins"]) as x, \
                harness.Intro(x, out_dir=out, cwd=nothing, env={"PATH": nothing}) as intro:
            start = time.monotonic()
            with self.assertRaises(AssertionError) as failed:
                intro.wait_for_box()
            self.assertLess(time.monotonic() - start, 10.0)
            self.assertIn("no message box could be shown: zenity", str(failed.exception))
            self.assertIn("xfonts-base", str(failed.exception))
            window = intro.wait_for_window()
            intro.wait_until_running()
            self.assertEqual(x.glx_visual(x.window_info(window)["visual"])["alpha"], 0)
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)
            # SDL's reason once, then every message in the box's place
            self.assertEqual(intro.output().count("no message box could be shown"), 1)
            self.assertEqual(intro.output().count("\nGlimmerhorn!: "), 3)

    def test_command_line_arguments_change_nothing(self):
        out = harness.output_dir(self)
        # -display names a server that does not exist: taken at its word, the intro could not start
        args = ["-display", ":97", "-geometry", "10x10+5+5", "--help", "-gldebug", "-iconic", "-sync"]
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, args=args, out_dir=out) as intro:
            intro.answer_question(yes=True)
            window = intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(0.5)
            self.full_screen(x, window)
            self.assertEqual(x.window_info(window)["map_state"], "IsViewable")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)
            self.assertNotIn("usage", intro.output().lower())

    def test_started_with_its_standard_streams_closed_it_still_runs_and_esc_ends_it(self):
        # as from a launcher with no terminal; ALSA, finding no card, writes to stderr
        out = harness.output_dir(self)
        env = {"SDL_AUDIODRIVER": "alsa", "ALSA_CONFIG_PATH": os.devnull}
        args = ["-c", 'exec "$0" <&- >&- 2>&-', harness.binary_path()]
        with harness.Xvfb(depth=24, log_dir=out) as x, \
                harness.Intro(x, binary="/bin/sh", args=args, cwd=harness.build_dir(), env=env, out_dir=out) as intro:
            intro.answer_question(yes=False)
            intro.dismiss(intro.wait_for_box())  # the music's warning
            intro.wait_for_window()
            intro.wait_until_running()
            self.assertGreater(len(x.screenshot(out, "running").colours()), 16)
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_a_larger_screen_gets_a_full_screen_window_with_the_frame_scaled_to_fill_it(self):
        # 1024 x 768 in 32-bit mode; 1920 x 1080 at depth 16, where Yes gets a 32-bit window whose
        # alpha a compositing manager would show: the frame 1440 x 1080 between opaque black bars
        for size, depth, frame in (((1024, 768), 24, (0, 0, 1024, 768)), ((1920, 1080), 16, (240, 0, 1440, 1080))):
            with self.subTest(size=size):
                out = harness.output_dir(name="%s.%dx%d" % (os.path.basename(harness.output_dir(self)), size[0], size[1]))
                with harness.Xvfb(depth=depth, size=size, log_dir=out) as x, \
                        harness.Intro(x, out_dir=out, gl_probe=True) as intro:
                    intro.answer_question(yes=True)
                    window = intro.wait_for_window()
                    intro.wait_until_running()
                    time.sleep(1.0)
                    self.full_screen(x, window)
                    shot = x.screenshot(out, "running", window=window)
                    alpha = x.window_alpha(window)
                    intro.key("Escape")
                    self.assertEqual(intro.wait(timeout=5.0), 0)
                    probe = intro.gl_probe()
                self.assertEqual(alpha is not None, depth == 16)
                self.assertEqual(harness.frame_problems(shot, frame, alpha), [])
                # GL's viewport counts rows from the bottom
                left, top, width, height = frame
                self.assertGreater(probe["swaps"], 10)
                self.assertEqual(probe["last_viewport"], [left, size[1] - top - height, width, height])


class NoDisplay(unittest.TestCase):
    def run_without(self, env):
        binary = harness.binary_path()
        with tempfile.TemporaryDirectory() as folder:
            done = subprocess.run([binary], cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=20)
        return done.returncode, done.stderr.decode("utf-8", "replace")

    def test_no_display_at_all_says_so_and_fails(self):
        env = dict(os.environ, **harness.BASE_ENV)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        status, errors = self.run_without(env)
        self.assertNotEqual(status, 0)
        self.assertIn("Glimmerhorn", errors)
        self.assertIn("DISPLAY", errors)

    def test_a_display_that_is_gone_is_named_and_fails(self):
        # far above the numbers that servers started with -displayfd take, lowest free first
        gone = ":65431"
        self.assertFalse(os.path.exists("/tmp/.X11-unix/X65431"))
        env = dict(os.environ, **harness.BASE_ENV)
        env["DISPLAY"] = gone
        status, errors = self.run_without(env)
        self.assertNotEqual(status, 0)
        self.assertIn("Glimmerhorn", errors)
        self.assertIn("'%s'" % gone, errors)


if __name__ == "__main__":
    harness.main()
