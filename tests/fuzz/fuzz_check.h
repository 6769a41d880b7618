// The one way a fuzz target reports a broken invariant: a message on standard
// error and abort(), which libFuzzer records as a crash with its input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void fail(const char *what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

inline void require(bool holds, const char *what) {
    if (!holds)
        fail(what);
}

} // namespace fuzz
