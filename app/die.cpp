#include "app/die.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/boxkit.h"

namespace mibscope {

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

} // namespace mibscope
