// The kernel interface: reading and writing parameters by numeric OID, and
// the check for the module the MIB-tree library needs. FreeBSD's signatures,
// in the project's own namespace so that they never meet a C library symbol.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mibscope {

// Type codes of a node (the low bits of FreeBSD's CTLTYPE).
inline constexpr unsigned CTLTYPE_NODE = 1;
inline constexpr unsigned CTLTYPE_INT = 2;
inline constexpr unsigned CTLTYPE_STRING = 3;
inline constexpr unsigned CTLTYPE_S64 = 4;
inline constexpr unsigned CTLTYPE_OPAQUE = 5;
inline constexpr unsigned CTLTYPE_STRUCT = CTLTYPE_OPAQUE;
inline constexpr unsigned CTLTYPE_UINT = 6;
inline constexpr unsigned CTLTYPE_LONG = 7;
inline constexpr unsigned CTLTYPE_ULONG = 8;
inline constexpr unsigned CTLTYPE_U64 = 9;
inline constexpr unsigned CTLTYPE_U8 = 10;
inline constexpr unsigned CTLTYPE_U16 = 11;
inline constexpr unsigned CTLTYPE_S8 = 12;
inline constexpr unsigned CTLTYPE_S16 = 13;
inline constexpr unsigned CTLTYPE_S32 = 14;
inline constexpr unsigned CTLTYPE_U32 = 15;

// Flag bits of a node.
inline constexpr uint32_t CTLFLAG_RD = 0x80000000;
inline constexpr uint32_t CTLFLAG_WR = 0x40000000;
inline constexpr uint32_t CTLFLAG_RW = CTLFLAG_RD | CTLFLAG_WR;
inline constexpr uint32_t CTLFLAG_DORMANT = 0x20000000;
inline constexpr uint32_t CTLFLAG_ANYBODY = 0x10000000;
inline constexpr uint32_t CTLFLAG_SECURE = 0x08000000;
inline constexpr uint32_t CTLFLAG_PRISON = 0x04000000;
inline constexpr uint32_t CTLFLAG_DYN = 0x02000000;
inline constexpr uint32_t CTLFLAG_SKIP = 0x01000000;
inline constexpr uint32_t CTLFLAG_TUN = 0x00080000;
inline constexpr uint32_t CTLFLAG_MPSAFE = 0x00040000;
inline constexpr uint32_t CTLFLAG_VNET = 0x00020000;
inline constexpr uint32_t CTLFLAG_DYING = 0x00010000;
inline constexpr uint32_t CTLFLAG_CAPRD = 0x00008000;
inline constexpr uint32_t CTLFLAG_CAPWR = 0x00004000;
inline constexpr uint32_t CTLFLAG_STATS = 0x00002000;
inline constexpr uint32_t CTLFLAG_NOFETCH = 0x00001000;
inline constexpr uint32_t CTLFLAG_NEEDGIANT = 0x00000800;

// Reads and/or writes the parameter named by `name` (`namelen` components).
//  - size probe: oldp null, oldlenp non-null, newp null: *oldlenp receives the
//    value's length in bytes;
//  - read: oldp a buffer of *oldlenp bytes: on success *oldlenp receives the
//    number of bytes delivered; ENOMEM when the value does not fit;
//  - write: oldp and oldlenp null, newp the new value of newlen bytes.
// Returns 0 on success, -1 with errno set on failure.
int sysctl(const int *name, unsigned int namelen, void *oldp, size_t *oldlenp, const void *newp,
           size_t newlen);

// Nonzero when the kernel module `name` is loaded.
int kld_isloaded(const char *name);

} // namespace mibscope
