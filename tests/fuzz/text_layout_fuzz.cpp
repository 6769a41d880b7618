// boxkit's text layout and menu columns on arbitrary bytes at arbitrary widths.
//
// Input: byte 0 gives the text style (bit 0 UTF-8, bit 1 markup, bit 2
// multi-line, bit 3 hidden descriptions, bit 4 left-aligned menu), byte 1 the
// wrap width, byte 2 the menu list width; the rest is the text. For the menu
// the text is also cut at '\x1f' into fields, three per row (prefix, name,
// description), the first byte of each name giving the row's depth.
//
// Invariants: no decoded glyph is a control character (the line break of a
// multi-line text aside), widths are 0 to 2, text_width agrees with the
// glyphs; wrapped lines are in order, never wider than the width (a lone wide
// character at width 1 aside), hold no line break, and what lies between them
// is only blanks and line breaks, so no glyph is lost; wrapping at the
// natural width breaks only at line breaks; a menu row that fits the list
// keeps its description inside it.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/menu_layout.h"
#include "platform/boxkit/text_layout.h"
#include "tests/fuzz/fuzz_check.h"

using boxkit::glyph;
using boxkit::line_span;
using fuzz::require;

namespace {

bool is_control(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
}

void check_glyphs(const std::vector<glyph> &glyphs, std::string_view text,
                  boxkit::text_style style) {
    uint64_t sum = 0;
    for (const glyph &g : glyphs) {
        require(g.width <= 2, "a glyph is at most two columns wide");
        if (g.cp == '\n') {
            require(style.multiline && g.width == 0, "a line break only in a multi-line text");
            continue;
        }
        require(!is_control(g.cp), "no control character reaches the screen");
        require(g.cp <= 0x10FFFF, "glyphs are code points");
        if (!style.utf8)
            require(g.cp < 0x80, "without UTF-8 every glyph is ASCII");
        sum += g.width;
    }
    boxkit::text_style one_line = style;
    one_line.multiline = false;
    uint64_t one_line_sum = 0;
    for (const glyph &g : boxkit::decode_text(text, one_line))
        one_line_sum += g.width;
    require(boxkit::text_width(text, style) == one_line_sum, "text_width agrees with the glyphs");
    if (!style.multiline)
        require(sum == one_line_sum, "a one-line text decodes the same either way");
}

size_t count_breaks(const std::vector<glyph> &glyphs) {
    size_t breaks = 0;
    for (const glyph &g : glyphs)
        breaks += g.cp == '\n';
    return breaks;
}

void check_wrap(const std::vector<glyph> &glyphs, unsigned width) {
    const std::vector<line_span> lines = boxkit::wrap_glyphs(glyphs, width);
    const unsigned limit = width == 0 ? 1 : width;
    if (glyphs.empty()) {
        require(lines.empty(), "an empty text gives no lines");
        return;
    }
    require(lines.size() >= count_breaks(glyphs) + 1, "every line break starts a line");
    size_t covered = 0; // glyphs before this index are placed or dropped
    for (const line_span &line : lines) {
        require(line.begin >= covered && line.begin <= line.end && line.end <= glyphs.size(),
                "lines are in order and inside the text");
        for (size_t i = covered; i < line.begin; ++i)
            require(glyphs[i].cp == ' ' || glyphs[i].cp == '\n',
                    "only blanks and line breaks fall between lines");
        uint64_t w = 0;
        for (size_t i = line.begin; i < line.end; ++i) {
            require(glyphs[i].cp != '\n', "a line holds no line break");
            w += glyphs[i].width;
        }
        require(w == line.width, "a line's width is its glyphs' widths");
        const bool lone_wide =
            limit == 1 && line.end > line.begin && glyphs[line.begin].width == 2 && w == 2;
        require(w <= limit || lone_wide, "no line is wider than the width");
        covered = line.end;
    }
    for (size_t i = covered; i < glyphs.size(); ++i)
        require(glyphs[i].cp == ' ' || glyphs[i].cp == '\n', "only blanks end the text unplaced");

    const uint64_t natural = boxkit::natural_width(glyphs);
    if (natural > 0 && natural <= 4096) {
        const auto at_natural = boxkit::wrap_glyphs(glyphs, static_cast<unsigned>(natural));
        require(at_natural.size() == count_breaks(glyphs) + 1,
                "at its natural width a text breaks only at line breaks");
    }
}

void check_fit(const std::vector<glyph> &glyphs, unsigned columns) {
    uint64_t used = 0;
    const size_t end = boxkit::fit_glyphs(glyphs, 0, glyphs.size(), columns, &used);
    require(end <= glyphs.size() && used <= columns, "fit_glyphs stays within its columns");
    uint64_t w = 0;
    for (size_t i = 0; i < end; ++i)
        w += glyphs[i].width;
    require(w == used, "fit_glyphs reports the columns of what it fits");
}

void check_menu(std::string_view text, boxkit::text_style style, bool hide_descriptions,
                bool align_left, uint64_t list_width) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t sep = text.find('\x1f', start);
        fields.emplace_back(text.substr(start, sep == std::string_view::npos ? sep : sep - start));
        if (sep == std::string_view::npos || fields.size() >= 3 * 64)
            break;
        start = sep + 1;
    }
    std::vector<boxkit_menuitem> items;
    for (size_t i = 0; i < fields.size(); i += 3) {
        const char *name = i + 1 < fields.size() ? fields[i + 1].c_str() : nullptr;
        const char *desc = i + 2 < fields.size() ? fields[i + 2].c_str() : nullptr;
        const uint32_t depth = name && name[0] ? static_cast<unsigned char>(name[0]) % 32 : 0;
        items.push_back(boxkit_menuitem{fields[i].c_str(), false, depth, name, desc, nullptr});
    }
    const boxkit::menu_columns cols =
        boxkit::measure_menu(items.data(), items.size(), style, hide_descriptions);
    require(cols.row_width >= cols.name_end, "a row is at least as wide as its names");
    for (const boxkit_menuitem &item : items) {
        auto width = [&](const char *t) { return t ? boxkit::text_width(t, style) : 0; };
        const uint64_t prefix = width(item.prefix);
        require(prefix <= cols.prefix_width, "the prefix column holds every prefix");
        require(item.depth + width(item.name) + (cols.prefix_width ? cols.prefix_width + 1 : 0) <=
                    cols.name_end,
                "every name ends by the name column's end");
        if (!hide_descriptions)
            require(width(item.description) <= cols.desc_width,
                    "the description column holds every description");
        const boxkit::row_columns row =
            boxkit::place_row(cols, item.depth, list_width, align_left, hide_descriptions);
        require(row.prefix_x >= item.depth && row.name_x >= row.prefix_x,
                "indentation, prefix, name, in that order");
        if (cols.row_width <= list_width) {
            require(row.name_x + width(item.name) <= row.desc_x || hide_descriptions ||
                        cols.desc_width == 0,
                    "a fitting row's name ends before its description");
            if (!hide_descriptions && cols.desc_width > 0)
                require(row.desc_x + cols.desc_width <= list_width,
                        "a fitting row keeps its description inside the list");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Display widths come from the locale, as in the program.
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr)
        std::setlocale(LC_ALL, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3)
        return 0;
    const uint8_t options = data[0];
    const boxkit::text_style style{(options & 1) != 0, (options & 2) != 0, (options & 4) != 0};
    const unsigned width = data[1];
    const uint64_t list_width = data[2];
    const std::string_view text(reinterpret_cast<const char *>(data + 3), size - 3);

    const std::vector<glyph> glyphs = boxkit::decode_text(text, style);
    check_glyphs(glyphs, text, style);
    check_wrap(glyphs, width);
    check_fit(glyphs, width);
    check_menu(text, style, (options & 8) != 0, (options & 16) != 0, list_width);
    return 0;
}
