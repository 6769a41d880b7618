// Makes one chosen C allocation call fail, for the paths that end the program
// when memory runs out. A test executable that links the alloc_failure target
// is linked with --wrap for malloc, calloc, realloc, strdup, asprintf and
// vasprintf, so the calls made by the statically linked code (the program's
// libraries and the test doubles) pass through here. C++ operator new is
// replaced here too, but fails only while memory is exhausted. An exhaustion
// ends when the dialog double's boxkit_end() runs (its end hook).
#pragma once

namespace alloc_failure {

enum class fn { malloc, calloc, realloc, strdup, asprintf };

// The nth call of `what` from now on fails as the C library fails for want of
// memory (null or -1, errno ENOMEM); every other call goes through. Several
// functions may be armed at once.
void fail_nth(fn what, int nth = 1);

// From the next armed failure on, every allocation fails: the C calls above
// and C++ operator new alike, as when memory has run out for good. It lasts
// until the dialog library is ended, so that a test sees whether a fatal path
// gets its message out without allocating before it restores the terminal.
void exhaust_after_failure();

// Disarms every function and ends an exhaustion.
void disarm();

// Whether memory is exhausted now; ending the dialog library ends it.
bool memory_exhausted();
void end_exhaustion();

} // namespace alloc_failure
