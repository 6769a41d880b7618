// write_value on typed text for every type code, against the in-memory kernel.
//
// Input: the first byte picks the node (one per type code 0..15, and one with a
// code beyond the table); the rest is the typed text, up to its first NUL.
//
// Invariants: the caller's text is unchanged; the result is 0 or 1 (nothing
// fails to allocate here); 0 means exactly one accepted write, 1 means a
// reason text and either no write or one the kernel refused; a write holds the
// text and its NUL for a string, and otherwise exactly one element of the
// type's size per comma-separated piece.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/oidtree.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/fake_kernel.h"
#include "values/set_value.h"
#include "values/value_types.h"

namespace {

// One writable node per type code; numeric values hold one element, so that
// a one-piece text is accepted and a longer list is refused for its length.
const char *const mib_description = R"(t0  | 0      | RW | ~ | x:00
t1  | node   | RW
t2  | int    | RW | I | 1
t3  | string | RW | A | abc
t4  | s64    | RW | Q | 1
t5  | opaque | RW | S | x:0102
t6  | uint   | RW | IU | 1
t7  | long   | RW | L | 1
t8  | ulong  | RW | LU | 1
t9  | u64    | RW | QU | 1
t10 | u8     | RW | CU | 1
t11 | u16    | RW | SU | 1
t12 | s8     | RW | C | 1
t13 | s16    | RW | S | 1
t14 | s32    | RW | I | 1
t15 | u32    | RW | IU | 1
t200 | 200   | RW | ~ | x:00
)";

constexpr size_t node_count = 17;

struct mib_state {
    oidtree_list *tree = nullptr;
    oidtree_object *nodes[node_count] = {};
};

mib_state &mib() {
    static mib_state state;
    return state;
}

// Loads the MIB afresh (the kernel's write log would otherwise grow without end).
void reload() {
    mib_state &m = mib();
    if (m.tree != nullptr)
        oidtree_freemib(m.tree);
    fake_kernel::load(mib_description);
    m.tree = oidtree_mib();
    fuzz::require(m.tree != nullptr, "the in-memory kernel gives a tree");
    size_t i = 0;
    for (oidtree_object *o = m.tree->first; o != nullptr && i < node_count; o = o->next)
        m.nodes[i++] = o;
    fuzz::require(i == node_count, "one node per type code");
}

size_t pieces_of(const std::string &text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), ',')) + 1;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    reload();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    if (fake_kernel::writes().size() > 4096)
        reload();
    const oidtree_object *node = mib().nodes[data[0] % node_count];
    // What the form hands back is a C text: it ends at the first NUL.
    const std::string text(reinterpret_cast<const char *>(data + 1),
                           strnlen(reinterpret_cast<const char *>(data + 1), size - 1));
    char *caller_text = strdup(text.c_str());
    fuzz::require(caller_text != nullptr, "strdup");

    const size_t writes_before = fake_kernel::writes().size();
    char *reason = nullptr;
    const int result = mibscope::write_value(node, caller_text, &reason);
    const auto &writes = fake_kernel::writes();
    const size_t written = writes.size() - writes_before;

    fuzz::require(text == caller_text, "write_value leaves the caller's text unchanged");
    fuzz::require(result == 0 || result == 1, "result 0 or 1");
    fuzz::require(written <= 1, "at most one write");
    if (result == 0) {
        fuzz::require(reason == nullptr, "no reason after a write");
        fuzz::require(written == 1 && writes.back().accepted, "0 means one accepted write");
    } else {
        fuzz::require(reason != nullptr && reason[0] != '\0', "1 comes with a reason");
        fuzz::require(written == 0 || !writes.back().accepted, "1 means nothing was accepted");
    }
    if (written == 1) {
        const std::vector<unsigned char> &bytes = writes.back().bytes;
        if (node->type == mibscope::CTLTYPE_STRING) {
            fuzz::require(bytes.size() == text.size() + 1 &&
                              std::memcmp(bytes.data(), text.c_str(), text.size() + 1) == 0,
                          "a string is written whole with its NUL");
        } else {
            fuzz::require(node->type < mibscope::value_type_count, "no write for an unknown type");
            const uint64_t element = mibscope::value_types[node->type].element_size;
            fuzz::require(element > 0, "no write for a type without elements");
            fuzz::require(bytes.size() == pieces_of(text) * element,
                          "one element of the type's size per piece");
        }
    }
    std::free(reason);
    std::free(caller_text);
    return 0;
}
