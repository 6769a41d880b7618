// The main window: rows built from nodes, the menu's settings, the loop's
// dispatch and its endings.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/options.h"
#include "platform/oidtree.h"
#include "tests/app/program_run.h"
#include "tests/support/dialog_double.h"
#include "tests/support/fake_kernel.h"
#include "tests/support/alloc_failure.h"

namespace {

using app_test::answer;
using app_test::failure;
using app_test::run_program;
using app_test::run_program_to_stderr;
namespace dd = dialog_double;

const char *const mib = R"(
a | node | RD | N | ~ | top node
a.b | node | RD | N | ~ | middle
a.b.c | int | RD+WR | I | 42 | leaf c
a.b.t | string | RD | A | two\nlines | first\nsecond
a.b.e | int | RD | I | 5 |
a.b.u | int | WR | I | 6 | write only
g | string | RD | A | hello | top leaf
)";

oidtree_object *find(oidtree_list *list, const std::string &name) {
    for (oidtree_object *n = list ? list->first : nullptr; n != nullptr; n = n->next) {
        if (name == n->name)
            return n;
        if (oidtree_object *below = find(n->children, name))
            return below;
    }
    return nullptr;
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        dd::reset();
        fake_kernel::load(mib);
        mibscope::opts = mibscope::default_options();
    }
    void TearDown() override {
        mibscope::opts = mibscope::default_options();
        EXPECT_EQ(fake_kernel::live_trees(), 0);
    }
};

// One row as fill_row builds it, with the prefix named by the label it points at.
struct row_case {
    const char *args; // for the trace only
    mibscope::options opts;
    const char *node;
    const char *prefix_label; // "expandable" or "leaf"
    uint32_t depth;
    const char *name;
    const char *description;
    const char *bottom_text;
};

mibscope::options with(void (*change)(mibscope::options &)) {
    mibscope::options o = mibscope::default_options();
    change(o);
    return o;
}

TEST_F(MainWindow, FillRowForEachOptionCombination) {
    const auto none = with([](mibscope::options &) {});
    const auto indent2 = with([](mibscope::options &o) { o.indent = 2; });
    const auto indent0 = with([](mibscope::options &o) { o.indent = 0; });
    const auto full = with([](mibscope::options &o) { o.full_names = true; });
    const auto descr = with([](mibscope::options &o) { o.show_descriptions = true; });
    const auto values = with([](mibscope::options &o) { o.show_values = true; });
    const auto both = with([](mibscope::options &o) {
        o.show_values = true;
        o.show_descriptions = true;
    });
    const std::vector<row_case> cases = {
        {"", none, "a", "expandable", 0, "a", "", "a"},
        {"", none, "g", "leaf", 0, "g", "", "g"},
        {"", none, "a.b.c", "leaf", 2, ".c", "", "a.b.c"},
        {"-i 2", indent2, "a.b.c", "leaf", 4, ".c", "", "a.b.c"},
        {"-i 2", indent2, "a.b", "expandable", 2, ".b", "", "a.b"},
        {"-i 0", indent0, "a.b.c", "leaf", 0, ".c", "", "a.b.c"},
        {"-f", full, "a.b.c", "leaf", 2, "a.b.c", "", ""},
        {"-d", descr, "a.b.c", "leaf", 2, ".c", "leaf c", "a.b.c"},
        {"-d", descr, "a.b.t", "leaf", 2, ".t", "Open [Properties]", "a.b.t"},
        {"-d", descr, "a.b.e", "leaf", 2, ".e", "", "a.b.e"},
        {"-V", values, "a.b.c", "leaf", 2, ".c", "42", "a.b.c"},
        {"-V", values, "g", "leaf", 0, "g", "hello", "g"},
        {"-V", values, "a.b.t", "leaf", 2, ".t", "Open [Properties]", "a.b.t"},
        {"-V", values, "a.b.u", "leaf", 2, ".u", "", "a.b.u"},
        {"-V", values, "a", "expandable", 0, "a", "", "a"},
        {"-d -V", both, "a.b.c", "leaf", 2, ".c", "leaf c", "a.b.c"},
    };
    for (const row_case &c : cases) {
        SCOPED_TRACE(std::string(c.args) + " " + c.node);
        oidtree_list *tree = oidtree_mib();
        mibscope::opts = c.opts;
        oidtree_object *node = find(tree, c.node);
        ASSERT_NE(node, nullptr);
        const int reads_before = fake_kernel::calls(fake_kernel::op::read);
        boxkit_menuitem row;
        std::memset(&row, 0xA5, sizeof row); // every field must be written
        mibscope::fill_row(node, &row);

        const char *label = std::string(c.prefix_label) == "expandable" ? c.opts.expandable_label
                                                                        : c.opts.leaf_label;
        EXPECT_EQ(row.prefix, label); // the label itself, not a copy
        EXPECT_FALSE(row.selected);
        EXPECT_EQ(row.depth, c.depth);
        EXPECT_STREQ(row.name, c.name);
        EXPECT_STREQ(row.description, c.description);
        EXPECT_STREQ(row.bottom_text, c.bottom_text);
        // Names point into the tree; nothing is copied.
        EXPECT_GE(row.name, node->name);
        EXPECT_LT(row.name, node->name + std::strlen(node->name));
        if (c.opts.show_descriptions) {
            EXPECT_EQ(fake_kernel::calls(fake_kernel::op::read), reads_before);
        }
        mibscope::release_previews(&row, 0, 1);
        oidtree_freemib(tree);
    }
}

