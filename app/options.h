// The settings read from the command line. Written only while the command line
// is read; read-only afterwards.
#pragma once

#include <cstdint>

namespace mibscope {

struct options {
    bool show_values;             // -V: the description column shows current values
    bool full_names;              // -f: rows show full dotted names
    bool show_descriptions;       // -d: the description column shows descriptions (wins over -V)
    const char *expandable_label; // -e: prefix of a collapsed node with children
    const char *expanded_label;   // -s: prefix of an expanded node
    const char *leaf_label;       // -l: prefix of a node without children
    uint32_t indent;              // -i: columns of indentation per level
};

// The defaults: no flag set, labels "+", "-" and "", indent 1.
options default_options();

// The program's one options record.
extern options opts;

} // namespace mibscope
