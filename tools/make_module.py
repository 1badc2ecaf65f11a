#!/usr/bin/env python3
"""Writes assets/music.xm, the intro's tune "Lanterns in the Snow", from the score below.

Usage: python3 tools/make_module.py [MODULE [SOURCE]]   (default: assets/music.xm and
           assets/music_module.cpp, the module as the C++ array the program carries)
       python3 tools/make_module.py --check MODULE [SOURCE]   (exit status 1 unless they hold exactly this tune)

Everything comes from this file: the seven samples are synthesised here and the patterns are
built from the score tables. Only integer arithmetic and IEEE double +, -, *, / are used (sines
come from our own series, noise from our own generator), so the output is the same byte for byte
on every machine. The file is an XM module (FastTracker 2 format, version 0x0104): 4 channels,
22 patterns of 64 rows, 29 order positions, 32 instruments of which 7 carry a sample, Amiga
frequency table, and exactly 91,443 bytes.
"""

import os
import struct
import sys

TITLE = "Lanterns in the Snow"
TRACKER = "FastTracker v2.00"
FILE_SIZE = 91443
HEADER_SIZE = 336  # header and order table
PATTERN_BLOCK_SIZE = 13923  # every pattern header and its packed rows
INSTRUMENT_BLOCK_SIZE = 77184  # instrument headers, sample headers and sample data
INSTRUMENT_HEADER_SIZE = 263
SAMPLE_HEADER_SIZE = 40
CHANNELS = 4
ROWS = 64

# The order list: lead-in, intro, theme A, theme B, theme C, the break, a fill, the return of
# theme A, and the coda. Pattern 8, an alternative coda, is kept but not played.
ORDERS = [21, 10, 0, 9, 1, 2, 1, 5, 6, 7, 6, 7, 11, 12, 13, 12, 14, 15, 16, 15, 17, 3, 4, 3, 4, 18, 19, 18, 20]
PATTERN_COUNT = 22

# ---------------------------------------------------------------------------------------------
# Deterministic arithmetic

PI = 3.141592653589793
TWO_PI = 6.283185307179586


def dsin(x):
    """sin(x) from a Taylor series after reduction to [-pi, pi]: the same bits on every machine."""
    n = int(x / TWO_PI + (0.5 if x >= 0 else -0.5))
    x = x - n * TWO_PI
    x2 = x * x
    term = x
    total = x
    for k in range(1, 12):
        term = -term * x2 / ((2 * k) * (2 * k + 1))
        total += term
    return total


def sine_table(length):
    """sin(2 pi j / length) for j in 0 .. length-1."""
    return [dsin(TWO_PI * j / length) for j in range(length)]


