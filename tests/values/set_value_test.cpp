// Setting values: the refusals, the form, write_value's parsing and writing,
// the result box and the fatal paths.
#include "values/set_value.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "platform/kernel.h"
#include "tests/values/mib_fixture.h"

namespace {

using namespace values_test;
using alloc_failure::fn;
using dialog_double::kind;
using fake_kernel::op;

const char *const fixture = R"(
s          | node   | RD
s.int      | int    | RW     | I  | 1
s.str      | string | RW     | A  | abc
s.wo       | u8     | WR     | CU | 9
s.tunable  | int    | RW+TUN | I  | 3
s.ro       | int    | RD     | I  | 1
s.tun      | int    | RD+TUN | I  | 1
s.node     | node   | RW
s.opaque   | opaque | RW     | S  | x:00
s.tunnode  | node   | RD+TUN
s.tunopq   | opaque | TUN    | S  | x:00
s.zero     | 0      | RW     | ~  | x:00
)";

class SetValue : public values_fixture {
  protected:
    mib tree{fixture};

    void run(const char *name) {
        oidtree_object *nodes[3] = {nullptr, nullptr, tree[name]};
        mibscope::set_value(nodes, 2);
    }
    // Runs Set Value with `typed` accepted in the form; returns the result box text.
    std::string set(const char *name, const char *typed) {
        dialog_double::reset();
        dialog_double::script(kind::form, answer(BOXKIT_OK, typed));
        run(name);
        auto boxes = dialog_double::calls_of(kind::msgbox);
        return boxes.size() == 1 && boxes[0].text ? *boxes[0].text : "<no single box>";
    }
};

TEST_F(SetValue, RefusalsComeBeforeAnythingElse) {
    const struct {
        const char *name;
        const char *text;
    } cases[] = {
        {"s.tun", "This parameter has the TUN flag, set in /boot/loader.conf"},
        {"s.tunnode", "This parameter has the TUN flag, set in /boot/loader.conf"},
        {"s.tunopq", "This parameter has the TUN flag, set in /boot/loader.conf"},
        {"s.ro", "This parametes has not WR flag"},
        {"s", "This parametes has not WR flag"},
        {"s.node", "This is a NODE, not writable"},
        {"s.opaque", "Cannot set an OPAQUE parameter"},
    };
    for (const auto &c : cases) {
        dialog_double::reset();
        dialog_double::script(kind::msgbox, answer(BOXKIT_ESC));
        run(c.name);
        const auto &calls = dialog_double::calls();
        ASSERT_EQ(calls.size(), 2u) << c.name;
        EXPECT_EQ(calls[0].what, kind::initconf);
        const auto &box = calls[1];
        EXPECT_EQ(box.what, kind::msgbox);
        EXPECT_EQ(box.text, c.text) << c.name;
        EXPECT_TRUE(box.conf.esc_enabled);
        EXPECT_EQ(box.conf.ok_button_label, "Close");
        EXPECT_EQ(box.conf.title, std::nullopt);
        EXPECT_EQ(box.height, 0);
        EXPECT_EQ(box.width, 0);
    }
    EXPECT_EQ(fake_kernel::calls(op::probe), 0);
    EXPECT_TRUE(fake_kernel::writes().empty());

    // No node at the focus, or no focus: nothing at all.
    dialog_double::reset();
    oidtree_object *none[1] = {nullptr};
    mibscope::set_value(none, 0);
    mibscope::set_value(none, -1);
    EXPECT_TRUE(dialog_double::calls().empty());
}

