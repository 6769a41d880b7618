// Command line and start-up: every ending before the main window, the option
// values, and the boxes start-up shows.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/options.h"
#include "app/startup.h"
#include "platform/oidtree.h"
#include "tests/app/program_run.h"
#include "tests/support/dialog_double.h"
#include "tests/support/fake_kernel.h"
#include "tests/support/alloc_failure.h"

namespace {

using app_test::answer;
using app_test::failure;
using app_test::run_program;
using app_test::run_program_to_stderr;
namespace dd = dialog_double;

const char *const small_mib = R"(
a | node | RD
a.b | int | RD+WR | I | 1
g | int | RD | I | 7
)";

const std::string short_usage =
    "usage: mibscope [-h|v]\n"
    "       mibscope [-d|V] [-f] [-e <label>] [-l <label>] [-i <indent>] [-s <label>]\n";

const std::string long_usage = short_usage +
                               "\n"
                               " -d\t\tShow parameter descriptions in the main window.\n"
                               " -e <label>\tSet prefix for nodes with expandable subtree.\n"
                               " -f\t\tDisplay full parameter names in the main window.\n"
                               " -h\t\tShow this help message and exit.\n"
                               " -i <indent>\tSet the visual depth of subtrees.\n"
                               " -l <label>\tSet prefix for leaf nodes.\n"
                               " -s <label>\tSet prefix for nodes with expanded subtrees.\n"
                               " -V\t\tDisplay parameter values in the main window.\n"
                               " -v\t\tShow version and exit.\n";

class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        dd::reset();
        fake_kernel::load(small_mib);
    }
    void TearDown() override { EXPECT_EQ(fake_kernel::live_trees(), 0); }
};

// Endings before the dialog library starts: plain lines, nothing on screen.
struct early_exit_case {
    std::vector<std::string> args;
    int status;
    std::string out;
    bool getopt_complains;
};

