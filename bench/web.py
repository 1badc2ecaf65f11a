"""Browser benchmark: the step time of the web build in Chromium and Firefox ESR (software WebGL here),
beside the Linux build's frame figures on Xvfb; the sizes of the program, its script and the single
page, raw and gzipped; the time tools/web.sh takes with a warm cache (and, with --cold, with an empty
one, which builds the wasm libraries again: a quarter of an hour on two cores).

    cmake --build build --target bench_web
    python3 bench/web.py --binary build/glimmerhorn --recorder build/tools/libgl_probe.so [--seconds 10] [--cold]

A step is one call of the page's timer that draws and presents a frame, timed inside the page.
"""
import gzip
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
import pacing  # noqa: E402
import windows  # noqa: E402


def browser_steps(browser, seconds, warm_up):
    """(step times in ms, frame times in ms) of the 32-bit mode in ``browser`` after the warm-up."""
    with harness.Browser(browser, folder=os.path.join(harness.web_build(), "site")) as page:
        page.start(yes=True, frames=10)
        time.sleep(warm_up)
        page.eval("__gh.steps = [], __gh.frames = [], true")
        time.sleep(seconds)
        steps, frames = page.eval("[__gh.steps, __gh.frames.map(f => f[1])]")
        page.key("Escape")
    return steps, frames


def report(steps, frames):
    ordered = sorted(steps)
    periods = sorted(b - a for a, b in zip(frames, frames[1:]))
    print("frames measured      %d over %.2f s" % (len(frames), (frames[-1] - frames[0]) / 1000.0))
    print("step time mean       %.3f ms" % (sum(ordered) / len(ordered)))
    print("step time p99        %.3f ms" % pacing.percentile(ordered, 0.99))
    print("frame period mean    %.3f ms  (p99 %.3f ms)" % (sum(periods) / len(periods), pacing.percentile(periods, 0.99)))


def sizes(path):
    data = open(path, "rb").read()
    print("-- %-22s %9d bytes, %9d gzipped" % (os.path.basename(path), len(data), len(gzip.compress(data, 9))))


def main():
    parser = pacing.arguments(__doc__)
    parser.add_argument("--cold", action="store_true", help="also time tools/web.sh with an empty cache")
    args = parser.parse_args()
    os.environ["GLIMMERHORN_GL_PROBE"] = os.path.abspath(args.recorder)

    print("web: 32-bit mode, %.0f s after %.0f s of warm-up" % (args.seconds, args.warm_up))
    print("-- Linux build, Xvfb 800x600x24")
    with harness.Xvfb(depth=24) as x:
        pacing.report(windows.linux_swaps(x, args.binary, args.seconds, args.warm_up))
    for browser in harness.BROWSERS:
        print("-- %s, 800 x 600 canvas" % browser)
        report(*browser_steps(browser, args.seconds, args.warm_up))
    build = harness.web_build()
    for path in ("site/glimmerhorn.wasm", "site/glimmerhorn.js", "glimmerhorn.html", "glimmerhorn-1.0.0-web.zip"):
        sizes(os.path.join(build, path))
    print("-- tools/web.sh, warm       %.0f s" % windows.timed_build(None, "tools/web.sh"))
    if args.cold:
        with tempfile.TemporaryDirectory(prefix="glimmerhorn-cold-cache-") as cache:
            print("-- tools/web.sh, cold       %.0f s" % windows.timed_build(cache, "tools/web.sh"))


if __name__ == "__main__":
    main()
