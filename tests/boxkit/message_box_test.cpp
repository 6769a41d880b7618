// The message box and the information box on the in-memory screen: title,
// markup, wrapping, buttons, scrolling, resizes.
#include <functional>

#include "platform/boxkit/text_layout.h"
#include "tests/boxkit/memory_dialog.h"

namespace {

using enum boxkit::function_key;

class MessageBox : public MemoryDialog {
  protected:
    static int show(const char *text, int height = 0, int width = 0,
                    const std::function<void(boxkit_conf &)> &settings = {}) {
        boxkit_conf conf;
        boxkit_initconf(&conf);
        if (settings)
            settings(conf);
        return boxkit_msgbox(&conf, text, height, width);
    }
};

TEST_F(MessageBox, ShowsTitleMarkupAndWrappedText) {
    term::type("\x1b"); // ESC is off: it leaves the box open
    term::then([] { EXPECT_TRUE(shows("<OK>")); });
    term::type("\r");
    EXPECT_EQ(show("\\Zbbold\\Zn and \\Zuunder\\Zn, then words enough to wrap the line", 0, 30,
                   [](boxkit_conf &conf) {
                       conf.title = " Notice ";
                       conf.markup = true;
                   }),
              BOXKIT_OK);
    EXPECT_TRUE(shows("┌────────── Notice ──────────┐")) << term::text();
    EXPECT_TRUE(shows("│ bold and under, then words │"));
    EXPECT_TRUE(shows("│ enough to wrap the line    │"));
    EXPECT_TRUE(shows("├────────────────────────────┤"));
    EXPECT_FALSE(shows("\\Z"));
    EXPECT_TRUE(term::looks(term::find("bold"), 4, boxkit::role::box, boxkit::glyph_bold));
    EXPECT_TRUE(term::looks(term::find(" and "), 5, boxkit::role::box, 0));
    EXPECT_TRUE(term::looks(term::find("under"), 5, boxkit::role::box, boxkit::glyph_underline));
    EXPECT_TRUE(term::looks(term::find("<OK>"), 4, boxkit::role::button_active));
}

TEST_F(MessageBox, MarkupOffIsDrawnAsItStands) {
    term::type("\r");
    show("\\Zbnot bold\\Zn");
    EXPECT_TRUE(shows("\\Zbnot bold\\Zn"));
    EXPECT_TRUE(term::looks(term::find("not bold"), 8, boxkit::role::box, 0));
}

TEST_F(MessageBox, ButtonsAndTheirCodes) {
    struct {
        std::function<void(boxkit_conf &)> settings;
        std::function<void()> keys;
        int rc;
    } const cases[] = {
        {[](boxkit_conf &c) { c.esc_enabled = true; }, [] { term::type("\x1b"); }, BOXKIT_ESC},
        {[](boxkit_conf &c) {
             c.ok_button_label = "Close";
             c.menu_button_shortcuts = true;
         },
         [] { term::type("C"); }, BOXKIT_OK},
        {[](boxkit_conf &c) {
             c.right_button1_label = "Later";
             c.menu_button_shortcuts = true;
         },
         [] { term::type("l"); }, BOXKIT_RIGHT1},
        {[](boxkit_conf &c) { c.right_button1_label = "Later"; },
         [] {
             term::press(right);
             term::type("\r");
         },
         BOXKIT_RIGHT1},
        // Shortcuts off: letters do nothing.
        {[](boxkit_conf &c) { c.right_button1_label = "Later"; }, [] { term::type("l\r"); },
         BOXKIT_OK},
        {[](boxkit_conf &c) { c.hide_ok_button = true; }, [] { term::type("\r"); }, BOXKIT_OK},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        restart(24, 80);
        cases[i].keys();
        EXPECT_EQ(show("Pick one", 0, 0, cases[i].settings), cases[i].rc) << "case " << i;
    }
}

TEST_F(MessageBox, LongTextScrollsToItsLastLine) {
    std::string text;
    for (int i = 1; i <= 100; ++i)
        text += "line " + std::to_string(i) + "\n";
    // 12 rows leave 8 for the text, which has 101 lines (the last one empty).
    term::then([] { EXPECT_TRUE(shows("7%")) << term::text(); });
    term::press(end);
    term::then([] {
        EXPECT_TRUE(shows("line 100"));
        EXPECT_TRUE(shows("100%"));
    });
    // Squeezed and grown again at the end of its text, the box fills its
    // rows to the last line.
    term::resize(10, 80);
    term::press(end);
    term::resize(24, 80);
    term::then([] {
        EXPECT_TRUE(shows("line 94 ")) << term::text();
        EXPECT_FALSE(shows("line 93 "));
    });
    term::press(page_up);
    term::press(up);
    term::then([] {
        EXPECT_TRUE(shows("line 85 "));
        EXPECT_FALSE(shows("line 84 "));
    });
    term::press(home);
    term::then([] { EXPECT_TRUE(shows("line 1 ")); });
    term::then([] { term::wheel_down(row_of("line 1 "), column_of("line 1 ")); });
    term::then([] {
        EXPECT_FALSE(shows("line 1 "));
        EXPECT_TRUE(shows("line 9 "));
    });
    term::type("\r");
    EXPECT_EQ(show(text.c_str(), 12), BOXKIT_OK);
}

TEST_F(MessageBox, AMebibyteOfTextIsReadableToItsLastByte) {
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += "word" + std::to_string(i) + (i % 13 == 0 ? "\n" : " ");
    text += "LAST-BYTES";
    term::then([] { EXPECT_TRUE(shows("word0")); });
    term::press(end);
    term::type("\r");
    EXPECT_EQ(show(text.c_str()), BOXKIT_OK);
    EXPECT_TRUE(shows("LAST-BYTES"));
    EXPECT_TRUE(shows("100%"));
}

TEST_F(MessageBox, ResizeWrapsTheTextAgain) {
    const char *text = "A paragraph long enough that it has to be wrapped again when the "
                       "terminal becomes narrower than it was when the box opened.";
    term::then([] { EXPECT_TRUE(shows("narrower than it was")) << term::text(); });
    term::resize(12, 40);
    term::then([] {
        EXPECT_EQ(term::lines(), 12);
        EXPECT_TRUE(fits_width(40)) << term::text();
        EXPECT_TRUE(shows("narrower"));
        EXPECT_FALSE(shows("narrower than it was")) << "wrapped at the new width";
        EXPECT_TRUE(shows("<OK>"));
    });
    term::type("\r");
    EXPECT_EQ(show(text), BOXKIT_OK);
}

TEST_F(MessageBox, InfoboxDrawsAndReturnsAtOnce) {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    // Nothing is scripted: a box that waited for a key would fail.
    EXPECT_EQ(boxkit_infobox(&conf, "Getting kernel info...", 0, 0), BOXKIT_OK);
    EXPECT_TRUE(shows("│ Getting kernel info... │"));
    EXPECT_FALSE(shows("<OK>"));
    EXPECT_FALSE(shows("├"));
}

} // namespace
