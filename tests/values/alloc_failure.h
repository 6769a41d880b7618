// Makes one chosen C allocation call fail, for the paths that end the program
// when memory runs out. The test executable is linked with
// -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=strdup,--wrap=asprintf,
// --wrap=vasprintf, so the calls made by the statically linked code (the program's
// library and the test doubles) pass through here; C++ allocations do not.
#pragma once

namespace alloc_failure {

enum class fn { malloc, calloc, realloc, strdup, asprintf };

// The nth call of `what` from now on fails as the C library fails for want of
// memory (null or -1, errno ENOMEM); every other call goes through. Several
// functions may be armed at once.
void fail_nth(fn what, int nth = 1);

// Disarms every function.
void disarm();

} // namespace alloc_failure