class Noise:
    """A 31-bit linear congruential generator giving values in [-1, 1)."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 1073741824.0 - 1.0


def warm(values):
    """A gentle cubic saturation: rounds the peaks, so the sample sounds fuller at the same peak."""
    top = max(abs(v) for v in values) or 1.0
    return [1.5 * (v / top) - 0.5 * (v / top) * (v / top) * (v / top) for v in values]


def to_bytes(values, peak=126.0):
    """Scales a float signal to the given peak and rounds it to signed 8-bit values."""
    top = max(abs(v) for v in values) or 1.0
    out = []
    for v in values:
        s = v * peak / top
        q = int(s + 0.5) if s >= 0 else -int(-s + 0.5)
        out.append(max(-128, min(127, q)))
    return out


# ---------------------------------------------------------------------------------------------
# The samples. Pitched ones hold whole cycles of 128 samples (256 for the bass), so at relative
# note +24 a written C-4 sounds at 261 Hz; every loop holds a whole number of cycles of every
# partial, so the loops are seamless.


def make_lead():
    """Soft pulse: a band-limited pulse whose width breathes between 25 % and 50 % over the loop."""
    length, cycle = 8192, 128
    sines = sine_table(length)
    step = length // cycle
    values = []
    for i in range(length):
        width = 0.375 + 0.125 * sines[(i + length // 4) % length]
        v = 0.0
        fade = 1.0
        for k in range(1, 15):
            # a pulse of the given width, centred on the cycle's start, with its harmonics rolled off
            amp = 2.0 / (k * PI) * dsin(k * PI * width) * fade
            v += amp * sines[(k * (i % cycle) * step + length // 4) % length]
            fade *= 0.80
        values.append(v)
    return to_bytes(warm(values))


def make_bass():
    """Round bass: a sawtooth under a low-pass that opens and closes once per loop."""
    length, cycles = 4096, 16
    sines = sine_table(length)
    values = []
    for i in range(length):
        cutoff = 2.5 + 2.0 * (1.0 - sines[(i + length // 4) % length]) * 0.5
        v = 0.0
        for k in range(1, 13):
            ratio = k / cutoff
            gain = 1.0 / (1.0 + ratio * ratio * ratio * ratio)
            v += gain / k * sines[(k * cycles * i) % length]
        values.append(v)
    return to_bytes(warm(values))


# Bell partials: cycles per 1024-sample loop (8 is the fundamental), level, decay per sample.
BELL_PARTIALS = [
    # cycles level decay
    (8, 1.00, 0.99985),  # fundamental
    (16, 0.45, 0.99970),  # octave
    (24, 0.18, 0.99960),  # twelfth
    (34, 0.30, 0.99900),  # the bright, inharmonic ring of the strike
    (43, 0.20, 0.99850),  # higher ring
]


def make_bell():
    """Music-box bell: decaying partials, then a loop holding what rings on (the envelope fades it)."""
    attack, loop = 7168, 1024
    sines = sine_table(loop)
    levels = [level for _, level, _ in BELL_PARTIALS]
    values = []
    strike = Noise(7)
    for i in range(attack + loop):
        t = min(i, attack)
        v = 0.0
        for n, (cycles, _, decay) in enumerate(BELL_PARTIALS):
            v += levels[n] * sines[(cycles * i) % loop]
            if i < attack:
                levels[n] *= decay
        if t < 256:
            # the hammer: a short, bright click, gone long before the loop
            rest = 1.0 - t / 256.0
            v += 0.25 * strike.next() * rest * rest * rest
        values.append(v)
    return to_bytes(values), attack, loop


def make_kick(rate):
    """Kick drum: a sine falling from about 155 Hz to 45 Hz, with a soft click."""
    length = 5600
    values = []
    phase = 0.0
    sweep = 1.0
    amp = 1.0
    click = Noise(11)
    for i in range(length):
        freq = 45.0 + 110.0 * sweep
        phase += TWO_PI * freq / rate
        v = amp * dsin(phase)
        if i < 40:
            v += 0.3 * click.next() * (1.0 - i / 40.0)
        values.append(v)
        sweep *= 0.99850
        amp *= 0.99965 if i < 1500 else 0.99900
    return to_bytes(values)


def make_snare(rate, length):
    """Snare drum: a short body of two tones under a longer, brighter hiss."""
    values = []
    hiss = Noise(23)
    body = 1.0
    noise_amp = 1.0
    last = 0.0
    smooth = 0.0
    for i in range(length):
        n = hiss.next()
        bright = n - last  # a first difference lifts the highs
        last = n
        smooth = smooth * 0.6 + bright * 0.4
        tone = 0.55 * dsin(TWO_PI * 185.0 * i / rate) + 0.3 * dsin(TWO_PI * 330.0 * i / rate)
        values.append(body * tone + 0.7 * noise_amp * smooth)
        body *= 0.99920
        noise_amp *= 0.99955
    return to_bytes(values)


def make_hat():
    """Hi-hat: bright noise, looped; the instrument's short envelope makes the stroke."""
    length = 4096
    values = []
    noise = Noise(101)
    a = b = 0.0
    for _ in range(length):
        n = noise.next()
        values.append(n - 2.0 * a + b)  # a second difference: only the top of the spectrum
        b = a
        a = n
    return to_bytes(values)


