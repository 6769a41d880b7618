// The message box and the information box: a wrapped text in a box, with
// buttons (message box) or without (information box). A text longer than
// the box scrolls, with a position indicator.
#include "platform/boxkit.h"
#include "platform/boxkit/dialog.h"
#include "platform/boxkit/draw.h"
#include "platform/boxkit/error.h"
#include "platform/boxkit/screen.h"
#include "platform/boxkit/text_view.h"

namespace boxkit {

int text_dialog(const boxkit_conf &conf, const char *text, int height, int width, bool wait) {
    const bool utf8 = utf8_locale();
    text_view view;
    view.glyphs = decode_text(text ? text : "", {utf8, conf.markup, true});
    const uint64_t natural = natural_width(view.glyphs);
    dialog d{conf};
    if (wait)
        d.buttons = dialog_buttons(conf, false);
    d.focused_button = d.buttons.empty() ? -1 : 0;

    d.layout = [&] {
        d.frame =
            lay_out_dialog(conf, screen_lines(), screen_cols(), {height, width, natural, wait, 1},
                           d.buttons, utf8, [&](int inner) {
                               view.wrap(inner);
                               return view.lines.size();
                           });
        view.clamp(d.frame.body.height);
    };
    d.draw = [&] {
        const rect &body = d.frame.body;
        view.draw(body, role::box);
        if (view.scrollable(body.height)) {
            const rect &box = d.frame.box;
            const int y = d.frame.separator_row > 0 ? box.top + d.frame.separator_row
                                                    : box.top + box.height - 1;
            draw_indicator(box, y, view.position(body.height));
        }
    };
    d.key = [&](const key_event &key) {
        return key.kind == key_event::function && view.scroll_key(key.key, d.frame.body.height);
    };
    d.mouse = [&](const mouse_event &m) {
        if (m.action == mouse_event::wheel_up)
            return view.scroll_key(function_key::up, d.frame.body.height);
        if (m.action == mouse_event::wheel_down)
            return view.scroll_key(function_key::down, d.frame.body.height);
        return false;
    };

    if (!wait) {
        show_dialog(d);
        return BOXKIT_OK;
    }
    return run_dialog(d);
}

} // namespace boxkit

using namespace boxkit;

int boxkit_msgbox(const boxkit_conf *conf, const char *text, int height, int width) {
    if (!screen_active())
        return fail_inactive();
    return text_dialog(settings_of(conf), text, height, width, true);
}

int boxkit_infobox(const boxkit_conf *conf, const char *text, int height, int width) {
    if (!screen_active())
        return fail_inactive();
    return text_dialog(settings_of(conf), text, height, width, false);
}
