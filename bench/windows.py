"""Windows benchmark: the frame period of the .exe under Wine beside the Linux build's, one after the
other on the same Xvfb; the .exe's size; and the time tools/windows.sh takes with a warm cache (and,
with --cold, with an empty one, which builds the libraries again: 10 minutes or more on two cores).

    cmake --build build --target bench_windows
    python3 bench/windows.py --binary build/glimmerhorn --recorder build/tools/libgl_probe.so \
        --exe build-windows/glimmerhorn-1.0.0-win64/glimmerhorn.exe [--seconds 10] [--cold]
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
import pacing  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def measured(records, seconds, warm_up):
    start = records[0][0] + warm_up
    return [r for r in records if start <= r[0] <= start + seconds]


def linux_swaps(x, binary, seconds, warm_up):
    """The swaps of the Linux build (32-bit mode) on server ``x`` after the warm-up."""
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "swaps.txt")
        with harness.Intro(x, binary=binary, gl_probe=True, env={"GLIMMERHORN_SWAP_STREAM": log}) as intro:
            intro.answer_question(yes=True)
            intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(warm_up + seconds + 0.5)
            intro.key("Escape")
            intro.wait(timeout=10.0)
        with open(log) as f:
            records = [tuple(float(v) for v in line.split()) for line in f if line.count(" ") == 1]
    return measured(records, seconds, warm_up)


def wine_swaps(x, exe, seconds, warm_up):
    """The swaps of the .exe under Wine (32-bit mode, no sound device) on server ``x`` after the warm-up."""
    with harness.WineIntro(x, exe=exe, env={"PULSE_SERVER": "unix:/nowhere"}) as intro:
        intro.answer(intro.wait_for_box(), yes=True)
        intro.dismiss(intro.wait_for_box())
        intro.wait_for_window()
        intro.wait_until_running()
        time.sleep(warm_up + seconds + 0.5)
        records = intro.swaps()
        intro.key("Escape")
        intro.wait(timeout=20.0)
    return measured(records, seconds, warm_up)


def timed_build(cache, script="tools/windows.sh"):
    """Seconds ``script`` takes, with the cache folder ``cache`` (None: the usual, warm one)."""
    env = dict(os.environ)
    if cache:
        env["XDG_CACHE_HOME"] = cache
    started = time.monotonic()
    subprocess.run(["sh", script], cwd=SOURCE, env=env, stdout=subprocess.DEVNULL, check=True)
    return time.monotonic() - started


def main():
    parser = pacing.arguments(__doc__)
    parser.add_argument("--exe", required=True, help="path of glimmerhorn.exe beside its gfx.data")
    parser.add_argument("--cold", action="store_true", help="also time tools/windows.sh with an empty cache")
    args = parser.parse_args()
    os.environ["GLIMMERHORN_GL_PROBE"] = os.path.abspath(args.recorder)

    print("windows: Xvfb 800x600x24, 32-bit mode, %.0f s after %.0f s of warm-up" % (args.seconds, args.warm_up))
    with harness.Xvfb(depth=24) as x:
        print("-- Linux build")
        pacing.report(linux_swaps(x, args.binary, args.seconds, args.warm_up))
        print("-- Windows build under Wine, on the same server")
        pacing.report(wine_swaps(x, os.path.abspath(args.exe), args.seconds, args.warm_up))
    print("-- glimmerhorn.exe          %.2f MB (%d bytes)" % (os.path.getsize(args.exe) / 1e6, os.path.getsize(args.exe)))
    print("-- tools/windows.sh, warm   %.0f s" % timed_build(None))
    if args.cold:
        with tempfile.TemporaryDirectory(prefix="glimmerhorn-cold-cache-") as cache:
            print("-- tools/windows.sh, cold   %.0f s" % timed_build(cache))


if __name__ == "__main__":
    main()