def make_pad():
    """Cold pad: an open fifth and octave of soft sawtooths, each voice slightly detuned three ways."""
    length = 32768
    sines = sine_table(length)
    # cycles per loop of each voice (256 is the root at the 128-sample cycle) and its level
    voices = [(255, 0.8), (256, 1.0), (257, 0.8), (383, 0.5), (384, 0.6), (385, 0.5), (511, 0.25), (513, 0.25)]
    values = [0.0] * length
    for cycles, level in voices:
        rolloff = 1.0
        for k in range(1, 9):
            gain = level / k * rolloff
            rolloff *= 0.7
            step = (k * cycles) % length
            index = 0
            for i in range(length):
                values[i] += gain * sines[index]
                index += step
                if index >= length:
                    index -= length
    return to_bytes(warm(values))


# ---------------------------------------------------------------------------------------------
# The instruments: which of the 32 carry a sample, and how each one sounds.

LEAD, BASS, BELL, KICK, SNARE, HAT, PAD = 1, 2, 3, 12, 13, 15, 32
DRUM_RATE = 16726.0  # a C-4 on a sample at relative note +12

# number: name, volume, panning, relative note, loop kind, volume envelope points,
#         sustain point (or None), fadeout, auto-vibrato (type, sweep, depth, rate)
INSTRUMENTS = {
    LEAD: ("soft lead", 64, 112, 24, "forward", [(0, 0), (2, 64), (12, 58), (60, 52), (240, 40)], None, 0x300, (0, 32, 2, 22)),
    BASS: ("round bass", 44, 128, 24, "forward", [(0, 64), (6, 60), (40, 52), (160, 44)], None, 0x300, None),
    BELL: ("music box", 58, 150, 24, "forward", [(0, 64), (6, 48), (24, 30), (64, 14), (140, 5), (220, 0)], None, 0x200, None),
    KICK: ("kick", 64, 128, 12, "none", None, None, 0, None),
    SNARE: ("snare", 58, 124, 12, "none", None, None, 0, None),
    HAT: ("hat", 34, 164, 24, "forward", [(0, 64), (2, 30), (6, 10), (12, 0)], None, 0, None),
    PAD: ("frost pad", 64, 128, 24, "forward", [(0, 0), (24, 44), (56, 64)], 2, 0x100, None),
}

INSTRUMENT_COUNT = 32

# The names of instruments without a sample say, as trackers show them, where the tune comes from.
CREDITS = {
    4: TITLE,
    5: "a Glimmerhorn tune",
    7: "written by",
    8: "tools/make_module.py",
    9: "from its own score;",
    10: "every sound is",
    11: "synthesised there",
}

# ---------------------------------------------------------------------------------------------
# The score. Rows are sixteenths; a bar is 16 rows, a pattern four bars. Notes are written as
# they sound (C-4 is middle C).

# Chords: root pitch class (C = 0) and the intervals of the arpeggio (root, third, fifth, ...).
CHORDS = {
    "Am": (9, (0, 3, 7)),
    "Dm": (2, (0, 3, 7)),
    "Em": (4, (0, 3, 7)),
    "F": (5, (0, 4, 7)),
    "C": (0, (0, 4, 7)),
    "G": (7, (0, 4, 7)),
    "E": (4, (0, 4, 7)),
}