TEST_F(MainWindow, DepthWrapsInUnsigned32BitArithmetic) {
    oidtree_list *tree = oidtree_mib();
    mibscope::opts.indent = 0x80000000u;
    boxkit_menuitem row{};
    mibscope::fill_row(find(tree, "a.b.c"), &row); // level 3: 2 x 2^31 wraps to 0
    EXPECT_EQ(row.depth, 0u);
    mibscope::fill_row(find(tree, "a.b"), &row);
    EXPECT_EQ(row.depth, 0x80000000u);
    oidtree_freemib(tree);
}

TEST_F(MainWindow, FirstMenuSettingsAndRows) {
    const app_test::program_run r = run_program({});
    ASSERT_EQ(r.status, 0);
    const std::vector<dd::call> menus = dd::calls_of(dd::kind::menu);
    ASSERT_EQ(menus.size(), 1u);
    const dd::call &m = menus[0];
    EXPECT_EQ(m.text, "\\ZbF1\\Zn for help. \\ZbESC\\Zn or \\ZbQ\\Zn for quit.");
    EXPECT_EQ(m.height, 0);
    EXPECT_EQ(m.width, 0);
    EXPECT_EQ(m.list_height, 30u);
    EXPECT_EQ(m.focus_in, 0);
    EXPECT_FALSE(m.focus_was_null);

    const dd::conf_copy &c = m.conf;
    EXPECT_EQ(c.title, " MibScope 0.0.3");
    EXPECT_EQ(c.top_margin, 1u);
    EXPECT_EQ(c.bottom_margin, 1u);
    EXPECT_TRUE(c.esc_enabled);
    EXPECT_TRUE(c.markup);
    EXPECT_TRUE(c.menu_align_left);
    EXPECT_TRUE(c.menu_hide_descriptions);
    EXPECT_TRUE(c.menu_button_shortcuts);
    EXPECT_EQ(c.left_button1_label, "Navigate");
    EXPECT_EQ(c.left_button2_label, "Properties");
    EXPECT_EQ(c.left_button3_label, "Set Value");
    EXPECT_TRUE(c.hide_ok_button);
    EXPECT_TRUE(c.hide_cancel_button);
    EXPECT_EQ(c.right_button1_label, "Quit");
    EXPECT_FALSE(c.ok_button_label.has_value());
    EXPECT_EQ(c.min_height, 0u);
    EXPECT_EQ(c.min_width, 0u);
    ASSERT_TRUE(c.help_text.has_value());
    const std::string &help = *c.help_text;
    EXPECT_EQ(help.rfind("MibScope presents a snapshot of the sysctl MIB hierarchy as it exists at "
                         "application startup.\nParameter values displayed in the main window are "
                         "refreshed dynamically when a corresponding subtree is expanded.",
                         0),
              0u);
    EXPECT_NE(help.find("\n\nRefer to \\Zuhttps://mibscope.org/docs\\Zn as an entry point for "
                        "understanding the structure and semantics of the information displayed "
                        "in MibScope.\n\nKeys:\n \\ZbUp / Down\\Zn: Navigate through and select "
                        "nodes.\n"),
              std::string::npos);
    EXPECT_TRUE(help.ends_with("\n \\Zb[Set Value]\\Zn: Open a form to assign a new value to the "
                               "selected node.\n \\Zb[Quit]\\Zn: Exit the application."));

    ASSERT_EQ(m.menu_items.size(), 2u);
    EXPECT_EQ(m.menu_items[0].prefix, "+");
    EXPECT_EQ(m.menu_items[0].name, "a");
    EXPECT_EQ(m.menu_items[0].bottom_text, "a");
    EXPECT_EQ(m.menu_items[1].prefix, "");
    EXPECT_EQ(m.menu_items[1].name, "g");
    EXPECT_EQ(m.menu_items[1].description, "");
    EXPECT_EQ(m.menu_items[1].depth, 0u);

    // The screen is cleared from row 0 right before the menu.
    const std::vector<dd::call> &all = dd::calls();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].what == dd::kind::menu) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(all[i - 1].what, dd::kind::clear);
            EXPECT_EQ(all[i - 1].row, 0);
        }
}

