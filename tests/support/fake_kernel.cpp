#include "tests/support/fake_kernel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/kernel.h"
#include "platform/oidtree.h"

namespace fake_kernel {
namespace {

enum class handler_kind { yes, no, fail };

struct node_def {
    std::string name;
    std::string last; // last component of the name
    unsigned type = 0;
    uint32_t flags = 0;
    std::optional<std::string> format;
    std::optional<std::vector<unsigned char>> value;
    std::string description;
    handler_kind handler = handler_kind::yes;
    std::vector<int> oid;
    std::vector<size_t> children; // indices into state::nodes, in line order
};

struct fault {
    int err;
    int count;
};

struct state {
    std::vector<node_def> nodes;
    std::vector<size_t> top; // indices of the top-level nodes, in line order
    std::map<std::string, size_t> by_name;
    std::map<std::vector<int>, size_t> by_oid;
    bool module_loaded = true;
    bool mib_fails = false;
    std::map<std::pair<op, std::string>, fault> faults;
    std::map<std::string, std::vector<unsigned char>> pending_changes;
    std::map<std::string, size_t> reported_sizes;
    std::vector<write_record> write_log;
    std::map<op, int> counters;
    std::string log_path;
    std::set<const oidtree_list *> live; // trees handed out and not yet released
};

state &kernel() {
    static state s;
    return s;
}

// Element size of the numeric types; 0 for the others.
size_t element_size(unsigned type) {
    switch (type) {
    case mibscope::CTLTYPE_U8:
    case mibscope::CTLTYPE_S8:
        return 1;
    case mibscope::CTLTYPE_U16:
    case mibscope::CTLTYPE_S16:
        return 2;
    case mibscope::CTLTYPE_INT:
    case mibscope::CTLTYPE_UINT:
    case mibscope::CTLTYPE_S32:
    case mibscope::CTLTYPE_U32:
        return 4;
    case mibscope::CTLTYPE_S64:
    case mibscope::CTLTYPE_LONG:
    case mibscope::CTLTYPE_ULONG:
    case mibscope::CTLTYPE_U64:
        return 8;
    default:
        return 0;
    }
}

// ---- parsing the description ----

[[noreturn]] void malformed(int line, const std::string &why) {
    throw std::invalid_argument("fake_kernel: line " + std::to_string(line) + ": " + why);
}

std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Splits at '|' that is not escaped; escapes stay in the pieces.
std::vector<std::string> split_fields(const std::string &line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            fields.back() += line[i];
            fields.back() += line[++i];
        } else if (line[i] == '|') {
            fields.emplace_back();
        } else {
            fields.back() += line[i];
        }
    }
    for (auto &f : fields)
        f = trim(f);
    return fields;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string unescape(const std::string &s, int line) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (i + 1 >= s.size())
            malformed(line, "backslash at the end of a field");
        char c = s[++i];
        switch (c) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
        case '|':
            out += c;
            break;
        case 'x': {
            int hi = i + 1 < s.size() ? hex_digit(s[i + 1]) : -1;
            int lo = i + 2 < s.size() ? hex_digit(s[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                malformed(line, "\\x needs two hex digits");
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            malformed(line, std::string("unknown escape \\") + c);
        }
    }
    return out;
}

unsigned parse_type(const std::string &s, int line) {
    static const char *const names[] = {nullptr, "node", "int",   "string", "s64", "opaque",
                                        "uint",  "long", "ulong", "u64",    "u8",  "u16",
                                        "s8",    "s16",  "s32",   "u32"};
    for (unsigned i = 1; i < std::size(names); ++i)
        if (s == names[i])
            return i;
    if (!s.empty() &&
        std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        unsigned long v = std::strtoul(s.c_str(), nullptr, 10);
        if (s.size() <= 3 && v <= 255)
            return static_cast<unsigned>(v);
    }
    malformed(line, "unknown type '" + s + "'");
}

uint32_t parse_flags(const std::string &s, int line) {
    if (s.empty() || s == "-")
        return 0;
    if (s[0] >= '0' && s[0] <= '9') {
        char *end = nullptr;
        errno = 0;
        unsigned long long v = std::strtoull(s.c_str(), &end, 0);
        if (*end != '\0' || errno != 0 || v > 0xffffffffULL)
            malformed(line, "bad flags number '" + s + "'");
        return static_cast<uint32_t>(v);
    }
    static const std::pair<const char *, uint32_t> names[] = {
        {"RD", mibscope::CTLFLAG_RD},           {"WR", mibscope::CTLFLAG_WR},
        {"RW", mibscope::CTLFLAG_RW},           {"DORMANT", mibscope::CTLFLAG_DORMANT},
        {"ANYBODY", mibscope::CTLFLAG_ANYBODY}, {"SECURE", mibscope::CTLFLAG_SECURE},
        {"PRISON", mibscope::CTLFLAG_PRISON},   {"DYN", mibscope::CTLFLAG_DYN},
        {"SKIP", mibscope::CTLFLAG_SKIP},       {"TUN", mibscope::CTLFLAG_TUN},
        {"MPSAFE", mibscope::CTLFLAG_MPSAFE},   {"VNET", mibscope::CTLFLAG_VNET},
        {"DYING", mibscope::CTLFLAG_DYING},     {"CAPRD", mibscope::CTLFLAG_CAPRD},
        {"CAPWR", mibscope::CTLFLAG_CAPWR},     {"STATS", mibscope::CTLFLAG_STATS},
        {"NOFETCH", mibscope::CTLFLAG_NOFETCH}, {"NEEDGIANT", mibscope::CTLFLAG_NEEDGIANT},
    };
    uint32_t flags = 0;
    std::stringstream in(s);
    std::string word;
    while (std::getline(in, word, '+')) {
        word = trim(word);
        auto it = std::find_if(std::begin(names), std::end(names),
                               [&](const auto &n) { return word == n.first; });
        if (it == std::end(names))
            malformed(line, "unknown flag '" + word + "'");
        flags |= it->second;
    }
    return flags;
}

// One element in decimal (with an optional '-') or 0x hex, checked against the
// element's width and stored in its low bytes in the machine's byte order.
void append_element(std::vector<unsigned char> &bytes, const std::string &piece, size_t size,
                    int line) {
    std::string t = trim(piece);
    bool negative = !t.empty() && t[0] == '-';
    std::string digits = negative ? t.substr(1) : t;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits = digits.substr(2);
    }
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [&](char c) {
            int d = hex_digit(c);
            return d >= 0 && d < base;
        }))
        malformed(line, "bad element '" + piece + "'");
    errno = 0;
    unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, base);
    if (errno == ERANGE)
        malformed(line, "element out of range '" + piece + "'");
    const unsigned bits = static_cast<unsigned>(size * 8);
    const unsigned long long umax = bits == 64 ? ~0ULL : (1ULL << bits) - 1;
    const unsigned long long neg_limit = 1ULL << (bits - 1); // |most negative|
    if ((negative && magnitude > neg_limit) || (!negative && magnitude > umax))
        malformed(line, "element out of range '" + piece + "'");
    unsigned long long v = negative ? 0ULL - magnitude : magnitude;
    uint8_t u8 = static_cast<uint8_t>(v);
    uint16_t u16 = static_cast<uint16_t>(v);
    uint32_t u32 = static_cast<uint32_t>(v);
    uint64_t u64 = v;
    const void *src = size == 1   ? static_cast<const void *>(&u8)
                      : size == 2 ? static_cast<const void *>(&u16)
                      : size == 4 ? static_cast<const void *>(&u32)
                                  : static_cast<const void *>(&u64);
    size_t at = bytes.size();
    bytes.resize(at + size);
    std::memcpy(bytes.data() + at, src, size);
}