# Melodies: "note:rows" tokens, bars split by "|"; "-" is a rest (the note is released), "~" holds.
MELODIES = {
    "theme_a1": "E5:4 A4:2 B4:2 C5:4 E5:4 | D5:6 C5:2 A4:8 | G4:4 C5:4 E5:4 G5:4 | F5:6 E5:2 D5:8",
    "theme_a2": "E5:4 A5:4 G5:4 E5:4 | F5:6 E5:2 C5:8 | D5:4 B4:4 G4:4 D5:4 | B4:12 G#4:4",
    "turn": "F5:4 E5:4 D5:4 A4:4 | G5:4 E5:4 B4:4 G4:4 | A4:4 C5:4 F5:4 A5:4 | G#5:8 E5:4 B4:4",
    "theme_b1": "A5:2 G5:2 F5:2 E5:2 F5:4 C5:4 | B4:2 C5:2 D5:2 E5:2 D5:4 G4:4 | C5:4 E5:4 A5:4 B5:2 C6:2 | B5:4 A5:4 E5:6 -:2",
    "theme_b2": "A5:2 G5:2 F5:2 E5:2 F5:4 A5:4 | G5:2 F5:2 E5:2 D5:2 B4:4 D5:4 | E5:4 G#5:4 B5:4 D6:4 | C6:2 B5:2 A5:2 G#5:2 E5:6 -:2",
    "theme_c1": "D5:2 F5:2 A5:4 D6:4 C6:2 A5:2 | B5:4 G5:4 D5:4 G5:4 | E5:2 G5:2 C6:4 B5:4 G5:4 | A5:8 F5:4 C5:4",
    "theme_c2": "D5:2 F5:2 A5:4 F5:4 D5:4 | E5:2 G#5:2 B5:4 G#5:4 E5:4 | A5:12 G5:2 E5:2 | C6:4 B5:4 A5:6 -:2",
    "theme_c3": "C6:4 A5:4 F5:4 A5:4 | G5:4 E5:4 C5:4 E5:4 | D5:4 G5:4 B5:4 D6:4 | B5:8 G#5:8",
    "break1": "E5:8 A5:8 | G5:8 E5:8 | F5:8 C5:8 | A4:14 -:2",
    "break2": "G5:8 E5:8 | C6:8 B5:8 | D5:8 G5:8 | B4:14 -:2",
    "break3": "F5:8 A5:8 | D6:8 C6:8 | B5:8 G#5:8 | E5:14 -:2",
    "fill": "A5:4 G5:4 F5:4 E5:4 | D5:4 E5:4 F5:4 G5:4 | G#5:16 | B5:8 -:8",
    "return_a1": "E5:4 A4:2 B4:2 C5:2 D5:2 E5:4 | D5:6 C5:2 A4:6 B4:2 | G4:4 C5:4 E5:4 G5:2 A5:2 | F5:6 E5:2 D5:6 E5:2",
    "return_a2": "E5:4 A5:4 G5:4 E5:4 | F5:6 E5:2 C5:6 D5:2 | D5:4 B4:4 G4:4 D5:4 | E5:12 -:4",
    "coda1": "A5:8 E5:8 | F5:8 C6:8 | G5:8 E5:8 | D5:8 B4:8",
    "coda2": "A5:8 F5:8 | C6:8 A5:8 | B5:8 G#5:8 | E5:14 -:2",
    "coda3": "E5:8 C5:8 | A4:8 C5:8 | B4:8 G#4:8 | A4:14 -:2",
    "alt_coda": "E5:4 D5:4 C5:8 | D5:4 C5:4 B4:8 | C5:4 B4:4 A4:8 | G#4:14 -:2",
}

# Bass figures over one bar: R root (octave 2), O root an octave up, F the fifth, "." holds.
BASS_FIGURES = {
    "long": "R...............",
    "half": "R.......O.......",
    "walk": "R...O...F...O...",
    "drive": "R.....R.O...F.O.",
    "push": "R.R...R.O.R.F.O.",
}

# Arpeggio figures over one bar, on every second row: indexes into the chord's notes
# (0 root, 1 third, 2 fifth, 3 octave, 4 tenth); "." rests.
ARP_FIGURES = {
    "up": "01232101",
    "wide": "02342024",
    "sparse": "0.2.3.2.",
    "bells": "3.2.1.0.",
}

# Drum figures over one bar: K kick, S snare, s ghost snare, H hat, h soft hat, "." nothing.
DRUM_FIGURES = {
    "none": "................",
    "tick": "h...h...h...h...",
    "light": "K...h...S...h...",
    "groove": "K.h.H.hhS.h.K.Hh",
    "groove2": "K.hhH.hKS.h.KhHs",
    "drive": "K.hhH.hKS.hhK.Hh",
    "roll": "S.S.S.S.SsSsSSSS",
    "end": "K...............",
}

# Swing: ticks of the even and the odd row. 5 + 3 is the easy tempo, 4 + 3 the livelier one.
EASY, LIVELY = (5, 3), (4, 3)

