"""The music as the program plays it: recorded by SDL's disk driver and compared with libopenmpt's own
render of the tune; and, with no sound device, the one warning, then the intro, then a clean exit."""
import array
import atexit
import ctypes
import ctypes.util
import math
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

MODULE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "music.xm")
RATE = 44100


def libopenmpt_render(seconds, rate=RATE):
    """The tune's first seconds as libopenmpt renders them at ``rate``: interleaved stereo floats."""
    lib = ctypes.CDLL(ctypes.util.find_library("openmpt") or "libopenmpt.so.0")
    lib.openmpt_module_create_from_memory2.restype = ctypes.c_void_p
    lib.openmpt_module_create_from_memory2.argtypes = [ctypes.c_char_p, ctypes.c_size_t] + [ctypes.c_void_p] * 7
    lib.openmpt_module_read_interleaved_float_stereo.restype = ctypes.c_size_t
    lib.openmpt_module_read_interleaved_float_stereo.argtypes = [
        ctypes.c_void_p, ctypes.c_int32, ctypes.c_size_t, ctypes.POINTER(ctypes.c_float)]
    lib.openmpt_module_destroy.argtypes = [ctypes.c_void_p]
    with open(MODULE, "rb") as f:
        data = f.read()
    module = lib.openmpt_module_create_from_memory2(data, len(data), None, None, None, None, None, None, None)
    if not module:
        raise AssertionError("libopenmpt cannot load " + MODULE)
    frames = int(seconds * rate)
    buffer = (ctypes.c_float * (frames * 2))()
    done = 0
    while done < frames:
        chunk = min(4096, frames - done)
        target = ctypes.cast(ctypes.byref(buffer, done * 2 * ctypes.sizeof(ctypes.c_float)),
                             ctypes.POINTER(ctypes.c_float))
        got = lib.openmpt_module_read_interleaved_float_stereo(module, rate, chunk, target)
        if got == 0:
            break
        done += got
    lib.openmpt_module_destroy(module)
    return array.array("f", buffer[:done * 2])


def read_floats(path):
    samples = array.array("f")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    return samples


def first_sound(samples):
    for i, value in enumerate(samples):
        if value != 0.0:
            return i & ~1
    return len(samples)


def rms_db(samples):
    total = sum(v * v for v in samples)
    return 10.0 * math.log10(total / len(samples)) if total > 0 else -math.inf


def correlation(a, b):
    ab = sum(x * y for x, y in zip(a, b))
    aa = sum(x * x for x in a)
    bb = sum(y * y for y in b)
    return ab / math.sqrt(aa * bb)


def no_sound_device():
    """The environment of the default drivers, each pointed at nothing: no sound server, no ALSA card."""
    nothing = tempfile.mkdtemp(prefix="glimmerhorn-nosound-")
    atexit.register(shutil.rmtree, nothing, True)
    empty_alsa = os.path.join(nothing, "alsa.conf")
    open(empty_alsa, "w").close()
    return {"XDG_RUNTIME_DIR": nothing, "PULSE_SERVER": "unix:" + os.path.join(nothing, "no-pulse"),
            "PIPEWIRE_REMOTE": os.path.join(nothing, "no-pipewire"), "ALSA_CONFIG_PATH": empty_alsa,
            "AUDIODEV": os.path.join(nothing, "no-dsp")}


class Music(unittest.TestCase):
    def test_what_the_intro_plays_is_the_tune_from_its_first_second(self):
        out = harness.output_dir(self)
        recording = os.path.join(out, "played.raw")
        if os.path.exists(recording):
            os.remove(recording)
        env = {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": recording}
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, env=env, out_dir=out) as intro:
            intro.answer_question(yes=False)
            intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(6.0)
            self.assertEqual(intro.boxes(), [], "a box came up although the music could play")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)

        played = read_floats(recording)
        second = RATE * 2
        self.assertGreaterEqual(len(played), 5 * second, "less than five seconds were played")
        # the output opens with the music: sound within its first second
        start = first_sound(played)
        self.assertLess(start, second, "the first second was silent")
        first = played[:second]
        self.assertGreater(max(abs(v) for v in first), 0.01)
        self.assertGreater(rms_db(first), -50.0)
        # and it is the tune as libopenmpt renders it, sample for sample over four seconds
        reference = libopenmpt_render(5.0)
        heard = played[start:start + 4 * second]
        expected = reference[first_sound(reference):][:len(heard)]
        self.assertEqual(len(heard), len(expected))
        self.assertGreater(correlation(heard, expected), 0.99)

    def run_without_sound(self, env):
        """Answers the question, expects the music's warning, dismisses it, then checks that the
        intro runs and that Esc ends it with status 0."""
        out = harness.output_dir(self)
        with harness.Xvfb(depth=24, log_dir=out) as x, harness.Intro(x, env=env, out_dir=out) as intro:
            intro.answer_question(yes=False)
            box = intro.wait_for_box()
            self.assertEqual(x.box_title(box), "Glimmerhorn!")
            self.assertEqual(len(intro.boxes()), 1)
            x.screenshot(out, "warning")
            intro.dismiss(box)
            intro.wait_for_window()
            intro.wait_until_running()
            time.sleep(1.5)
            self.assertTrue(intro.running())
            self.assertEqual(intro.boxes(), [], "more than one warning")
            intro.key("Escape")
            self.assertEqual(intro.wait(timeout=5.0), 0)

    def test_a_driver_that_cannot_open_gives_one_warning_then_the_intro_runs_and_escape_ends_it(self):
        self.run_without_sound({"SDL_AUDIODRIVER": "no-such-driver"})

    def test_with_no_sound_device_at_all_the_default_driver_gives_the_warning_and_the_intro_runs(self):
        self.run_without_sound(dict(no_sound_device(), SDL_AUDIODRIVER=""))


if __name__ == "__main__":
    harness.main()
