#include "platform/boxkit/text_view.h"

#include "platform/boxkit/draw.h"

namespace boxkit {

void text_view::wrap(int width) {
    lines = wrap_glyphs(glyphs, static_cast<unsigned>(std::max(width, 1)));
}

void text_view::clamp(int rows) {
    const size_t shown = static_cast<size_t>(std::max(rows, 0));
    const size_t last_top = lines.size() > shown ? lines.size() - shown : 0;
    top = std::min(top, last_top);
}

void text_view::draw(rect area, role look) const {
    for (int row = 0; row < area.height; ++row) {
        const size_t i = top + static_cast<size_t>(row);
        if (i >= lines.size())
            break;
        draw_glyphs(area.top + row, area.left, glyphs, lines[i].begin, lines[i].end, area.width,
                    look, area);
    }
}

bool text_view::scroll_key(function_key key, int rows) {
    const size_t page = static_cast<size_t>(std::max(rows, 1));
    switch (key) {
    case function_key::up:
        top = top > 0 ? top - 1 : 0;
        break;
    case function_key::down:
        ++top;
        break;
    case function_key::page_up:
        top = top > page ? top - page : 0;
        break;
    case function_key::page_down:
        top += page;
        break;
    case function_key::home:
        top = 0;
        break;
    case function_key::end:
        top = lines.size();
        break;
    default:
        return false;
    }
    clamp(rows);
    return true;
}

std::string text_view::position(int rows) const {
    if (lines.empty())
        return "100%";
    const size_t shown_end = std::min(lines.size(), top + static_cast<size_t>(std::max(rows, 0)));
    return std::to_string(shown_end * 100 / lines.size()) + "%";
}

} // namespace boxkit