# Each pattern: swing, chords (one a bar), the lead channel (melody name and instrument, or an
# arpeggio figure on an instrument), the bass figure per bar, the third channel (arpeggio figure
# on the bells, or "pad"), the drum figure per bar.
# pattern: (swing, chords, lead, bass, third, drums)
SCORE = {
    21: None,  # the lead-in, built by lead_in()
    10: (EASY, "Am F C G", ("arp", "sparse", BELL), "- - - -", "pad", "none none none tick"),
    0: (EASY, "Am F C E", ("arp", "up", BELL), "long long long long", "pad", "tick tick tick tick"),
    9: (EASY, "Dm F G E", ("arp", "wide", BELL), "half half half half", "pad", "light light light roll"),
    1: (EASY, "Am F C G", ("melody", "theme_a1", LEAD), "drive drive drive drive", "up", "groove groove groove groove2"),
    2: (EASY, "Am F G E", ("melody", "theme_a2", LEAD), "drive drive drive push", "up", "groove groove groove groove2"),
    5: (EASY, "Dm Em F E", ("melody", "turn", LEAD), "walk walk walk push", "wide", "groove groove groove roll"),
    6: (LIVELY, "F G Am Am", ("melody", "theme_b1", LEAD), "drive drive drive drive", "wide", "drive drive drive groove2"),
    7: (LIVELY, "F G E E", ("melody", "theme_b2", LEAD), "drive drive push push", "wide", "drive drive drive roll"),
    11: (LIVELY, "Dm G C F", ("melody", "theme_c1", LEAD), "push push push push", "up", "drive groove drive groove2"),
    12: (LIVELY, "Dm E Am Am", ("melody", "theme_c2", LEAD), "push push drive drive", "up", "drive groove drive groove2"),
    13: (LIVELY, "F C G E", ("melody", "theme_c3", LEAD), "push push push push", "wide", "drive groove drive roll"),
    14: (EASY, "Am Am F F", ("melody", "break1", BELL), "long long long long", "pad", "none tick none tick"),
    15: (EASY, "C C G G", ("melody", "break2", BELL), "long long long long", "pad", "tick tick tick tick"),
    16: (EASY, "Dm Dm E E", ("melody", "break3", BELL), "long long half half", "pad", "tick tick light light"),
    17: (EASY, "F G E E", ("melody", "fill", LEAD), "walk walk half push", "wide", "light groove groove roll"),
    3: (EASY, "Am F C G", ("melody", "return_a1", LEAD), "drive drive drive drive", "wide", "groove groove2 groove groove2"),
    4: (EASY, "Am F G E", ("melody", "return_a2", LEAD), "drive drive drive push", "wide", "groove groove2 groove roll"),
    18: (EASY, "Am F C G", ("melody", "coda1", LEAD), "walk walk walk walk", "up", "groove groove groove groove"),
    19: (EASY, "Dm F E E", ("melody", "coda2", LEAD), "walk walk half push", "up", "groove groove light roll"),
    20: (EASY, "Am F E Am", ("melody", "coda3", BELL), "half half half long", "pad", "light light light end"),
    8: (EASY, "Am G F E", ("melody", "alt_coda", LEAD), "half half half long", "pad", "light light light end"),
}

NOTE_NAMES = {"C": 0, "C#": 1, "D": 2, "D#": 3, "E": 4, "F": 5, "F#": 6, "G": 7, "G#": 8, "A": 9, "A#": 10, "B": 11}
KEY_OFF = 97


def xm_note(name):
    """XM note number of a written note: C-0 is 1, so C-4 is 49."""
    octave = int(name[-1])
    return octave * 12 + NOTE_NAMES[name[:-1]] + 1


class Cell:
    __slots__ = ("note", "instrument", "volume", "effect", "param")

    def __init__(self):
        self.note = self.instrument = self.volume = self.effect = self.param = 0


def empty_pattern():
    return [[Cell() for _ in range(CHANNELS)] for _ in range(ROWS)]


