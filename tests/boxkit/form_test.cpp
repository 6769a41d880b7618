// The form on the in-memory screen: editing keys, the cursor, TAB between the
// field and the buttons, max_length, resizes and clicks.
#include <cstdlib>
#include <functional>

#include "tests/boxkit/memory_dialog.h"

namespace {

using enum boxkit::function_key;

constexpr uint32_t cursor_at_end = BOXKIT_FIELD_CURSOR_AT_END;
constexpr uint32_t extend = BOXKIT_FIELD_EXTEND;

class Form : public MemoryDialog {
  protected:
    void TearDown() override {
        release();
        MemoryDialog::TearDown();
    }
    // A field of 20 columns on row `row` of the form.
    boxkit_formitem &add_field(const char *initial, uint32_t max_length,
                               uint32_t flags = cursor_at_end | extend, uint32_t row = 0,
                               uint32_t width = 20) {
        return fields.emplace_back(boxkit_formitem{"", row, 0, initial, row, 0, width, max_length,
                                                   nullptr, flags, nullptr});
    }
    // Runs the form; `values` then holds what each field returned.
    int run(const char *text = "New value:", bool esc = true, bool shortcuts = false) {
        boxkit_conf conf;
        boxkit_initconf(&conf);
        conf.esc_enabled = esc;
        conf.menu_button_shortcuts = shortcuts;
        int focus = 0;
        const int rc = boxkit_form(&conf, text, 0, 0, 0, static_cast<unsigned>(fields.size()),
                                   fields.data(), &focus);
        values.clear();
        for (const boxkit_formitem &f : fields)
            values.push_back(f.value ? f.value : "(null)");
        release();
        fields.clear();
        return rc;
    }
    void release() {
        for (boxkit_formitem &f : fields) {
            std::free(f.value);
            f.value = nullptr;
        }
    }
    // The cursor stands `columns` columns right of where `text` starts.
    static void expect_cursor_after(const std::string &text, int columns) {
        EXPECT_TRUE(term::cursor_shown());
        EXPECT_EQ(term::cursor(), (term::position{row_of(text), column_of(text) + columns}))
            << term::text();
    }

