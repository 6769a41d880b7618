// Value text: the type table, format_value on raw buffers, and read_value and
// value_preview against the in-memory kernel.
#include "values/value_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "platform/kernel.h"
#include "tests/values/mib_fixture.h"
#include "values/value_types.h"

namespace {

using namespace values_test;
using alloc_failure::fn;
using fake_kernel::op;

TEST(ValueTypes, NamesAndElementSizesByTypeCode) {
    const struct {
        const char *name;
        uint64_t size;
    } expected[] = {
        {"ZEROUNUSED", 0},    {"node", 0},     {"integer", 4},          {"string", 0},
        {"int64_t", 8},       {"opaque", 0},   {"unsigned integer", 4}, {"long integer", 8},
        {"unsigned long", 8}, {"uint64_t", 8}, {"uint8_t", 1},          {"uint16_t", 2},
        {"int8_t", 1},        {"int16_t", 2},  {"int32_t", 4},          {"uint32_t", 4},
    };
    for (unsigned i = 0; i < mibscope::value_type_count; ++i) {
        EXPECT_STREQ(mibscope::value_types[i].type_name, expected[i].name) << i;
        EXPECT_EQ(mibscope::value_types[i].element_size, expected[i].size) << i;
    }
    EXPECT_EQ(mibscope::value_type_of(16), nullptr);
}

// Formats a copy of `data` placed at `offset` in a fresh allocation (an odd
// offset leaves the elements unaligned).
std::string formatted(const bytes &data, unsigned type, size_t offset = 0) {
    char *block = static_cast<char *>(std::malloc(data.size() + offset + 1));
    if (!data.empty())
        std::memcpy(block + offset, data.data(), data.size());
    char *text = nullptr;
    EXPECT_EQ(mibscope::format_value(block + offset, data.size(), type, &text), 0);
    std::string result = text != nullptr ? text : "<null>";
    std::free(text);
    if (type != mibscope::CTLTYPE_STRING || text == nullptr)
        std::free(block);
    return result;
}

TEST(FormatValue, RendersEachTypesElements) {
    using namespace mibscope;
    const bytes all_ones_1 = {0xff}, all_ones_2 = {0xff, 0xff}, all_ones_8(8, 0xff);
    const struct {
        bytes data;
        unsigned type;
        const char *text;
    } cases[] = {
        {bytes_of<int32_t>({1, -2, 3}), CTLTYPE_INT, "1,-2,3"},
        {bytes_of<int32_t>({1, -2, 3}), CTLTYPE_UINT, "1,4294967294,3"},
        {bytes_of<int32_t>({INT32_MIN, INT32_MAX}), CTLTYPE_S32, "-2147483648,2147483647"},
        {bytes_of<uint32_t>({UINT32_MAX}), CTLTYPE_U32, "4294967295"},
        {all_ones_1, CTLTYPE_U8, "255"},
        {all_ones_1, CTLTYPE_S8, "-1"},
        {all_ones_2, CTLTYPE_U8, "255,255"},
        {all_ones_2, CTLTYPE_S8, "-1,-1"},
        {bytes_of<int16_t>({-32768, 32767}), CTLTYPE_S16, "-32768,32767"},
        {bytes_of<uint16_t>({65535, 1}), CTLTYPE_U16, "65535,1"},
        {all_ones_8, CTLTYPE_LONG, "-1"},
        {all_ones_8, CTLTYPE_S64, "-1"},
        {all_ones_8, CTLTYPE_ULONG, "18446744073709551615"},
        {all_ones_8, CTLTYPE_U64, "18446744073709551615"},
        {bytes_of<int64_t>({INT64_MIN, 7}), CTLTYPE_S64, "-9223372036854775808,7"},
        // Bytes beyond the last whole element are ignored.
        {bytes{7, 0, 0, 0, 0xf9, 0xff, 0xff, 0xff, 0xaa, 0xbb}, CTLTYPE_S32, "7,-7"},
        {bytes{1, 2, 3}, CTLTYPE_INT, ""},
        {bytes{}, CTLTYPE_INT, ""},
        {bytes{}, CTLTYPE_U64, ""},
        // Types without a conversion, within and beyond the table.
        {bytes{1, 2, 3, 4}, 0, "Unknown type"},
        {bytes{1, 2, 3, 4}, CTLTYPE_NODE, "Unknown type"},
        {bytes{1, 2, 3, 4}, CTLTYPE_OPAQUE, "Unknown type"},
        {bytes{1, 2, 3, 4}, 16, "Unknown type"},
        {bytes{1, 2, 3, 4}, 255, "Unknown type"},
        // Strings: up to the first NUL, or every byte when there is none.
        {bytes{'a', 'b', 'c', 0}, CTLTYPE_STRING, "abc"},
        {bytes{'a', 0, 'b', 0}, CTLTYPE_STRING, "a"},
        {bytes{'a', 'b'}, CTLTYPE_STRING, "ab"},
        {bytes{}, CTLTYPE_STRING, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatted(c.data, c.type), c.text) << "type " << c.type;

    // Elements at an odd address are read without an unaligned access.
    EXPECT_EQ(formatted(bytes_of<uint64_t>({UINT64_MAX, 5}), CTLTYPE_U64, 1),
              "18446744073709551615,5");
}

TEST(FormatValue, StringBufferBecomesTheText) {
    char *buffer = static_cast<char *>(std::malloc(8));
    std::memcpy(buffer, "abc\0xyz", 8);
    char *text = nullptr;
    ASSERT_EQ(mibscope::format_value(buffer, 8, mibscope::CTLTYPE_STRING, &text), 0);
    EXPECT_EQ(text, buffer);
    std::free(text);
}

class ValueText : public values_fixture {
  protected:
    mib tree{R"(
t              | node   | RD
t.int          | int    | RW | I | 1,-2,3
t.str          | string | RW | A | abc
t.opaque       | opaque | RD | S | x:0102
t.node         | node   | RW
t.wo           | int    | WR | I | 5
t.novalue      | int    | RD | I | ~
t.zero         | 0      | RD |   | x:01020304
t.empty        | string | RD | A | x:
t.empty_int    | int    | RD | I | x:
t.array        | int    | RD | I | 100,200,300,400,500,600
t.s20          | string | RD | A | 12345678901234567890
t.s21          | string | RD | A | 123456789012345678901
t.newline      | string | RD | A | a\nb
t.u64          | u64    | RD | QU | 18446744073709551615
)"};

    static std::string read(const oidtree_object *node) {
        char *text = nullptr;
        EXPECT_EQ(mibscope::read_value(node, &text), 0);
        std::string s = text != nullptr ? text : "<null>";
        std::free(text);
        return s;
    }
    static std::string preview(const oidtree_object *node) {
        char *text = nullptr;
        EXPECT_EQ(mibscope::value_preview(node, &text), 0);
        std::string s = text != nullptr ? text : "<null>";
        std::free(text);
        return s;
    }
};

TEST_F(ValueText, ValuesReasonsAndPreviews) {
    const struct {
        const char *name;
        const char *value;
        const char *preview;
    } cases[] = {
        {"t.int", "1,-2,3", "1,-2,3"},
        {"t.str", "abc", "abc"},
        {"t.opaque", "Value is OPAQUE", ""},
        {"t.node", "No value, parameter is a NODE", ""},
        {"t", "No value, parameter is a NODE", ""},
        {"t.wo", "No RD flag", ""},
        {"t.novalue", "Cannot get value size via sysctl()", ""},
        {"t.zero", "Unknown type", "Unknown type"},
        {"t.empty", "", ""},
        {"t.empty_int", "", ""},
        {"t.array", "100,200,300,400,500,600", "Open [Properties]"},
        {"t.s20", "12345678901234567890", "12345678901234567890"},
        {"t.s21", "123456789012345678901", "Open [Properties]"},
        {"t.newline", "a\nb", "Open [Properties]"},
        {"t.u64", "18446744073709551615", "18446744073709551615"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(read(tree[c.name]), c.value) << c.name;
        EXPECT_EQ(preview(tree[c.name]), c.preview) << c.name;
    }
}

TEST_F(ValueText, NodesWithoutAValueAreNotAskedForOne) {
    for (const char *name : {"t.opaque", "t.node", "t.wo"}) {
        read(tree[name]);
        preview(tree[name]);
    }
    EXPECT_EQ(fake_kernel::calls(op::probe), 0);
    EXPECT_EQ(fake_kernel::calls(op::read), 0);
}

TEST_F(ValueText, FailedReadGivesItsErrorTextOrAnEmptyPreview) {
    fake_kernel::fail(op::read, "t.int", EIO, 2);
    EXPECT_EQ(read(tree["t.int"]), "Cannot get value: Input/output error");
    EXPECT_EQ(preview(tree["t.int"]), "");
    EXPECT_EQ(fake_kernel::calls(op::read), 2);
    EXPECT_TRUE(fake_kernel::writes().empty());
}

TEST_F(ValueText, ValueThatChangesBetweenProbeAndRead) {
    const struct {
        const char *name;
        bytes after;
        const char *value;
        const char *preview;
    } cases[] = {
        // Grown to exactly twice the probed size: read whole.
        {"t.int", bytes_of<int32_t>({1, 2, 3, 4, 5, 6}), "1,2,3,4,5,6", "1,2,3,4,5,6"},
        // Beyond twice: the read does not fit.
        {"t.int", bytes_of<int32_t>({1, 2, 3, 4, 5, 6, 7}),
         "Cannot get value: Cannot allocate memory", ""},
        // Shrunk: formatted from the bytes returned.
        {"t.int", bytes_of<int32_t>({9}), "9", "9"},
        // A string that fills the whole doubled buffer without a NUL still ends.
        {"t.str", bytes(8, 'x'), "xxxxxxxx", "xxxxxxxx"},
        // A value probed empty that then grows: no room at all.
        {"t.empty", bytes{'a', 0}, "Cannot get value: Cannot allocate memory", ""},
    };
    for (const auto &c : cases) {
        const bytes before = fake_kernel::value_of(c.name);
        fake_kernel::change_after_probe(c.name, c.after);
        EXPECT_EQ(read(tree[c.name]), c.value) << c.name;
        fake_kernel::set_value_of(c.name, before);
        fake_kernel::change_after_probe(c.name, c.after);
        EXPECT_EQ(preview(tree[c.name]), c.preview) << c.name;
        fake_kernel::set_value_of(c.name, before);
    }
}

TEST_F(ValueText, AllocationFailures) {
    // The doubled buffer cannot be had: a reason from read_value, -1 from the preview.
    alloc_failure::fail_nth(fn::calloc);
    EXPECT_EQ(read(tree["t.int"]), "Cannot allocate memory for value");
    char *text = nullptr;
    alloc_failure::fail_nth(fn::calloc);
    EXPECT_EQ(mibscope::value_preview(tree["t.int"], &text), -1);
    EXPECT_EQ(text, nullptr);

    // The value text cannot be composed.
    alloc_failure::fail_nth(fn::malloc);
    EXPECT_EQ(read(tree["t.int"]), "Cannot alloc parse string: Cannot allocate memory");
    alloc_failure::fail_nth(fn::malloc);
    EXPECT_EQ(preview(tree["t.int"]), "");

    // A probed size whose double does not fit in memory at all.
    const int reads = fake_kernel::calls(op::read);
    for (size_t size : {SIZE_MAX, SIZE_MAX / 2 + 1}) {
        fake_kernel::report_size("t.int", size);
        EXPECT_EQ(read(tree["t.int"]), "Cannot allocate memory for value") << size;
        fake_kernel::report_size("t.int", size);
        EXPECT_EQ(mibscope::value_preview(tree["t.int"], &text), -1) << size;
    }
    EXPECT_EQ(fake_kernel::calls(op::read), reads);

    // Not even the reason or the preview can be allocated.
    const struct {
        const char *name;
        fn what;
    } fatal[] = {{"t.opaque", fn::strdup}, {"t.wo", fn::strdup}, {"t.novalue", fn::strdup}};
    for (const auto &c : fatal) {
        alloc_failure::fail_nth(c.what);
        EXPECT_EQ(mibscope::read_value(tree[c.name], &text), -1) << c.name;
        alloc_failure::fail_nth(c.what);
        EXPECT_EQ(mibscope::value_preview(tree[c.name], &text), -1) << c.name;
    }
    fake_kernel::fail(op::read, "t.int", EIO);
    alloc_failure::fail_nth(fn::asprintf);
    EXPECT_EQ(mibscope::read_value(tree["t.int"], &text), -1);
    alloc_failure::fail_nth(fn::strdup);
    EXPECT_EQ(mibscope::value_preview(tree["t.array"], &text), -1); // "Open [Properties]"
    EXPECT_EQ(text, nullptr);
}

} // namespace