def put(pattern, row, channel, note, instrument, volume=None):
    cell = pattern[row][channel]
    cell.note = note
    cell.instrument = instrument if note != KEY_OFF else 0
    if volume is not None:
        cell.volume = 0x10 + volume


LEAD_VIBRATO = 0x62  # speed 6, depth 2


def write_melody(pattern, channel, text, instrument):
    row = 0
    for bar in text.split("|"):
        for token in bar.split():
            name, length = token.split(":")
            if name == "-":
                put(pattern, row, channel, KEY_OFF, 0)
            elif name != "~":
                put(pattern, row, channel, xm_note(name), instrument)
                if instrument == LEAD:
                    # a long note starts plain and gets its vibrato from the fourth row on
                    for late in range(row + 3, row + int(length)):
                        pattern[late][channel].effect, pattern[late][channel].param = 0x04, LEAD_VIBRATO
            row += int(length)
    assert row == ROWS, text


def chord_notes(chord, base_octave):
    """The chord's arpeggio notes upwards from its root in the given octave: root, third, fifth, octave, tenth."""
    root, intervals = CHORDS[chord]
    first = base_octave * 12 + root + 1
    return [first + i for i in intervals] + [first + 12, first + 12 + intervals[1]]


def write_arp(pattern, channel, chords, figure, instrument, quiet):
    for bar, chord in enumerate(chords):
        notes = chord_notes(chord, 4 if CHORDS[chord][0] < 9 else 3)
        for step, symbol in enumerate(ARP_FIGURES[figure]):
            if symbol != ".":
                # the first note of the bar a little louder than the rest
                volume = None if step == 0 else quiet
                put(pattern, bar * 16 + step * 2, channel, notes[int(symbol)], instrument, volume)


def write_bass(pattern, channel, chords, figures):
    for bar, (chord, figure) in enumerate(zip(chords, figures)):
        if figure == "-":
            continue
        root, intervals = CHORDS[chord]
        low = 2 * 12 + root + 1
        notes = {"R": low, "O": low + 12, "F": low + intervals[2]}
        for step, symbol in enumerate(BASS_FIGURES[figure]):
            if symbol in notes:
                put(pattern, bar * 16 + step, channel, notes[symbol], BASS)


def write_pad(pattern, channel, chords):
    for bar, chord in enumerate(chords):
        previous = chords[bar - 1] if bar > 0 else None
        if chord != previous:
            put(pattern, bar * 16, channel, 3 * 12 + CHORDS[chord][0] + 1, PAD)


DRUM_HITS = {"K": (KICK, None), "S": (SNARE, None), "s": (SNARE, 26), "H": (HAT, 60), "h": (HAT, 40)}


def write_drums(pattern, channel, figures):
    for bar, figure in enumerate(figures):
        for step, symbol in enumerate(DRUM_FIGURES[figure]):
            if symbol in DRUM_HITS:
                instrument, volume = DRUM_HITS[symbol]
                put(pattern, bar * 16 + step, channel, xm_note("C4"), instrument, volume)


def write_swing(pattern, channel, swing):
    """Sets the speed on every row: the even rows take one length, the odd rows another."""
    for row in range(ROWS):
        cell = pattern[row][channel]
        cell.effect = 0x0F
        cell.param = swing[row % 2]


def lead_in():
    """Four rows: speed 5 and 125 BPM are set, a bell calls twice, then the pattern breaks off.
    When the tune comes round again, the bass and the pad of the coda are let go here."""
    pattern = empty_pattern()
    put(pattern, 0, 1, KEY_OFF, 0)
    put(pattern, 0, 2, KEY_OFF, 0)
    pattern[0][3].effect, pattern[0][3].param = 0x0F, 5
    pattern[0][2].effect, pattern[0][2].param = 0x0F, 125
    put(pattern, 0, 0, xm_note("E5"), BELL, 40)
    put(pattern, 2, 0, xm_note("B4"), BELL, 28)
    pattern[3][3].effect, pattern[3][3].param = 0x0D, 0
    return pattern


