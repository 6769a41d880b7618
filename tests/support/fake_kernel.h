// An in-memory kernel for tests. Linked in place of platform/procfs, it
// implements oidtree_mib, oidtree_freemib, oidtree_hashandler,
// mibscope::sysctl and mibscope::kld_isloaded over a MIB built from a fixture
// description, records every write, and injects faults on request.
//
// Fixture description: one node per line; blank lines and lines starting with
// '#' are skipped. Fields are separated by '|' with blanks around them
// trimmed; trailing fields may be left out:
//
//   name | type | flags | format | value | description | handler | oid
//
//  name         full dotted name. A node's parent (the name up to its last '.')
//               must stand on an earlier line; the level is the number of
//               components.
//  type         node int string s64 opaque uint long ulong u64 u8 u16 s8 s16 s32
//               u32 (the CTLTYPE_ names), or a number 0..255. Default: node.
//  flags        flag names joined by '+' (RD+WR+TUN; RW for both), a number
//               (0x80000000), or '-' or nothing for none.
//  format       the text; '~' for an absent (null) format. Default: '~'.
//  value        string type: the text, with the escapes below; a NUL is
//               appended. Numeric types (those with an element size): elements
//               separated by ',' in decimal or 0x hex, each stored in the type's
//               element size in the machine's byte order. Any type: 'x:' then
//               hex byte pairs gives the raw bytes ('x:' alone: zero bytes).
//               Other types without an element size: the text's bytes, no NUL.
//               '~' or left out: the node has no value (probe fails, ENOENT).
//  description  the text, with the escapes below. Default: the empty text.
//  handler      'yes', 'no', or 'fail' (the query fails with ENOENT).
//               Default: 'no' for type node, 'yes' otherwise.
//  oid          the node's last OID component as a signed decimal number.
//               Default: its 1-based position among its siblings.
//
// In the tree a node of type node without children has an empty children list
// (first null); every other childless node has none (null).
//
// Escapes in texts: \n \t \\ \| \xHH (any byte, NUL included for values).
//
// Writes: refused with EPERM when the node lacks CTLFLAG_WR, with EISDIR for a
// node of type node, with EINVAL for a numeric value whose new length differs
// from its current one; a string value takes any length. An accepted write
// replaces the value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fake_kernel {

// Replaces the MIB by the one described. Throws std::invalid_argument with the
// line number on a malformed description. Also clears writes, faults and
// counters, and marks the module loaded.
void load(const std::string &description);
void load_file(const std::string &path);

// An empty MIB (no top-level node), module loaded, no faults, no writes.
void reset();

// kld_isloaded("oidprobe") answers this (default: loaded).
void set_module_loaded(bool loaded);
// oidtree_mib() returns null when set (default: off).
void set_mib_fails(bool fails);

enum class op { probe, read, write, hashandler };

// The next `count` calls of `what` on the node named `name` fail with `err`
// (errno), without touching anything.
void fail(op what, const std::string &name, int err, int count = 1);

// After the next size probe of `name`, its value becomes `bytes`, so that the
// following read sees a value of another size.
void change_after_probe(const std::string &name, const std::vector<unsigned char> &bytes);

// The next size probe of `name` reports `size` instead of the value's length,
// for sizes that no real value could have.
void report_size(const std::string &name, size_t size);

// The current raw value of a node (after writes); empty when it has none.
std::vector<unsigned char> value_of(const std::string &name);
// Sets the raw value of a node.
void set_value_of(const std::string &name, const std::vector<unsigned char> &bytes);

// Every successful or refused write, in order (a write failed by fail() is
// recorded as refused).
struct write_record {
    std::vector<int> oid;
    std::vector<unsigned char> bytes;
    bool accepted;
};
const std::vector<write_record> &writes();

// How many calls of each kind reached the kernel (faulted ones included).
int calls(op what);

// Trees from oidtree_mib() not yet given back to oidtree_freemib(). Freeing a
// tree that was not handed out, or twice, aborts the test program.
int live_trees();

// The OID of a node, for building calls by hand.
std::vector<int> oid_of(const std::string &name);

// When set, every write is also appended as one line to this file:
// "<oid components joined by '.'> <bytes as hex>\n". For end-to-end tests of a
// program built on this kernel. Empty: no log (default).
void set_write_log(const std::string &path);

} // namespace fake_kernel