std::optional<std::vector<unsigned char>> parse_value(const std::string &field, unsigned type,
                                                      int line) {
    if (field == "~")
        return std::nullopt;
    std::vector<unsigned char> bytes;
    if (field.rfind("x:", 0) == 0) {
        std::string hex = field.substr(2);
        hex.erase(std::remove_if(hex.begin(), hex.end(), [](char c) { return c == ' '; }),
                  hex.end());
        if (hex.size() % 2 != 0)
            malformed(line, "odd number of hex digits in raw value");
        for (size_t i = 0; i < hex.size(); i += 2) {
            int hi = hex_digit(hex[i]), lo = hex_digit(hex[i + 1]);
            if (hi < 0 || lo < 0)
                malformed(line, "bad hex digit in raw value");
            bytes.push_back(static_cast<unsigned char>(hi * 16 + lo));
        }
        return bytes;
    }
    if (size_t size = element_size(type)) {
        std::stringstream in(field);
        std::string piece;
        while (std::getline(in, piece, ','))
            append_element(bytes, piece, size, line);
        if (field.empty() || field.back() == ',')
            malformed(line, "empty element");
        return bytes;
    }
    // A string, or a type without elements: the text's bytes; a string gets its NUL.
    std::string text = unescape(field, line);
    bytes.assign(text.begin(), text.end());
    if (type == mibscope::CTLTYPE_STRING)
        bytes.push_back(0);
    return bytes;
}

