#!/usr/bin/env python3
"""Writes greeting/fold_table.cpp, the table by which a sender's text becomes the scroller's bytes.

Usage: python3 tools/make_fold_table.py [SOURCE]   (default: greeting/fold_table.cpp)
       python3 tools/make_fold_table.py --check SOURCE   (exit status 1 unless it holds exactly this table)

The font is lower case and has 60 glyphs (read from assets/glyph_table.cpp) and the space. A character
becomes, in this order:
- the bytes SPECIAL gives it: line breaks and tabs a space, typographic quotes and dashes the font's
  ' " -, and the few letters that Unicode gives no decomposition (sharp s, ae, o with stroke, ...);
- a space, if it is a space of any width;
- its small letter, folded again, if it is a capital;
- else its compatibility decomposition (NFKD), each part folded again, with the marks the font
  lacks dropped: a and o keep a diaeresis and a a ring above, which the font has as a, a ring and o;
- nothing at all, if it is a combining mark or an invisible format character (joiners, the soft
  hyphen, variation selectors, the byte order mark).
Only characters that so become glyphs and spaces (or nothing) are written: every other character has
no glyph and shows as a gap. The output depends on the Unicode version of Python's unicodedata, which
the file names, and on nothing else.
"""

import os
import re
import sys
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
GLYPH_TABLE = os.path.join(HERE, "..", "assets", "glyph_table.cpp")
SOURCE = os.path.join(HERE, "..", "greeting", "fold_table.cpp")

# The blocks a sender's text is folded in; a character outside them has no glyph.
RANGES = [
    (0x0000, 0x024F),  # Basic Latin, Latin-1 Supplement, Latin Extended-A and -B
    (0x02B0, 0x036F),  # Spacing Modifier Letters, Combining Diacritical Marks
    (0x1AB0, 0x1AFF),  # Combining Diacritical Marks Extended
    (0x1DC0, 0x1EFF),  # Combining Diacritical Marks Supplement, Latin Extended Additional
    (0x2000, 0x218F),  # General Punctuation, super- and subscripts, letterlike symbols, number forms
    (0x2212, 0x2212),  # minus sign
    (0x2460, 0x24FF),  # Enclosed Alphanumerics
    (0x2C60, 0x2C7F),  # Latin Extended-C
    (0x3000, 0x3000),  # ideographic space
    (0xFB00, 0xFB06),  # Latin ligatures
    (0xFE00, 0xFE0F),  # variation selectors
    (0xFE20, 0xFE2F),  # Combining Half Marks
    (0xFE50, 0xFE6F),  # Small Form Variants
    (0xFEFF, 0xFEFF),  # byte order mark, zero width no-break space
    (0xFF00, 0xFFEF),  # Halfwidth and Fullwidth Forms
    (0x1D400, 0x1D7FF),  # Mathematical Alphanumeric Symbols, the "bold" and "script" letters of pasted text
    (0x1F100, 0x1F1FF),  # Enclosed Alphanumeric Supplement
    (0xE0000, 0xE007F),  # tags
]

# What Unicode's decompositions do not give: line breaks and tabs, quotes and dashes, and the letters
# that are letters of their own rather than a letter with a mark.
SPECIAL = {
    "\t": " ", "\n": " ", "\v": " ", "\f": " ", "\r": " ", "\x85": " ", "\u2028": " ", "\u2029": " ",
    "\u2018": "'", "\u2019": "'", "\u201A": "'", "\u201B": "'", "\u2032": "'", "\u2035": "'",
    "\u2039": "'", "\u203A": "'", "\u02BC": "'",
    "\u201C": '"', "\u201D": '"', "\u201E": '"', "\u201F": '"', "\u2033": '"', "\u2036": '"',
    "\u00AB": '"', "\u00BB": '"',
    "\u2010": "-", "\u2012": "-", "\u2013": "-", "\u2014": "-", "\u2015": "-", "\u2212": "-",
    "\u2044": "/",
    "\u00DF": "ss", "\u00E6": "ae", "\u0153": "oe", "\u00F8": "o", "\u0142": "l", "\u0111": "d",
    "\u00F0": "d", "\u00FE": "th", "\u0131": "i", "\u0127": "h", "\u0167": "t",
}

# The marks the font draws on a letter: (letter, combining mark) -> the glyph's byte.
MARKED = {("a", "\u0308"): "\xE4", ("a", "\u030A"): "\xE5", ("o", "\u0308"): "\xF6"}


