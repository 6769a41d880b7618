// ncursesw with its wide-character interface, and the attributes and colour
// pair of each role, chosen when the terminal is taken over.
#pragma once

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

#include "platform/boxkit/screen.h"

namespace boxkit {

struct look {
    attr_t attrs;
    short pair;
};

look look_of(role r);

} // namespace boxkit
