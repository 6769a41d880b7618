// Dialog calls that cannot open a dialog fail with BOXKIT_ERROR and a text,
// draw nothing and leave the caller's values alone.
#include "tests/boxkit/memory_dialog.h"

namespace {

using DialogCalls = MemoryDialog;

TEST_F(DialogCalls, BadArgumentsAndCallsBeforeInitFailWithTheirText) {
    char untouched[] = "mine";
    boxkit_formitem field{"", 0, 0, "abc", 0, 0, 20, 50, untouched, 24, nullptr};
    boxkit_menuitem row{"", false, 0, "row", "", ""};
    int focus = 2;
    const int shows_before = term::shows();
    EXPECT_EQ(boxkit_menu(nullptr, "", 0, 0, 0, -1, &row, &focus), BOXKIT_ERROR);
    EXPECT_STREQ(boxkit_geterror(), "menu item count -1 is negative");
    EXPECT_EQ(boxkit_menu(nullptr, "", 0, 0, 0, 3, nullptr, &focus), BOXKIT_ERROR);
    EXPECT_STREQ(boxkit_geterror(), "menu items missing");
    EXPECT_EQ(boxkit_form(nullptr, "", 0, 0, 0, 1, nullptr, &focus), BOXKIT_ERROR);
    EXPECT_STREQ(boxkit_geterror(), "form items missing");
    EXPECT_EQ(focus, 2);
    EXPECT_EQ(term::shows(), shows_before);

    boxkit_end();
    EXPECT_EQ(boxkit_form(nullptr, "", 0, 0, 0, 1, &field, &focus), BOXKIT_ERROR);
    EXPECT_STREQ(boxkit_geterror(), "the terminal is not initialised (boxkit_init)");
    EXPECT_EQ(field.value, untouched);
    EXPECT_EQ(boxkit_menu(nullptr, "", 0, 0, 0, 1, &row, &focus), BOXKIT_ERROR);
    EXPECT_EQ(boxkit_msgbox(nullptr, "", 0, 0), BOXKIT_ERROR);
    EXPECT_EQ(boxkit_infobox(nullptr, "", 0, 0), BOXKIT_ERROR);
    EXPECT_EQ(boxkit_clear(0), BOXKIT_ERROR);
    EXPECT_EQ(focus, 2);
    EXPECT_EQ(term::shows(), shows_before);
}

} // namespace