TEST_F(SetValue, FormShowsTheCurrentValueInItsOneField) {
    const struct {
        const char *name;
        const char *text;
        const char *current;
    } cases[] = {
        {"s.int", "s.int,\nType: integer, Format: I, Current value: 1.\n\n", "1"},
        // Writable without CTLFLAG_RD: the reason stands as the current value.
        {"s.wo", "s.wo,\nType: uint8_t, Format: CU, Current value: No RD flag.\n\n", "No RD flag"},
        // CTLFLAG_TUN matters only without CTLFLAG_WR; an absent format is empty.
        {"s.tunable", "s.tunable,\nType: integer, Format: I, Current value: 3.\n\n", "3"},
        {"s.zero", "s.zero,\nType: ZEROUNUSED, Format: , Current value: Unknown type.\n\n",
         "Unknown type"},
    };
    for (const auto &c : cases) {
        dialog_double::reset();
        run(c.name); // the form is cancelled
        auto forms = dialog_double::calls_of(kind::form);
        ASSERT_EQ(forms.size(), 1u) << c.name;
        const auto &f = forms[0];
        EXPECT_EQ(f.text,
                  std::string(c.text) + "Write the new value in form. TAB to switch to buttons.\n");
        EXPECT_TRUE(f.conf.esc_enabled);
        EXPECT_EQ(f.conf.ok_button_label, "Set Value");
        EXPECT_EQ(f.conf.title, std::nullopt);
        EXPECT_EQ(f.height, 0);
        EXPECT_EQ(f.width, 0);
        EXPECT_EQ(f.list_height, 0u);
        EXPECT_TRUE(f.focus_was_null);
        ASSERT_EQ(f.item_count, 1);
        const auto &field = f.form_items[0];
        EXPECT_EQ(field.label, "");
        EXPECT_EQ(field.label_row, 0u);
        EXPECT_EQ(field.label_col, 0u);
        EXPECT_EQ(field.initial_text, c.current);
        EXPECT_EQ(field.field_row, 0u);
        EXPECT_EQ(field.field_col, 0u);
        EXPECT_EQ(field.field_width, 20u);
        EXPECT_EQ(field.max_length, 50u);
        EXPECT_TRUE(field.value_was_null);
        EXPECT_EQ(field.flags, 24u);
        EXPECT_EQ(field.bottom_text, std::nullopt);
        // Cancelled: no result box, nothing written.
        EXPECT_TRUE(dialog_double::calls_of(kind::msgbox).empty());
    }
    EXPECT_TRUE(fake_kernel::writes().empty());
}

TEST_F(SetValue, EscAndCancelWriteNothing) {
    for (int code : {BOXKIT_ESC, BOXKIT_CANCEL}) {
        dialog_double::reset();
        dialog_double::script(kind::form, answer(code, "7"));
        run("s.int");
        EXPECT_TRUE(dialog_double::calls_of(kind::msgbox).empty());
    }
    EXPECT_TRUE(fake_kernel::writes().empty());
}

TEST_F(SetValue, ResultBoxReportsTheChangeOrWhyNot) {
    const std::string written = set("s.int", "0x10");
    EXPECT_EQ(written, "1 -> 0x10"); // the typed text, not the value read back
    EXPECT_EQ(fake_kernel::value_of("s.int"), bytes_of<int32_t>({16}));
    auto box = dialog_double::calls_of(kind::msgbox)[0];
    EXPECT_TRUE(box.conf.esc_enabled);
    EXPECT_EQ(box.conf.ok_button_label, "Close");
    EXPECT_EQ(box.height, 0);
    EXPECT_EQ(box.width, 0);

    EXPECT_EQ(set("s.wo", "7"), "No RD flag -> 7");
    EXPECT_EQ(set("s.str", "a,b"), "abc -> a,b");
    EXPECT_EQ(set("s.int", "12abc"), "Cannot set value: setting array value Invalid argument");
    EXPECT_EQ(set("s.wo", "256"),
              "Cannot set value: setting array value Numerical result out of range");
    EXPECT_EQ(set("s.int", "1,2,3"), "Cannot set value: error sysctl() Invalid argument");
    fake_kernel::fail(op::write, "s.int", EPERM);
    EXPECT_EQ(set("s.int", "5"), "Cannot set value: error sysctl() Operation not permitted");
    EXPECT_EQ(set("s.zero", "5"), "Cannot set value: Unknown type");

    // A failed read just before leaves an error code behind; the typed text is
    // judged on its own.
    fake_kernel::fail(op::read, "s.int", ERANGE);
    EXPECT_EQ(set("s.int", "5"), "Cannot get value: Numerical result out of range -> 5");
    EXPECT_EQ(fake_kernel::value_of("s.int"), bytes_of<int32_t>({5}));
}

// write_value on its own: the exact bytes each text sends, or that it sends none.
struct write_case {
    const char *type;
    const char *text;
    std::vector<uint64_t> elements; // each stored in the type's element size
    int err;                        // 0, or the parse error: nothing is written
};

class WriteValue : public values_fixture {};