def build_pattern(number):
    if SCORE[number] is None:
        return lead_in()
    swing, chord_text, lead, bass, third, drums = SCORE[number]
    chords = chord_text.split()
    pattern = empty_pattern()
    kind, name, instrument = lead
    if kind == "melody":
        write_melody(pattern, 0, MELODIES[name], instrument)
    else:
        write_arp(pattern, 0, chords, name, instrument, 44)
    write_bass(pattern, 1, chords, bass.split())
    if third == "pad":
        write_pad(pattern, 2, chords)
    else:
        write_arp(pattern, 2, chords, third, BELL, 44)
    write_drums(pattern, 3, drums.split())
    write_swing(pattern, 3, swing)
    return pattern


# ---------------------------------------------------------------------------------------------
# Writing the file


def pack_cell(cell):
    """A cell in XM's packed form: a flag byte saying which of the five fields follow."""
    fields = [cell.note, cell.instrument, cell.volume, cell.effect, cell.param]
    flags = 0x80
    data = []
    for bit, value in enumerate(fields):
        if value:
            flags |= 1 << bit
            data.append(value)
    return bytes([flags] + data)


def pack_pattern(pattern):
    return b"".join(pack_cell(cell) for row in pattern for cell in row)


def pattern_block(patterns):
    """Every pattern, header and packed rows. The block has a fixed size: notes of the earliest
    patterns spell out their sample's default volume (which changes nothing) until it is reached."""
    overhead = PATTERN_COUNT * 9
    natural = sum(len(pack_pattern(p)) for p in patterns)
    missing = PATTERN_BLOCK_SIZE - overhead - natural
    assert missing >= 0, "the score packs to %d bytes too many" % -missing
    for pattern in patterns:
        for row in pattern:
            for cell in row:
                if missing and cell.instrument and not cell.volume:
                    cell.volume = 0x10 + INSTRUMENTS[cell.instrument][1]
                    missing -= 1
    assert missing == 0, "not enough notes to fill the pattern block"
    out = b""
    for pattern in patterns:
        packed = pack_pattern(pattern)
        out += struct.pack("<IBHH", 9, 0, ROWS, len(packed)) + packed
    assert len(out) == PATTERN_BLOCK_SIZE
    return out


def text_field(text, size, pad=b"\0"):
    raw = text.encode("ascii")
    assert len(raw) <= size
    return raw + pad * (size - len(raw))


def envelope_fields(points, sustain):
    if not points:
        return b"\0" * 48, 0, 0, 0
    raw = b"".join(struct.pack("<HH", x, y) for x, y in points) + b"\0" * (4 * (12 - len(points)))
    kind = 1 | (2 if sustain is not None else 0)
    return raw, len(points), sustain or 0, kind


def instrument_header(name, sample_count):
    return struct.pack("<I", INSTRUMENT_HEADER_SIZE) + text_field(name, 22) + struct.pack("<BH", 0, sample_count)


def delta_encode(values):
    out = bytearray()
    previous = 0
    for v in values:
        out.append((v - previous) & 0xFF)
        previous = v
    return bytes(out)


def instrument_block(samples):
    out = b""
    for number in range(1, INSTRUMENT_COUNT + 1):
        if number not in INSTRUMENTS:
            out += instrument_header(CREDITS.get(number, ""), 0) + struct.pack("<I", SAMPLE_HEADER_SIZE)
            out += b"\0" * (INSTRUMENT_HEADER_SIZE - 33)
            continue
        name, volume, panning, relative, loop, points, sustain, fadeout, vibrato = INSTRUMENTS[number]
        values, loop_start, loop_length = samples[number]
        envelope, point_count, sustain_point, envelope_kind = envelope_fields(points, sustain)
        vib = vibrato or (0, 0, 0, 0)
        header = instrument_header(name, 1) + struct.pack("<I", SAMPLE_HEADER_SIZE)
        header += b"\0" * 96  # every note plays the instrument's one sample
        header += envelope + b"\0" * 48  # volume envelope; no panning envelope
        header += struct.pack("<BB", point_count, 0)
        header += struct.pack("<BBB", sustain_point, 0, 0) + struct.pack("<BBB", 0, 0, 0)
        header += struct.pack("<BB", envelope_kind, 0)
        header += struct.pack("<BBBB", *vib) + struct.pack("<H", fadeout) + b"\0" * 22
        assert len(header) == INSTRUMENT_HEADER_SIZE
        loop_kind = 1 if loop == "forward" else 0
        sample_header = struct.pack("<III", len(values), loop_start, loop_length)
        sample_header += struct.pack("<BbBBbB", volume, 0, loop_kind, panning, relative, 0) + text_field(name, 22)
        assert len(sample_header) == SAMPLE_HEADER_SIZE
        out += header + sample_header + delta_encode(values)
    return out