TEST_F(MainWindow, DescriptionColumnShownWithValuesOrDescriptions) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"-V"}, {"", "hello"}},
        {{"-d"}, {"top node", "top leaf"}},
        {{"-d", "-V"}, {"top node", "top leaf"}},
    };
    for (const auto &[args, descriptions] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        dd::reset();
        ASSERT_EQ(run_program(args).status, 0);
        const dd::call m = dd::calls_of(dd::kind::menu).at(0);
        EXPECT_FALSE(m.conf.menu_hide_descriptions);
        ASSERT_EQ(m.menu_items.size(), 2u);
        EXPECT_EQ(m.menu_items[0].description, descriptions[0]);
        EXPECT_EQ(m.menu_items[1].description, descriptions[1]);
    }
}

TEST_F(MainWindow, DispatchesEachCodeAndKeepsTheFocus) {
    // Focus on g (row 1) for the rest of the session.
    dd::script(dd::kind::menu, answer(BOXKIT_OK, 1));
    for (int code : {1, 2, 3, 4, 10, -2, 99})
        dd::script(dd::kind::menu, answer(code));
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT2));  // properties of g
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT3));  // g is read-only: refused
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT1));  // g is a leaf: nothing
    dd::script(dd::kind::menu, answer(BOXKIT_RIGHT1)); // Quit
    const app_test::program_run r = run_program({"-V"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dd::unscripted(), 0);

    const std::vector<dd::call> menus = dd::calls_of(dd::kind::menu);
    ASSERT_EQ(menus.size(), 12u);
    for (size_t i = 1; i < menus.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(menus[i].focus_in, 1);
        ASSERT_EQ(menus[i].menu_items.size(), 2u);
        // Redraws show the same rows without reading previews again.
        EXPECT_EQ(menus[i].menu_items[1].description, "hello");
    }
    // One read at start-up for g's preview; properties reads once more.
    const std::vector<dd::call> boxes = dd::calls_of(dd::kind::msgbox);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].conf.title, "g");
    EXPECT_TRUE(dd::calls_of(dd::kind::form).empty());
    EXPECT_EQ(dd::calls().back().what, dd::kind::end);
}

