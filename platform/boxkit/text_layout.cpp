#include "platform/boxkit/text_layout.h"

#include <cwchar>

namespace boxkit {

namespace {

constexpr char32_t invalid_cp = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at `s[i]`. Returns the code point and advances
// `i`; an invalid sequence (bad lead, truncated, overlong, surrogate, beyond
// U+10FFFF) consumes one byte and yields invalid_cp.
char32_t next_code_point(std::string_view s, size_t &i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return invalid_cp;
    }
    if (s.size() - i < static_cast<size_t>(len)) {
        ++i;
        return invalid_cp;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return invalid_cp;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return invalid_cp;
    }
    i += len;
    return cp;
}

// Directional formatting characters: invisible, yet able to reorder what a
// terminal shows around them. They are dropped.
bool is_bidi_control(char32_t cp) {
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

// Walks `text` and hands every glyph to `emit`, in order. This is the one
// place that decides what a byte becomes on the screen.
template <typename Emit> void for_each_glyph(std::string_view text, text_style style, Emit emit) {
    const char32_t replacement = replacement_char(style.utf8);
    uint8_t attrs = 0;
    uint64_t column = 0;    // columns since the start of the line, for tab stops
    bool have_base = false; // a glyph of nonzero width precedes on this line
    auto put = [&](char32_t cp, uint8_t width) {
        emit(glyph{cp, width, attrs});
        column += width;
        have_base = true;
    };
    auto put_ascii = [&](std::string_view s) {
        for (char c : s)
            put(static_cast<unsigned char>(c), 1);
    };
    size_t i = 0;
    while (i < text.size()) {
        if (style.markup && text[i] == '\\' && i + 2 < text.size() && text[i + 1] == 'Z') {
            const char code = text[i + 2];
            if (code == 'b' || code == 'u' || code == 'n') {
                if (code == 'b')
                    attrs |= glyph_bold;
                else if (code == 'u')
                    attrs |= glyph_underline;
                else
                    attrs = 0;
                i += 3;
                continue;
            }
        }
        const char32_t cp = next_code_point(text, i);
        if (cp == invalid_cp) {
            put(replacement, 1);
        } else if (cp == '\n' && style.multiline) {
            emit(glyph{'\n', 0, attrs});
            column = 0;
            have_base = false;
        } else if (cp == '\t') {
            const uint64_t blanks = 8 - column % 8;
            for (uint64_t k = 0; k < blanks; ++k)
                put(' ', 1);
        } else if (cp < 0x20) {
            put('^', 1);
            put(cp + 0x40, 1);
        } else if (cp == 0x7F) {
            put_ascii("^?");
        } else if (cp < 0x80) {
            put(cp, 1);
        } else if (cp < 0xA0) {
            // C1 controls, such as the one-byte CSI 0x9b, in the form cat -v uses.
            put_ascii("M-^");
            put(cp - 0x80 + 0x40, 1);
        } else if (!style.utf8) {
            put(replacement, 1);
        } else if (is_bidi_control(cp)) {
            // dropped
        } else {
            const int w = wcwidth(static_cast<wchar_t>(cp));
            if (w < 0) {
                put(replacement, 1);
            } else if (w == 0) {
                // A combining mark goes with the character before it; with none
                // before it on the line there is nothing to combine with.
                if (have_base)
                    emit(glyph{cp, 0, attrs});
            } else {
                put(cp, static_cast<uint8_t>(w > 2 ? 2 : w));
            }
        }
    }
}

} // namespace

char32_t replacement_char(bool utf8) {
    return utf8 ? 0xFFFD : '?';
}

std::vector<glyph> decode_text(std::string_view text, text_style style) {
    std::vector<glyph> out;
    out.reserve(text.size());
    for_each_glyph(text, style, [&](const glyph &g) { out.push_back(g); });
    return out;
}

uint64_t text_width(std::string_view text, text_style style) {
    style.multiline = false;
    // Plain printable ASCII is by far the common case: one column per byte.
    bool plain = true;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F || (style.markup && c == '\\')) {
            plain = false;
            break;
        }
    }
    if (plain)
        return text.size();
    uint64_t width = 0;
    for_each_glyph(text, style, [&](const glyph &g) { width += g.width; });
    return width;
}

std::vector<line_span> wrap_glyphs(const std::vector<glyph> &glyphs, unsigned width) {
    if (width == 0)
        width = 1;
    std::vector<line_span> lines;
    const size_t n = glyphs.size();
    size_t start = 0;
    while (start < n) {
        size_t para_end = start;
        while (para_end < n && glyphs[para_end].cp != '\n')
            ++para_end;
        if (para_end == start)
            lines.push_back({start, start, 0});
        size_t i = start;
        while (i < para_end) {
            uint64_t col = 0;
            size_t j = i;
            size_t break_at = 0;
            uint64_t break_col = 0;
            bool have_break = false;
            while (j < para_end) {
                const glyph &g = glyphs[j];
                if (col + g.width > width)
                    break;
                if (g.cp == ' ' && j > i) {
                    break_at = j;
                    break_col = col;
                    have_break = true;
                }
                col += g.width;
                ++j;
            }
            size_t line_end;
            size_t next;
            if (j == para_end) {
                line_end = para_end;
                next = para_end;
            } else if (glyphs[j].cp == ' ') {
                line_end = j;
                next = j;
            } else if (have_break) {
                line_end = break_at;
                col = break_col;
                next = break_at;
            } else if (j == i) {
                // A wide character on a line narrower than itself: alone on its line.
                col = glyphs[j].width;
                ++j;
                while (j < para_end && glyphs[j].width == 0)
                    ++j;
                line_end = j;
                next = j;
            } else {
                line_end = j;
                next = j;
            }
            while (line_end > i && glyphs[line_end - 1].cp == ' ') {
                --line_end;
                --col;
            }
            lines.push_back({i, line_end, static_cast<unsigned>(col)});
            i = next;
            while (i < para_end && glyphs[i].cp == ' ')
                ++i;
        }
        if (para_end == n)
            break;
        start = para_end + 1;
        if (start == n)
            lines.push_back({start, start, 0});
    }
    return lines;
}

uint64_t natural_width(const std::vector<glyph> &glyphs) {
    uint64_t widest = 0;
    uint64_t line = 0;
    for (const glyph &g : glyphs) {
        if (g.cp == '\n') {
            line = 0;
            continue;
        }
        line += g.width;
        if (line > widest)
            widest = line;
    }
    return widest;
}

size_t fit_glyphs(const std::vector<glyph> &glyphs, size_t begin, size_t end, uint64_t columns,
                  uint64_t *used) {
    uint64_t col = 0;
    size_t i = begin;
    if (end > glyphs.size())
        end = glyphs.size();
    while (i < end && glyphs[i].cp != '\n' && col + glyphs[i].width <= columns) {
        col += glyphs[i].width;
        ++i;
    }
    // A combining mark never starts what did not fit.
    while (i < end && glyphs[i].width == 0 && glyphs[i].cp != '\n')
        ++i;
    if (used)
        *used = col;
    return i;
}

} // namespace boxkit