int parse_oid_component(const std::string &s, int line) {
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
        malformed(line, "bad oid component '" + s + "'");
    return static_cast<int>(v);
}

state parse(const std::string &description) {
    state s;
    std::stringstream in(description);
    std::string raw;
    int line = 0;
    // Explicit OID components, applied after every node's position is known.
    std::vector<std::pair<size_t, int>> explicit_oids;
    while (std::getline(in, raw)) {
        ++line;
        std::string text = trim(raw);
        if (text.empty() || text[0] == '#')
            continue;
        auto f = split_fields(text);
        if (f.size() > 8)
            malformed(line, "more than 8 fields");
        f.resize(8);
        node_def n;
        n.name = unescape(f[0], line);
        if (n.name.empty())
            malformed(line, "empty name");
        if (s.by_name.count(n.name))
            malformed(line, "duplicate name '" + n.name + "'");
        size_t dot = n.name.rfind('.');
        n.last = dot == std::string::npos ? n.name : n.name.substr(dot + 1);
        if (n.last.empty())
            malformed(line, "empty last component in '" + n.name + "'");
        n.type = f[1].empty() ? mibscope::CTLTYPE_NODE : parse_type(f[1], line);
        n.flags = parse_flags(f[2], line);
        if (!f[3].empty() && f[3] != "~")
            n.format = unescape(f[3], line);
        n.value = f[4].empty() ? std::nullopt : parse_value(f[4], n.type, line);
        n.description = unescape(f[5], line);
        if (f[6].empty())
            n.handler = n.type == mibscope::CTLTYPE_NODE ? handler_kind::no : handler_kind::yes;
        else if (f[6] == "yes")
            n.handler = handler_kind::yes;
        else if (f[6] == "no")
            n.handler = handler_kind::no;
        else if (f[6] == "fail")
            n.handler = handler_kind::fail;
        else
            malformed(line, "handler must be yes, no or fail");

        size_t index = s.nodes.size();
        std::vector<size_t> *siblings = &s.top;
        if (dot != std::string::npos) {
            auto parent = s.by_name.find(n.name.substr(0, dot));
            if (parent == s.by_name.end())
                malformed(line, "parent of '" + n.name + "' not described before it");
            siblings = &s.nodes[parent->second].children;
            n.oid = s.nodes[parent->second].oid;
        }
        if (n.oid.size() >= 24)
            malformed(line, "more than 24 OID components");
        n.oid.push_back(static_cast<int>(siblings->size() + 1));
        if (!f[7].empty())
            explicit_oids.emplace_back(index, parse_oid_component(f[7], line));
        siblings->push_back(index);
        s.by_name[n.name] = index;
        s.nodes.push_back(std::move(n));
    }
    // An explicit last component changes the OID of the node and of everything
    // below it; nodes come after their parents, so one pass in order suffices.
    for (auto [index, component] : explicit_oids)
        s.nodes[index].oid.back() = component;
    for (auto &n : s.nodes) {
        size_t dot = n.name.rfind('.');
        if (dot != std::string::npos) {
            const auto &parent = s.nodes[s.by_name[n.name.substr(0, dot)]];
            std::copy(parent.oid.begin(), parent.oid.end(), n.oid.begin());
        }
    }
    for (size_t i = 0; i < s.nodes.size(); ++i)
        if (!s.by_oid.emplace(s.nodes[i].oid, i).second)
            throw std::invalid_argument("fake_kernel: duplicate OID for '" + s.nodes[i].name + "'");
    return s;
}

// ---- the tree handed to the program ----

