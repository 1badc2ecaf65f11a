"""Soak benchmark: the intro for a long run (30 minutes by default) on a private Xvfb, sound on SDL's
disk driver, watched from outside once a minute.

Every minute it prints the program's resident memory, the frame-period statistics of that minute
(from the GL probe, preloaded and streaming), and the quietest second of sound the program
played in that minute (the disk driver writes into a pipe that this script reads as it comes). At
the end it says whether memory stayed flat after the first minute, whether the pace drifted, and
whether the sound ever went silent. Not part of the test suite:

    cmake --build build --target gl_probe glimmerhorn
    python3 bench/soak.py --binary build/glimmerhorn --recorder build/tools/libgl_probe.so [--minutes 30]
"""
import argparse
import array
import math
import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
from pacing import percentile  # noqa: E402

RATE = 44100
#: A second of sound whose RMS is below this (-80 dBFS) counts as silent.
SILENT_RMS = 1e-4


class SoundWatcher(threading.Thread):
    """Reads the disk driver's pipe (32-bit float stereo) and keeps each second's RMS level."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path = path
        self.seconds = []  # (monotonic time the second was complete, rms)

    def run(self):
        chunk = RATE * 2 * 4
        with open(self.path, "rb") as pipe:
            pending = b""
            while True:
                data = pipe.read(chunk - len(pending))
                if not data:
                    return
                pending += data
                if len(pending) < chunk:
                    continue
                samples = array.array("f", pending)
                pending = b""
                rms = math.sqrt(sum(v * v for v in samples) / len(samples))
                self.seconds.append((time.monotonic(), rms))


def read_rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return None


def read_swaps(path):
    """Swap records (monotonic seconds, CPU seconds) written so far; a partial last line is skipped."""
    with open(path) as f:
        lines = f.read().split("\n")[:-1]
    return [tuple(float(v) for v in line.split()) for line in lines if line]


def minute_figures(swaps, start, end):
    kept = [s for s in swaps if start <= s[0] < end]
    periods = sorted((b[0] - a[0]) * 1000.0 for a, b in zip(kept, kept[1:]))
    if not periods:
        return None
    n = len(periods)
    return {
        "frames": n,
        "mean": sum(periods) / n,
        "p50": percentile(periods, 0.50),
        "p99": percentile(periods, 0.99),
        "max": periods[-1],
        "cpu": (kept[-1][1] - kept[0][1]) * 1000.0 / n,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--binary", default=os.environ.get("GLIMMERHORN_BINARY", "glimmerhorn"))
    parser.add_argument("--recorder", required=True, help="path of libgl_probe.so")
    parser.add_argument("--minutes", type=float, default=30.0)
    parser.add_argument("--depth", type=int, choices=(24, 16), default=24)
    args = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="glimmerhorn-soak-")
    pipe = os.path.join(folder, "sound.f32")
    os.mkfifo(pipe)
    swaps_path = os.path.join(folder, "swaps.txt")
    env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": pipe, "LD_PRELOAD": os.path.abspath(args.recorder),
           "GLIMMERHORN_SWAP_STREAM": swaps_path}
    sound = SoundWatcher(pipe)
    sound.start()
    print("soak: %s, Xvfb 800x600x%d, %.0f minutes, sound on the disk driver"
          % (os.path.basename(args.binary), args.depth, args.minutes))
    print("%6s %10s %7s %9s %9s %9s %9s %9s %11s" % ("minute", "rss KiB", "frames", "mean ms", "p50 ms", "p99 ms",
                                                     "max ms", "cpu ms", "quietest s"))
    rows = []
    with harness.Xvfb(depth=args.depth) as x, harness.Intro(x, binary=args.binary, env=env) as intro:
        intro.answer_question(yes=args.depth == 24)
        intro.wait_for_window()
        start = time.monotonic()
        for minute in range(1, int(args.minutes) + 1):
            time.sleep(max(0.0, start + minute * 60.0 - time.monotonic()))
            if not intro.running():
                raise SystemExit("the intro ended early:\n" + intro.output())
            rss = read_rss_kib(intro.pid)
            figures = minute_figures(read_swaps(swaps_path), start + (minute - 1) * 60.0, start + minute * 60.0)
            levels = [rms for t, rms in sound.seconds if start + (minute - 1) * 60.0 <= t < start + minute * 60.0]
            quietest = min(levels) if levels else float("nan")
            rows.append((minute, rss, figures, levels))
            f = figures or {"frames": 0, "mean": 0, "p50": 0, "p99": 0, "max": 0, "cpu": 0}
            print("%6d %10d %7d %9.4f %9.4f %9.4f %9.3f %9.4f %11.5f" % (minute, rss, f["frames"], f["mean"], f["p50"],
                                                                      f["p99"], f["max"], f["cpu"], quietest),
                  flush=True)
        intro.key("Escape")
        status = intro.wait(timeout=5.0)

    after_first = [r[1] for r in rows[1:]] or [rows[0][1]]
    means = [r[2]["mean"] for r in rows if r[2]]
    silent = sum(1 for r in rows for level in r[3] if level < SILENT_RMS)
    heard = sum(len(r[3]) for r in rows)
    print("exit status          %d" % status)
    print("rss after minute 1   %d .. %d KiB (growth %+d KiB)" % (min(after_first), max(after_first),
                                                                 after_first[-1] - after_first[0]))
    print("frame period mean    %.4f .. %.4f ms by minute" % (min(means), max(means)))
    print("sound                %d seconds heard, %d silent (RMS below %g)" % (heard, silent, SILENT_RMS))


if __name__ == "__main__":
    main()
