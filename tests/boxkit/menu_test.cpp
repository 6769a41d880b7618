// The menu on the in-memory screen: buttons and their keys, columns, the
// bottom text, navigation and scrolling, the help box, resizes.
#include <functional>

#include "tests/boxkit/memory_dialog.h"

namespace {

using enum boxkit::function_key;

class Menu : public MemoryDialog {
  protected:
    // The main menu with `items`; returns its code and leaves the focus in `focus`.
    int main_menu(std::vector<boxkit_menuitem> &items, int initial_focus = 0) {
        const boxkit_conf conf = main_menu_conf();
        focus = initial_focus;
        return boxkit_menu(&conf, main_menu_text, 0, 0, main_menu_list_height,
                           static_cast<int>(items.size()), items.data(), &focus);
    }
    // The rows of a small tree: prefixes, an indented child, descriptions.
    std::vector<boxkit_menuitem> tree_rows() {
        return {{"+", false, 0, "kern", "Kernel", "kern"},
                {"", false, 0, "vm", "Virtual memory", "vm"},
                {"-", false, 0, "net", "", "net"},
                {"", false, 1, ".inet", "Internet", "net.inet"}};
    }
    int focus = 0;
};

TEST_F(Menu, ButtonsComeInOrderAndHide) {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.left_button1_label = "Navigate";
    conf.left_button2_label = "Properties";
    conf.right_button1_label = "Quit";
    std::vector<boxkit_menuitem> items = rows(3);
    term::type("\r");
    EXPECT_EQ(boxkit_menu(&conf, "", 0, 0, 0, 3, items.data(), &focus), BOXKIT_LEFT1);
    EXPECT_TRUE(shows("<Navigate>  <Properties>  <OK>  <Cancel>  <Quit>")) << term::text();

    std::vector<boxkit_menuitem> tree = tree_rows();
    term::type("q");
    EXPECT_EQ(main_menu(tree), BOXKIT_RIGHT1);
    EXPECT_TRUE(shows("<Navigate>  <Properties>  <Set Value>  <Quit>")) << term::text();
    EXPECT_FALSE(shows("<OK>"));
    EXPECT_FALSE(shows("<Cancel>"));
    EXPECT_TRUE(shows("F1 for help. ESC or Q for quit."));
}

TEST_F(Menu, KeysPressButtons) {
    struct {
        std::function<void()> keys;
        int rc;
    } const main_menu_keys[] = {
        {[] { term::type("\r"); }, BOXKIT_LEFT1}, // the first visible button has the focus
        {[] { term::press(enter); }, BOXKIT_LEFT1},
        {[] {
             term::press(right);
             term::type("\r");
         },
         BOXKIT_LEFT2},
        {[] { term::type("\t\t\r"); }, BOXKIT_LEFT3},
        {[] {
             term::press(left);
             term::type("\r");
         },
         BOXKIT_RIGHT1}, // wraps round to Quit
        {[] {
             term::press(back_tab);
             term::type("\r");
         },
         BOXKIT_RIGHT1},
        {[] {
             term::press(right, 5);
             term::type("\r");
         },
         BOXKIT_LEFT2}, // and the other way
        {[] { term::type("q"); }, BOXKIT_RIGHT1},
        {[] { term::type("Q"); }, BOXKIT_RIGHT1},
        {[] { term::type("n"); }, BOXKIT_LEFT1},
        {[] { term::type("P"); }, BOXKIT_LEFT2},
        {[] { term::type("s"); }, BOXKIT_LEFT3},
        {[] { term::type("x\x1b"); }, BOXKIT_ESC}, // a letter of no button does nothing
        {[] {
             term::press(other);
             term::type("\n");
         },
         BOXKIT_LEFT1},
    };
    for (size_t i = 0; i < std::size(main_menu_keys); ++i) {
        restart(24, 80);
        std::vector<boxkit_menuitem> tree = tree_rows();
        main_menu_keys[i].keys();
        EXPECT_EQ(main_menu(tree), main_menu_keys[i].rc) << "case " << i;
    }
    struct {
        std::function<void()> keys;
        int rc;
    } const plain_keys[] = {
        {[] { term::type("\r"); }, BOXKIT_OK},
        {[] {
             term::press(right);
             term::type("\r");
         },
         BOXKIT_CANCEL},
        {[] { term::type("\x1bq\r"); }, BOXKIT_OK}, // ESC off, no shortcuts
    };
    for (size_t i = 0; i < std::size(plain_keys); ++i) {
        restart(24, 80);
        std::vector<boxkit_menuitem> items = rows(3);
        plain_keys[i].keys();
        EXPECT_EQ(boxkit_menu(nullptr, "", 0, 0, 0, 3, items.data(), &focus), plain_keys[i].rc)
            << "case " << i;
    }
}

TEST_F(Menu, AlignsColumnsAndShowsTheBottomText) {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.menu_align_left = true;
    std::vector<boxkit_menuitem> tree = tree_rows();
    term::then([&] {
        // Names line up whatever their prefix; a child is indented by its depth.
        EXPECT_EQ(column_of("+ kern"), column_of("  vm"));
        EXPECT_EQ(column_of("kern"), column_of("net"));
        EXPECT_EQ(column_of(".inet"), column_of("kern") + 1);
        // Descriptions form one column.
        EXPECT_EQ(column_of("Kernel"), column_of("Virtual memory"));
        EXPECT_EQ(column_of("Kernel"), column_of("Internet"));
        EXPECT_EQ(last_row(), " kern");
        EXPECT_TRUE(
            term::looks({row_of("kern"), column_of("+ kern")}, 6, boxkit::role::item_active))
            << "the focused row is highlighted";
    });
    term::press(down, 3);
    term::type("\r");
    EXPECT_EQ(boxkit_menu(&conf, "", 0, 0, 0, 4, tree.data(), &focus), BOXKIT_OK);
    EXPECT_EQ(focus, 3);
    EXPECT_EQ(last_row(), " net.inet");
    EXPECT_TRUE(term::looks(term::find(".inet"), 5, boxkit::role::item_active));
    EXPECT_TRUE(term::looks(term::find("+ kern"), 6, boxkit::role::item));

    restart(24, 80);
    term::type("q");
    main_menu(tree);
    EXPECT_FALSE(shows("Kernel")) << "descriptions hidden";
}

TEST_F(Menu, ScrollsToTheLastOfTenThousandRows) {
    std::vector<boxkit_menuitem> items = rows(10000);
    term::then([&] { EXPECT_TRUE(shows("1/10000")); });
    term::press(end);
    term::then([&] {
        EXPECT_TRUE(shows("10000/10000"));
        EXPECT_TRUE(shows("row 9999"));
        EXPECT_EQ(last_row(), " bottom 9999");
    });
    // 80x24 less the margins leaves 15 rows for the list: a page.
    term::press(page_up);
    term::press(up);
    term::then([&] {
        EXPECT_EQ(last_row(), " bottom 9983");
        EXPECT_TRUE(shows("row 9983")) << "the focused row is the first shown";
        EXPECT_FALSE(shows("row 9982"));
    });
    term::press(home);
    term::press(page_down);
    term::press(down);
    term::type("q");
    EXPECT_EQ(main_menu(items), BOXKIT_RIGHT1);
    EXPECT_EQ(focus, 16);
    EXPECT_EQ(last_row(), " bottom 16");
    EXPECT_TRUE(shows("17/10000"));
    EXPECT_TRUE(shows("row 2 ")) << term::text(); // rows 2 to 16 fill the list
    EXPECT_FALSE(shows("row 1 "));
    EXPECT_TRUE(term::looks(term::find("row 16"), 6, boxkit::role::item_active));
}

TEST_F(Menu, FocusIsClampedAndEmptyMenusWork) {
    struct {
        int rows;
        int focus_in;
        int focus_out;
    } const cases[] = {{10, 500, 9}, {10, -7, 0}, {0, 3, 0}, {10, 4, 4}};
    for (const auto &c : cases) {
        restart(24, 80);
        std::vector<boxkit_menuitem> items = rows(c.rows);
        focus = c.focus_in;
        term::type("\r");
        EXPECT_EQ(boxkit_menu(nullptr, "Pick", 0, 0, 0, c.rows, items.data(), &focus), BOXKIT_OK);
        EXPECT_EQ(focus, c.focus_out) << c.rows << " rows, focus " << c.focus_in;
    }
    restart(24, 80);
    std::vector<boxkit_menuitem> deep = {{"+", false, 4294967295u, "deep", "far", "b"},
                                         {"", false, 0, "shallow", "near", "b"}};
    term::press(down);
    term::type("\r");
    EXPECT_EQ(boxkit_menu(nullptr, "Pick", 0, 0, 0, 2, deep.data(), &focus), BOXKIT_OK);
    EXPECT_EQ(focus, 1);
    EXPECT_TRUE(shows("shallow"));
}

TEST_F(Menu, HelpOpensOnF1AndReturnsToTheSameMenuState) {
    std::vector<boxkit_menuitem> items = rows(50);
    std::vector<term::cell> before;
    term::press(down, 3);
    term::press(right);
    term::then([&] { before = term::cells(); });
    term::press(f1);
    term::then([&] {
        EXPECT_TRUE(shows(" Help "));
        EXPECT_TRUE(shows("Up / Down: Navigate"));
        EXPECT_TRUE(shows("Jump to the last node"));
        EXPECT_TRUE(shows("<Close>"));
        EXPECT_FALSE(shows("\\Z"));
    });
    // The help box takes its own keys: Down scrolls nothing here, Tab stays on Close.
    term::press(down);
    term::type("\t\x1b");
    term::then([&] { EXPECT_TRUE(term::cells() == before) << term::text(); });
    term::type("\r"); // same row, same button (Properties)
    EXPECT_EQ(main_menu(items), BOXKIT_LEFT2);
    EXPECT_EQ(focus, 3);

    // What stood beside the menu before F1 comes back too: here the ends of
    // a wide box drawn earlier, which the help box covers.
    restart(24, 80);
    EXPECT_EQ(boxkit_infobox(nullptr, "LEFT-END ---------------------------------------- RIGHT-END",
                             7, 0),
              BOXKIT_OK);
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.help_text = main_menu_help;
    std::vector<boxkit_menuitem> three = rows(3);
    term::then([&] { before = term::cells(); });
    term::press(f1);
    term::then([&] { EXPECT_FALSE(shows("LEFT-END")) << term::text(); });
    term::type("\r");
    term::then([&] {
        EXPECT_TRUE(shows("LEFT-END"));
        EXPECT_TRUE(term::cells() == before);
    });
    term::type("\r");
    EXPECT_EQ(boxkit_menu(&conf, "", 0, 0, 0, 3, three.data(), &focus), BOXKIT_OK);

    // Without a help text F1 does nothing.
    restart(24, 80);
    term::then([&] { before = term::cells(); });
    term::press(f1);
    term::then([&] { EXPECT_TRUE(term::cells() == before); });
    term::type("\r");
    EXPECT_EQ(boxkit_menu(nullptr, "", 0, 0, 0, 50, items.data(), &focus), BOXKIT_OK);
}

TEST_F(Menu, ResizeRedrawsAtTheNewSizeAndKeepsTheFocusInView) {
    std::vector<boxkit_menuitem> items = rows(100);
    term::press(end);
    term::resize(15, 60);
    term::then([&] {
        EXPECT_EQ(term::lines(), 15);
        EXPECT_TRUE(fits_width(60));
        EXPECT_TRUE(shows("row 99"));
        EXPECT_TRUE(shows("<Quit>"));
        EXPECT_EQ(last_row(), " bottom 99");
    });
    // A resize while the help box is open: the menu comes back drawn anew
    // at the size the screen has then.
    term::press(f1);
    term::resize(24, 80);
    term::then([&] { EXPECT_TRUE(shows(" Help ")); });
    term::type("\x1b");
    term::then([&] {
        EXPECT_FALSE(shows(" Help "));
        EXPECT_TRUE(shows("row 99"));
        EXPECT_TRUE(shows("100/100"));
        EXPECT_EQ(row_of("<Quit>"), 21);
    });
    term::type("q");
    EXPECT_EQ(main_menu(items), BOXKIT_RIGHT1);
    EXPECT_EQ(focus, 99);
}

TEST_F(Menu, ClicksAndTheWheel) {
    std::vector<boxkit_menuitem> items = rows(50);
    term::then([] { term::click(row_of("row 3"), column_of("row 3")); });
    term::then([&] {
        EXPECT_EQ(last_row(), " bottom 3");
        term::wheel_down(row_of("row 3"), column_of("row 3"));
    });
    term::then([&] {
        EXPECT_FALSE(shows("row 2 "));
        EXPECT_TRUE(shows("row 17"));
        EXPECT_EQ(last_row(), " bottom 3") << "the focus stays in view";
        term::click(row_of("<Quit>"), column_of("<Quit>") - 2); // between two buttons
        term::click(row_of("<Quit>"), column_of("<Quit>") + 1);
    });
    EXPECT_EQ(main_menu(items), BOXKIT_RIGHT1);
    EXPECT_EQ(focus, 3);
}

} // namespace
