// The text behind boxkit_geterror(), set by whichever part of boxkit failed.
#pragma once

namespace boxkit {

// Sets the text returned by boxkit_geterror(); printf-style.
void set_error(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Fails a dialog call that came before boxkit_init(): BOXKIT_ERROR.
int fail_inactive();

} // namespace boxkit