    std::vector<boxkit_formitem> fields;
    std::vector<std::string> values;
};

TEST_F(Form, EditsItsFieldWithTheEditingKeys) {
    add_field("hello", 50);
    term::then([] { expect_cursor_after("hello", 5); });
    term::type(" w\xc3\xb6rld");
    term::press(backspace);
    term::press(home);
    term::then([] { expect_cursor_after("hello w", 0); });
    term::press(delete_char);
    term::press(end);
    term::press(left, 2);
    term::type("\xe6\x97\xa5"); // a wide character
    term::then([] { expect_cursor_after("ello", 9); });
    term::type("\r");
    EXPECT_EQ(run(), BOXKIT_OK);
    EXPECT_EQ(values[0], "ello w\xc3\xb6\xe6\x97\xa5rl");

    // DEL and ^H erase too; other control characters are not typed.
    add_field("abc", 50, extend);
    term::then([] { expect_cursor_after("abc", 0); });
    term::press(right);
    term::type("\x7f\x01\x1f\x08");
    term::press(right);
    term::type("\x08Z\r");
    EXPECT_EQ(run(), BOXKIT_OK);
    EXPECT_EQ(values[0], "Zc");

    // Up and Down move between the fields.
    add_field("one", 50, cursor_at_end | extend, 0);
    add_field("two", 50, cursor_at_end | extend, 1);
    term::press(down);
    term::then([] { expect_cursor_after("two", 3); });
    term::type("2");
    term::press(up);
    term::press(up); // stays on the first
    term::type("1\r");
    EXPECT_EQ(run(), BOXKIT_OK);
    EXPECT_EQ(values, (std::vector<std::string>{"one1", "two2"}));
}

TEST_F(Form, TabMovesBetweenTheFieldAndTheButtons) {
    struct {
        std::function<void()> keys;
        int rc;
        const char *value;
    } const cases[] = {
        {[] { term::type("\t\r"); }, BOXKIT_OK, "abc"},
        {[] { term::type("\t\t\r"); }, BOXKIT_CANCEL, "abc"},
        {[] { term::type("\t\t\tx\r"); }, BOXKIT_OK, "abcx"}, // back in the field
        {[] { term::type("\x1b"); }, BOXKIT_ESC, "abc"},
        {[] {
             term::press(back_tab);
             term::type("\r");
         },
         BOXKIT_CANCEL, "abc"},
        {[] {
             term::type("\t");
             term::press(back_tab);
             term::type("x\r");
         },
         BOXKIT_OK, "abcx"},
        // Right past the last button returns to the field; Left wraps round.
        {[] {
             term::type("\t");
             term::press(right, 2);
             term::type("x\r");
         },
         BOXKIT_OK, "abcx"},
        {[] {
             term::type("\t");
             term::press(left);
             term::type("\r");
         },
         BOXKIT_CANCEL, "abc"},
        {[] { term::press(enter); }, BOXKIT_OK, "abc"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        restart(24, 80);
        add_field("abc", 50);
        cases[i].keys();
        EXPECT_EQ(run(), cases[i].rc) << "case " << i;
        EXPECT_EQ(values[0], cases[i].value) << "case " << i;
    }

    // On a button the cursor goes and the button is highlighted; with
    // shortcuts a letter presses a button, but in the field it is typed.
    restart(24, 80);
    add_field("abc", 50);
    term::type("c\t");
    term::then([] {
        EXPECT_FALSE(term::cursor_shown());
        const term::position ok = term::find("<OK>");
        EXPECT_TRUE(term::looks(ok, 1, boxkit::role::button_active));
        EXPECT_TRUE(term::looks({ok.y, ok.x + 1}, 1, boxkit::role::button_key_active));
        EXPECT_TRUE(term::looks({ok.y, ok.x + 2}, 2, boxkit::role::button_active));
    });
    term::type("c");
    EXPECT_EQ(run("", true, true), BOXKIT_CANCEL);
    EXPECT_EQ(values[0], "abcc");
}

TEST_F(Form, LimitsTypingButKeepsALongInitialText) {
    add_field("", 5);
    term::type("abcdefgh\r");
    run();
    EXPECT_EQ(values[0], "abcde");

    // max_length counts characters, not bytes.
    add_field("", 3);
    term::type("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\r");
    run();
    EXPECT_EQ(values[0], "\xc3\xa9\xc3\xa9\xc3\xa9");

    // Without `extend` the field's width limits the text too.
    add_field("", 0, cursor_at_end, 0, 4);
    term::type("abcdef\r");
    run();
    EXPECT_EQ(values[0], "abcd");

    const std::string long_text = "start-" + std::string(70, 'x') + "-end";
    add_field(long_text.c_str(), 50);
    // The field shows the text's end, where the cursor is; Home scrolls back.
    term::then([] {
        EXPECT_TRUE(shows("-end"));
        EXPECT_FALSE(shows("start-"));
    });
    term::press(home);
    term::then([] { EXPECT_TRUE(shows("start-")); });
    term::press(end);
    term::type("y\r");
    run();
    EXPECT_EQ(values[0], long_text);

    add_field(long_text.c_str(), 50);
    term::press(backspace);
    term::type("\r");
    run();
    EXPECT_EQ(values[0], long_text.substr(0, long_text.size() - 1));
}

TEST_F(Form, ResizeKeepsTheFieldItsTextAndTheCursor) {
    add_field("abc", 50);
    term::resize(10, 30);
    term::then([] {
        EXPECT_EQ(term::cols(), 30);
        EXPECT_TRUE(shows("<Cancel>"));
        expect_cursor_after("abc", 3);
    });
    term::type("d");
    term::resize(24, 80);
    term::then([] { expect_cursor_after("abcd", 4); });
    term::type("\r");
    EXPECT_EQ(run(), BOXKIT_OK);
    EXPECT_EQ(values[0], "abcd");
}

TEST_F(Form, ClicksFocusTheFieldOrPressAButton) {
    add_field("abc", 50);
    term::type("\t");
    term::then([] { term::click(row_of("abc"), column_of("abc") + 1); });
    term::type("x");
    term::then([] { term::click(row_of("<Cancel>"), column_of("<Cancel>")); });
    EXPECT_EQ(run(), BOXKIT_CANCEL);
    EXPECT_EQ(values[0], "abcx");
}

} // namespace
