"""Browser benchmark: the steps a second, frames drawn a second, CPU seconds a second and step time of the
web build in Chromium and Firefox ESR (software WebGL here), as the browser paces it, on 60 Hz ticks and with
a busy page (with the sound's underruns), beside the Linux build's frame figures and CPU on Xvfb; the sizes of the program, its script and the single
page, raw and gzipped; the time tools/web.sh takes with a warm cache (and, with --cold, with an empty
one, which builds the wasm libraries again: a quarter of an hour on two cores).

    cmake --build build --target bench_web
    python3 bench/web.py --binary build/glimmerhorn --recorder build/tools/libgl_probe.so [--seconds 10] [--cold]
        [--browser chromium|firefox] [--web-only]

A step time is one call of the page's timer or animation frame that draws and presents a frame, timed
inside the page. GLIMMERHORN_WEB_BUILD picks the build measured (build-web/ by default).
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


def tree_cpu(pid):
    """CPU seconds (user and system) of process ``pid`` and all its descendants, from /proc."""
    children, cpu = {}, {}
    tick = os.sysconf("SC_CLK_TCK")
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(entry))
        cpu[int(entry)] = (int(fields[11]) + int(fields[12])) / tick
    total, todo = 0.0, [pid]
    while todo:
        p = todo.pop()
        total += cpu.get(p, 0.0)
        todo.extend(children.get(p, []))
    return total


def browser_steps(browser, seconds, warm_up, **options):
    """(step times in ms, [step number, page time in ms] of the drawn frames, the browser's CPU seconds a
    second, underruns) of the 32-bit mode in ``browser`` after the warm-up."""
    with harness.Browser(browser, folder=os.path.join(harness.web_build(), "site"), audio_seconds=1, **options) as page:
        page.start(yes=True, frames=10)
        time.sleep(warm_up)
        page.eval("__gh.steps = [], __gh.frames = [], true")
        cpu, wall = tree_cpu(page.driver.pid), time.monotonic()
        time.sleep(seconds)
        cpu, wall = tree_cpu(page.driver.pid) - cpu, time.monotonic() - wall
        steps, frames, underruns, block = page.eval("[__gh.steps, __gh.frames.map(f => [f[0], f[1]]), __gh.underruns || 0, "
                                                    "__gh.audio.length ? __gh.audio[0][0].length : 0]")
        page.key("Escape")
    return steps, frames, cpu / wall, (underruns, block)


def report(steps, frames, cpu, sound):
    ordered = sorted(steps)
    times = [f[1] for f in frames]
    periods = sorted(b - a for a, b in zip(times, times[1:]))
    span = (times[-1] - times[0]) / 1000.0
    print("frames drawn         %d over %.2f s: %.1f a second" % (len(frames), span, (len(frames) - 1) / span))
    print("steps a second       %.1f" % ((frames[-1][0] - frames[0][0]) / span))
    print("CPU a second         %.2f s (the browser's processes)" % cpu)
    print("sound                %d underruns, %d frames a block" % sound)
    if ordered:  # (none timed where the page's timers are replaced)
        print("step time mean       %.3f ms" % (sum(ordered) / len(ordered)))
        print("step time p99        %.3f ms" % pacing.percentile(ordered, 0.99))
    print("frame period mean    %.3f ms  (p99 %.3f ms)" % (sum(periods) / len(periods), pacing.percentile(periods, 0.99)))


def sizes(path):
    data = open(path, "rb").read()
    print("-- %-22s %9d bytes, %9d gzipped" % (os.path.basename(path), len(data), len(gzip.compress(data, 9))))


def main():
    parser = pacing.arguments(__doc__)
    parser.add_argument("--cold", action="store_true", help="also time tools/web.sh with an empty cache")
    parser.add_argument("--browser", action="append", choices=harness.BROWSERS, help="only this browser (again for more)")
    parser.add_argument("--web-only", action="store_true", help="only the browsers' figures: no Linux build, sizes or build time")
    args = parser.parse_args()
    os.environ["GLIMMERHORN_GL_PROBE"] = os.path.abspath(args.recorder)

    print("web: 32-bit mode, %.0f s after %.0f s of warm-up" % (args.seconds, args.warm_up))
    if not args.web_only:
        print("-- Linux build, Xvfb 800x600x24")
        with harness.Xvfb(depth=24) as x:
            kept = windows.linux_swaps(x, args.binary, args.seconds, args.warm_up)
            pacing.report(kept)
            print("CPU a second         %.2f s" % ((kept[-1][1] - kept[0][1]) / (kept[-1][0] - kept[0][0])))
    cases = (("", {}), (", timers and frames on 60 Hz ticks", {"ticks": 60}),
             (", the page's thread busy 50 ms of every 200", {"busy": [50, 200]}))
    for browser in args.browser or harness.BROWSERS:
        for name, options in cases:
            print("-- %s, 800 x 600 canvas%s" % (browser, name))
            report(*browser_steps(browser, args.seconds, args.warm_up, **options))
    if args.web_only:
        return
    build = harness.web_build()
    for path in ("site/glimmerhorn.wasm", "site/glimmerhorn.js", "glimmerhorn.html", "glimmerhorn-1.0.0-web.zip"):
        sizes(os.path.join(build, path))
    print("-- tools/web.sh, warm       %.0f s" % windows.timed_build(None, "tools/web.sh"))
    if args.cold:
        with tempfile.TemporaryDirectory(prefix="glimmerhorn-cold-cache-") as cache:
            print("-- tools/web.sh, cold       %.0f s" % windows.timed_build(cache, "tools/web.sh"))


if __name__ == "__main__":
    main()
