#include "tests/support/alloc_failure.h"

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "tests/support/dialog_double.h"

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
// Whether an armed failure starts an exhaustion, and whether one is on.
bool exhaust_armed = false;
bool exhausted = false;

bool should_fail(fn what) {
    int &left = countdown[static_cast<int>(what)];
    if (exhausted || (left > 0 && --left == 0)) {
        exhausted = exhausted || exhaust_armed;
        errno = ENOMEM;
        return true;
    }
    return false;
}

} // namespace

bool memory_exhausted() {
    return exhausted;
}

void end_exhaustion() {
    exhaust_armed = false;
    exhausted = false;
}

void fail_nth(fn what, int nth) {
    countdown[static_cast<int>(what)] = nth;
}

void exhaust_after_failure() {
    exhaust_armed = true;
    // Ending the dialog library ends an exhaustion: what a fatal path does
    // after that (writing its message, exiting) is out of the test's reach.
    dialog_double::on_end(end_exhaustion);
}

void disarm() {
    for (int &c : countdown)
        c = 0;
    end_exhaustion();
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

// Operator new, replaced so that it fails while memory is exhausted; it takes
// its memory from malloc, so every form of delete gives it back with free.
namespace {

void *new_or_null(size_t size) {
    if (alloc_failure::memory_exhausted())
        return nullptr;
    return __real_malloc(size == 0 ? 1 : size);
}

void *new_or_throw(size_t size) {
    void *p = new_or_null(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

} // namespace

void *operator new(size_t size) {
    return new_or_throw(size);
}
void *operator new[](size_t size) {
    return new_or_throw(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept {
    return new_or_null(size);
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept {
    return new_or_null(size);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, size_t) noexcept {
    std::free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
