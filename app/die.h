// The program's one exit for fatal errors.
#pragma once

namespace mibscope {

// Ends the dialog library, writes the formatted text to standard output and
// ends the process with exit status 1. Callers compute every argument (the
// dialog library's error text, strerror(errno)) before calling.
[[noreturn]] void die(const char *format, ...) __attribute__((format(printf, 1, 2)));

// die() with "Error: %s %s.\n", `context` and the text of the current errno.
[[noreturn]] void die_errno(const char *context);

// die() with "Error: libboxkit %s.\n" and the dialog library's error text.
[[noreturn]] void die_boxkit();

} // namespace mibscope
