// Pieces shared by the dialogs: a scrollable wrapped text, the help box, the
// keys that every dialog reads the same way, and the box frame.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/box_layout.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_layout.h"

namespace boxkit {

// The caller's settings, or the defaults when there are none.
boxkit_conf settings_of(const boxkit_conf *conf);

// A wrapped, vertically scrollable text.
struct text_view {
    std::vector<glyph> glyphs;
    std::vector<line_span> lines;
    size_t top = 0; // first line shown

    void wrap(int width);
    // Keeps `top` such that the text fills `rows` rows as far as it can.
    void clamp(int rows);
    void draw(rect area, role look) const;
    // Scrolls on Up, Down, PgUp, PgDn, Home, End; false for other keys.
    bool scroll_key(int key, int rows);
    bool scrollable(int rows) const {
        return lines.size() > static_cast<size_t>(std::max(rows, 0));
    }
    // "NN%": how far down the last shown line is.
    std::string position(int rows) const;
};

// What a key means to a dialog, for the keys that mean the same everywhere.
enum class key_action { none, next_button, prev_button, press, escape, help, resize, mouse };
key_action common_action(const key_event &key);

// What a dialog does after ESC, a terminal resize or F1.
struct common_outcome {
    bool closes;   // the dialog returns `code`
    int code;      // BOXKIT_ESC, or BOXKIT_ERROR when the help box failed
    bool relayout; // the screen was cleared or covered: lay out and draw anew
};

// The keys that every dialog handles alike, for an `action` of escape, resize
// or help: ESC closes with BOXKIT_ESC when `conf.esc_enabled` and is ignored
// otherwise; a resize clears the screen to the backdrop; F1 shows
// `conf.help_text` and is ignored without one. Nothing to do for other actions.
common_outcome handle_common_key(key_action action, const boxkit_conf &conf);

// Shows `conf.help_text` in a box of its own and, when it closes, puts back
// the screen as it was. BOXKIT_OK, or BOXKIT_ERROR when the terminal failed.
int show_help(const boxkit_conf &conf);

// The frame of a box: background, border, title.
void draw_frame(rect box, const char *title);

// The message box (`wait`: buttons, keys, the closing code) and the
// information box (drawn, BOXKIT_OK at once).
int text_dialog(const boxkit_conf &conf, const char *text, int height, int width, bool wait);

// Moves the focus among `count` buttons, wrapping around.
int step_button(int focused, int count, int step);
// The step of a next_button (1) or prev_button (-1) action.
inline int button_step(key_action action) {
    return action == key_action::prev_button ? -1 : 1;
}

// The code of the button at `index`, or BOXKIT_OK when no button has the
// focus (-1: every button hidden).
inline int button_code(const std::vector<button> &buttons, int index) {
    return index >= 0 ? buttons[static_cast<size_t>(index)].code : BOXKIT_OK;
}

} // namespace boxkit
