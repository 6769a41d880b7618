// The program's one exit for fatal errors.
#pragma once

namespace mibscope {

// Ends the dialog library, writes the formatted text to standard output and
// ends the process with exit status 1. Callers compute every argument (the
// dialog library's error text, strerror(errno)) before calling.
[[noreturn]] void die(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace mibscope
