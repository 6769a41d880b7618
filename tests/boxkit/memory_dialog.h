// What the dialog tests on the in-memory screen share: a terminal taken over
// for each test and checked when it ends, and the settings and rows of the
// program's main menu.
#pragma once

#include <clocale>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/keys.h"
#include "tests/support/memory_screen.h"

namespace term = memory_screen;

// Each test starts on an 80x24 UTF-8 screen; every test ends with nothing
// written past the screen and its whole script read, so that a dialog that
// closed too early or too late fails the test.
class MemoryDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        // Display widths of characters come from the locale.
        ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
        restart(24, 80);
    }
    void TearDown() override {
        boxkit_end();
        EXPECT_EQ(term::stray_writes(), 0);
        EXPECT_EQ(term::unread(), 0u);
    }
    // A screen of another size, or without UTF-8.
    static void restart(int lines, int cols, bool utf8 = true) {
        boxkit_end();
        term::reset(lines, cols, utf8);
        ASSERT_EQ(boxkit_init(), BOXKIT_OK);
    }

    static bool shows(const std::string &part) { return term::find(part) != term::nowhere; }
    static int column_of(const std::string &part) { return term::find(part).x; }
    static int row_of(const std::string &part) { return term::find(part).y; }
    static std::string last_row() { return term::row(term::lines() - 1); }
    // Every row of the screen has at most `cols` columns of text.
    static bool fits_width(int cols) {
        for (int y = 0; y < term::lines(); ++y) {
            int width = 0;
            for (char c : term::row(y))
                width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            if (width > cols)
                return false;
        }
        return true;
    }

    // Keeps texts alive for the rows and fields that point at them.
    const char *keep(std::string text) { return texts_.emplace_back(std::move(text)).c_str(); }

    // `n` rows "row i" with the description "description i" and the bottom
    // text "bottom i".
    std::vector<boxkit_menuitem> rows(int n) {
        std::vector<boxkit_menuitem> items;
        for (int i = 0; i < n; ++i) {
            const std::string id = std::to_string(i);
            items.push_back(
                {"", false, 0, keep("row " + id), keep("description " + id), keep("bottom " + id)});
        }
        return items;
    }

  private:
    std::deque<std::string> texts_;
};

// The program's main menu: its settings and its text.
inline constexpr char main_menu_help[] =
    "MibScope presents a snapshot of the sysctl MIB hierarchy.\n\nKeys:\n \\ZbUp / Down\\Zn: "
    "Navigate through and select nodes.\n \\ZbHome\\Zn: Jump to the first node in the list.\n "
    "\\ZbEnd\\Zn: Jump to the last node in the list.";
inline constexpr char main_menu_text[] = "\\ZbF1\\Zn for help. \\ZbESC\\Zn or \\ZbQ\\Zn for quit.";
inline constexpr unsigned main_menu_list_height = 30;

inline boxkit_conf main_menu_conf() {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.title = " MibScope 0.0.3";
    conf.top_margin = conf.bottom_margin = 1;
    conf.esc_enabled = conf.markup = conf.menu_align_left = true;
    conf.menu_hide_descriptions = conf.menu_button_shortcuts = true;
    conf.help_text = main_menu_help;
    conf.left_button1_label = "Navigate";
    conf.left_button2_label = "Properties";
    conf.left_button3_label = "Set Value";
    conf.hide_ok_button = conf.hide_cancel_button = true;
    conf.right_button1_label = "Quit";
    return conf;
}
