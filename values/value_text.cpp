#include "values/value_text.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/kernel.h"
#include "values/value_types.h"

namespace mibscope {
namespace {

// A preview longer than this does not fit the main window's description column.
constexpr size_t preview_max_length = 20;

bool is_signed_type(unsigned type) {
    switch (type) {
    case CTLTYPE_INT:
    case CTLTYPE_S64:
    case CTLTYPE_LONG:
    case CTLTYPE_S8:
    case CTLTYPE_S16:
    case CTLTYPE_S32:
        return true;
    default:
        return false;
    }
}

// Appends one element of `size` bytes at `p` in decimal. The bytes are copied
// out, so the element need not be aligned in the buffer.
void append_element(std::string &out, const char *p, uint64_t size, bool is_signed) {
    uint64_t bits = 0;
    int64_t value = 0;
    switch (size) {
    case 1: {
        uint8_t v;
        std::memcpy(&v, p, 1);
        bits = v;
        value = static_cast<int8_t>(v);
        break;
    }
    case 2: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        bits = v;
        value = static_cast<int16_t>(v);
        break;
    }
    case 4: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        bits = v;
        value = static_cast<int32_t>(v);
        break;
    }
    default: {
        std::memcpy(&bits, p, 8);
        value = static_cast<int64_t>(bits);
        break;
    }
    }
    char digits[24];
    if (is_signed)
        std::snprintf(digits, sizeof digits, "%" PRId64, value);
    else
        std::snprintf(digits, sizeof digits, "%" PRIu64, bits);
    out += digits;
}

// Delivers a new copy of a constant text: 0, or -1 when it cannot be allocated.
int deliver(const char *constant, char **text) {
    char *copy = strdup(constant);
    if (copy == nullptr)
        return -1;
    *text = copy;
    return 0;
}

// Delivers `format` with the C library's text for `err` in its one %s.
int deliver_error(const char *format, int err, char **text) {
    char *composed = nullptr;
    if (asprintf(&composed, format, std::strerror(err)) < 0)
        return -1;
    *text = composed;
    return 0;
}

enum class fetch_result { ok, probe_failed, no_memory, read_failed };

// The two-step read: probe the size, then read into a zero-filled buffer of
// twice that size, so that a value that grew in between still fits. One more
// zero byte past the capacity ends a string that fills all of it. On ok the
// buffer is the caller's; on read_failed *read_error is the read's errno.
fetch_result fetch(const oidtree_object *node, char **buffer, size_t *length, int *read_error) {
    const unsigned level = static_cast<unsigned>(node->level);
    size_t probed = 0;
    if (mibscope::sysctl(node->oid, level, nullptr, &probed, nullptr, 0) != 0)
        return fetch_result::probe_failed;
    if (probed > (SIZE_MAX - 1) / 2) {
        errno = ENOMEM;
        return fetch_result::no_memory;
    }
    const size_t capacity = probed * 2;
    auto *data = static_cast<char *>(std::calloc(capacity + 1, 1));
    if (data == nullptr)
        return fetch_result::no_memory;
    size_t got = capacity;
    if (mibscope::sysctl(node->oid, level, data, &got, nullptr, 0) != 0) {
        *read_error = errno;
        std::free(data);
        return fetch_result::read_failed;
    }
    *buffer = data;
    *length = got < capacity ? got : capacity;
    return fetch_result::ok;
}

bool has_no_value(const oidtree_object *node) {
    return node->type == CTLTYPE_NODE || node->type == CTLTYPE_OPAQUE ||
           (node->flags & CTLFLAG_RD) == 0;
}

} // namespace

int format_value(char *buffer, uint64_t length, unsigned type, char **text) {
    if (type == CTLTYPE_STRING) {
        // The buffer is the text. When none of its valid bytes is NUL, it grows
        // by one byte to hold one, so that the text never runs past the value.
        if (length == 0 || std::memchr(buffer, 0, length) == nullptr) {
            if (length >= SIZE_MAX) {
                errno = ENOMEM;
                return -1;
            }
            auto *ended = static_cast<char *>(std::realloc(buffer, length + 1));
            if (ended == nullptr)
                return -1;
            ended[length] = '\0';
            buffer = ended;
        }
        *text = buffer;
        return 0;
    }

    const value_type *row = value_type_of(type);
    if (row == nullptr || row->element_size == 0)
        return deliver("Unknown type", text);

    const uint64_t size = row->element_size;
    const bool is_signed = is_signed_type(type);
    std::string out;
    try {
        for (uint64_t i = 0; i < length / size; ++i) {
            if (i > 0)
                out += ',';
            append_element(out, buffer + i * size, size, is_signed);
        }
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        return -1;
    }
    auto *composed = static_cast<char *>(std::malloc(out.size() + 1));
    if (composed == nullptr)
        return -1;
    std::memcpy(composed, out.c_str(), out.size() + 1);
    *text = composed;
    return 0;
}

int read_value(const oidtree_object *node, char **text) {
    if (node == nullptr || text == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (node->type == CTLTYPE_OPAQUE)
        return deliver("Value is OPAQUE", text);
    if (node->type == CTLTYPE_NODE)
        return deliver("No value, parameter is a NODE", text);
    if ((node->flags & CTLFLAG_RD) == 0)
        return deliver("No RD flag", text);

    char *buffer = nullptr;
    size_t length = 0;
    int read_error = 0;
    switch (fetch(node, &buffer, &length, &read_error)) {
    case fetch_result::probe_failed:
        return deliver("Cannot get value size via sysctl()", text);
    case fetch_result::no_memory:
        return deliver("Cannot allocate memory for value", text);
    case fetch_result::read_failed:
        return deliver_error("Cannot get value: %s", read_error, text);
    case fetch_result::ok:
        break;
    }

    char *value = nullptr;
    if (format_value(buffer, length, node->type, &value) != 0) {
        const int err = errno;
        std::free(buffer);
        return deliver_error("Cannot alloc parse string: %s", err, text);
    }
    if (node->type != CTLTYPE_STRING)
        std::free(buffer);
    *text = value;
    return 0;
}

int value_preview(const oidtree_object *node, char **text) {
    if (node == nullptr || text == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (has_no_value(node))
        return deliver("", text);

    char *buffer = nullptr;
    size_t length = 0;
    int read_error = 0;
    switch (fetch(node, &buffer, &length, &read_error)) {
    case fetch_result::probe_failed:
    case fetch_result::read_failed:
        return deliver("", text);
    case fetch_result::no_memory:
        return -1;
    case fetch_result::ok:
        break;
    }

    char *value = nullptr;
    if (format_value(buffer, length, node->type, &value) != 0) {
        std::free(buffer);
        return deliver("", text);
    }
    if (node->type != CTLTYPE_STRING)
        std::free(buffer); // for a string, value is the buffer
    if (std::strchr(value, '\n') != nullptr || std::strlen(value) > preview_max_length) {
        std::free(value);
        return deliver("Open [Properties]", text);
    }
    *text = value;
    return 0;
}

} // namespace mibscope
