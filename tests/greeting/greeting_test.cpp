// The greeting rule on worked examples: what a sender's characters become, what shows as a gap, and
// which texts are refused and why.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "assets.h"
#include "greeting.h"

namespace
{

Greeting fold(const std::string& utf8) { return greeting_fold(utf8.data(), utf8.size()); }

// The bytes between a greeting's 14 opening and 8 closing spaces.
std::string inner(const std::string& utf8)
{
    const std::string bytes = fold(utf8).bytes;
    return bytes.size() < 22 ? "(refused)" : bytes.substr(14, bytes.size() - 22);
}

// ISO 8859-1 text as UTF-8.
std::string utf8_of(const std::string& latin1)
{
    std::string out;
    for (const unsigned char c : latin1)
        out += c < 0x80 ? std::string(1, (char)c)
                        : std::string { (char)(0xC0 | c >> 6), (char)(0x80 | (c & 0x3F)) };
    return out;
}

TEST(Greeting, CapitalsMarksQuotesDashesAndLineBreaksBecomeTheFontsOwn)
{
    EXPECT_EQ(inner("Hello World"), "hello world");
    // ä, å, ö keep their glyphs, precomposed or as a letter and a combining mark
    EXPECT_EQ(inner(u8"\u00C4\u00C5\u00D6 \u00E4\u00E5\u00F6 a\u0308A\u030AO\u0308"),
        "\xE4\xE5\xF6 \xE4\xE5\xF6 \xE4\xE5\xF6");
    // é ü ñ ç Ł ő, ǟ (a with diaeresis and macron keeps its dots), a combining acute dropped
    EXPECT_EQ(inner(u8"\u00E9\u00FC\u00F1\u00E7\u0141\u0151 \u01DF e\u0301"), "eunclo \xE4 e");
    // ß and capital ẞ, Æ œ ø þ ı İ; the ligature ﬁ, fullwidth Ａ, mathematical bold 𝐁, ™
    EXPECT_EQ(inner(u8"\u00DF\u1E9E \u00C6\u0153\u00F8\u00FE\u0131\u0130 \uFB01\uFF21\U0001D401\u2122"),
        "ssss aeoeothii fiabtm");
    // ‘’ “” „ « » – — … and the minus sign
    EXPECT_EQ(inner(u8"\u2018q\u2019 \u201Cq\u201D \u201E\u00ABq\u00BB a\u2013b\u2014c\u2026 \u22121"),
        "'q' \"q\" \"\"q\" a-b-c... -1");
    // one space each: LF, CR LF, CR, tab, no-break space; a byte order mark, a joiner, a soft hyphen go
    EXPECT_EQ(inner(u8"\uFEFFa\nb\r\nc\rd\te\u00A0f\u200Dg\u00ADh"), "a b c d e fgh");
    // the spaces at the ends go, whatever they were typed as, and the frame comes in their place
    EXPECT_EQ(fold(" \t\r\n hi \n\n").bytes, std::string(14, ' ') + "hi" + std::string(8, ' '));
}

TEST(Greeting, CharactersWithoutAGlyphAreGapsAndListed)
{
    // 😀 twice, the Chinese 中, € and the control character BEL: no glyph list; < and £ keep their byte
    const Greeting greeting = fold(u8"hi \U0001F600\u4E2D<\U0001F600\u20AC\u00A3\a!");
    ASSERT_TRUE(greeting.ok) << greeting.message;
    EXPECT_EQ(greeting.bytes.substr(14), "hi \x1A\x1A<\x1A\x1A\xA3\x1A!" + std::string(8, ' '));
    // the list, in the order of first sight, with the counts
    EXPECT_EQ(greeting_gap_note(greeting),
        "7 characters are not in the font and will show as gaps: U+1F600 (2 times), U+4E2D, U+003C, U+20AC, "
        "U+00A3, U+0007.");
    EXPECT_EQ(greeting_gap_note(fold("ok")), "");
    // a NUL in the text is a gap too, never the end of the scroller's bytes
    EXPECT_EQ(fold(std::string("a\0z", 3)).bytes.substr(14, 3), "a\x1Az");
}

TEST(Greeting, RefusalsSayWhy)
{
    // a lone continuation byte, an ISO 8859-1 ä, a cut sequence, an overlong slash, a surrogate
    const std::pair<std::string, size_t> broken[] = { { "ab\x80", 2 }, { "hyv\xE4\xE4", 3 },
        { "ok \xE2\x82", 3 }, { "\xC0\xAF", 0 }, { "x\xED\xA0\x80", 1 }, { "\xF4\x90\x80\x80", 0 } };
    for (const auto& [text, offset] : broken) {
        const Greeting greeting = fold(text);
        EXPECT_TRUE(!greeting.ok && greeting.bytes.empty());
        EXPECT_EQ(greeting.message,
            "The text is not valid UTF-8: the bytes at offset " + std::to_string(offset)
                + " (counting from 0) are not a character.");
    }
    for (const char* empty : { "", "   ", u8"\n\t \u200D" })
        EXPECT_EQ(fold(empty).message, "The text is empty: it holds nothing but spaces.") << fold(empty).ok;
    const Greeting glyphless = fold(u8" \U0001F384 \u4E2D ");
    EXPECT_TRUE(!glyphless.ok && glyphless.bytes.empty());
    EXPECT_EQ(glyphless.message,
        "None of the text's characters is in the font, so the greeting would show nothing but gaps.");

    // the limit counts characters as typed: 4,000 ß (8,000 bytes, 8,000 letters) pass, one more does not
    std::string long_text;
    while (long_text.size() < 2 * GREETING_LIMIT)
        long_text += u8"\u00DF";
    EXPECT_EQ(fold(long_text).bytes.size(), 14u + 8000u + 8u);
    EXPECT_EQ(
        fold(long_text + "a").message, "The text is longer than 4000 characters, the most a greeting holds.");
    // a reader that stops after GREETING_READ_BYTES gets the same answer for a longer text
    const std::string wide(GREETING_READ_BYTES + 100, 'x');
    EXPECT_EQ(greeting_fold(wide.data(), GREETING_READ_BYTES).message, fold(wide).message);
}

TEST(Greeting, TheIntrosOwnTextTrimmedAndFramedIsItsOwnBytes)
{
    const std::string shipped = scroll_text;
    const std::string words = shipped.substr(14, shipped.size() - 22);
    EXPECT_TRUE(fold(utf8_of(words)).bytes == shipped);
}

} // namespace