char *copy_text(const std::string &s) {
    char *p = new char[s.size() + 1];
    std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

oidtree_list *build_list(const state &s, const std::vector<size_t> &indices) {
    auto *list = new oidtree_list{nullptr};
    oidtree_object **link = &list->first;
    for (size_t i : indices) {
        const node_def &d = s.nodes[i];
        auto *o = new oidtree_object{};
        o->oid = new int[d.oid.size()];
        std::copy(d.oid.begin(), d.oid.end(), o->oid);
        o->level = d.oid.size();
        o->name = copy_text(d.name);
        o->description = copy_text(d.description);
        o->label = copy_text(d.last);
        o->type = static_cast<uint8_t>(d.type);
        o->flags = d.flags;
        o->format = d.format ? copy_text(*d.format) : nullptr;
        // A node of type node without children gets an empty list, any other
        // childless node none, so that callers meet both ways of "no children".
        if (!d.children.empty() || d.type == mibscope::CTLTYPE_NODE)
            o->children = build_list(s, d.children);
        *link = o;
        link = &o->next;
    }
    return list;
}

void free_list(oidtree_list *list) {
    if (!list)
        return;
    oidtree_object *o = list->first;
    while (o) {
        oidtree_object *next = o->next;
        free_list(o->children);
        delete[] o->oid;
        delete[] o->name;
        delete[] o->description;
        delete[] o->label;
        delete[] o->format;
        delete o;
        o = next;
    }
    delete list;
}

// ---- the kernel's calls ----

node_def *find(const int *oid, size_t level) {
    if (!oid)
        return nullptr;
    auto &s = kernel();
    auto it = s.by_oid.find(std::vector<int>(oid, oid + level));
    return it == s.by_oid.end() ? nullptr : &s.nodes[it->second];
}

node_def &named(const std::string &name) {
    auto &s = kernel();
    auto it = s.by_name.find(name);
    if (it == s.by_name.end())
        throw std::invalid_argument("fake_kernel: no node named '" + name + "'");
    return s.nodes[it->second];
}

// Counts the call and, when a fault is armed for it, spends one and returns its errno.
int count_and_fault(op what, const node_def *n) {
    auto &s = kernel();
    ++s.counters[what];
    if (!n)
        return 0;
    auto it = s.faults.find({what, n->name});
    if (it == s.faults.end())
        return 0;
    int err = it->second.err;
    if (--it->second.count <= 0)
        s.faults.erase(it);
    return err;
}

int failure(int err) {
    errno = err;
    return -1;
}

void log_write(const write_record &w) {
    auto &s = kernel();
    if (s.log_path.empty())
        return;
    std::FILE *f = std::fopen(s.log_path.c_str(), "a");
    if (!f)
        return;
    for (size_t i = 0; i < w.oid.size(); ++i)
        std::fprintf(f, "%s%d", i ? "." : "", w.oid[i]);
    std::fputc(' ', f);
    for (unsigned char b : w.bytes)
        std::fprintf(f, "%02x", b);
    std::fputc('\n', f);
    std::fclose(f);
}

int do_write(node_def *n, const int *name, unsigned namelen, const void *newp, size_t newlen) {
    auto &s = kernel();
    int err = count_and_fault(op::write, n);
    const auto *p = static_cast<const unsigned char *>(newp);
    write_record w{std::vector<int>(name, name + namelen),
                   std::vector<unsigned char>(p, p + newlen), false};
    if (!err) {
        if (!n)
            err = ENOENT;
        else if (!(n->flags & mibscope::CTLFLAG_WR))
            err = EPERM;
        else if (n->type == mibscope::CTLTYPE_NODE)
            err = EISDIR;
        else if (element_size(n->type) && newlen != (n->value ? n->value->size() : 0))
            err = EINVAL;
    }
    w.accepted = err == 0;
    if (w.accepted)
        n->value = w.bytes;
    s.write_log.push_back(w);
    log_write(w);
    return err ? failure(err) : 0;
}

} // namespace

void load(const std::string &description) {
    state fresh = parse(description);
    // Trees handed out before stay valid until released; the write log file stays set.
    fresh.live = std::move(kernel().live);
    fresh.log_path = kernel().log_path;
    kernel() = std::move(fresh);
}

