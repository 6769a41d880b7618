#include "app/die.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/boxkit.h"

namespace mibscope {
namespace {

// Room for an error text of the C library or of the dialog library; a longer
// one is cut.
constexpr size_t error_text_room = 512;

} // namespace

void die(const char *format, ...) {
    // The terminal is restored before the message, so that the line stands on a
    // clean screen after the program has gone.
    boxkit_end();
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
    std::exit(1);
}

// The error texts are copied before die() ends the dialog library, into
// storage of their own: most of these paths start when memory has run out, so
// nothing may be allocated between the failure and the message.
void die_errno(const char *context) {
    char error[error_text_room];
    std::snprintf(error, sizeof error, "%s", std::strerror(errno));
    die("Error: %s %s.\n", context, error);
}

void die_boxkit() {
    char error[error_text_room];
    std::snprintf(error, sizeof error, "%s", boxkit_geterror());
    die("Error: libboxkit %s.\n", error);
}

} // namespace mibscope
