#include "platform/boxkit/error.h"

#include <cstdarg>
#include <cstdio>

#include "platform/boxkit.h"

namespace boxkit {

namespace {

// Outlives boxkit_end(), so that a caller can report why the library ended.
char error_text[512] = "";

} // namespace

void set_error(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(error_text, sizeof error_text, format, args);
    va_end(args);
}

int fail_inactive() {
    set_error("the terminal is not initialised (boxkit_init)");
    return BOXKIT_ERROR;
}

} // namespace boxkit

const char *boxkit_geterror(void) {
    return boxkit::error_text;
}
