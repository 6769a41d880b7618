// What the dialog tests on the in-memory screen share: a terminal taken over
// for each test and checked when it ends, and rows for menus.
#pragma once

#include <clocale>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/boxkit.h"
#include "platform/boxkit/keys.h"
#include "tests/boxkit/main_menu.h"
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
