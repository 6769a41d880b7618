// format_value on arbitrary buffers, lengths and type codes.
//
// Input: the first byte gives the type code (0..31 as they stand, anything
// else a code far beyond the table); the rest is the value buffer, handed over
// in an allocation of exactly its length so that any read past it is caught.
//
// Invariants: the result is 0; for a string the buffer itself becomes the text
// (released once, as the text) and holds the bytes up to the first NUL; a code
// without a conversion gives "Unknown type"; a numeric value gives one decimal
// element per whole element of the buffer, joined by commas, each equal to the
// buffer's element read with the type's width and signedness.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/kernel.h"
#include "tests/fuzz/fuzz_check.h"
#include "values/value_text.h"
#include "values/value_types.h"

namespace {

bool is_signed(unsigned type) {
    using namespace mibscope;
    return type == CTLTYPE_INT || type == CTLTYPE_S64 || type == CTLTYPE_LONG ||
           type == CTLTYPE_S8 || type == CTLTYPE_S16 || type == CTLTYPE_S32;
}

// The element at `p` as the decimal text it should print as.
std::string expected_element(const unsigned char *p, uint64_t size, bool sign) {
    uint64_t bits = 0;
    static_assert(std::endian::native == std::endian::little, "elements are read little-endian");
    for (uint64_t k = 0; k < size; ++k)
        bits |= uint64_t{p[k]} << (8 * k);
    if (!sign)
        return std::to_string(bits);
    const unsigned shift = static_cast<unsigned>(64 - 8 * size);
    // Sign-extend the low `size` bytes.
    const int64_t value = static_cast<int64_t>(bits << shift) >> shift;
    return std::to_string(value);
}

void check_numeric(const unsigned char *buffer, uint64_t length, unsigned type,
                   std::string_view text) {
    const uint64_t size = mibscope::value_types[type].element_size;
    std::string expected;
    for (uint64_t i = 0; i < length / size; ++i) {
        if (i > 0)
            expected += ',';
        expected += expected_element(buffer + i * size, size, is_signed(type));
    }
    fuzz::require(text == expected, "numeric text is each whole element in decimal, comma-joined");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const unsigned type = data[0] < 32 ? data[0] : 0x01010101u * data[0];
    const uint64_t length = size - 1;
    // malloc(0) may give null; one byte is the smallest buffer the caller owns.
    auto *buffer = static_cast<char *>(std::malloc(length == 0 ? 1 : length));
    fuzz::require(buffer != nullptr, "malloc");
    if (length > 0)
        std::memcpy(buffer, data + 1, length);

    char *text = nullptr;
    fuzz::require(mibscope::format_value(buffer, length, type, &text) == 0,
                  "format_value succeeds when memory does not run out");
    fuzz::require(text != nullptr, "a text is delivered");

    const mibscope::value_type *row = mibscope::value_type_of(type);
    if (type == mibscope::CTLTYPE_STRING) {
        const auto *value = reinterpret_cast<const char *>(data + 1);
        const size_t expected = strnlen(value, length);
        fuzz::require(std::strlen(text) == expected && std::memcmp(text, value, expected) == 0,
                      "a string's text is its bytes up to the first NUL");
        // The buffer is the text now: releasing the text releases it. A copy
        // would leak the buffer, which the leak check at the end of the run reports.
        std::free(text);
        return 0;
    }
    if (row == nullptr || row->element_size == 0)
        fuzz::require(std::strcmp(text, "Unknown type") == 0, "no conversion: \"Unknown type\"");
    else
        check_numeric(data + 1, length, type, text);
    std::free(text);
    std::free(buffer);
    return 0;
}
