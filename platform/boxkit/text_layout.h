// Text layout for the dialogs: turning a caller's bytes into cells that are
// safe to draw, measuring them, and wrapping them to a width. Everything here
// is a pure function of its arguments (the display width of a character comes
// from wcwidth, so of the locale that the caller has set); nothing touches
// the terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace boxkit {

// Attribute bits carried by a glyph, set by the markup \Zb and \Zu.
inline constexpr uint8_t glyph_bold = 1;
inline constexpr uint8_t glyph_underline = 2;

// One drawable character. `width` is its display width in columns: 1 or 2
// for a character of its own, 0 for a combining mark that belongs with the
// glyph before it and for the line break ('\n', multi-line texts only).
struct glyph {
    char32_t cp;
    uint8_t width;
    uint8_t attrs;
};

// How to read a text.
struct text_style {
    bool utf8;      // the locale encodes UTF-8; otherwise every non-ASCII character is '?'
    bool markup;    // interpret \Zb, \Zu, \Zn; otherwise they are drawn as they stand
    bool multiline; // '\n' breaks the line; otherwise it is drawn visibly as ^J
};

// The character drawn in place of an undecodable or undrawable one.
char32_t replacement_char(bool utf8);

// Decodes `text` into glyphs. Control characters become visible (^[ for ESC,
// ^? for DEL, M-^[ for the C1 control 0x9b), a tab becomes blanks up to the
// next multiple of 8 columns of its line, invalid UTF-8 becomes the
// replacement character, and nothing that reaches the result is a control
// character except the line break of a multi-line text.
std::vector<glyph> decode_text(std::string_view text, text_style style);

// Display width of `text` read as one line (the sum of its glyphs' widths),
// computed without building the glyphs.
uint64_t text_width(std::string_view text, text_style style);

// A line of wrapped text: glyphs [begin, end) of the decoded text.
struct line_span {
    size_t begin;
    size_t end;
    unsigned width;
};

// Wraps decoded glyphs to `width` columns: at line breaks, and at blanks where
// a line would be too long; a word longer than the width is cut between
// characters. The blanks at a wrap point are dropped. Every line's width is at
// most `width`, except that a lone wide character is kept on a line of its own
// when `width` is 1 (the drawing clips it). `width` 0 is taken as 1. An empty
// text gives no lines; a text ending in a line break ends with an empty line.
std::vector<line_span> wrap_glyphs(const std::vector<glyph> &glyphs, unsigned width);

// Width of the widest line of decoded glyphs when broken only at line breaks.
uint64_t natural_width(const std::vector<glyph> &glyphs);

// How many glyphs from `begin` (up to `end`) fit into `columns` columns,
// combining marks included with their base. Returns the end index; `*used`
// receives the columns taken.
size_t fit_glyphs(const std::vector<glyph> &glyphs, size_t begin, size_t end, uint64_t columns,
                  uint64_t *used);

} // namespace boxkit
