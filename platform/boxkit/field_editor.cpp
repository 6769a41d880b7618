#include "platform/boxkit/field_editor.h"

#include <algorithm>

namespace boxkit {

namespace {

// Length of the character that starts at s[i]: a whole valid UTF-8 sequence,
// or one byte.
size_t char_length(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len = 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        len = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        len = 3;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        len = 4;
    if (len == 1 || s.size() - i < len)
        return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    // Overlong forms and surrogates are single bytes too, as the decoder sees them.
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0) || (b0 == 0xF0 && b1 < 0x90) ||
        (b0 == 0xF4 && b1 >= 0x90))
        return 1;
    return len;
}

} // namespace

field_editor make_editor(std::string_view text, bool cursor_at_end, uint64_t limit) {
    field_editor e;
    for (size_t i = 0; i < text.size();) {
        const size_t len = char_length(text, i);
        e.chars.emplace_back(text.substr(i, len));
        i += len;
    }
    e.cursor = cursor_at_end ? e.chars.size() : 0;
    e.limit = limit;
    return e;
}

std::string editor_text(const field_editor &e) {
    std::string out;
    for (const std::string &c : e.chars)
        out += c;
    return out;
}

bool editor_insert(field_editor &e, std::string_view character) {
    if (character.empty() || (e.limit > 0 && e.chars.size() >= e.limit))
        return false;
    e.chars.insert(e.chars.begin() + static_cast<std::ptrdiff_t>(e.cursor), std::string(character));
    ++e.cursor;
    return true;
}

void editor_left(field_editor &e) {
    if (e.cursor > 0)
        --e.cursor;
}

void editor_right(field_editor &e) {
    if (e.cursor < e.chars.size())
        ++e.cursor;
}

void editor_home(field_editor &e) {
    e.cursor = 0;
}

void editor_end(field_editor &e) {
    e.cursor = e.chars.size();
}

void editor_backspace(field_editor &e) {
    if (e.cursor == 0)
        return;
    --e.cursor;
    e.chars.erase(e.chars.begin() + static_cast<std::ptrdiff_t>(e.cursor));
}

void editor_delete(field_editor &e) {
    if (e.cursor < e.chars.size())
        e.chars.erase(e.chars.begin() + static_cast<std::ptrdiff_t>(e.cursor));
}

unsigned char_width(std::string_view character, bool utf8) {
    if (character == "\t")
        return 1;
    return static_cast<unsigned>(text_width(character, {utf8, false, false}));
}

void editor_scroll(field_editor &e, unsigned width, bool utf8) {
    width = std::max(width, 1u);
    e.scroll = std::min(e.scroll, e.cursor);
    // The cursor's own cell takes a column too (one past the end of the text).
    auto span = [&] {
        uint64_t cols = e.cursor < e.chars.size() ? char_width(e.chars[e.cursor], utf8) : 1;
        for (size_t i = e.scroll; i < e.cursor; ++i) {
            cols += char_width(e.chars[i], utf8);
            if (cols > width)
                break;
        }
        return cols;
    };
    if (span() > width) {
        // Walk back from the cursor: the first character shown is the
        // leftmost one that still lets the cursor fit.
        uint64_t cols = e.cursor < e.chars.size() ? char_width(e.chars[e.cursor], utf8) : 1;
        size_t first = e.cursor;
        while (first > 0) {
            const uint64_t w = char_width(e.chars[first - 1], utf8);
            if (cols + w > width)
                break;
            cols += w;
            --first;
        }
        e.scroll = first;
    }
    // When the text from the first character shown to its end leaves room in
    // the field (the field has grown, or text at the end was deleted), the
    // characters before it come back into view.
    uint64_t tail = e.cursor == e.chars.size() ? 1 : 0;
    for (size_t i = e.scroll; i < e.chars.size() && tail <= width; ++i)
        tail += char_width(e.chars[i], utf8);
    while (e.scroll > 0 && tail + char_width(e.chars[e.scroll - 1], utf8) <= width) {
        tail += char_width(e.chars[e.scroll - 1], utf8);
        --e.scroll;
    }
}

std::string encode_utf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            return {};
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

} // namespace boxkit
