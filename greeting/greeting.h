// The greeting: a sender's own text made into the bytes the scroller takes, by one rule that every
// program (the browser page, the capture program) calls alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most characters a sender's text may hold, counted as typed (one Unicode code point each, so ß
// counts once though it becomes "ss"): room for the intro's own 3,039 and a third more.
constexpr int GREETING_LIMIT = 4000;
// The spaces put around a text, as around the intro's own: the screen starts empty, and a gap marks
// where the text starts again.
constexpr int GREETING_OPENING_SPACES = 14;
constexpr int GREETING_CLOSING_SPACES = 8;
// A reader of a text may stop after this many bytes: within them greeting_fold either finds the text
// broken or counts more than GREETING_LIMIT characters, and refuses it the same either way.
constexpr size_t GREETING_READ_BYTES = 4 * (GREETING_LIMIT + 1);

// What a character the font has no glyph for becomes. A printable ISO 8859-1 character (<, ~, £, ¿,
// ...) keeps its own byte; every other one (emoji, other scripts, symbols, control characters) becomes
// GREETING_GAP_BYTE, ASCII's substitute character. Neither names a glyph list, so each shows as an
// empty place one letter wide, as a space does.
constexpr char GREETING_GAP_BYTE = '\x1A';

// A character with no glyph, and how many times the text holds it.
struct GreetingGap {
    uint32_t code_point;
    int count;
};

// A sender's text as the rule leaves it.
struct Greeting {
    bool ok; // false: refused, message says why
    std::string bytes; // the framed ISO 8859-1 bytes the scroller takes; empty when refused
    std::string message; // the refusal: one sentence a sender understands; empty when ok
    std::vector<GreetingGap> gaps; // the characters that show as gaps, in the order they first come
};

// Called with a sender's text, size bytes of UTF-8 (not NUL-terminated). The rule:
// - capitals become small letters (the font is lower case), letters with marks the font lacks their
//   letter (é -> e, ß -> ss, Æ -> ae, from Unicode's decompositions); ä, å and ö (and Ä, Å, Ö, and a
//   or o followed by a combining diaeresis or ring) keep their glyphs;
// - typographic quotes, dashes and the ellipsis become ' " - and ...; a line break (CR LF as one) or
//   a tab becomes one space, as does a space of any width; combining marks after a letter and
//   invisible characters (joiners, the soft hyphen, variation selectors, a byte order mark) go;
// - every other character shows as a gap (see GREETING_GAP_BYTE) and is listed in gaps.
// The spaces at the text's two ends are dropped and GREETING_OPENING_SPACES and
// GREETING_CLOSING_SPACES put around it. Refused: a text that is not UTF-8 (the message names the
// byte offset), one of more than GREETING_LIMIT characters, and one with no glyph to show at all.
Greeting greeting_fold(const char* utf8, size_t size);

// One sentence naming the characters of a greeting that show as gaps, as U+ numbers with their
// counts; empty when there are none. For a program that tells the sender on a terminal.
std::string greeting_gap_note(const Greeting& greeting);

// The fold table, written by tools/make_fold_table.py: every character in the blocks it covers that
// becomes glyphs, spaces or nothing, in code point order, with its bytes (NUL-padded; none for a
// character that goes). A character not in it has no glyph.
constexpr int GREETING_FOLD_BYTES = 4;
struct GreetingFold {
    uint32_t code_point;
    char bytes[GREETING_FOLD_BYTES];
};
extern const GreetingFold greeting_fold_table[];
extern const int greeting_fold_count;
