// The greeting rule on worked examples: what a sender's characters become, what shows as a gap, and
// which texts are refused and why.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "assets.h"
#include "greeting.h"

namespace
{

Greeting fold(const std::string& utf8) { return greeting_fold(utf8.data(), utf8.size()); }

// The bytes between the 14 opening and 8 closing spaces of a greeting that was not refused.
std::string inner(const std::string& utf8)
{
    const Greeting greeting = fold(utf8);
    EXPECT_TRUE(greeting.ok) << utf8 << ": " << greeting.message;
    EXPECT_EQ(greeting.bytes.substr(0, 14), std::string(14, ' '));
    EXPECT_EQ(greeting.bytes.substr(greeting.bytes.size() - 8), std::string(8, ' '));
    return greeting.bytes.size() < 22 ? std::string() : greeting.bytes.substr(14, greeting.bytes.size() - 22);
}

// ISO 8859-1 text as UTF-8.
std::string utf8_of(const char* latin1)
{
    std::string out;
    for (const char* c = latin1; *c != '\0'; c++) {
        const unsigned char byte = (unsigned char)*c;
        if (byte < 0x80) {
            out += (char)byte;
        } else {
            out += (char)(0xC0 | byte >> 6);
            out += (char)(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

TEST(Greeting, CapitalsAndMarksBecomeTheFontsSmallLetters)
{
    EXPECT_EQ(inner("Hello World"), "hello world");
    // ä, å, ö keep their glyphs, precomposed or as a letter and a combining mark
    EXPECT_EQ(inner("\xC3\x84\xC3\x85\xC3\x96 \xC3\xA4\xC3\xA5\xC3\xB6 a\xCC\x88" "A\xCC\x8A" "O\xCC\x88"),
        "\xE4\xE5\xF6 \xE4\xE5\xF6 \xE4\xE5\xF6");
    // é ü ñ ç Ł ő, ǟ (a diaeresis macron keeps its dots), a combining acute dropped
    EXPECT_EQ(inner("\xC3\xA9\xC3\xBC\xC3\xB1\xC3\xA7\xC5\x81\xC5\x91 \xC7\x9F e\xCC\x81"), "eunclo \xE4 e");
    // ß and capital ẞ, Æ, œ, ø, þ, ı, İ; the ligature ﬁ, fullwidth Ａ, mathematical bold 𝐁, ™
    EXPECT_EQ(inner("\xC3\x9F\xE1\xBA\x9E \xC3\x86\xC5\x93\xC3\xB8\xC3\xBE\xC4\xB1\xC4\xB0 \xEF\xAC\x81\xEF\xBC\xA1"
                    "\xF0\x9D\x90\x81\xE2\x84\xA2"),
        "ssss aeoeothii fiabtm");
}

TEST(Greeting, QuotesDashesEllipsisAndLineBreaksBecomeTheFontsOwn)
{
    // ‘’ “” „ « » – — … and the minus sign
    EXPECT_EQ(inner("\xE2\x80\x98q\xE2\x80\x99 \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x9E\xC2\xABq\xC2\xBB "
                    "a\xE2\x80\x93" "b\xE2\x80\x94" "c\xE2\x80\xA6 \xE2\x88\x92" "1"),
        "'q' \"q\" \"\"q\" a-b-c... -1");
    // one space each: LF, CR LF, CR, tab, no-break space; invisible joiners and a byte order mark go
    EXPECT_EQ(inner("\xEF\xBB\xBF" "a\nb\r\nc\rd\te\xC2\xA0" "f\xE2\x80\x8Dg\xC2\xAD" "h"), "a b c d e fgh");
    // the spaces at the ends go, whatever they were typed as, and the frame comes in their place
    EXPECT_EQ(fold(" \t\r\n hi \n\n").bytes, std::string(14, ' ') + "hi" + std::string(8, ' '));
}

TEST(Greeting, CharactersWithoutAGlyphAreGapsAndListed)
{
    // 😀 twice, the Chinese 中, € and the control character BEL: no glyph list; < and £ keep their byte
    const Greeting greeting = fold("hi \xF0\x9F\x98\x80\xE4\xB8\xAD<\xF0\x9F\x98\x80\xE2\x82\xAC\xC2\xA3\a!");
    ASSERT_TRUE(greeting.ok) << greeting.message;
    EXPECT_EQ(greeting.bytes.substr(14), std::string("hi \x1A\x1A<\x1A\x1A\xA3\x1A!") + std::string(8, ' '));
    ASSERT_EQ(greeting.gaps.size(), 6u);
    const uint32_t code_points[] = { 0x1F600, 0x4E2D, '<', 0x20AC, 0xA3, 0x07 };
    const int counts[] = { 2, 1, 1, 1, 1, 1 };
    for (size_t i = 0; i < 6; i++) {
        EXPECT_EQ(greeting.gaps[i].code_point, code_points[i]) << i;
        EXPECT_EQ(greeting.gaps[i].count, counts[i]) << i;
    }
    EXPECT_EQ(greeting_gap_note(greeting),
        "7 characters are not in the font and will show as gaps: U+1F600 (2 times), U+4E2D, U+003C, U+20AC, "
        "U+00A3, U+0007.");
    EXPECT_EQ(greeting_gap_note(fold("ok")), "");
    // a NUL in the text is a gap too, never the end of the scroller's bytes
    EXPECT_EQ(fold(std::string("a\0b", 3)).bytes.substr(14, 3), "a\x1A" "b");
}

TEST(Greeting, RefusalsSayWhy)
{
    // a lone continuation byte, an ISO 8859-1 ä, a cut sequence, an overlong slash, a surrogate
    const struct {
        std::string text;
        size_t offset;
    } broken[] = {
        { "ab\x80", 2 }, { "hyv\xE4\xE4", 3 }, { "ok \xE2\x82", 3 }, { "\xC0\xAF", 0 }, { "x\xED\xA0\x80", 1 },
        { "\xF4\x90\x80\x80", 0 },
    };
    for (const auto& text : broken) {
        const Greeting greeting = fold(text.text);
        EXPECT_FALSE(greeting.ok);
        EXPECT_EQ(greeting.bytes, "");
        EXPECT_EQ(greeting.message,
            "The text is not valid UTF-8: the bytes at offset " + std::to_string(text.offset)
                + " (counting from 0) are not a character.");
    }
    for (const char* empty : { "", "   ", "\n\t \xE2\x80\x8D" }) {
        EXPECT_FALSE(fold(empty).ok);
        EXPECT_EQ(fold(empty).message, "The text is empty: it holds nothing but spaces.");
    }
    const Greeting glyphless = fold(" \xF0\x9F\x8E\x84 \xE4\xB8\xAD ");
    EXPECT_FALSE(glyphless.ok);
    EXPECT_EQ(glyphless.bytes, "");
    EXPECT_EQ(glyphless.message,
        "None of the text's characters is in the font, so the greeting would show nothing but gaps.");
    EXPECT_EQ(glyphless.gaps.size(), 2u);

    // the limit counts characters as typed: 4,000 ß (8,000 bytes, 8,000 letters) pass, one more does not
    std::string long_text;
    for (int i = 0; i < GREETING_LIMIT; i++)
        long_text += "\xC3\x9F";
    EXPECT_TRUE(fold(long_text).ok);
    EXPECT_EQ(fold(long_text).bytes.size(), 14u + 8000u + 8u);
    EXPECT_FALSE(fold(long_text + "a").ok);
    EXPECT_EQ(fold(long_text + "a").message, "The text is longer than 4000 characters, the most a greeting holds.");
    // a reader that stops after GREETING_READ_BYTES gets the same answer for a longer text
    const std::string wide(GREETING_READ_BYTES + 100, 'x');
    EXPECT_EQ(greeting_fold(wide.data(), GREETING_READ_BYTES).message, fold(wide).message);
}

TEST(Greeting, TheIntrosOwnTextTrimmedAndFramedIsItsOwnBytes)
{
    const std::string shipped = scroll_text;
    ASSERT_EQ(shipped.size(), 3061u);
    const std::string words = shipped.substr(14, shipped.size() - 22);
    ASSERT_NE(words.front(), ' ');
    ASSERT_NE(words.back(), ' ');
    const Greeting greeting = fold(utf8_of(words.c_str()));
    ASSERT_TRUE(greeting.ok) << greeting.message;
    EXPECT_TRUE(greeting.bytes == shipped);
    EXPECT_TRUE(greeting.gaps.empty());
}

TEST(Greeting, TheFoldTableIsInOrderAndHoldsOnlyTheFontsBytes)
{
    std::string font = " ";
    for (const GlyphEntry& entry : glyph_table)
        font += entry.character;
    for (int i = 0; i < greeting_fold_count; i++) {
        const GreetingFold& row = greeting_fold_table[i];
        if (i > 0) {
            EXPECT_LT(greeting_fold_table[i - 1].code_point, row.code_point);
        }
        for (const char byte : row.bytes)
            EXPECT_TRUE(byte == '\0' || font.find(byte) != std::string::npos) << std::hex << row.code_point;
    }
}

} // namespace
