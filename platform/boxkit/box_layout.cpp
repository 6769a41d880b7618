#include "platform/boxkit/box_layout.h"

#include <algorithm>
#include <cctype>

namespace boxkit {

rect usable_area(int lines, int cols, uint32_t top_margin, uint32_t bottom_margin) {
    lines = std::max(lines, 0);
    cols = std::max(cols, 0);
    const uint64_t margins = uint64_t{top_margin} + bottom_margin;
    if (margins >= static_cast<uint64_t>(lines))
        return {0, 0, lines, cols};
    return {static_cast<int>(top_margin), 0, lines - static_cast<int>(margins), cols};
}

int choose_extent(int requested, uint64_t content, uint32_t minimum, int available) {
    if (available <= 0)
        return 0;
    const auto avail = static_cast<uint64_t>(available);
    uint64_t want =
        requested > 0 ? static_cast<uint64_t>(requested) : std::max<uint64_t>(content, minimum);
    return static_cast<int>(std::min(want, avail));
}

rect centre_box(rect area, int height, int width) {
    height = std::clamp(height, 0, std::max(area.height, 0));
    width = std::clamp(width, 0, std::max(area.width, 0));
    return {area.top + (area.height - height) / 2, area.left + (area.width - width) / 2, height,
            width};
}

int auto_width_limit(int cols) {
    return cols >= 20 ? cols - 2 : std::max(cols, 0);
}

std::vector<button> dialog_buttons(const boxkit_conf &conf, bool has_cancel) {
    std::vector<button> out;
    auto add = [&](const char *label, int code) {
        if (label)
            out.push_back({label, code});
    };
    add(conf.left_button1_label, BOXKIT_LEFT1);
    add(conf.left_button2_label, BOXKIT_LEFT2);
    add(conf.left_button3_label, BOXKIT_LEFT3);
    if (!conf.hide_ok_button)
        add(conf.ok_button_label ? conf.ok_button_label : "OK", BOXKIT_OK);
    if (has_cancel && !conf.hide_cancel_button)
        add("Cancel", BOXKIT_CANCEL);
    add(conf.right_button1_label, BOXKIT_RIGHT1);
    return out;
}

uint64_t button_width(const button &b, bool utf8) {
    return text_width(b.label, {utf8, false, false}) + 2;
}

uint64_t buttons_width(const std::vector<button> &buttons, bool utf8) {
    uint64_t total = 0;
    for (const button &b : buttons)
        total += button_width(b, utf8);
    if (!buttons.empty())
        total += 2 * (buttons.size() - 1);
    return total;
}

std::vector<uint64_t> button_columns(const std::vector<button> &buttons, int width, bool utf8) {
    std::vector<uint64_t> cols;
    const uint64_t avail = static_cast<uint64_t>(std::max(width, 0));
    uint64_t total = buttons_width(buttons, utf8);
    uint64_t gap = 2;
    uint64_t x = 0;
    if (total <= avail) {
        x = (avail - total) / 2;
    } else {
        gap = 1;
    }
    for (const button &b : buttons) {
        cols.push_back(x);
        x += button_width(b, utf8) + gap;
    }
    return cols;
}

dialog_frame lay_out_dialog(const boxkit_conf &conf, int lines, int cols,
                            const frame_request &request, const std::vector<button> &buttons,
                            bool utf8, const std::function<uint64_t(int)> &content_rows) {
    const rect area = usable_area(lines, cols, conf.top_margin, conf.bottom_margin);
    const uint64_t title_width =
        conf.title ? text_width(conf.title, {utf8, false, false}) + title_padding : 0;
    const uint64_t content =
        std::max({request.content_width, buttons_width(buttons, utf8), title_width});
    const int w = choose_extent(request.width, content + frame_cols, conf.min_width,
                                request.width > 0 ? area.width : auto_width_limit(area.width));
    const int inner = std::max(w - frame_cols, 0);
    const int chrome = border_rows + (request.button_row ? button_rows : 0);
    const int h =
        choose_extent(request.height, content_rows(inner) + chrome, conf.min_height, area.height);
    dialog_frame frame{};
    frame.box = centre_box(area, h, w);
    const bool separator = request.button_row && h - chrome >= request.min_body_rows;
    // Without the separator, the button row alone stands under the content.
    const int body_rows =
        separator ? h - chrome : h - border_rows - (request.button_row ? button_rows - 1 : 0);
    frame.body = {frame.box.top + 1, frame.box.left + side_cols, std::max(body_rows, 0), inner};
    frame.separator_row = separator ? h - separator_from_bottom : 0;
    frame.button_y = frame.box.top + h - button_row_from_bottom;
    return frame;
}

int shortcut_button(const std::vector<button> &buttons, int key) {
    if (key <= 0 || key > 127 || !std::isalnum(key))
        return -1;
    const int lower = std::tolower(key);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const std::string &label = buttons[i].label;
        if (!label.empty() && std::tolower(static_cast<unsigned char>(label[0])) == lower)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace boxkit