TEST_F(WriteValue, ParsesEveryNumericType) {
    const uint64_t u64max = std::numeric_limits<uint64_t>::max();
    const auto neg = [](int64_t v) { return static_cast<uint64_t>(v); };
    const std::string digits21 = "123456789012345678901";
    const write_case cases[] = {
        // Bases, signs, blanks, lists.
        {"int", "5", {5}, 0},
        {"int", "0x10", {16}, 0},
        {"int", "0X1f", {31}, 0},
        {"int", "010", {8}, 0},
        {"int", "-7", {neg(-7)}, 0},
        {"int", "+7", {7}, 0},
        {"int", " 7", {7}, 0},
        {"int", "\t7 ", {7}, 0},
        {"int", "1,2,3", {1, 2, 3}, 0},
        {"int", "-1, 2 ,0x3", {neg(-1), 2, 3}, 0},
        // Pieces without a number, or with something after it.
        {"int", "", {}, EINVAL},
        {"int", " ", {}, EINVAL},
        {"int", "1,,2", {}, EINVAL},
        {"int", "1,", {}, EINVAL},
        {"int", ",1", {}, EINVAL},
        {"int", "abc", {}, EINVAL},
        {"int", "12abc", {}, EINVAL},
        {"int", "1,abc", {}, EINVAL},
        {"int", "0x", {}, EINVAL},
        {"int", "08", {}, EINVAL},
        {"int", "--1", {}, EINVAL},
        {"int", "1 2", {}, EINVAL},
        // Widths.
        {"int", "2147483647", {2147483647}, 0},
        {"int", "-2147483648", {neg(INT32_MIN)}, 0},
        {"int", "2147483648", {}, ERANGE},
        {"int", "-2147483649", {}, ERANGE},
        {"int", digits21.c_str(), {}, ERANGE},
        {"s32", "-1", {neg(-1)}, 0},
        {"uint", "-1", {0xffffffff}, 0},
        {"uint", "4294967295", {0xffffffff}, 0},
        {"uint", "-2147483648", {0x80000000}, 0},
        {"uint", "4294967296", {}, ERANGE},
        {"uint", "-2147483649", {}, ERANGE},
        {"u32", "-1", {0xffffffff}, 0},
        {"u8", "-1", {255}, 0},
        {"u8", "0xff,0", {255, 0}, 0},
        {"u8", "-128", {128}, 0},
        {"u8", "256", {}, ERANGE},
        {"u8", "-129", {}, ERANGE},
        {"s8", "127", {127}, 0},
        {"s8", "-128", {neg(-128)}, 0},
        {"s8", "128", {}, ERANGE},
        {"s8", "-129", {}, ERANGE},
        {"u16", "65535", {65535}, 0},
        {"u16", "-1", {65535}, 0},
        {"u16", "65536", {}, ERANGE},
        {"s16", "-32768", {neg(-32768)}, 0},
        {"s16", "32768", {}, ERANGE},
        {"long", "-9223372036854775808", {neg(INT64_MIN)}, 0},
        {"long", "9223372036854775808", {}, ERANGE},
        {"long", digits21.c_str(), {}, ERANGE},
        {"s64", "0x7fffffffffffffff", {0x7fffffffffffffff}, 0},
        {"s64", "-9223372036854775809", {}, ERANGE},
        {"ulong", "18446744073709551615", {u64max}, 0},
        {"ulong", "-1", {u64max}, 0},
        {"ulong", "-9223372036854775808", {0x8000000000000000}, 0},
        {"ulong", "-9223372036854775809", {}, ERANGE},
        {"ulong", "18446744073709551616", {}, ERANGE},
        {"u64", "01777777777777777777777", {u64max}, 0},
        {"u64", digits21.c_str(), {}, ERANGE},
    };
    const std::map<std::string, size_t> sizes = {{"int", 4},  {"s32", 4}, {"uint", 4},  {"u32", 4},
                                                 {"u8", 1},   {"s8", 1},  {"u16", 2},   {"s16", 2},
                                                 {"long", 8}, {"s64", 8}, {"ulong", 8}, {"u64", 8}};
    for (const auto &c : cases) {
        const size_t size = sizes.at(c.type);
        bytes expected;
        for (uint64_t e : c.elements) {
            bytes one(size);
            std::memcpy(one.data(), &e, size); // the low bytes on this little-endian machine
            expected.insert(expected.end(), one.begin(), one.end());
        }
        // The node holds as many elements as the text, so the kernel takes it.
        mib tree(std::string("n | ") + c.type +
                 " | RW | | x:" + std::string(expected.size() * 2, '0'));
        char *reason = nullptr;
        errno = 0;
        const int rc = mibscope::write_value(tree["n"], c.text, &reason);
        const std::string what = std::string(c.type) + " '" + c.text + "'";
        if (c.err == 0) {
            EXPECT_EQ(rc, 0) << what << ": " << (reason ? reason : "");
            ASSERT_EQ(fake_kernel::writes().size(), 1u) << what;
            EXPECT_EQ(fake_kernel::writes()[0].bytes, expected) << what;
        } else {
            EXPECT_EQ(rc, 1) << what;
            EXPECT_EQ(reason ? std::string(reason) : "",
                      std::string("setting array value ") + std::strerror(c.err))
                << what;
            EXPECT_TRUE(fake_kernel::writes().empty()) << what;
        }
        std::free(reason);
    }
}

