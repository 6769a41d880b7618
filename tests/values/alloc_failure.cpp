#include "tests/values/alloc_failure.h"

#include <cerrno>
#include <cstdarg>
#include <cstddef>

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *p, size_t size);
char *__real_strdup(const char *s);
int __real_vasprintf(char **out, const char *format, va_list args);
}

namespace alloc_failure {
namespace {

// Calls still to go before the armed failure of each function; 0: disarmed.
int countdown[5];

bool should_fail(fn what) {
    int &left = countdown[static_cast<int>(what)];
    if (left == 0)
        return false;
    if (--left > 0)
        return false;
    errno = ENOMEM;
    return true;
}

} // namespace

void fail_nth(fn what, int nth) {
    countdown[static_cast<int>(what)] = nth;
}

void disarm() {
    for (int &c : countdown)
        c = 0;
}

} // namespace alloc_failure

using alloc_failure::fn;

extern "C" {

void *__wrap_malloc(size_t size) {
    return alloc_failure::should_fail(fn::malloc) ? nullptr : __real_malloc(size);
}

void *__wrap_calloc(size_t count, size_t size) {
    return alloc_failure::should_fail(fn::calloc) ? nullptr : __real_calloc(count, size);
}

void *__wrap_realloc(void *p, size_t size) {
    return alloc_failure::should_fail(fn::realloc) ? nullptr : __real_realloc(p, size);
}

char *__wrap_strdup(const char *s) {
    return alloc_failure::should_fail(fn::strdup) ? nullptr : __real_strdup(s);
}

int __wrap_vasprintf(char **out, const char *format, va_list args) {
    if (alloc_failure::should_fail(fn::asprintf))
        return -1;
    return __real_vasprintf(out, format, args);
}

int __wrap_asprintf(char **out, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int n = __wrap_vasprintf(out, format, args);
    va_end(args);
    return n;
}

} // extern "C"