def make_samples():
    """All seven samples; the snare's length is what is left of the fixed instrument block."""
    lead = make_lead()
    bass = make_bass()
    bell, bell_attack, bell_loop = make_bell()
    kick = make_kick(DRUM_RATE)
    hat = make_hat()
    pad = make_pad()
    headers = INSTRUMENT_COUNT * INSTRUMENT_HEADER_SIZE + len(INSTRUMENTS) * SAMPLE_HEADER_SIZE
    used = len(lead) + len(bass) + len(bell) + len(kick) + len(hat) + len(pad)
    snare = make_snare(DRUM_RATE, INSTRUMENT_BLOCK_SIZE - headers - used)
    return {
        LEAD: (lead, 0, len(lead)),
        BASS: (bass, 0, len(bass)),
        BELL: (bell, bell_attack, bell_loop),
        KICK: (kick, 0, 0),
        SNARE: (snare, 0, 0),
        HAT: (hat, 0, len(hat)),
        PAD: (pad, 0, len(pad)),
    }


def header():
    out = b"Extended Module: " + text_field(TITLE, 20) + b"\x1a" + text_field(TRACKER, 20, b" ")
    out += struct.pack("<HI", 0x0104, HEADER_SIZE - 60)
    out += struct.pack("<HHHHHHHH", len(ORDERS), 0, CHANNELS, PATTERN_COUNT, INSTRUMENT_COUNT, 0, 6, 125)
    out += bytes(ORDERS) + b"\0" * (256 - len(ORDERS))
    assert len(out) == HEADER_SIZE
    return out


def make_module():
    patterns = [build_pattern(n) for n in range(PATTERN_COUNT)]
    data = header() + pattern_block(patterns) + instrument_block(make_samples())
    assert len(data) == FILE_SIZE, len(data)
    return data


def c_source(data):
    """The module as C++ source for the program: music_module, followed by 16 zero bytes, and its size."""
    rows = ["    " + " ".join("0x%02x," % b for b in data[i:i + 16]) for i in range(0, len(data), 16)]
    return ("// generated by tools/make_module.py from its score (the bytes of assets/music.xm) -- do not edit\n"
            '#include "assets.h"\n\n'
            "// clang-format off\n"
            "extern const unsigned char music_module[%d + 16] = {\n%s\n};\n"
            "// clang-format on\n"
            "extern const size_t music_module_size = %d;\n" % (len(data), "\n".join(rows), len(data)))


def check(path, made):
    with open(path, "rb") as f:
        committed = f.read()
    if committed != made:
        differ = next((i for i in range(min(len(made), len(committed))) if made[i] != committed[i]), None)
        sys.exit("%s differs from the generated one (%d bytes against %d, first difference at %s)"
                 % (path, len(committed), len(made), differ))
    print("%s: the generator reproduces all %d bytes" % (path, len(made)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = make_module()
    source = c_source(data).encode()
    if len(sys.argv) in (3, 4) and sys.argv[1] == "--check":
        check(sys.argv[2], data)
        if len(sys.argv) == 4:
            check(sys.argv[3], source)
        return
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "music.xm")
    c_path = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "assets", "music_module.cpp")
    with open(path, "wb") as f:
        f.write(data)
    with open(c_path, "wb") as f:
        f.write(source)


if __name__ == "__main__":
    main()