TEST_F(WriteValue, StringsAreWrittenWholeWithTheirNul) {
    mib tree("n | string | RW | A | old");
    for (const char *text : {"a,b", "", " 12abc "}) {
        char *reason = nullptr;
        ASSERT_EQ(mibscope::write_value(tree["n"], text, &reason), 0) << text;
        const bytes sent = fake_kernel::writes().back().bytes;
        EXPECT_EQ(sent, bytes(text, text + std::strlen(text) + 1)) << text;
    }
    EXPECT_EQ(fake_kernel::writes().size(), 3u);
}

TEST_F(WriteValue, RefusalsAndLeftoverErrors) {
    mib tree(R"(
n       | int | RW | I | 1
unknown | 0   | RW | ~ | x:00000000
beyond  | 16  | RW | ~ | x:00000000
)");
    char *reason = nullptr;
    for (const char *name : {"unknown", "beyond"}) {
        EXPECT_EQ(mibscope::write_value(tree[name], "5", &reason), 1);
        EXPECT_STREQ(reason, "Unknown type");
        std::free(reason);
    }
    EXPECT_TRUE(fake_kernel::writes().empty());

    fake_kernel::fail(op::write, "n", EBUSY);
    EXPECT_EQ(mibscope::write_value(tree["n"], "5", &reason), 1);
    EXPECT_STREQ(reason, "error sysctl() Device or resource busy");
    std::free(reason);

    // An error code from an earlier call never fails a valid text.
    for (int leftover : {EINVAL, ERANGE}) {
        errno = leftover;
        reason = nullptr;
        EXPECT_EQ(mibscope::write_value(tree["n"], "6", &reason), 0);
        EXPECT_EQ(reason, nullptr);
    }
    EXPECT_EQ(fake_kernel::value_of("n"), bytes_of<int32_t>({6}));

    // The caller's text stays as it was.
    char text[] = "7,8";
    EXPECT_EQ(mibscope::write_value(tree["n"], text, &reason), 1); // two elements refused
    std::free(reason);
    EXPECT_STREQ(text, "7,8");
}

TEST_F(WriteValue, AllocationFailuresWriteNothing) {
    mib tree("n | int | RW | I | 1\ns | string | RW | A | x");
    const struct {
        const char *name;
        const char *text;
        fn what;
        int nth;
    } cases[] = {
        {"n", "5", fn::strdup, 1},    // the copy of the text
        {"s", "5", fn::strdup, 1},    // the copy of a string
        {"n", "1,2", fn::realloc, 2}, // growing the write buffer
        {"n", "x", fn::asprintf, 1},  // the reason
    };
    for (const auto &c : cases) {
        char *reason = nullptr;
        alloc_failure::fail_nth(c.what, c.nth);
        EXPECT_EQ(mibscope::write_value(tree[c.name], c.text, &reason), -1) << c.text;
        EXPECT_EQ(reason, nullptr);
        alloc_failure::disarm();
    }
    EXPECT_TRUE(fake_kernel::writes().empty());
}

class SetValueDeath : public SetValue {
  protected:
    void run_in_child(const char *name, const char *typed = nullptr) {
        stdout_to_stderr();
        if (typed != nullptr)
            dialog_double::script(kind::form, answer(BOXKIT_OK, typed));
        run(name);
    }
};

// An allocation failure leaves memory exhausted until the dialog library is
// ended: the message must still come out.
TEST_F(SetValueDeath, FatalPaths) {
    const dialog_double::response broken = answer(BOXKIT_ERROR, {}, "terminal lost");
    EXPECT_EXIT(
        {
            dialog_double::script(kind::msgbox, broken);
            run_in_child("s.ro");
        },
        testing::ExitedWithCode(1), "^Error: libboxkit terminal lost\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::strdup); // "No RD flag"
            run_in_child("s.wo");
        },
        testing::ExitedWithCode(1),
        "^Error: alloc memory getting value Cannot allocate memory\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::asprintf); // the form text
            run_in_child("s.wo");
        },
        testing::ExitedWithCode(1),
        "^Error: asprint\\(\\) text setvalue-1 window Cannot allocate memory\\.\n$");
    EXPECT_EXIT(
        {
            dialog_double::script(kind::form, broken);
            run_in_child("s.int");
        },
        testing::ExitedWithCode(1), "^Error: libboxkit terminal lost\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::realloc); // write_value's buffer
            run_in_child("s.int", "5");
        },
        testing::ExitedWithCode(1),
        "^Error: Fatal error sysctl_getvalue\\(\\) Cannot allocate memory\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::asprintf, 2); // the result text
            run_in_child("s.int", "5");
        },
        testing::ExitedWithCode(1),
        "^Error: asprint\\(\\) text setvalue-2 window Cannot allocate memory\\.\n$");
    EXPECT_EXIT(
        {
            dialog_double::script(kind::msgbox, broken);
            run_in_child("s.int", "5");
        },
        testing::ExitedWithCode(1), "^Error: libboxkit terminal lost\\.\n$");
}

} // namespace