def glyph_bytes():
    """The characters of the font, as assets/glyph_table.cpp lists them."""
    with open(GLYPH_TABLE, encoding="ascii") as f:
        found = re.findall(r"^\s*glyph\('(\\x[0-9A-Fa-f]{2}|\\.|.)',", f.read(), re.M)
    glyphs = set()
    for literal in found:
        glyphs.add(chr(int(literal[2:], 16)) if literal.startswith("\\x") else literal[-1])
    if len(glyphs) != 60:
        sys.exit("%s: %d glyphs found, not 60" % (GLYPH_TABLE, len(glyphs)))
    return glyphs


def dropped(c):
    """Combining marks and invisible format characters: nothing to draw, nothing to report."""
    return unicodedata.category(c) in ("Mn", "Me", "Cf")


def fold(c, glyphs):
    """The font's bytes for c, or None when some part of it has no glyph."""
    if c in SPECIAL:
        return SPECIAL[c]
    if unicodedata.category(c) == "Zs":
        return " "
    small = c.lower()
    if small != c and len(small) == 1:
        return fold(small, glyphs)
    parts = unicodedata.normalize("NFKD", c)
    if parts == c:
        if dropped(c):
            return ""
        return c if c in glyphs else None
    out = ""
    previous = None  # the part before, when it was not a mark
    for part in parts:
        if dropped(part):
            if previous is not None and (out[-1:], part) in MARKED:
                out = out[:-1] + MARKED[(out[-1], part)]
            previous = None
            continue
        folded = fold(part, glyphs)
        if folded is None:
            return None
        out += folded
        previous = part
    # a space with marks (diaeresis, acute accent, macron, ...) is a mark on its own: no glyph
    if out.strip(" ") == "" and out != "":
        return None
    return out


def table(glyphs):
    """(code point, bytes) of every character in RANGES that folds to glyphs, spaces or nothing."""
    rows = []
    for low, high in RANGES:
        for code in range(low, high + 1):
            folded = fold(chr(code), glyphs)
            if folded is not None:
                rows.append((code, folded))
    return sorted(rows)


def c_chars(text):
    """text as the initialiser of a char array: quoted characters, ISO 8859-1 ones as escapes."""
    chars = []
    for c in text:
        if c in "'\\":
            chars.append("'\\%s'" % c)
        elif " " <= c <= "~":
            chars.append("'%s'" % c)
        else:
            chars.append("'\\x%02X'" % ord(c))
    return "{ %s }" % ", ".join(chars) if chars else "{}"


def c_source(rows):
    longest = max(len(folded) for _, folded in rows)
    lines = []
    for code, folded in rows:
        name = unicodedata.name(chr(code), "").lower() or "control %04X" % code
        lines.append("    { 0x%05X, %-26s },  // %s" % (code, c_chars(folded), name))
    return ("// generated by tools/make_fold_table.py -- do not edit\n"
            "// Every character a sender's text can hold that has glyphs, spaces or nothing to show, in code\n"
            "// point order, with the bytes it becomes; from the decompositions of Unicode %s.\n"
            '#include "greeting.h"\n\n'
            "// clang-format off\n"
            "extern const GreetingFold greeting_fold_table[] = {\n"
            "    // code  bytes\n"
            "%s\n"
            "};\n"
            "// clang-format on\n"
            "extern const int greeting_fold_count = %d;\n"
            "static_assert(sizeof greeting_fold_table / sizeof greeting_fold_table[0] == %d, \"one row a character\");\n"
            "static_assert(GREETING_FOLD_BYTES >= %d, \"the longest folding fits\");\n"
            % (unicodedata.unidata_version, "\n".join(lines), len(rows), len(rows), longest))


def main():
    source = c_source(table(glyph_bytes())).encode("ascii")
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        with open(sys.argv[2], "rb") as f:
            committed = f.read()
        if committed != source:
            sys.exit("%s differs from the generated one (Unicode %s here)" % (sys.argv[2], unicodedata.unidata_version))
        print("%s: the generator reproduces all %d bytes" % (sys.argv[2], len(source)))
        return
    with open(sys.argv[1] if len(sys.argv) > 1 else SOURCE, "wb") as f:
        f.write(source)


if __name__ == "__main__":
    main()