TEST_F(MainWindow, SetValueOnAWritableNodeOpensTheForm) {
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT1));    // expand a
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT1, 1)); // expand a.b
    dd::script(dd::kind::menu, answer(BOXKIT_LEFT3, 2)); // a.b.c
    dd::script(dd::kind::menu, answer(BOXKIT_ESC));
    EXPECT_EQ(run_program({}).status, 0);
    const std::vector<dd::call> forms = dd::calls_of(dd::kind::form);
    ASSERT_EQ(forms.size(), 1u);
    ASSERT_EQ(forms[0].form_items.size(), 1u);
    EXPECT_EQ(forms[0].form_items[0].initial_text, "42");
}

TEST_F(MainWindow, EmptyTreeShowsAnEmptyMenuAndEveryButtonIsHarmless) {
    fake_kernel::reset();
    for (int code : {BOXKIT_LEFT1, BOXKIT_LEFT2, BOXKIT_LEFT3})
        dd::script(dd::kind::menu, answer(code));
    dd::script(dd::kind::menu, answer(BOXKIT_ESC));
    const app_test::program_run r = run_program({"-V"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const std::vector<dd::call> menus = dd::calls_of(dd::kind::menu);
    ASSERT_EQ(menus.size(), 4u);
    for (const dd::call &m : menus)
        EXPECT_EQ(m.item_count, 0);
    EXPECT_TRUE(dd::calls_of(dd::kind::msgbox).empty());
    EXPECT_TRUE(dd::calls_of(dd::kind::form).empty());
}

TEST_F(MainWindow, FocusOutsideTheRowsIsIgnored) {
    for (int focus : {2, -1, 1000}) {
        for (int code : {BOXKIT_LEFT1, BOXKIT_LEFT2, BOXKIT_LEFT3})
            dd::script(dd::kind::menu, answer(code, focus));
    }
    dd::script(dd::kind::menu, answer(BOXKIT_ESC));
    EXPECT_EQ(run_program({}).status, 0);
    for (const dd::call &m : dd::calls_of(dd::kind::menu))
        EXPECT_EQ(m.item_count, 2);
    EXPECT_TRUE(dd::calls_of(dd::kind::msgbox).empty());
    EXPECT_TRUE(dd::calls_of(dd::kind::form).empty());
}

TEST_F(MainWindow, FatalErrorsOfTheMainWindow) {
    EXPECT_EXIT(
        {
            dd::script(dd::kind::menu, answer(BOXKIT_LEFT1));
            dd::script(dd::kind::menu, failure("menu broke"));
            run_program_to_stderr({});
        },
        ::testing::ExitedWithCode(1), "^Error: libboxkit menu broke\\.\n$");
}

// The failure leaves memory exhausted until the dialog library is ended: the
// message must still come out.
TEST_F(MainWindow, PreviewThatCannotBeAllocatedDies) {
    const char *const message =
        "^Error: alloc memory getting preview value Cannot allocate memory\\.\n$";
    // The first preview: a, a node, gets an allocated empty text.
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(alloc_failure::fn::strdup);
            run_program_to_stderr({"-V"});
        },
        ::testing::ExitedWithCode(1), message);
    // A child's preview while a expands: the start-up rows take one empty
    // text (a); the second is a.b's, built only by Navigate on a.
    EXPECT_EXIT(
        {
            dd::script(dd::kind::menu, answer(BOXKIT_LEFT1));
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(alloc_failure::fn::strdup, 2);
            run_program_to_stderr({"-V"});
        },
        ::testing::ExitedWithCode(1), message);
    EXPECT_EXIT(
        {
            alloc_failure::fail_nth(alloc_failure::fn::strdup, 2);
            run_program_to_stderr({"-V"});
        },
        ::testing::ExitedWithCode(0), "^$");
}

} // namespace
