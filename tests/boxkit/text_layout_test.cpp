// Decoding, measuring and wrapping of dialog texts, without a terminal.
#include "platform/boxkit/text_layout.h"

#include <clocale>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "platform/boxkit/field_editor.h"

namespace boxkit {
namespace {

// The layout reads character widths from the locale; these tests use UTF-8.
class TextLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
            GTEST_SKIP() << "no C.UTF-8 locale";
    }
};

// Glyphs back to text, with '|' between wrapped lines where asked.
std::string render(const std::vector<glyph> &glyphs, size_t begin, size_t end) {
    std::string out;
    for (size_t i = begin; i < end; ++i)
        out += glyphs[i].cp == '\n' ? std::string("\n") : encode_utf8(glyphs[i].cp);
    return out;
}

std::string render(const std::vector<glyph> &glyphs) {
    return render(glyphs, 0, glyphs.size());
}

std::string wrapped(std::string_view text, unsigned width) {
    const std::vector<glyph> glyphs = decode_text(text, {true, false, true});
    std::string out;
    bool first = true;
    for (const line_span &line : wrap_glyphs(glyphs, width)) {
        if (!first)
            out += '|';
        first = false;
        out += render(glyphs, line.begin, line.end);
    }
    return out;
}

constexpr text_style utf8_line{true, false, false};
constexpr text_style ascii_line{false, false, false};

TEST_F(TextLayout, NothingDrawnIsAControlCharacter) {
    struct {
        const char *text;
        text_style style;
        const char *shown;
    } const cases[] = {
        {"a\x1b[31mb", utf8_line, "a^[[31mb"},
        {"\x1b]0;title\x07", utf8_line, "^[]0;title^G"},
        {"del\x7f", utf8_line, "del^?"},
        {"nul\x01", utf8_line, "nul^A"},
        {"\xc2\x9b"
         "2J",
         utf8_line, "M-^[2J"}, // C1 CSI, validly encoded
        {"\x9b"
         "2J",
         utf8_line,
         "\xef\xbf\xbd"
         "2J"}, // a lone byte 0x9b is invalid UTF-8
        {"\x9b"
         "2J",
         ascii_line, "?2J"},
        {"a\nb", utf8_line, "a^Jb"},
        {"a\rb", utf8_line, "a^Mb"},
        {"ab\tc", utf8_line, "ab      c"},
        {"\xe2\x80\xae"
         "evil",
         utf8_line, "evil"}, // right-to-left override dropped
    };
    for (const auto &c : cases) {
        const std::vector<glyph> glyphs = decode_text(c.text, c.style);
        EXPECT_EQ(render(glyphs), c.shown) << c.text;
        for (const glyph &g : glyphs)
            EXPECT_TRUE(g.cp >= 0x20 && g.cp != 0x7F && !(g.cp >= 0x80 && g.cp < 0xA0)) << c.text;
    }
}

TEST_F(TextLayout, InvalidUtf8BecomesReplacementCharacters) {
    const std::string fffd = "\xef\xbf\xbd";
    struct {
        const char *text;
        std::string utf8;
        std::string ascii;
    } const cases[] = {
        {"\xff", fffd, "?"},
        {"\xc0\xaf", fffd + fffd, "??"},                         // overlong '/'
        {"\xed\xa0\x80", fffd + fffd + fffd, "???"},             // surrogate
        {"\xe6\x97", fffd + fffd, "??"},                         // truncated
        {"\xf4\x90\x80\x80", fffd + fffd + fffd + fffd, "????"}, // beyond U+10FFFF
        {"h\xc3\xa9", "h\xc3\xa9", "h?"}, // valid, shown as one '?' without UTF-8
    };
    for (const auto &c : cases) {
        EXPECT_EQ(render(decode_text(c.text, utf8_line)), c.utf8) << c.text;
        EXPECT_EQ(render(decode_text(c.text, ascii_line)), c.ascii) << c.text;
    }
}

TEST_F(TextLayout, MarkupSetsAttributesOnlyWhenOn) {
    const std::vector<glyph> on = decode_text("a\\Zbb\\Zuc\\Znd\\Zqe", {true, true, false});
    EXPECT_EQ(render(on), "abcd\\Zqe"); // unknown codes stay
    EXPECT_EQ(on[0].attrs, 0);
    EXPECT_EQ(on[1].attrs, glyph_bold);
    EXPECT_EQ(on[2].attrs, glyph_bold | glyph_underline);
    EXPECT_EQ(on[3].attrs, 0);

    const std::vector<glyph> off = decode_text("a\\Zbb", {true, false, false});
    EXPECT_EQ(render(off), "a\\Zbb");
    EXPECT_EQ(decode_text("\\Z", {true, true, false}).size(), 2u); // cut short: literal
}