TEST_F(Startup, EndsBeforeTheDialogLibraryWithTheRightTextAndStatus) {
    const std::vector<early_exit_case> cases = {
        {{"-h"}, 0, long_usage, false},
        {{"-v"}, 0, "mibscope 0.0.3\n", false},
        {{"-v", "-h"}, 0, "mibscope 0.0.3\n", false},
        {{"-h", "-x"}, 0, long_usage, false},
        {{"-d", "-V", "-v"}, 0, "mibscope 0.0.3\n", false},
        {{"-x"}, 1, short_usage, true},
        {{"-x", "-v"}, 1, short_usage, true},
        {{"-f", "-e"}, 1, short_usage, true},
        {{"-i"}, 1, short_usage, true},
        // Label conflicts, checked after every option is read, first match only.
        {{"-e", "-"}, 1, "-e <-> equals to -s <->\n", false},
        {{"-l", "+"}, 1, "-e <+> equals to -l <+>\n", false},
        {{"-s", ""}, 1, "-s <> equals to -l <>\n", false},
        {{"-e", "a", "-s", "a", "-l", "a"}, 1, "-e <a> equals to -s <a>\n", false},
        {{"-s", "x", "-l", "x"}, 1, "-s <x> equals to -l <x>\n", false},
        {{"-e", "-", "-s", "+"}, 0, "", false}, // swapped labels are fine; ESC ends it
        {{"-l", "-", "-s", "*"}, 0, "", false},
        {{"-e", "-", "-e", "#"}, 0, "", false}, // the last value counts
    };
    for (const early_exit_case &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        dd::reset();
        const app_test::program_run r = run_program(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        if (c.getopt_complains)
            EXPECT_NE(r.err, "");
        else
            EXPECT_EQ(r.err, "");
        // Only a run that reaches the main window touches the dialog library.
        EXPECT_EQ(dd::calls_of(dd::kind::init).size(), c.status == 0 && c.out.empty() ? 1u : 0u);
    }
}

TEST_F(Startup, DefaultsAndOptionValues) {
    ASSERT_EQ(run_program({}).status, 0);
    EXPECT_FALSE(mibscope::opts.show_values);
    EXPECT_FALSE(mibscope::opts.full_names);
    EXPECT_FALSE(mibscope::opts.show_descriptions);
    EXPECT_STREQ(mibscope::opts.expandable_label, "+");
    EXPECT_STREQ(mibscope::opts.expanded_label, "-");
    EXPECT_STREQ(mibscope::opts.leaf_label, "");
    EXPECT_EQ(mibscope::opts.indent, 1u);

    ASSERT_EQ(
        run_program({"-V", "-f", "-d", "-e", "[+]", "-s", "[-]", "-l", "[ ]", "-i", "4"}).status,
        0);
    EXPECT_TRUE(mibscope::opts.show_values);
    EXPECT_TRUE(mibscope::opts.full_names);
    EXPECT_TRUE(mibscope::opts.show_descriptions);
    EXPECT_STREQ(mibscope::opts.expandable_label, "[+]");
    EXPECT_STREQ(mibscope::opts.expanded_label, "[-]");
    EXPECT_STREQ(mibscope::opts.leaf_label, "[ ]");
    EXPECT_EQ(mibscope::opts.indent, 4u);

    // A second run starts again from the defaults.
    ASSERT_EQ(run_program({"-i", "2"}).status, 0);
    EXPECT_FALSE(mibscope::opts.show_values);
    EXPECT_STREQ(mibscope::opts.expandable_label, "+");
}

TEST_F(Startup, IndentConversionAcceptsAnyText) {
    const std::vector<std::pair<std::string, uint32_t>> cases = {
        {"abc", 0},
        {"3x", 3},
        {"-1", 4294967295u},
        {"4294967297", 1},
        {"  +12", 12},
        {"", 0},
        {"0", 0},
        {"99999999999999999999", UINT32_MAX},
        {"-4294967295", 1},
    };
    for (const auto &[text, indent] : cases) {
        SCOPED_TRACE(text);
        ASSERT_EQ(run_program({"-i", text}).status, 0);
        EXPECT_EQ(mibscope::opts.indent, indent);
    }
}

TEST_F(Startup, StopsReadingOptionsAtTheFirstOperand) {
    const app_test::program_run r = run_program({"-f", "stray", "-v", "-x"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(mibscope::opts.full_names);
    EXPECT_EQ(dd::calls_of(dd::kind::menu).size(), 1u);
}

TEST_F(Startup, FailingInitWritesTheLibraryErrorAndNeverEndsTheLibrary) {
    dd::script(dd::kind::init, failure("no usable terminal"));
    const app_test::program_run r = run_program({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error libboxkit init: no usable terminal.\n");
    EXPECT_TRUE(dd::calls_of(dd::kind::end).empty());
    EXPECT_EQ(fake_kernel::calls(fake_kernel::op::read), 0);
}

TEST_F(Startup, MissingModuleShowsOnlyTheModuleBox) {
    fake_kernel::set_module_loaded(false);
    const app_test::program_run r = run_program({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(dd::calls_of(dd::kind::infobox).empty());
    EXPECT_TRUE(dd::calls_of(dd::kind::menu).empty());

    const std::vector<dd::call> boxes = dd::calls_of(dd::kind::msgbox);
    ASSERT_EQ(boxes.size(), 1u);
    const dd::call &box = boxes[0];
    EXPECT_EQ(box.text, "Make sure that you have loaded the\noidprobe kernel module, by doing:\n\n"
                        "     # kldload oidprobe\n\nor adding:\n\n     oidprobe_load=\"YES\"\n\n"
                        "to your /boot/loader.conf");
    EXPECT_EQ(box.height, 15);
    EXPECT_EQ(box.width, 45);
    EXPECT_EQ(box.conf.title, " Error ");
    EXPECT_TRUE(box.conf.esc_enabled);
    EXPECT_EQ(box.conf.ok_button_label, "Quit");
    EXPECT_FALSE(box.conf.markup);
    EXPECT_FALSE(box.conf.help_text.has_value());
    EXPECT_EQ(dd::calls().back().what, dd::kind::end);
}

TEST_F(Startup, ClosingTheModuleBoxWithEscAlsoEndsWithStatusOne) {
    fake_kernel::set_module_loaded(false);
    dd::script(dd::kind::msgbox, answer(BOXKIT_ESC));
    const app_test::program_run r = run_program({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dd::calls().back().what, dd::kind::end);
}

TEST_F(Startup, FailedSnapshotShowsCannotBuildMib) {
    fake_kernel::set_mib_fails(true);
    const app_test::program_run r = run_program({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");

    const std::vector<dd::call> info = dd::calls_of(dd::kind::infobox);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].text, "Getting kernel info...");
    EXPECT_EQ(info[0].height, 0);
    EXPECT_EQ(info[0].width, 0);
    EXPECT_FALSE(info[0].conf.title.has_value());
    EXPECT_FALSE(info[0].conf.ok_button_label.has_value());

    const std::vector<dd::call> boxes = dd::calls_of(dd::kind::msgbox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot build mib");
    EXPECT_EQ(boxes[0].height, 0);
    EXPECT_EQ(boxes[0].width, 0);
    EXPECT_FALSE(boxes[0].conf.title.has_value());
    EXPECT_FALSE(boxes[0].conf.esc_enabled);
    EXPECT_EQ(boxes[0].conf.ok_button_label, "Quit");
    EXPECT_TRUE(dd::calls_of(dd::kind::menu).empty());
    EXPECT_EQ(dd::calls().back().what, dd::kind::end);
}

TEST_F(Startup, ReachesTheMenuAndQuitsCleanly) {
    const app_test::program_run r = run_program({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    // Start-up order: library, infobox, then the menu; the library is ended once.
    std::vector<dd::kind> order;
    for (const dd::call &c : dd::calls())
        if (c.what == dd::kind::init || c.what == dd::kind::infobox || c.what == dd::kind::menu ||
            c.what == dd::kind::end)
            order.push_back(c.what);
    EXPECT_EQ(order, (std::vector<dd::kind>{dd::kind::init, dd::kind::infobox, dd::kind::menu,
                                            dd::kind::end}));
}

// Every dialog call of start-up that fails ends the program through die.
TEST_F(Startup, FailingStartupDialogsDie) {
    EXPECT_EXIT(
        {
            dd::script(dd::kind::infobox, failure("infobox broke"));
            run_program_to_stderr({});
        },
        ::testing::ExitedWithCode(1), "^Error: libboxkit infobox broke\\.\n$");
    EXPECT_EXIT(
        {
            fake_kernel::set_module_loaded(false);
            dd::script(dd::kind::msgbox, failure("module box broke"));
            run_program_to_stderr({});
        },
        ::testing::ExitedWithCode(1), "^Error: libboxkit module box broke\\.\n$");
    EXPECT_EXIT(
        {
            fake_kernel::set_mib_fails(true);
            dd::script(dd::kind::msgbox, failure("mib box broke"));
            run_program_to_stderr({});
        },
        ::testing::ExitedWithCode(1), "^Error: libboxkit mib box broke\\.\n$");
}

// The failure leaves memory exhausted until the dialog library is ended: the
// message must still come out.
TEST_F(Startup, AllocationFailuresDie) {
    struct failure_case {
        alloc_failure::fn what;
        int nth;
        bool module_loaded;
        const char *message;
    };
    const std::vector<failure_case> cases = {
        {alloc_failure::fn::calloc, 1, true, "alloc main window menu items"},
        {alloc_failure::fn::calloc, 2, true, "alloc index \\[menu item -> tree node\\]"},
        {alloc_failure::fn::asprintf, 1, false, "asprint\\(\\) text kmod dialog"},
    };
    for (const failure_case &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EXIT(
            {
                fake_kernel::set_module_loaded(c.module_loaded);
                alloc_failure::exhaust_after_failure();
                alloc_failure::fail_nth(c.what, c.nth);
                run_program_to_stderr({});
            },
            ::testing::ExitedWithCode(1),
            std::string("^Error: ") + c.message + " Cannot allocate memory\\.\n$");
    }
}

TEST(CountNodes, CountsEveryNodeAtEveryDepth) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"", 0},
        {"a", 1},
        {"a\nb\nc", 3},
        {"a\na.b\na.b.c\na.b.c.d\ne", 5},
        {"a | node\nb | node\nb.c | int | RD | I | 1\nb.d\n",
         4}, // an empty child list counts nothing
    };
    for (const auto &[mib, count] : cases) {
        SCOPED_TRACE(mib);
        fake_kernel::load(mib);
        oidtree_list *tree = oidtree_mib();
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(mibscope::count_nodes(tree), count);
        oidtree_freemib(tree);
    }
}

} // namespace
