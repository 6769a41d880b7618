#include "platform/boxkit/menu_layout.h"

#include <algorithm>

namespace boxkit {

namespace {

constexpr uint64_t description_gap = 2;

uint64_t width_of(const char *text, text_style style) {
    return text ? text_width(text, style) : 0;
}

uint64_t name_offset(uint64_t prefix_width) {
    return prefix_width > 0 ? prefix_width + 1 : 0;
}

} // namespace

menu_columns measure_menu(const boxkit_menuitem *items, size_t count, text_style style,
                          bool hide_descriptions) {
    style.multiline = false;
    menu_columns cols{0, 0, 0, 0};
    if (!items)
        return cols;
    // Name ends depend on the widest prefix, so keep the widest indent + name
    // and add the prefix column afterwards.
    uint64_t widest_indented_name = 0;
    for (size_t i = 0; i < count; ++i) {
        const boxkit_menuitem &item = items[i];
        cols.prefix_width = std::max(cols.prefix_width, width_of(item.prefix, style));
        widest_indented_name =
            std::max(widest_indented_name, uint64_t{item.depth} + width_of(item.name, style));
        if (!hide_descriptions)
            cols.desc_width = std::max(cols.desc_width, width_of(item.description, style));
    }
    cols.name_end = widest_indented_name + name_offset(cols.prefix_width);
    cols.row_width = cols.name_end;
    if (!hide_descriptions && cols.desc_width > 0)
        cols.row_width = cols.name_end + description_gap + cols.desc_width;
    return cols;
}

row_columns place_row(const menu_columns &cols, uint32_t depth, uint64_t list_width,
                      bool align_left, bool hide_descriptions) {
    const uint64_t origin =
        (!align_left && cols.row_width < list_width) ? (list_width - cols.row_width) / 2 : 0;
    row_columns row;
    row.prefix_x = origin + depth;
    row.name_x = row.prefix_x + name_offset(cols.prefix_width);
    if (hide_descriptions || cols.desc_width == 0) {
        row.desc_x = origin + cols.row_width;
        if (row.desc_x < list_width)
            row.desc_x = list_width;
        return row;
    }
    uint64_t desc_x = origin + cols.name_end + description_gap;
    if (desc_x + cols.desc_width > list_width) {
        // Too wide: give the descriptions what is left right of the names, but
        // never push them beyond the middle of the list.
        const uint64_t half = list_width / 2;
        const uint64_t fit = list_width > cols.desc_width ? list_width - cols.desc_width : 0;
        desc_x = std::min(desc_x, std::max(fit, half));
    }
    row.desc_x = desc_x;
    return row;
}

} // namespace boxkit
