"""The whole intro built with AddressSanitizer and UBSan, run for a few seconds on Xvfb: any invalid
access, undefined behaviour or leak of our own ends it with a report and a non-zero status."""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SUPPRESSIONS = os.path.join(HERE, "lsan.supp")
# Mesa's driver, kept loaded so that its own leaks can be named (see lsan.supp)
DRIVER = "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"

SANITIZER_ENV = {
    "ASAN_OPTIONS": "detect_leaks=1:halt_on_error=1:verify_asan_link_order=0",
    "LSAN_OPTIONS": "suppressions=%s:print_suppressions=1" % os.path.abspath(SUPPRESSIONS),
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
}


class Sanitized(unittest.TestCase):
    def run_intro(self, depth, yes, cwd, warnings):
        out = harness.output_dir(self)
        env = dict(SANITIZER_ENV)
        if os.path.isfile(DRIVER):
            env["LD_PRELOAD"] = DRIVER
        with harness.Xvfb(depth=depth, log_dir=out) as x, harness.Intro(x, cwd=cwd, env=env, out_dir=out) as intro:
            intro.answer_question(yes=yes, timeout=60)
            for _ in range(warnings):
                intro.dismiss(intro.wait_for_box(timeout=60))
            intro.wait_for_window(timeout=60)
            time.sleep(6)  # past the first ornament's spawn at frame 60
            x.screenshot(out, "sanitized")
            intro.key("Escape")
            status = intro.wait(timeout=60)
            output = intro.output()
        for report in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
            self.assertNotIn(report, output)
        self.assertEqual(status, 0, output[-4000:])

    def test_the_whole_scene_with_picture_and_music_at_depth_24(self):
        self.run_intro(24, True, None, warnings=0)

    def test_without_a_picture_at_depth_16(self):
        empty = tempfile.mkdtemp(prefix="glimmerhorn-nopicture-")
        try:
            # the loader's box, then set-up's
            self.run_intro(16, False, empty, warnings=2)
        finally:
            shutil.rmtree(empty)


if __name__ == "__main__":
    harness.main()
