"""Scene benchmark: bench/scene_frame on a private Xvfb with Mesa's llvmpipe, in both colour modes.

scene_frame runs the intro's scene unpaced until nine ornaments are in the air, then times that
frame drawn again and again (clear, draw_frame, flush, swap) beside bare frames (clear, flush, swap)
in alternating blocks of the same run, and prints wall time and CPU time per frame. Run it on an
idle machine, from anywhere:

    cmake --build build --target bench_scene
    python3 bench/scene.py --program build/bench/scene_frame --picture-dir build [--frames 200] [--blocks 5]
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--picture-dir", required=True, help="folder holding gfx.data (the build folder)")
    parser.add_argument("--frames", type=int, default=200, help="frames a block")
    parser.add_argument("--blocks", type=int, default=5)
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.picture_dir, "gfx.data")):
        raise SystemExit("no gfx.data in %s: set-up would stop at its warning" % args.picture_dir)
    print("load average before: %.2f %.2f %.2f" % os.getloadavg())
    for depth, bits in ((24, 32), (16, 16)):
        with harness.Xvfb(depth=depth) as x:
            result = subprocess.run([os.path.abspath(args.program), str(bits), str(args.frames), str(args.blocks)],
                                    cwd=args.picture_dir, env=x.env, capture_output=True, text=True, timeout=600)
            sys.stdout.write(result.stdout)
            if result.returncode != 0:
                raise SystemExit("scene_frame failed:\n" + result.stderr)
    print("load average after:  %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
