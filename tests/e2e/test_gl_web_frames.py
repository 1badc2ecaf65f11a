"""What the web GL layer draws equals desktop GL's picture, natively and with no browser: frames 1, 2 and
500 of both modes drawn by the layer over EGL and OpenGL ES 2 on llvmpipe ($GLIMMERHORN_GL_WEB_FRAMES)
against the capture's off-screen desktop GL ($GLIMMERHORN_GL_FRAMES), part by part as the browser's test
compares the page's frames, with the same tolerance."""
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import test_web_output  # noqa: E402


def frames(variable, mode, out):
    """Frames 1, 2 and 500 of the mode ("32" or "16") drawn by the gl_frames program in $variable."""
    program = os.environ.get(variable)
    if not program or not os.path.isfile(program):
        raise RuntimeError("set %s to a gl_frames program (got %r)" % (variable, program))
    os.makedirs(out, exist_ok=True)
    subprocess.run([program, mode, out] + [str(n) for n in test_web_output.FRAMES], cwd=harness.build_dir(),
                   env=dict(os.environ, EGL_PLATFORM="surfaceless"), check=True, timeout=300)
    found = {}
    for number in test_web_output.FRAMES:
        with open(os.path.join(out, "frame-%d.ppm" % number), "rb") as f:
            found[number] = harness.read_ppm(f.read())
        found[number].save_png(os.path.join(out, "frame-%d.png" % number))
    return found


class Frames(unittest.TestCase):
    def test_frames_1_2_and_500_equal_desktop_gl_part_by_part(self):
        for mode in ("32", "16"):
            with self.subTest(mode=mode):
                out = harness.output_dir(name="gl_web_frames.%s" % mode)
                desktop = frames("GLIMMERHORN_GL_FRAMES", mode, os.path.join(out, "desktop"))
                web = frames("GLIMMERHORN_GL_WEB_FRAMES", mode, os.path.join(out, "layer"))
                for number in test_web_output.FRAMES:
                    test_web_output.assert_parts_match(self, web[number], desktop[number], desktop[1], number)


if __name__ == "__main__":
    harness.main()
