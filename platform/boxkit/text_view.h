// A wrapped, vertically scrollable text: the text of every dialog.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/boxkit/box_layout.h"
#include "platform/boxkit/keys.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

struct text_view {
    std::vector<glyph> glyphs;
    std::vector<line_span> lines;
    size_t top = 0; // first line shown

    void wrap(int width);
    // Keeps `top` such that the text fills `rows` rows as far as it can.
    void clamp(int rows);
    void draw(rect area, role look) const;
    // Scrolls on Up, Down, PgUp, PgDn, Home, End; false for other keys.
    bool scroll_key(function_key key, int rows);
    bool scrollable(int rows) const {
        return lines.size() > static_cast<size_t>(std::max(rows, 0));
    }
    // "NN%": how far down the last shown line is.
    std::string position(int rows) const;
};

} // namespace boxkit
