// Editing a form field's text, without a terminal.
#include "platform/boxkit/field_editor.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace boxkit {
namespace {

TEST(FieldEditor, UneditedTextComesBackByteForByte) {
    const std::string texts[] = {"",
                                 "plain",
                                 "h\xc3\xa9llo",
                                 "bad\xff\xc0\xaf",
                                 "tab\tesc\x1b[1m",
                                 std::string(100000, 'x')};
    for (const std::string &text : texts) {
        const field_editor e = make_editor(text, true, 50);
        EXPECT_EQ(editor_text(e), text);
        EXPECT_EQ(e.cursor, e.chars.size());
    }
    EXPECT_EQ(make_editor("h\xc3\xa9llo", false, 0).chars.size(), 5u); // characters, not bytes
    EXPECT_EQ(make_editor("h\xc3\xa9llo", false, 0).cursor, 0u);
}

TEST(FieldEditor, EditingKeysWorkOnCharacters) {
    field_editor e = make_editor("h\xc3\xa9llo", true, 0);
    editor_backspace(e); // hél l
    editor_left(e);
    editor_left(e);      // h é | l l
    editor_backspace(e); // h | l l
    EXPECT_EQ(editor_text(e), "hll");
    EXPECT_TRUE(editor_insert(e, "\xe2\x82\xac"));
    EXPECT_EQ(editor_text(e), "h\xe2\x82\xac"
                              "ll");
    editor_home(e);
    editor_delete(e);
    editor_backspace(e); // nothing before the cursor
    EXPECT_EQ(editor_text(e), "\xe2\x82\xac"
                              "ll");
    editor_end(e);
    editor_delete(e); // nothing after it
    editor_right(e);
    EXPECT_EQ(e.cursor, 3u);
    EXPECT_TRUE(editor_insert(e, "!"));
    EXPECT_EQ(editor_text(e), "\xe2\x82\xac"
                              "ll!");
}

TEST(FieldEditor, TheLimitStopsTypingButKeepsALongerText) {
    field_editor e = make_editor("abc", true, 4);
    EXPECT_TRUE(editor_insert(e, "d"));
    EXPECT_FALSE(editor_insert(e, "e"));
    EXPECT_EQ(editor_text(e), "abcd");

    const std::string long_text(60, 'v');
    field_editor over = make_editor(long_text, true, 50);
    EXPECT_FALSE(editor_insert(over, "x"));
    EXPECT_EQ(editor_text(over), long_text);
    for (int i = 0; i < 10; ++i)
        editor_backspace(over);
    EXPECT_FALSE(editor_insert(over, "x")); // 50 characters: still full
    editor_backspace(over);
    EXPECT_TRUE(editor_insert(over, "x"));
    EXPECT_EQ(over.chars.size(), 50u);

    field_editor unlimited = make_editor(long_text, true, 0);
    EXPECT_TRUE(editor_insert(unlimited, "x"));
}

TEST(FieldEditor, ScrollingKeepsTheCursorInTheField) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
        GTEST_SKIP() << "no C.UTF-8 locale";
    field_editor e = make_editor(std::string(30, 'a'), true, 0);
    editor_scroll(e, 20, true);
    EXPECT_EQ(e.scroll, 11u); // 19 characters and the cursor's cell
    editor_home(e);
    editor_scroll(e, 20, true);
    EXPECT_EQ(e.scroll, 0u);

    // Wide characters take two columns each.
    field_editor wide = make_editor("\xe6\x97\xa5\xe6\x97\xa5\xe6\x97\xa5\xe6\x97\xa5", true, 0);
    editor_scroll(wide, 5, true);
    EXPECT_EQ(wide.scroll, 2u);
    editor_scroll(wide, 1, true);
    EXPECT_EQ(wide.scroll, 4u);
}

TEST(FieldEditor, EncodesTypedCharacters) {
    EXPECT_EQ(encode_utf8('a'), "a");
    EXPECT_EQ(encode_utf8(0xE9), "\xc3\xa9");
    EXPECT_EQ(encode_utf8(0x65E5), "\xe6\x97\xa5");
    EXPECT_EQ(encode_utf8(0x1F600), "\xf0\x9f\x98\x80");
    EXPECT_EQ(encode_utf8(0xD800), "");
    EXPECT_EQ(encode_utf8(0x110000), "");
}

} // namespace
} // namespace boxkit