void load_file(const std::string &path) {
    std::ifstream in(path);
    if (!in)
        throw std::invalid_argument("fake_kernel: cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    load(text.str());
}

void reset() {
    load("");
}

void set_module_loaded(bool loaded) {
    kernel().module_loaded = loaded;
}
void set_mib_fails(bool fails) {
    kernel().mib_fails = fails;
}

void fail(op what, const std::string &name, int err, int count) {
    named(name);
    if (count > 0)
        kernel().faults[{what, name}] = fault{err, count};
    else
        kernel().faults.erase({what, name});
}

void change_after_probe(const std::string &name, const std::vector<unsigned char> &bytes) {
    named(name);
    kernel().pending_changes[name] = bytes;
}

void report_size(const std::string &name, size_t size) {
    named(name);
    kernel().reported_sizes[name] = size;
}

std::vector<unsigned char> value_of(const std::string &name) {
    const node_def &n = named(name);
    return n.value ? *n.value : std::vector<unsigned char>{};
}

void set_value_of(const std::string &name, const std::vector<unsigned char> &bytes) {
    named(name).value = bytes;
}

const std::vector<write_record> &writes() {
    return kernel().write_log;
}

int calls(op what) {
    auto &c = kernel().counters;
    auto it = c.find(what);
    return it == c.end() ? 0 : it->second;
}

std::vector<int> oid_of(const std::string &name) {
    return named(name).oid;
}

void set_write_log(const std::string &path) {
    kernel().log_path = path;
}

int live_trees() {
    return static_cast<int>(kernel().live.size());
}

} // namespace fake_kernel

using fake_kernel::op;

oidtree_list *oidtree_mib(void) {
    auto &s = fake_kernel::kernel();
    if (s.mib_fails)
        return nullptr;
    oidtree_list *list = fake_kernel::build_list(s, s.top);
    s.live.insert(list);
    return list;
}

void oidtree_freemib(oidtree_list *list) {
    if (!list)
        return;
    auto &s = fake_kernel::kernel();
    if (!s.live.erase(list)) {
        std::fprintf(stderr,
                     "fake_kernel: oidtree_freemib of a tree not handed out (or freed twice)\n");
        std::abort();
    }
    fake_kernel::free_list(list);
}

int oidtree_hashandler(const int *oid, uint64_t level, bool *has_handler) {
    auto *n = fake_kernel::find(oid, level);
    if (int err = fake_kernel::count_and_fault(op::hashandler, n))
        return fake_kernel::failure(err);
    if (!n || n->handler == fake_kernel::handler_kind::fail)
        return fake_kernel::failure(ENOENT);
    *has_handler = n->handler == fake_kernel::handler_kind::yes;
    return 0;
}

namespace mibscope {

int sysctl(const int *name, unsigned int namelen, void *oldp, size_t *oldlenp, const void *newp,
           size_t newlen) {
    auto *n = fake_kernel::find(name, namelen);
    if (oldlenp) {
        auto &s = fake_kernel::kernel();
        const op what = oldp ? op::read : op::probe;
        if (int err = fake_kernel::count_and_fault(what, n))
            return fake_kernel::failure(err);
        if (!n || !n->value)
            return fake_kernel::failure(ENOENT);
        if (!oldp) {
            *oldlenp = n->value->size();
            auto reported = s.reported_sizes.find(n->name);
            if (reported != s.reported_sizes.end()) {
                *oldlenp = reported->second;
                s.reported_sizes.erase(reported);
            }
            auto change = s.pending_changes.find(n->name);
            if (change != s.pending_changes.end()) {
                n->value = change->second;
                s.pending_changes.erase(change);
            }
        } else {
            if (n->value->size() > *oldlenp)
                return fake_kernel::failure(ENOMEM);
            if (!n->value->empty())
                std::memcpy(oldp, n->value->data(), n->value->size());
            *oldlenp = n->value->size();
        }
    } else if (oldp || !newp) {
        return fake_kernel::failure(EINVAL);
    }
    if (newp)
        return fake_kernel::do_write(n, name, namelen, newp, newlen);
    return 0;
}

int kld_isloaded(const char *name) {
    return fake_kernel::kernel().module_loaded && name && std::strcmp(name, "oidprobe") == 0;
}

} // namespace mibscope
