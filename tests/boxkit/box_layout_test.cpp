// Box sizes, buttons and menu columns, without a terminal.
#include "platform/boxkit/box_layout.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#include "platform/boxkit/menu_layout.h"

namespace boxkit {
namespace {

TEST(BoxLayout, MarginsKeepRowsFreeUnlessNothingWouldBeLeft) {
    const rect with = usable_area(24, 80, 1, 1);
    EXPECT_EQ(with.top, 1);
    EXPECT_EQ(with.height, 22);
    EXPECT_EQ(with.width, 80);
    const rect without = usable_area(2, 80, 1, 1);
    EXPECT_EQ(without.top, 0);
    EXPECT_EQ(without.height, 2);
    EXPECT_EQ(usable_area(24, 80, UINT32_MAX, UINT32_MAX).height, 24);
}

TEST(BoxLayout, ExtentsAreAutomaticOrFixedAndAlwaysFit) {
    struct {
        int requested;
        uint64_t content;
        uint32_t minimum;
        int available;
        int expected;
    } const cases[] = {
        {0, 10, 0, 80, 10},                            // automatic: the content
        {0, 10, 45, 80, 45},                           // no smaller than the minimum
        {0, 200, 0, 80, 80},                           // no larger than the screen
        {0, 10, UINT32_MAX, 80, 80},                   // nor through the minimum
        {15, 100, 0, 80, 15},                          // fixed: kept
        {15, 100, 0, 10, 10},                          // shrunk to fit
        {-3, 10, 0, 80, 10},                           // negative: automatic
        {0, UINT64_MAX, 0, 80, 80},  {5, 10, 0, 0, 0}, // nothing available
    };
    for (const auto &c : cases)
        EXPECT_EQ(choose_extent(c.requested, c.content, c.minimum, c.available), c.expected)
            << c.requested << " " << c.content << " " << c.minimum << " " << c.available;
    const rect box = centre_box({1, 0, 22, 80}, 10, 40);
    EXPECT_EQ(box.top, 7);
    EXPECT_EQ(box.left, 20);
}

TEST(BoxLayout, TheFrameFitsItsContentAndGivesUpTheSeparatorWhenSqueezed) {
    const std::vector<button> ok = {{"OK", BOXKIT_OK}};
    struct {
        int lines, cols;
        frame_request request;
        uint64_t content_rows;
        rect box, body;
        int separator_row, button_y;
    } const cases[] = {
        // Content of 30x5: 34 columns, 5 rows + borders, separator and buttons.
        {24, 80, {0, 0, 30, true, 1}, 5, {7, 23, 9, 34}, {8, 25, 5, 30}, 6, 14},
        // Without buttons: only the borders.
        {24, 80, {0, 0, 30, false, 1}, 5, {8, 23, 7, 34}, {9, 25, 5, 30}, 0, 13},
        // An automatic width keeps a blank column each side of the screen.
        {24, 80, {0, 0, 200, true, 1}, 1, {9, 1, 5, 78}, {10, 3, 1, 74}, 2, 12},
        // A fixed size is kept, or shrunk to the screen.
        {24, 80, {12, 200, 30, true, 1}, 1, {6, 0, 12, 80}, {7, 2, 8, 76}, 9, 16},
        // Four rows: the separator gives its row to the content, unless the
        // dialog keeps it with no row of content (minimum 0).
        {4, 80, {0, 0, 30, true, 1}, 5, {0, 23, 4, 34}, {1, 25, 1, 30}, 0, 2},
        {4, 80, {0, 0, 30, true, 0}, 5, {0, 23, 4, 34}, {1, 25, 0, 30}, 1, 2},
        // Screens too small for any content.
        {2, 3, {0, 0, 30, true, 1}, 5, {0, 0, 2, 3}, {1, 2, 0, 0}, 0, 0},
        {0, 0, {0, 0, 30, true, 1}, 5, {0, 0, 0, 0}, {1, 2, 0, 0}, 0, -2},
    };
    boxkit_conf conf{};
    for (const auto &c : cases) {
        int asked_width = -1;
        const dialog_frame f =
            lay_out_dialog(conf, c.lines, c.cols, c.request, ok, true, [&](int width) {
                asked_width = width;
                return c.content_rows;
            });
        const std::string where = std::to_string(c.lines) + "x" + std::to_string(c.cols) + " " +
                                  std::to_string(c.request.content_width);
        EXPECT_EQ(asked_width, f.body.width) << where;
        for (const auto &[got, want] : {std::pair{f.box, c.box}, std::pair{f.body, c.body}}) {
            EXPECT_EQ(got.top, want.top) << where;
            EXPECT_EQ(got.left, want.left) << where;
            EXPECT_EQ(got.height, want.height) << where;
            EXPECT_EQ(got.width, want.width) << where;
        }
        EXPECT_EQ(f.separator_row, c.separator_row) << where;
        EXPECT_EQ(f.button_y, c.button_y) << where;
    }
    // The title widens the box, with a blank each side.
    conf.title = "A title of 24 characters";
    EXPECT_EQ(
        lay_out_dialog(conf, 24, 80, {0, 0, 2, true, 1}, ok, true, [](int) { return uint64_t{1}; })
            .box.width,
        24 + title_padding + frame_cols);
}

std::string labels(const std::vector<button> &buttons) {
    std::string out;
    for (const button &b : buttons)
        out += b.label + "=" + std::to_string(b.code) + " ";
    return out;
}

TEST(BoxLayout, ButtonsComeInOrderAndHide) {
    boxkit_conf conf{};
    EXPECT_EQ(labels(dialog_buttons(conf, false)), "OK=0 ");
    EXPECT_EQ(labels(dialog_buttons(conf, true)), "OK=0 Cancel=1 ");
    conf.left_button1_label = "Navigate";
    conf.left_button2_label = "Properties";
    conf.left_button3_label = "Set Value";
    conf.right_button1_label = "Quit";
    conf.ok_button_label = "Go";
    EXPECT_EQ(labels(dialog_buttons(conf, true)),
              "Navigate=6 Properties=7 Set Value=8 Go=0 Cancel=1 Quit=9 ");
    conf.hide_ok_button = conf.hide_cancel_button = true;
    EXPECT_EQ(labels(dialog_buttons(conf, true)), "Navigate=6 Properties=7 Set Value=8 Quit=9 ");
}

TEST(BoxLayout, ButtonsAreCentredOrPackedWhenTooWide) {
    const std::vector<button> two = {{"OK", 0}, {"Cancel", 1}};
    EXPECT_EQ(buttons_width(two, true), 4u + 2 + 8);
    EXPECT_EQ(button_columns(two, 20, true), (std::vector<uint64_t>{3, 9}));
    EXPECT_EQ(button_columns(two, 5, true), (std::vector<uint64_t>{0, 5}));
}

TEST(BoxLayout, ShortcutsMatchTheFirstLetterInEitherCase) {
    const std::vector<button> buttons = {{"Navigate", 6}, {"Properties", 7}, {"Set Value", 8},
                                         {"", 0},         {"Quit", 9},       {"quiet", 3}};
    EXPECT_EQ(shortcut_button(buttons, 'q'), 4);
    EXPECT_EQ(shortcut_button(buttons, 'Q'), 4);
    EXPECT_EQ(shortcut_button(buttons, 's'), 2);
    EXPECT_EQ(shortcut_button(buttons, 'x'), -1);
    EXPECT_EQ(shortcut_button(buttons, 27), -1);
    EXPECT_EQ(shortcut_button(buttons, 0x263A), -1);
}

boxkit_menuitem row(const char *prefix, uint32_t depth, const char *name, const char *desc) {
    return {prefix, false, depth, name, desc, ""};
}

TEST(MenuLayout, PrefixesArePaddedAndDescriptionsAligned) {
    const boxkit_menuitem rows[] = {
        row("+", 0, "kern", "Kernel"),
        row("", 0, "vm", "Virtual memory"),
        row("[+]", 2, ".hostname", "Name"),
        row(nullptr, 2, ".ostype", nullptr),
    };
    const text_style style{true, false, false};
    const menu_columns cols = measure_menu(rows, 4, style, false);
    EXPECT_EQ(cols.prefix_width, 3u);
    EXPECT_EQ(cols.name_end, 2 + 4 + 9u); // depth + prefix and blank + ".hostname"
    EXPECT_EQ(cols.desc_width, 14u);
    EXPECT_EQ(cols.row_width, 15 + 2 + 14u);

    const row_columns top = place_row(cols, 0, 80, true, false);
    const row_columns child = place_row(cols, 2, 80, true, false);
    EXPECT_EQ(top.name_x, 4u); // siblings' names line up whatever their prefix
    EXPECT_EQ(child.name_x, 6u);
    EXPECT_EQ(top.desc_x, child.desc_x);
    EXPECT_EQ(top.desc_x, 17u);

    const row_columns centred = place_row(cols, 0, 81, false, false);
    EXPECT_EQ(centred.prefix_x, (81 - 31) / 2u);

    const menu_columns hidden = measure_menu(rows, 4, style, true);
    EXPECT_EQ(hidden.desc_width, 0u);
    EXPECT_EQ(hidden.row_width, hidden.name_end);
}

TEST(MenuLayout, DeepRowsAndNarrowListsStayBounded) {
    const boxkit_menuitem rows[] = {
        row("+", UINT32_MAX, "deep", "far"),
        row("", 0, "shallow", "near"),
    };
    const menu_columns cols = measure_menu(rows, 2, {true, false, false}, false);
    EXPECT_EQ(cols.name_end, uint64_t{UINT32_MAX} + 2 + 4);
    const row_columns shallow = place_row(cols, 0, 40, true, false);
    // The descriptions move into view instead of following the deep name.
    EXPECT_EQ(shallow.desc_x, 36u);
    EXPECT_EQ(place_row(cols, UINT32_MAX, 40, true, false).prefix_x, uint64_t{UINT32_MAX});
    EXPECT_EQ(measure_menu(nullptr, 5, {true, false, false}, false).row_width, 0u);
    EXPECT_EQ(measure_menu(rows, 0, {true, false, false}, false).row_width, 0u);
}

} // namespace
} // namespace boxkit
