#include "values/value_types.h"

namespace mibscope {

// Indexed by the CTLTYPE code; element sizes match the layout in which the
// kernel hands out and takes numeric values.
const value_type value_types[value_type_count] = {
    {"ZEROUNUSED", 0},       // 0
    {"node", 0},             // CTLTYPE_NODE
    {"integer", 4},          // CTLTYPE_INT
    {"string", 0},           // CTLTYPE_STRING
    {"int64_t", 8},          // CTLTYPE_S64
    {"opaque", 0},           // CTLTYPE_OPAQUE
    {"unsigned integer", 4}, // CTLTYPE_UINT
    {"long integer", 8},     // CTLTYPE_LONG
    {"unsigned long", 8},    // CTLTYPE_ULONG
    {"uint64_t", 8},         // CTLTYPE_U64
    {"uint8_t", 1},          // CTLTYPE_U8
    {"uint16_t", 2},         // CTLTYPE_U16
    {"int8_t", 1},           // CTLTYPE_S8
    {"int16_t", 2},          // CTLTYPE_S16
    {"int32_t", 4},          // CTLTYPE_S32
    {"uint32_t", 4},         // CTLTYPE_U32
};

} // namespace mibscope
