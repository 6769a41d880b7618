// boxkit: the dialog library. Every screen interaction of the program goes
// through these calls; each blocks until the user closes the dialog, except the
// information box, which draws and returns at once.
//
// Texts passed in stay the caller's; the library only reads them during the
// call. The one text the library hands out is a form field's `value` (see
// boxkit_form), which the caller releases with free().
#pragma once

#include <cstdint>

// Return codes of the dialog calls.
inline constexpr int BOXKIT_ERROR = -1;
inline constexpr int BOXKIT_OK = 0;
inline constexpr int BOXKIT_CANCEL = 1;
inline constexpr int BOXKIT_ESC = 5;
inline constexpr int BOXKIT_LEFT1 = 6;
inline constexpr int BOXKIT_LEFT2 = 7;
inline constexpr int BOXKIT_LEFT3 = 8;
inline constexpr int BOXKIT_RIGHT1 = 9;

// Settings of one dialog. Owned by the caller, only read by the library.
// boxkit_initconf() turns every setting off or empty: library-chosen sizes and
// labels, an OK button, and on a menu or form a Cancel button.
struct boxkit_conf {
    const char *title;           // shown in the top border; null: none
    bool esc_enabled;            // ESC closes the dialog with BOXKIT_ESC
    bool markup;                 // interpret \Zb (bold), \Zu (underline), \Zn (normal)
    uint32_t min_height;         // smallest automatic size, rows
    uint32_t min_width;          // smallest automatic size, columns
    uint32_t top_margin;         // screen rows kept free above the dialog
    uint32_t bottom_margin;      // screen rows kept free below the dialog
    const char *ok_button_label; // null: "OK"
    bool hide_ok_button;
    bool hide_cancel_button;
    const char *left_button1_label; // extra buttons left of OK; null: none
    const char *left_button2_label;
    const char *left_button3_label;
    const char *right_button1_label; // extra button right of Cancel; null: none
    const char *help_text;           // shown on F1 in a menu; null: F1 does nothing
    bool menu_align_left;
    bool menu_hide_descriptions;
    bool menu_button_shortcuts; // a letter presses the button whose label begins with it
};

// One row of a menu. The texts stay the caller's.
struct boxkit_menuitem {
    const char *prefix; // drawn before the name, padded to the widest prefix
    bool selected;
    uint32_t depth; // indentation in columns
    const char *name;
    const char *description; // second column, unless menu_hide_descriptions
    const char *bottom_text; // shown on the screen's bottom line while the row has focus
};

// Bits of boxkit_formitem.flags.
inline constexpr uint32_t BOXKIT_FIELD_CURSOR_AT_END = 8; // cursor starts after the initial text
inline constexpr uint32_t BOXKIT_FIELD_EXTEND = 16;       // text may scroll beyond field_width

// One field of a form.
struct boxkit_formitem {
    const char *label;
    uint32_t label_row;
    uint32_t label_col;
    const char *initial_text;
    uint32_t field_row;
    uint32_t field_col;
    uint32_t field_width;
    uint32_t max_length; // characters; an initial text longer than this is kept whole
                         // (typing then adds nothing until it is shorter); 0: no limit.
                         // Without BOXKIT_FIELD_EXTEND, field_width limits it too.
    char *value;         // out: null, or the field's text, allocated with malloc(); the
                         // caller releases it with free()
    uint32_t flags;
    const char *bottom_text;
};

// Takes over the terminal. BOXKIT_ERROR (with boxkit_geterror() set) when there
// is no usable terminal; the terminal is then left untouched.
int boxkit_init(void);
// Restores the terminal. Safe to call when boxkit_init() failed or was never called.
int boxkit_end(void);
// Clears the screen from `row` down.
int boxkit_clear(int row);
// Sets every setting of `conf` to its default.
void boxkit_initconf(boxkit_conf *conf);
// Text of the last failure; still valid after boxkit_end().
const char *boxkit_geterror(void);

// Height or width 0 means automatic size.
int boxkit_infobox(const boxkit_conf *conf, const char *text, int height, int width);
int boxkit_msgbox(const boxkit_conf *conf, const char *text, int height, int width);
// `focus` is in and out: the row focused when the menu opens and when it closes.
int boxkit_menu(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int list_height, int item_count, boxkit_menuitem *items, int *focus);
// BOXKIT_OK when accepted, with every item's `value` set. Once the form has
// been shown, every return sets each item's `value` to the text in its field
// as the form closed (Cancel and ESC too), overwriting without freeing what
// was there; a BOXKIT_ERROR before the form was shown (bad arguments, no
// boxkit_init) leaves the values untouched. `focus` (may be null) is the
// focused field, in and out.
int boxkit_form(const boxkit_conf *conf, const char *text, int height, int width,
                unsigned int form_height, unsigned int item_count, boxkit_formitem *items,
                int *focus);
