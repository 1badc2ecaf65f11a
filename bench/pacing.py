"""Frame-pacing benchmark: the real intro on a private Xvfb, every buffer swap timed from outside.

The intro runs with the GL probe preloaded (LD_PRELOAD), which notes the monotonic time
and the process's CPU time at each glXSwapBuffers. After a warm-up the run is measured for the
given seconds, then ended with Esc; the figures are the frame period (time between swaps) and
the CPU time per frame, all threads included. Run it on an idle machine:

    cmake --build build --target bench_pacing
    python3 bench/pacing.py --binary build/glimmerhorn --recorder build/tools/libgl_probe.so [--seconds 10] [--depth 24|16]
"""
import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402

TARGET_MS = 10.0


def percentile(sorted_values, fraction):
    """The value at ``fraction`` (0..1) of a sorted list, by the nearest-rank rule."""
    rank = max(1, int(-(-fraction * len(sorted_values) // 1)))
    return sorted_values[min(rank, len(sorted_values)) - 1]


def measure(binary, recorder, seconds, warm_up, depth, yes):
    with tempfile.TemporaryDirectory() as folder:
        log = os.path.join(folder, "swaps.txt")
        env = {"LD_PRELOAD": os.path.abspath(recorder), "GLIMMERHORN_SWAP_LOG": log}
        with harness.Xvfb(depth=depth) as x, harness.Intro(x, binary=binary, env=env) as intro:
            intro.answer_question(yes=yes)
            intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(warm_up + seconds + 0.5)
            intro.key("Escape")
            status = intro.wait(timeout=5.0)
            if status != 0:
                raise SystemExit("the intro ended with status %d:\n%s" % (status, intro.output()))
        with open(log) as f:
            records = [tuple(float(v) for v in line.split()) for line in f if line.strip()]
    if len(records) < 3:
        raise SystemExit("only %d swaps were recorded" % len(records))
    start = records[0][0] + warm_up
    kept = [r for r in records if start <= r[0] <= start + seconds]
    return kept


def report(kept):
    periods = sorted((b[0] - a[0]) * 1000.0 for a, b in zip(kept, kept[1:]))
    frames = len(periods)
    mean = sum(periods) / frames
    cpu_ms = (kept[-1][1] - kept[0][1]) * 1000.0 / frames
    print("frames measured      %d over %.2f s" % (frames, kept[-1][0] - kept[0][0]))
    print("frame period mean    %.4f ms  (%+.2f %% from %.2f ms)" % (mean, (mean / TARGET_MS - 1.0) * 100.0, TARGET_MS))
    print("frame period p50     %.4f ms" % percentile(periods, 0.50))
    print("frame period p99     %.4f ms" % percentile(periods, 0.99))
    print("frame period max     %.4f ms" % periods[-1])
    print("frame period min     %.4f ms" % periods[0])
    print("CPU time per frame   %.4f ms  (all threads)" % cpu_ms)
    print("load average         %.2f over the last minute, %d cores: figures only count on an idle machine"
          % (os.getloadavg()[0], os.cpu_count() or 0))


def arguments(doc):
    """The options every frame benchmark takes: the Linux program, the GL probe, the measured seconds
    and the warm-up before them."""
    parser = argparse.ArgumentParser(description=doc.split("\n")[0])
    parser.add_argument("--binary", default=os.environ.get("GLIMMERHORN_BINARY", "glimmerhorn"))
    parser.add_argument("--recorder", required=True, help="path of libgl_probe.so")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--warm-up", type=float, default=1.0)
    return parser


def main():
    parser = arguments(__doc__)
    parser.add_argument("--depth", type=int, choices=(24, 16), default=24)
    args = parser.parse_args()
    yes = args.depth == 24
    print("pacing: %s, Xvfb 800x600x%d, %s mode, %.0f s after %.0f s of warm-up"
          % (os.path.basename(args.binary), args.depth, "32-bit" if yes else "16-bit", args.seconds, args.warm_up))
    report(measure(args.binary, args.recorder, args.seconds, args.warm_up, args.depth, yes))


if __name__ == "__main__":
    main()
