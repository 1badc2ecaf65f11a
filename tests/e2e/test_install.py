"""Installed as a user gets it: `cmake --install` with its launcher, and the Debian package through apt."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


class Installed(unittest.TestCase):
    def run_from_elsewhere(self, launcher, out):
        """Starts the launcher from an empty folder, answers No, and checks that the frame shows our
        picture (not the white backdrop of a missing gfx.data) and that Esc ends it with status 0."""
        elsewhere = tempfile.mkdtemp(prefix="glimmerhorn-elsewhere-")
        try:
            with harness.Xvfb(depth=24, log_dir=out) as x, \
                    harness.Intro(x, binary=launcher, cwd=elsewhere, out_dir=out) as intro:
                intro.answer_question(yes=False)
                intro.wait_for_window()
                # the top-left corner holds sky: no ornament enters there in the first seconds
                expected = harness.picture_crop(40, 40, 160, 80).mean()

                def shows_picture():
                    seen = x.screenshot().region(40, 40, 160, 80).mean()
                    return all(abs(seen[c] - expected[c]) < 12 for c in range(3))
                try:
                    harness.wait_until(shows_picture, 20, interval=0.25, what="a frame with our picture")
                finally:
                    x.screenshot(out, "installed")
                self.assertEqual(intro.boxes(), [], "a warning box came up")
                intro.key("Escape")
                self.assertEqual(intro.wait(timeout=5.0), 0)
        finally:
            shutil.rmtree(elsewhere)

    def capture_from_elsewhere(self, program):
        """Runs the installed capture program from an empty folder for a few frames: it finds the
        installed picture, and the file lands where it was started."""
        elsewhere = tempfile.mkdtemp(prefix="glimmerhorn-elsewhere-")
        try:
            subprocess.run([program, "--frames", "3", "clip.mkv"], cwd=elsewhere, check=True, timeout=120)
            self.assertEqual(os.listdir(elsewhere), ["clip.mkv"])
        finally:
            shutil.rmtree(elsewhere)

    def test_cmake_install_runs_from_anywhere_and_uninstall_leaves_nothing(self):
        out = harness.output_dir(self)
        build = harness.build_dir()
        prefix = tempfile.mkdtemp(prefix="glimmerhorn-prefix-")
        try:
            subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
            expected = ["bin/glimmerhorn", "libexec/glimmerhorn/glimmerhorn", "share/glimmerhorn/gfx.data",
                        "share/applications/glimmerhorn.desktop", "bin/glimmerhorn-capture",
                        "share/man/man1/glimmerhorn-capture.1.gz"]
            expected += ["share/icons/hicolor/%dx%d/apps/glimmerhorn.png" % (s, s) for s in ICON_SIZES]
            for path in expected:
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)
            if shutil.which("desktop-file-validate"):
                subprocess.run(["desktop-file-validate", os.path.join(prefix, expected[3])], check=True)
            # panels match the running window's WM_CLASS (test_window checks it) to this entry
            with open(os.path.join(prefix, expected[3])) as f:
                self.assertIn("StartupWMClass=Glimmerhorn\n", f.read())
            with open(os.path.join(prefix, "share/icons/hicolor/48x48/apps/glimmerhorn.png"), "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")

            self.run_from_elsewhere(os.path.join(prefix, "bin", "glimmerhorn"), out)
            self.capture_from_elsewhere(os.path.join(prefix, "bin", "glimmerhorn-capture"))

            subprocess.run(["cmake", "-P", os.path.join(build, "uninstall.cmake")], check=True,
                           stdout=subprocess.DEVNULL)
            left = [os.path.relpath(p, prefix) for p in glob.glob(prefix + "/**", recursive=True)
                    if os.path.isfile(p) or "glimmerhorn" in os.path.basename(p)]
            self.assertEqual(left, [])
        finally:
            shutil.rmtree(prefix)

    @unittest.skipUnless(os.geteuid() == 0, "installing a Debian package needs root")
    def test_debian_package_installs_runs_and_removes(self):
        out = harness.output_dir(self)
        build = harness.build_dir()
        staging = tempfile.mkdtemp(prefix="glimmerhorn-deb-")
        try:
            subprocess.run(["cpack", "-G", "DEB", "-B", staging, "--config",
                            os.path.join(build, "CPackConfig.cmake")], check=True, stdout=subprocess.DEVNULL)
            packages = glob.glob(os.path.join(staging, "glimmerhorn_*.deb"))
            self.assertEqual(len(packages), 1, packages)
            info = subprocess.run(["dpkg-deb", "-f", packages[0], "Depends"], stdout=subprocess.PIPE,
                                  check=True, text=True).stdout
            # found from the shared libraries the programs link, the fonts SDL's boxes are drawn with
            # and the EGL the capture program draws through
            for library in ("libglut", "libsdl2", "libopenmpt", "libjpeg62-turbo", "xfonts-base", "libavcodec",
                            "libegl-mesa0"):
                self.assertIn(library, info)

            env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
            subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends", packages[0]],
                           check=True, env=env, stdout=subprocess.DEVNULL)
            try:
                self.assertTrue(os.path.isfile("/usr/share/glimmerhorn/gfx.data"))
                self.assertTrue(os.path.isfile("/usr/share/applications/glimmerhorn.desktop"))
                self.run_from_elsewhere("/usr/bin/glimmerhorn", out)
                self.capture_from_elsewhere("/usr/bin/glimmerhorn-capture")
            finally:
                subprocess.run(["apt-get", "remove", "-y", "-qq", "--purge", "glimmerhorn"], check=True, env=env,
                               stdout=subprocess.DEVNULL)
            for path in ("/usr/bin/glimmerhorn", "/usr/libexec/glimmerhorn", "/usr/share/glimmerhorn",
                         "/usr/bin/glimmerhorn-capture", "/usr/share/man/man1/glimmerhorn-capture.1.gz",
                         "/usr/share/applications/glimmerhorn.desktop",
                         "/usr/share/icons/hicolor/48x48/apps/glimmerhorn.png"):
                self.assertFalse(os.path.exists(path), path)
        finally:
            shutil.rmtree(staging)


if __name__ == "__main__":
    harness.main()
