// The properties box: its exact text, its settings and its fatal paths.
#include "values/properties.h"

#include <cerrno>

#include "platform/kernel.h"
#include "tests/values/mib_fixture.h"

namespace {

using namespace values_test;
using alloc_failure::fn;
using dialog_double::kind;

// The box text for the given parts, as the user sees it before markup.
std::string box_text(const std::string &oid, const std::string &name, const std::string &desc,
                     const std::string &flags, const std::string &type, const std::string &format,
                     const std::string &handler, const std::string &value) {
    return "\\ZbOID\\Zn: " + oid + "\n\n\\ZbName\\Zn: " + name +
           "\n\n\\ZbDescription\\Zn: " + desc + "\n\n\\ZbFlags\\Zn:" + flags +
           "\n\n\\ZbType\\Zn: " + type + "\n\n\\ZbFormat\\Zn: " + format +
           "\n\n\\ZbHandler\\Zn: " + handler + "\n\n\\ZbValue\\Zn:\n" + value;
}

// 24 levels deep; some components are given explicitly, the extremes included.
std::string deep_fixture() {
    std::string d, name;
    for (int i = 1; i <= 24; ++i) {
        name += (i > 1 ? ".n" : "n") + std::to_string(i);
        std::string oid = i == 2 ? "-2147483648" : i == 3 ? "2147483647" : i == 24 ? "0" : "";
        d += name + " | " + (i < 24 ? "node" : "int") + " | RD | | " + (i < 24 ? "~" : "42") +
             " | | | " + oid + "\n";
    }
    return d;
}

class Properties : public values_fixture {
  protected:
    // Shows the properties of `node` as the main window would, from a row
    // whose shown name is `shown`, and returns the box's call.
    dialog_double::call show(oidtree_object *node, const char *shown = "row name") {
        boxkit_menuitem rows[2] = {};
        rows[1].name = shown;
        oidtree_object *nodes[2] = {nullptr, node};
        mibscope::show_properties(rows, nodes, 1);
        auto boxes = dialog_double::calls_of(kind::msgbox);
        EXPECT_EQ(boxes.size(), 1u);
        auto c = boxes.empty() ? dialog_double::call{} : boxes.back();
        dialog_double::reset();
        return c;
    }
};

TEST_F(Properties, BoxTextAndSettings) {
    mib tree(R"(
kern            | node   | RD
kern.ostype     | string | RD+WR+TUN+MPSAFE | A | FreeBSD | Operating system type | yes
)");
    auto c = show(tree["kern.ostype"], ".ostype");
    EXPECT_EQ(c.text, box_text("1 .1", "kern.ostype", "Operating system type",
                               "RD, WR, TUN, MPSAFE", "string", "A", "Defined", "FreeBSD"));
    EXPECT_EQ(c.conf.title, ".ostype"); // the row's shown name, not the node's
    EXPECT_TRUE(c.conf.esc_enabled);
    EXPECT_TRUE(c.conf.markup);
    EXPECT_EQ(c.conf.min_height, 15u);
    EXPECT_EQ(c.conf.min_width, 45u);
    EXPECT_EQ(c.conf.top_margin, 1u);
    EXPECT_EQ(c.conf.bottom_margin, 1u);
    EXPECT_EQ(c.conf.ok_button_label, "Close");
    EXPECT_FALSE(c.conf.hide_ok_button);
    EXPECT_EQ(c.conf.left_button1_label, std::nullopt);
    EXPECT_EQ(c.height, 0);
    EXPECT_EQ(c.width, 0);
    EXPECT_EQ(fake_kernel::calls(fake_kernel::op::hashandler), 1);

    // Each press reads the value anew; ESC closes like Close.
    fake_kernel::set_value_of("kern.ostype", {'L', 'i', 'n', 'u', 'x', 0});
    dialog_double::script(kind::msgbox, answer(BOXKIT_ESC));
    c = show(tree["kern.ostype"]);
    EXPECT_EQ(c.text->substr(c.text->rfind('\n') + 1), "Linux");
    EXPECT_EQ(fake_kernel::calls(fake_kernel::op::hashandler), 2);
}

TEST_F(Properties, FlagsText) {
    mib tree(R"(
all      | int | 0xFF0FF800 | I | 1
none     | int | -          | I | 1
unnamed  | int | 0x80F007FF | I | 1
)");
    const std::string all = "RD, WR, DORMANT, ANYBODY, SECURE, PRISON, DYN, SKIP, TUN, MPSAFE, "
                            "VNET, DYING, CAPRD, CAPWR, STATS, NOFETCH, NEEDGIANT";
    ASSERT_EQ(all.size(), 118u);
    const struct {
        const char *name;
        std::string flags;
        const char *value;
    } cases[] = {{"all", all, "1"}, {"none", "", "No RD flag"}, {"unnamed", "RD", "1"}};
    for (const auto &c : cases) {
        EXPECT_EQ(show(tree[c.name]).text,
                  box_text(std::to_string(fake_kernel::oid_of(c.name)[0]), c.name, "", c.flags,
                           "integer", "I", "Defined", c.value))
            << c.name;
    }
}

TEST_F(Properties, OidFormatHandlerAndValueReasons) {
    mib tree(R"(
a          | node   | RD |   | ~ | top | no | 5
a.opq      | opaque | RD | S | x:00 | | yes
a.noformat | int    | RD | ~ | 7 | | fail
a.gone     | u8     | RD | CU | ~
a.wo       | s16    | WR | S | 3
)");
    EXPECT_EQ(show(tree["a"]).text, box_text("5", "a", "top", "RD", "node", "", "Undefined",
                                             "No value, parameter is a NODE"));
    EXPECT_EQ(show(tree["a.opq"]).text,
              box_text("5 .1", "a.opq", "", "RD", "opaque", "S", "Defined", "Value is OPAQUE"));
    // An absent format shows as the empty text; a failed handler query as Undefined.
    EXPECT_EQ(show(tree["a.noformat"]).text,
              box_text("5 .2", "a.noformat", "", "RD", "integer", "", "Undefined", "7"));
    EXPECT_EQ(show(tree["a.gone"]).text, box_text("5 .3", "a.gone", "", "RD", "uint8_t", "CU",
                                                  "Defined", "Cannot get value size via sysctl()"));
    EXPECT_EQ(show(tree["a.wo"]).text,
              box_text("5 .4", "a.wo", "", "WR", "int16_t", "S", "Defined", "No RD flag"));
    fake_kernel::fail(fake_kernel::op::read, "a.noformat", EACCES);
    EXPECT_EQ(show(tree["a.noformat"]).text,
              box_text("5 .2", "a.noformat", "", "RD", "integer", "", "Undefined",
                       "Cannot get value: Permission denied"));

    mib deep(deep_fixture());
    std::string oid = "1 .-2147483648 .2147483647";
    for (int i = 4; i < 24; ++i)
        oid += " .1";
    oid += " .0";
    std::string name = "n1";
    for (int i = 2; i <= 24; ++i)
        name += ".n" + std::to_string(i);
    EXPECT_EQ(show(deep[name]).text, box_text(oid, name, "", "RD", "integer", "", "Defined", "42"));
}

TEST_F(Properties, NothingIsShownForAMissingNode) {
    boxkit_menuitem rows[1] = {};
    oidtree_object *nodes[1] = {nullptr};
    mibscope::show_properties(rows, nodes, 0);
    mibscope::show_properties(rows, nodes, -1);
    EXPECT_TRUE(dialog_double::calls().empty());
}

class PropertiesDeath : public Properties {
  protected:
    mib tree{"n | opaque | RD | S | x:00\nv | int | RD | I | 1"};
    void show_in_child(const char *name) {
        stdout_to_stderr();
        show(tree[name]);
    }
};

// An allocation failure leaves memory exhausted until the dialog library is
// ended: the message must still come out.
TEST_F(PropertiesDeath, FatalPaths) {
    EXPECT_EXIT(
        {
            dialog_double::script(kind::msgbox, answer(BOXKIT_ERROR, {}, "terminal lost"));
            show_in_child("v");
        },
        testing::ExitedWithCode(1), "^Error: libboxkit terminal lost\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::strdup); // "Value is OPAQUE"
            show_in_child("n");
        },
        testing::ExitedWithCode(1),
        "^Error: alloc memory getting value Cannot allocate memory\\.\n$");
    EXPECT_EXIT(
        {
            alloc_failure::exhaust_after_failure();
            alloc_failure::fail_nth(fn::asprintf);
            show_in_child("v");
        },
        testing::ExitedWithCode(1),
        "^Error: asprint\\(\\) text properties window Cannot allocate memory\\.\n$");
}

} // namespace
