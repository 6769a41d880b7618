// Dialogs on screens too small for them: they show what fits, never write
// past the screen (the fixture checks every write) and keep taking keys.
#include <cstdlib>

#include "tests/boxkit/memory_dialog.h"

namespace {

using enum boxkit::function_key;

class SmallScreen : public MemoryDialog {
  protected:
    int main_menu(int rows_count, int *focus) {
        std::vector<boxkit_menuitem> items = rows(rows_count);
        const boxkit_conf conf = main_menu_conf();
        return boxkit_menu(&conf, main_menu_text, 0, 0, main_menu_list_height, rows_count,
                           items.data(), focus);
    }
    // A form with one field holding "abc"; returns the field's value.
    static std::string form(int *rc) {
        boxkit_formitem field{"", 0, 0, "abc", 0, 0, 20, 50, nullptr, 24, nullptr};
        *rc = boxkit_form(nullptr, "A form", 0, 0, 0, 1, &field, nullptr);
        std::string value = field.value ? field.value : "(null)";
        std::free(field.value);
        return value;
    }
};

TEST_F(SmallScreen, ShowsWhatFitsAndKeepsWorking) {
    restart(6, 20);
    int focus = 0;
    term::then([] { EXPECT_TRUE(shows("row 0")) << term::text(); });
    term::press(end);
    term::then([] { EXPECT_TRUE(shows("row 99")) << term::text(); });
    term::type("q");
    EXPECT_EQ(main_menu(100, &focus), BOXKIT_RIGHT1);
    EXPECT_EQ(focus, 99);

    // One column: the dialog cannot show itself, and still takes keys.
    restart(5, 1);
    term::type("d\r");
    int rc = BOXKIT_ERROR;
    EXPECT_EQ(form(&rc), "abcd");
    EXPECT_EQ(rc, BOXKIT_OK);
}

TEST_F(SmallScreen, NoSizeMakesADialogWriteOffTheScreen) {
    for (int lines = 1; lines <= 8; ++lines) {
        for (int cols : {1, 2, 3, 5, 8, 13, 21}) {
            const std::string size = std::to_string(lines) + "x" + std::to_string(cols);
            restart(lines, cols);
            int focus = 0;
            term::press(end);
            term::resize(lines, cols);
            term::type("q");
            EXPECT_EQ(main_menu(100, &focus), BOXKIT_RIGHT1) << size;
            EXPECT_EQ(focus, 99) << size;

            term::type("\r");
            EXPECT_EQ(boxkit_msgbox(nullptr, "Some words to wrap\ninto lines", 0, 0), BOXKIT_OK)
                << size;
            EXPECT_EQ(boxkit_infobox(nullptr, "Some words", 0, 0), BOXKIT_OK) << size;

            term::type("d");
            term::press(left);
            term::type("\xe6\x97\xa5\r"); // a wide character
            int rc = BOXKIT_ERROR;
            EXPECT_EQ(form(&rc), "abc\xe6\x97\xa5"
                                 "d")
                << size;
            EXPECT_EQ(rc, BOXKIT_OK) << size;
            EXPECT_EQ(term::stray_writes(), 0) << size;
        }
    }
}

} // namespace
