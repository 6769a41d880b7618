// write_value: the typed text parsed according to the node's type and written
// to the kernel.
#include "values/set_value.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/kernel.h"
#include "values/value_types.h"

namespace mibscope {
namespace {

struct free_deleter {
    void operator()(void *p) const { std::free(p); }
};
using malloced = std::unique_ptr<char, free_deleter>;

// Delivers `format` with the C library's text for `err` as the reason: 1, or
// -1 when the reason cannot be allocated.
int refuse(const char *format, int err, char **reason) {
    char *text = nullptr;
    if (asprintf(&text, format, std::strerror(err)) < 0)
        return -1;
    *reason = text;
    return 1;
}

enum class conversion { none, strtoll, strtoimax, strtoull, strtoumax };

conversion conversion_of(unsigned type) {
    switch (type) {
    case CTLTYPE_INT:
    case CTLTYPE_LONG:
    case CTLTYPE_S8:
    case CTLTYPE_S16:
    case CTLTYPE_S32:
        return conversion::strtoll;
    case CTLTYPE_S64:
        return conversion::strtoimax;
    case CTLTYPE_UINT:
    case CTLTYPE_ULONG:
    case CTLTYPE_U8:
    case CTLTYPE_U16:
    case CTLTYPE_U32:
        return conversion::strtoull;
    case CTLTYPE_U64:
        return conversion::strtoumax;
    default:
        return conversion::none;
    }
}

// Converts one piece to an element of `size` bytes (1, 2, 4 or 8), in base 0
// after leading white space. Returns 0 with the element's bits in *element, or
// the error: EINVAL for a piece without digits or with anything but blanks
// after its number, ERANGE for a number beyond the conversion's range or the
// element's width. An unsigned element also takes a negative number down to
// -2^(width-1), stored as its two's complement, so that -1 sets every bit.
int convert_piece(const char *piece, conversion how, uint64_t size, uint64_t *element) {
    const unsigned bits = static_cast<unsigned>(size * 8);
    char *end = nullptr;
    uint64_t value = 0;
    // Cleared first: only this conversion's own error may fail the piece.
    errno = 0;
    if (how == conversion::strtoll || how == conversion::strtoimax) {
        const int64_t v = how == conversion::strtoll ? std::strtoll(piece, &end, 0)
                                                     : std::strtoimax(piece, &end, 0);
        if (errno == 0 && bits < 64) {
            const int64_t limit = int64_t{1} << (bits - 1);
            if (v < -limit || v > limit - 1)
                errno = ERANGE;
        }
        value = static_cast<uint64_t>(v);
    } else {
        value = how == conversion::strtoull ? std::strtoull(piece, &end, 0)
                                            : std::strtoumax(piece, &end, 0);
        const char *first = piece;
        while (std::isspace(static_cast<unsigned char>(*first)))
            ++first;
        if (errno == 0 && *first == '-') {
            // Negated in 64-bit arithmetic by the conversion: take it back.
            if (0 - value > uint64_t{1} << (bits - 1))
                errno = ERANGE;
        } else if (errno == 0 && bits < 64 && value > (uint64_t{1} << bits) - 1) {
            errno = ERANGE;
        }
    }
    const int err = errno;
    if (err == EINVAL || err == ERANGE)
        return err;
    // The C library does not report a piece without digits here; the end
    // pointer tells.
    if (end == piece)
        return EINVAL;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0')
        return EINVAL;
    *element = value;
    return 0;
}

// Stores the low `size` bytes of `value` at `p` in the machine's byte order.
void store_element(char *p, uint64_t value, uint64_t size) {
    const uint8_t v8 = static_cast<uint8_t>(value);
    const uint16_t v16 = static_cast<uint16_t>(value);
    const uint32_t v32 = static_cast<uint32_t>(value);
    switch (size) {
    case 1:
        std::memcpy(p, &v8, 1);
        break;
    case 2:
        std::memcpy(p, &v16, 2);
        break;
    case 4:
        std::memcpy(p, &v32, 4);
        break;
    default:
        std::memcpy(p, &value, 8);
        break;
    }
}

int write_bytes(const oidtree_object *node, const void *bytes, size_t length, char **reason) {
    if (mibscope::sysctl(node->oid, static_cast<unsigned>(node->level), nullptr, nullptr, bytes,
                         length) != 0)
        return refuse("error sysctl() %s", errno, reason);
    return 0;
}

} // namespace

int write_value(const oidtree_object *node, const char *text, char **reason) {
    if (node == nullptr || text == nullptr || reason == nullptr) {
        errno = EINVAL;
        return -1;
    }
    // Work on a copy: the caller quotes its text afterwards.
    malloced copy(strdup(text));
    if (!copy)
        return -1;

    if (node->type == CTLTYPE_STRING)
        return write_bytes(node, copy.get(), std::strlen(copy.get()) + 1, reason);

    const conversion how = conversion_of(node->type);
    if (how == conversion::none) {
        char *unknown = strdup("Unknown type");
        if (unknown == nullptr)
            return -1;
        *reason = unknown;
        return 1;
    }
    const uint64_t size = value_types[node->type].element_size;

    // One element per comma-separated piece; an empty piece fails as having no digits.
    malloced buffer;
    size_t count = 0;
    char *piece = copy.get();
    for (;;) {
        char *comma = std::strchr(piece, ',');
        if (comma != nullptr)
            *comma = '\0';
        void *grown = std::realloc(buffer.get(), (count + 1) * size);
        if (grown == nullptr)
            return -1;
        (void)buffer.release();
        buffer.reset(static_cast<char *>(grown));
        uint64_t element = 0;
        if (int err = convert_piece(piece, how, size, &element))
            return refuse("setting array value %s", err, reason);
        store_element(buffer.get() + count * size, element, size);
        ++count;
        if (comma == nullptr)
            break;
        piece = comma + 1;
    }
    return write_bytes(node, buffer.get(), count * size, reason);
}

} // namespace mibscope
