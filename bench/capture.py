"""Capture benchmark: glimmerhorn-capture over one pass of the tune (13,864 frames, 138.64 s), one run
at a time: to .mkv at 800 x 600, to .mp4 at 800 x 600, to .mkv at --scale 2, and to .mkv in FFV1.

For each it prints the wall time as a fraction of the 138.64 s the intro takes to play (below 1 is
faster than real time), the CPU time, the peak resident memory (getrusage of the finished program)
and the file's size; the files are removed afterwards. A full run takes many minutes on two cores:
run it on an otherwise idle machine, from anywhere:

    cmake --build build --target bench_capture
    python3 bench/capture.py --program build/glimmerhorn-capture --picture-dir build [--frames N] [--only mkv]
"""
import argparse
import os
import subprocess
import tempfile
import time

PASS_SECONDS = 138.64  # one pass of the tune
RUNS = (
    # name          extension  extra options
    ("mkv",         ".mkv",    ()),
    ("mp4",         ".mp4",    ()),
    ("mkv-scale2",  ".mkv",    ("--scale", "2")),
    ("mkv-ffv1",    ".mkv",    ("--ffv1",)),
)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--picture-dir", required=True, help="folder holding gfx.data (the build folder)")
    parser.add_argument("--frames", type=int, help="a shorter capture, for a quick look (default: one pass)")
    parser.add_argument("--only", action="append", choices=[run[0] for run in RUNS], help="this run only")
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.picture_dir, "gfx.data")):
        raise SystemExit("no gfx.data in %s" % args.picture_dir)
    length = ["--frames", str(args.frames)] if args.frames else []
    played = args.frames / 100.0 if args.frames else PASS_SECONDS
    print("%.2f s of the intro a run; load average before: %.2f %.2f %.2f" % ((played,) + os.getloadavg()))
    with tempfile.TemporaryDirectory(prefix="glimmerhorn-bench-") as folder:
        for name, extension, extra in RUNS:
            if args.only and name not in args.only:
                continue
            target = os.path.join(folder, name + extension)
            start = time.monotonic()
            process = subprocess.Popen([os.path.abspath(args.program), *length, *extra, target],
                                       cwd=args.picture_dir, stderr=subprocess.PIPE)
            _, status, usage = os.wait4(process.pid, 0)
            wall = time.monotonic() - start
            errors = process.stderr.read().decode(errors="replace")
            process.stderr.close()
            if status != 0:
                raise SystemExit("%s failed (%d): %s" % (name, status, errors))
            size = os.path.getsize(target)
            os.remove(target)
            print("%-11s %7.1f s wall = %.3f of real time, %7.1f s CPU, peak %5.0f MB, file %7.1f MB"
                  % (name, wall, wall / played, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0,
                     size / 1e6))
    print("load average after:  %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
