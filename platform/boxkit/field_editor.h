// The text of a form field while it is edited: a sequence of characters, each
// kept as the bytes it came as, so that a text accepted unedited comes back
// byte for byte (invalid UTF-8 and control characters included). Pure; the
// form draws it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/boxkit/text_layout.h"

namespace boxkit {

struct field_editor {
    std::vector<std::string> chars; // one character each (or one undecodable byte)
    size_t cursor = 0;              // insertion point, 0..chars.size()
    size_t scroll = 0;              // first character shown
    uint64_t limit = 0;             // typing stops at this many characters; 0: no limit
};

// A field holding `text`, the cursor at its start or end, typing limited to `limit`.
field_editor make_editor(std::string_view text, bool cursor_at_end, uint64_t limit);

// The whole text.
std::string editor_text(const field_editor &e);

// Inserts one character (its bytes) at the cursor. False, and nothing
// changes, when the text already holds `limit` characters or more.
bool editor_insert(field_editor &e, std::string_view character);

// Editing keys.
void editor_left(field_editor &e);
void editor_right(field_editor &e);
void editor_home(field_editor &e);
void editor_end(field_editor &e);
void editor_backspace(field_editor &e);
void editor_delete(field_editor &e);

// Display width of one character of the field (a tab counts as one blank).
unsigned char_width(std::string_view character, bool utf8);

// Moves `scroll` so that the cursor, and the cell it stands on, lie within a
// field `width` columns wide.
void editor_scroll(field_editor &e, unsigned width, bool utf8);

// UTF-8 encoding of a code point (for typed characters).
std::string encode_utf8(char32_t cp);

} // namespace boxkit