TEST_F(TextLayout, WidthsFollowTheCharacters) {
    struct {
        const char *text;
        uint64_t width;
    } const cases[] = {
        {"", 0},          {"plain", 5}, {"\xe6\x97\xa5\xe6\x9c\xac", 4}, // two wide characters
        {"e\xcc\x81", 1},                                                // e + combining acute
        {"\xcc\x81x", 1}, // combining mark with no base: dropped
        {"\x1b", 2},      {"\t", 8},    {"a\\Zbb", 5},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(text_width(c.text, utf8_line), c.width) << c.text;
        uint64_t sum = 0;
        for (const glyph &g : decode_text(c.text, utf8_line))
            sum += g.width;
        EXPECT_EQ(sum, c.width) << c.text;
    }
    EXPECT_EQ(text_width("a\\Zbb", {true, true, false}), 2u);
}

TEST_F(TextLayout, WrapsAtBlanksAndCutsLongWords) {
    struct {
        const char *text;
        unsigned width;
        const char *lines;
    } const cases[] = {
        {"hello world", 11, "hello world"},
        {"hello world", 5, "hello|world"},
        {"hello world", 8, "hello|world"},
        {"a   b", 2, "a|b"},
        {"abcdefgh", 3, "abc|def|gh"},
        {"one two three four", 9, "one two|three|four"},
        {"a\n\nb", 10, "a||b"},
        {"a\n", 10, "a|"},
        {"  indented", 20, "  indented"},
        {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 3, "\xe6\x97\xa5|\xe6\x9c\xac|\xe8\xaa\x9e"},
        {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 4, "\xe6\x97\xa5\xe6\x9c\xac|\xe8\xaa\x9e"},
        {"\xe6\x97\xa5x", 1, "\xe6\x97\xa5|x"}, // a wide character alone on a too-narrow line
        {"ab", 0, "a|b"},                       // width 0 taken as 1
    };
    for (const auto &c : cases)
        EXPECT_EQ(wrapped(c.text, c.width), c.lines) << c.text << " @" << c.width;
    EXPECT_TRUE(wrap_glyphs({}, 10).empty());
}

// Whatever the text and width, lines stay within the width (but for a lone
// wide character at width 1) and keep every non-blank glyph, in order.
TEST_F(TextLayout, WrappingKeepsEveryCharacterWithinTheWidth) {
    const char *pieces[] = {"a",  " ",    "  ",   "\n",   "\xe6\x97\xa5", "e\xcc\x81",
                            "\t", "\x1b", "\xff", "word", "longerword"};
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int n = static_cast<int>(random() % 30);
        for (int k = 0; k < n; ++k)
            text += pieces[random() % std::size(pieces)];
        const unsigned width = random() % 12;
        const std::vector<glyph> glyphs = decode_text(text, {true, false, true});
        std::string kept;
        for (const line_span &line : wrap_glyphs(glyphs, width)) {
            uint64_t w = 0;
            for (size_t i = line.begin; i < line.end; ++i) {
                w += glyphs[i].width;
                if (glyphs[i].cp != ' ')
                    kept += encode_utf8(glyphs[i].cp);
            }
            EXPECT_EQ(w, line.width);
            const bool lone_wide =
                line.end - line.begin >= 1 && glyphs[line.begin].width == 2 && w == 2 && width <= 1;
            EXPECT_TRUE(w <= std::max(width, 1u) || lone_wide) << text << " @" << width;
        }
        std::string all;
        for (const glyph &g : glyphs)
            if (g.cp != ' ' && g.cp != '\n')
                all += encode_utf8(g.cp);
        ASSERT_EQ(kept, all) << text << " @" << width;
    }
}

TEST_F(TextLayout, FittingNeverSplitsAWideCharacterOrAMark) {
    const std::vector<glyph> glyphs = decode_text("a\xe6\x97\xa5"
                                                  "e\xcc\x81z",
                                                  utf8_line);
    uint64_t used = 0;
    EXPECT_EQ(fit_glyphs(glyphs, 0, glyphs.size(), 2, &used), 1u);
    EXPECT_EQ(used, 1u);
    EXPECT_EQ(fit_glyphs(glyphs, 0, glyphs.size(), 4, &used), 4u); // a, wide, e + mark
    EXPECT_EQ(used, 4u);
    EXPECT_EQ(natural_width(decode_text("ab\nabcd\n", {true, false, true})), 4u);
}

} // namespace
} // namespace boxkit
