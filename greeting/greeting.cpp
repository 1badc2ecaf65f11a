// The greeting rule: a sender's UTF-8 text folded into the font's ISO 8859-1 bytes and framed.
#include "greeting.h"

#include <algorithm>
#include <cstdio>

// The one character the UTF-8 text holds at its start, decoded into *code_point; returns its length
// in bytes, or 0 when the bytes are not a character: a stray continuation byte, a sequence cut short,
// a longer form than needed, a UTF-16 surrogate or a number past U+10FFFF.
static size_t decode_utf8(const unsigned char* text, size_t size, uint32_t* code_point)
{
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t value = 0;
    uint32_t least = 0; // the smallest value that needs this length
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        least = 0x10000;
    } else {
        return 0;
    }
    if (size < length)
        return 0;
    for (size_t i = 1; i < length; i++) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (text[i] & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code_point = value;
    return length;
}

// The fold table's row for a code point, or null when the character has no glyph.
static const GreetingFold* find_fold(uint32_t code_point)
{
    const GreetingFold* end = greeting_fold_table + greeting_fold_count;
    const GreetingFold* row = std::lower_bound(greeting_fold_table, end, code_point,
        [](const GreetingFold& fold, uint32_t wanted) { return fold.code_point < wanted; });
    return row != end && row->code_point == code_point ? row : nullptr;
}

// The byte a character with no glyph is drawn as: its own when it is a printable ISO 8859-1 one.
static char gap_byte(uint32_t code_point)
{
    if ((code_point > 0x20 && code_point < 0x7F) || (code_point > 0xA0 && code_point <= 0xFF))
        return (char)(unsigned char)code_point;
    return GREETING_GAP_BYTE;
}

static void note_gap(std::vector<GreetingGap>* gaps, uint32_t code_point)
{
    for (GreetingGap& gap : *gaps) {
        if (gap.code_point == code_point) {
            gap.count++;
            return;
        }
    }
    gaps->push_back(GreetingGap { code_point, 1 });
}

static Greeting refused(std::string message, std::vector<GreetingGap> gaps = {})
{
    return Greeting { false, std::string(), std::move(message), std::move(gaps) };
}

static const uint32_t COMBINING_DIAERESIS = 0x0308;
static const uint32_t COMBINING_RING_ABOVE = 0x030A;

Greeting greeting_fold(const char* utf8, size_t size)
{
    const unsigned char* text = (const unsigned char*)utf8;
    std::string body;
    std::vector<GreetingGap> gaps;
    bool glyphs = false; // a byte with a glyph has come
    bool after_letter = false; // the last character became glyphs: a combining mark may sit on it
    uint32_t previous = 0;
    int characters = 0;
    for (size_t at = 0; at < size;) {
        uint32_t code_point = 0;
        const size_t length = decode_utf8(text + at, size - at, &code_point);
        if (length == 0) {
            char message[128];
            snprintf(message, sizeof message,
                "The text is not valid UTF-8: the bytes at offset %zu (counting from 0) are not a character.",
                at);
            return refused(message);
        }
        if (++characters > GREETING_LIMIT) {
            char message[128];
            snprintf(message, sizeof message,
                "The text is longer than %d characters, the most a greeting holds.", GREETING_LIMIT);
            return refused(message);
        }
        at += length;
        // CR LF is one line break, one space
        const bool second_half = code_point == '\n' && previous == '\r';
        previous = code_point;
        if (second_half)
            continue;

        const GreetingFold* fold = find_fold(code_point);
        if (fold == nullptr) {
            body += gap_byte(code_point);
            note_gap(&gaps, code_point);
            after_letter = false;
            continue;
        }
        size_t folded = 0;
        while (folded < GREETING_FOLD_BYTES && fold->bytes[folded] != '\0')
            folded++;
        if (folded == 0) {
            // a mark or an invisible character; a decomposed ä, å or ö keeps its glyph
            if (after_letter && !body.empty()) {
                char& last = body.back();
                if (code_point == COMBINING_DIAERESIS && last == 'a')
                    last = '\xE4';
                else if (code_point == COMBINING_DIAERESIS && last == 'o')
                    last = '\xF6';
                else if (code_point == COMBINING_RING_ABOVE && last == 'a')
                    last = '\xE5';
            }
            after_letter = false;
            continue;
        }
        body.append(fold->bytes, folded);
        after_letter = fold->bytes[folded - 1] != ' ';
        glyphs = glyphs || fold->bytes[0] != ' ';
    }

    const size_t first = body.find_first_not_of(' ');
    if (first == std::string::npos)
        return refused("The text is empty: it holds nothing but spaces.");
    if (!glyphs)
        return refused(
            "None of the text's characters is in the font, so the greeting would show nothing but gaps.",
            std::move(gaps));
    const size_t last = body.find_last_not_of(' ');
    Greeting greeting { true, std::string(), std::string(), std::move(gaps) };
    greeting.bytes.reserve(GREETING_OPENING_SPACES + (last + 1 - first) + GREETING_CLOSING_SPACES);
    greeting.bytes.append(GREETING_OPENING_SPACES, ' ');
    greeting.bytes.append(body, first, last + 1 - first);
    greeting.bytes.append(GREETING_CLOSING_SPACES, ' ');
    return greeting;
}

std::string greeting_gap_note(const Greeting& greeting)
{
    if (greeting.gaps.empty())
        return std::string();
    int total = 0;
    for (const GreetingGap& gap : greeting.gaps)
        total += gap.count;
    std::string note = std::to_string(total) + (total == 1 ? " character is" : " characters are")
        + " not in the font and will show as gaps:";
    for (size_t i = 0; i < greeting.gaps.size(); i++) {
        char item[48];
        const GreetingGap& gap = greeting.gaps[i];
        if (gap.count == 1)
            snprintf(item, sizeof item, " U+%04X", (unsigned)gap.code_point);
        else
            snprintf(item, sizeof item, " U+%04X (%d times)", (unsigned)gap.code_point, gap.count);
        note += item;
        note += i + 1 < greeting.gaps.size() ? "," : ".";
    }
    return note;
}
