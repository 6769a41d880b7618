// The value types, indexed by a node's CTLTYPE code.
#pragma once

#include <cstdint>

namespace mibscope {

struct value_type {
    const char *type_name;
    uint64_t element_size; // bytes of one element; 0 without fixed-size elements
};

inline constexpr unsigned value_type_count = 16;
extern const value_type value_types[value_type_count];

// The row of a type code, or null for a code beyond the table.
inline const value_type *value_type_of(unsigned type) {
    return type < value_type_count ? &value_types[type] : nullptr;
}

} // namespace mibscope
