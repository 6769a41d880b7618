// The properties box and Set Value of the program in a real terminal: on the
// in-memory kernel (numbers, strings, a list, refused nodes and refused texts),
// on a fixture /proc/sys tree, on this machine's /proc/sys as root, and a
// session under valgrind.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_session.h"
#include "tests/support/tmux_session.h"

namespace {

namespace fs = std::filesystem;
using e2e::box_with;
using e2e::checked;
using e2e::ending;
using e2e::read_file;
using e2e::terminal;
using e2e::wait_bottom;
using e2e::wait_gone;
using test_support::temp_file;
using tmux_test::tmux_session;
using text_rows = std::vector<std::string>;

std::vector<std::string> fake_program(const std::string &write_log,
                                      const std::vector<std::string> &options = {}) {
    std::vector<std::string> own;
    if (!write_log.empty())
        own = {"--write-log", write_log};
    return checked(e2e::fake_program(own, options));
}

// Moves the focus to the row shown as `name`, from the first row (`first`) down.
bool focus_row(tmux_session &s, const std::string &first, const std::string &name) {
    s.send_keys({"Home"});
    return wait_bottom(s, first) && e2e::move_down_to(s, name);
}

std::string joined(const text_rows &rows) {
    std::string r;
    for (const std::string &row : rows)
        r += "[" + row + "]\n";
    return r;
}

// Waits until the box holding `anchor` shows `title` and `text`, and reports
// what it showed when it does not.
::testing::AssertionResult shows_box(tmux_session &s, const std::string &anchor,
                                     const std::string &title, const text_rows &text) {
    e2e::box_view seen;
    if (s.wait_until([&](const std::string &screen) {
            seen = box_with(screen, anchor);
            return seen.title == title && seen.text == text;
        }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "title [" << seen.title << "], text:\n"
                                         << joined(seen.text) << "screen:\n"
                                         << s.screen();
}

// The properties box's text rows for a node.
text_rows properties_text(const std::string &oid, const std::string &name,
                          const text_rows &description, const std::string &flags,
                          const std::string &type, const std::string &format,
                          const std::string &handler, const text_rows &value) {
    text_rows r = {"OID: " + oid, "", "Name: " + name, ""};
    for (size_t i = 0; i < description.size(); ++i)
        r.push_back(i == 0 ? "Description: " + description[i] : description[i]);
    if (description.empty())
        r.push_back("Description:");
    for (const std::string &row :
         {std::string(""), "Flags:" + flags, std::string(""), "Type: " + type, std::string(""),
          format.empty() ? "Format:" : "Format: " + format, std::string(""), "Handler: " + handler,
          std::string(""), std::string("Value:")})
        r.push_back(row);
    r.insert(r.end(), value.begin(), value.end());
    return r;
}

// The set-value form's text rows and its field.
text_rows form_text(const std::string &name, const std::string &type, const std::string &format,
                    const std::string &current) {
    return {
        name + ",", "Type: " + type + ", Format: " + format + ", Current value: " + current + ".",
        "",         "Write the new value in form. TAB to switch to buttons.",
        "",         current};
}

// Whether the form whose text starts with `anchor` shows `text` in its field
// (the box's last row).
bool field_shows(const std::string &screen, const std::string &anchor, const std::string &text) {
    const text_rows rows = box_with(screen, anchor).text;
    return !rows.empty() && rows.back() == text;
}

// Clears the form's field and types `text` into it.
void retype(tmux_session &s, const std::string &text) {
    s.send_keys(std::vector<std::string>(60, "BSpace"));
    if (!text.empty())
        s.type(text);
}

// Waits until the main menu is back with the focus on `row` and `gone` no
// longer on the screen.
::testing::AssertionResult back_on_row(tmux_session &s, const std::string &gone,
                                       const std::string &row) {
    if (!wait_gone(s, gone))
        return ::testing::AssertionFailure() << "still shown: " << gone << "\n" << s.screen();
    if (!s.wait_for_text("<Navigate>") || !wait_bottom(s, row))
        return ::testing::AssertionFailure() << "not back on " << row << "\n" << s.screen();
    return ::testing::AssertionSuccess();
}

class PropertiesSetValueE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tmux_test::tmux_available())
            GTEST_SKIP() << "tmux is not available";
    }
};

// Opens kern and hw, the two subtrees that hold the test nodes.
void expand_kern_and_hw(tmux_session &s) {
    ASSERT_TRUE(s.wait_for_text("+ hw"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".ostype"));
    s.send_keys({"End"});
    ASSERT_TRUE(wait_bottom(s, "hw"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".ncpu"));
}

TEST_F(PropertiesSetValueE2E, PropertiesBoxShowsTheNodeAndClosesOnTheSameRow) {
    struct properties_case {
        std::string row;
        std::string close_key;
        std::string title; // the row's shown name, not the full one
        text_rows text;
    };
    const std::vector<properties_case> cases = {
        {"kern", "Enter", "kern",
         properties_text("1", "kern", {"High kernel, proc, limits &c"}, "RD", "node", "N",
                         "Undefined", {"No value, parameter is a NODE"})},
        {"kern.maxfiles", "Escape", ".maxfiles",
         properties_text("1 .2", "kern.maxfiles", {"Maximum number of files"}, "RD, WR, TUN",
                         "integer", "I", "Defined", {"12000"})},
        {"kern.motd", "Enter", ".motd",
         properties_text("1 .5", "kern.motd", {"Message of the day", "spanning two lines"}, "RD",
                         "string", "A", "Defined", {"line one", "line two"})},
        {"hw.secret", "Escape", ".secret",
         properties_text("3 .2", "hw.secret", {"Readable by nobody"}, "WR", "integer", "I",
                         "Defined", {"No RD flag"})},
        {"hw.ports", "Enter", ".ports",
         properties_text("3 .1234", "hw.ports", {"Three ports"}, "RD, WR", "integer", "I",
                         "Defined", {"10,20,30"})},
        // A bit without a name is not shown; no handler; no format.
        {"hw.flagged", "Escape", ".flagged",
         properties_text("3 .4", "hw.flagged", {"Flags of note"}, "RD, WR, MPSAFE, NOFETCH",
                         "uint16_t", "", "Undefined", {"7"})},
    };

    tmux_session s(fake_program(""), terminal(100, 40));
    ASSERT_TRUE(s.started());
    expand_kern_and_hw(s);
    for (const properties_case &c : cases) {
        SCOPED_TRACE(c.row);
        ASSERT_TRUE(focus_row(s, "kern", c.row)) << s.screen();
        s.send_keys({"p"});
        EXPECT_TRUE(shows_box(s, "OID:", c.title, c.text));
        EXPECT_TRUE(s.wait_for_text("<Close>"));
        s.send_keys({c.close_key});
        EXPECT_TRUE(back_on_row(s, "OID:", c.row));
    }
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

TEST_F(PropertiesSetValueE2E, SetValueWritesWhatIsConfirmedAndNothingElse) {
    struct set_case {
        std::string row;
        std::string type;
        std::string format;
        std::string current;              // the form's current value and initial field
        std::string typed;                // the field's new text
        std::vector<std::string> confirm; // Enter in the field, or the Set Value button
        std::string result;               // the result box
        std::string written;              // the write log's new line; "" for none
    };
    const std::vector<std::string> enter = {"Enter"};
    const std::vector<std::string> button = {"Tab", "Enter"};
    const std::vector<set_case> cases = {
        {"kern.maxfiles", "integer", "I", "12000", "12345", enter, "12000 -> 12345",
         "1.2 39300000"},
        // A string is written whole, commas and its NUL included.
        {"kern.hostname", "string", "A", "alpha.example", "beta,gamma", button,
         "alpha.example -> beta,gamma", "1.3 626574612c67616d6d6100"},
        // A list in base 0, a blank before a number allowed.
        {"hw.ports", "integer", "I", "10,20,30", "0x28,050, 60", enter, "10,20,30 -> 0x28,050, 60",
         "3.1234 28000000280000003c000000"},
        // The value is read anew; the kernel refuses a list of another length
        // (the log records the refused write too).
        {"hw.ports", "integer", "I", "40,40,60", "1,2", button,
         "Cannot set value: error sysctl() Invalid argument", "3.1234 0100000002000000"},
        // Texts refused before anything is written.
        {"hw.flagged", "uint16_t", "", "7", "12abc", enter,
         "Cannot set value: setting array value Invalid argument", ""},
        {"hw.flagged", "uint16_t", "", "7", "70000", enter,
         "Cannot set value: setting array value Numerical result out of range", ""},
        {"hw.flagged", "uint16_t", "", "7", "1,,2", enter,
         "Cannot set value: setting array value Invalid argument", ""},
        {"hw.flagged", "uint16_t", "", "7", "0x10", enter, "7 -> 0x10", "3.4 1000"},
    };

    temp_file log;
    tmux_session s(fake_program(log.path()), terminal(100, 40));
    ASSERT_TRUE(s.started());
    expand_kern_and_hw(s);
    std::string written;
    for (const set_case &c : cases) {
        SCOPED_TRACE(c.row + " <- " + c.typed);
        ASSERT_TRUE(focus_row(s, "kern", c.row)) << s.screen();
        s.send_keys({"s"});
        EXPECT_TRUE(shows_box(s, c.row + ",", "", form_text(c.row, c.type, c.format, c.current)));
        EXPECT_TRUE(s.wait_for_text("<Set Value>"));
        retype(s, c.typed);
        ASSERT_TRUE(s.wait_until([&](const std::string &screen) {
            return field_shows(screen, c.row + ",", c.typed);
        })) << s.screen();
        s.send_keys(c.confirm);
        EXPECT_TRUE(shows_box(s, c.result, "", {c.result}));
        if (!c.written.empty())
            written += c.written + "\n";
        EXPECT_EQ(read_file(log.path()), written);
        s.send_keys({"Enter"});
        EXPECT_TRUE(back_on_row(s, c.result, c.row));
    }

    // Cancel and ESC close the form with nothing written and no result box.
    for (const std::vector<std::string> &close :
         {std::vector<std::string>{"Tab", "Tab", "Enter"}, std::vector<std::string>{"Escape"}}) {
        SCOPED_TRACE(close.back());
        ASSERT_TRUE(focus_row(s, "kern", "kern.maxfiles"));
        s.send_keys({"s"});
        ASSERT_TRUE(s.wait_for_text("Current value: 12345."));
        retype(s, "999");
        ASSERT_TRUE(s.wait_for_text("999"));
        s.send_keys(close);
        EXPECT_TRUE(back_on_row(s, "Write the new value", "kern.maxfiles"));
        EXPECT_EQ(s.screen().find("->"), std::string::npos) << s.screen();
        EXPECT_EQ(read_file(log.path()), written);
    }

    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    EXPECT_EQ(read_file(log.path()), written);
}

TEST_F(PropertiesSetValueE2E, SetValueRefusesWhatCannotBeWritten) {
    struct refusal_case {
        std::string row;
        std::string close_key;
        std::string text;
    };
    const std::vector<refusal_case> cases = {
        {"hw.ncpu", "Enter", "This parametes has not WR flag"},
        {"hw.tunable", "Escape", "This parameter has the TUN flag, set in /boot/loader.conf"},
        {"hw.blob", "Enter", "Cannot set an OPAQUE parameter"},
        {"hw.bus", "Escape", "This is a NODE, not writable"},
        {"kern", "Enter", "This parametes has not WR flag"},
    };
    temp_file log;
    tmux_session s(fake_program(log.path()), terminal(100, 40));
    ASSERT_TRUE(s.started());
    expand_kern_and_hw(s);
    for (const refusal_case &c : cases) {
        SCOPED_TRACE(c.row);
        ASSERT_TRUE(focus_row(s, "kern", c.row)) << s.screen();
        s.send_keys({"s"});
        EXPECT_TRUE(shows_box(s, c.text, "", {c.text}));
        EXPECT_TRUE(s.wait_for_text("<Close>"));
        s.send_keys({c.close_key});
        EXPECT_TRUE(back_on_row(s, c.text, c.row));
    }
    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
    EXPECT_EQ(read_file(log.path()), "");
}

TEST_F(PropertiesSetValueE2E, FixtureProcSysPropertiesAndWrites) {
    const fs::path root = e2e::fresh_fixture_sys(
        {{"kernel/hostname", "alpha\n"}, {"kernel/ostype", "Linux\n", 0444}});
    const fs::path hostname = root / "kernel" / "hostname";

    tmux_session s(checked({E2E_FIXTURE_PROGRAM}), terminal(100, 40));
    ASSERT_TRUE(s.started());
    ASSERT_TRUE(s.wait_for_text("+ kernel"));
    s.send_keys({"p"});
    EXPECT_TRUE(shows_box(s, "OID:", "kernel",
                          properties_text("1", "kernel", {}, "RD", "node", "N", "Undefined",
                                          {"No value, parameter is a NODE"})));
    s.send_keys({"Enter"});
    ASSERT_TRUE(back_on_row(s, "OID:", "kernel"));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text(".ostype"));

    // A file the owner may not write is refused.
    ASSERT_TRUE(focus_row(s, "kernel", "kernel.ostype"));
    s.send_keys({"s"});
    EXPECT_TRUE(shows_box(s, "This parametes", "", {"This parametes has not WR flag"}));
    s.send_keys({"Enter"});
    ASSERT_TRUE(back_on_row(s, "This parametes", "kernel.ostype"));

    // Cancel and ESC leave the file as it was.
    ASSERT_TRUE(focus_row(s, "kernel", "kernel.hostname"));
    for (const std::vector<std::string> &close :
         {std::vector<std::string>{"Tab", "Tab", "Enter"}, std::vector<std::string>{"Escape"}}) {
        s.send_keys({"s"});
        EXPECT_TRUE(shows_box(s, "kernel.hostname,", "",
                              form_text("kernel.hostname", "string", "A", "alpha")));
        retype(s, "gamma");
        ASSERT_TRUE(s.wait_for_text("gamma"));
        s.send_keys(close);
        EXPECT_TRUE(back_on_row(s, "Write the new value", "kernel.hostname"));
        EXPECT_EQ(read_file(hostname), "alpha\n");
    }

    // A confirmed text replaces the file's content; the box shows it read anew.
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("Current value: alpha."));
    retype(s, "beta");
    ASSERT_TRUE(s.wait_until(
        [](const std::string &screen) { return field_shows(screen, "kernel.hostname,", "beta"); }));
    s.send_keys({"Enter"});
    EXPECT_TRUE(shows_box(s, "alpha -> beta", "", {"alpha -> beta"}));
    EXPECT_EQ(read_file(hostname), "beta");
    s.send_keys({"Enter"});
    ASSERT_TRUE(back_on_row(s, "alpha -> beta", "kernel.hostname"));
    s.send_keys({"p"});
    EXPECT_TRUE(shows_box(s, "OID:", ".hostname",
                          properties_text("1 .1", "kernel.hostname", {}, "RD, WR", "string", "A",
                                          "Defined", {"beta"})));
    s.send_keys({"Escape"});
    ASSERT_TRUE(back_on_row(s, "OID:", "kernel.hostname"));

    s.send_keys({"q"});
    EXPECT_EQ(ending(s), "tty=restored\nrc=0\n");
}

// The shell line, run in a UTS namespace of its own, that runs "$@" and then
// prints domainname=<value> as Linux's own sysctl shows it there (the file's
// content where the tool is missing).
const char *const report_domainname =
    "\"$@\"; rc=$?; "
    "v=$( (/usr/sbin/sysctl -n kernel.domainname || /sbin/sysctl -n kernel.domainname || "
    "cat /proc/sys/kernel/domainname) 2>/dev/null); "
    "echo \"domainname=$v\"; exit $rc";

// A write on the real /proc/sys: kernel.domainname, which a UTS namespace
// holds privately. Everything that writes runs in a namespace of its own, so
// the host's domain name is never changed.
TEST_F(PropertiesSetValueE2E, RealProcSysSetValueOnDomainnameInAUtsNamespace) {
    const char *const path = "/proc/sys/kernel/domainname";
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to write " << path;
    // A throwaway namespace tells whether this machine gives one and whether
    // its /proc/sys takes writes at all (a container may mount it read-only).
    if (std::system("unshare --uts /bin/sh -c 'echo mibscope-probe > "
                    "/proc/sys/kernel/domainname' 2>/dev/null") != 0)
        GTEST_SKIP() << "no UTS namespace of its own, or " << path << " cannot be written here";
    std::string old = read_file(path);
    if (!old.empty() && old.back() == '\n')
        old.pop_back();
    ASSERT_FALSE(old.empty());
    const std::string fresh =
        old == "mibscope-e2e.test" ? "mibscope-e2e.other" : "mibscope-e2e.test";

    // The namespace starts with a copy of the host's domain name.
    tmux_session s(
        checked({"unshare", "--uts", "/bin/sh", "-c", report_domainname, "sh", E2E_REAL_PROGRAM}),
        terminal(120, 40));
    ASSERT_TRUE(s.wait_for_text("+ kernel", std::chrono::seconds(10)));
    ASSERT_TRUE(e2e::move_down_to(s, "kernel", 60)) << s.screen();
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("- kernel"));
    ASSERT_TRUE(e2e::move_down_to(s, "kernel.domainname", 400)) << s.screen();
    s.send_keys({"s"});
    EXPECT_TRUE(
        shows_box(s, "kernel.domainname,", "", form_text("kernel.domainname", "string", "A", old)));
    retype(s, fresh);
    ASSERT_TRUE(s.wait_until([&](const std::string &screen) {
        return field_shows(screen, "kernel.domainname,", fresh);
    })) << s.screen();
    s.send_keys({"Enter"});
    const std::string result = old + " -> " + fresh;
    EXPECT_TRUE(shows_box(s, result, "", {result}));
    s.send_keys({"Enter"});
    EXPECT_TRUE(back_on_row(s, result, "kernel.domainname"));
    s.send_keys({"q"});
    // The namespace took the new name; the host kept its own.
    EXPECT_EQ(ending(s), "domainname=" + fresh + "\ntty=restored\nrc=0\n");
    std::string host = read_file(path);
    if (!host.empty() && host.back() == '\n')
        host.pop_back();
    EXPECT_EQ(host, old);
}

TEST_F(PropertiesSetValueE2E, EditingSessionLeaksNothingUnderValgrind) {
    if (const std::string why = e2e::valgrind_unavailable(); !why.empty())
        GTEST_SKIP() << why;
    temp_file valgrind_log;
    temp_file write_log;
    const std::vector<std::string> argv =
        e2e::under_valgrind(valgrind_log.path(), {E2E_FAKE_PROGRAM, "--mib", E2E_FIXTURE_MIB,
                                                  "--write-log", write_log.path(), "--", "-V"});
    tmux_session s(checked(argv), terminal(100, 40));
    const auto slow = std::chrono::seconds(30);
    auto gone = [&](const std::string &text) {
        return s.wait_until(
            [&](const std::string &screen) { return screen.find(text) == std::string::npos; },
            slow);
    };
    auto bottom = [&](const std::string &name) {
        return s.wait_until(
            [&](const std::string &screen) { return e2e::bottom_of(screen) == name; }, slow);
    };
    ASSERT_TRUE(s.wait_for_text("+ hw", slow));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("FakeBSD", slow));

    // Properties of a string, closed with ESC.
    s.send_keys({"Down"});
    ASSERT_TRUE(bottom("kern.ostype"));
    s.send_keys({"p"});
    ASSERT_TRUE(s.wait_for_text("Value:", slow));
    s.send_keys({"Escape"});
    ASSERT_TRUE(gone("Value:"));

    // A written number, a refused text and a cancelled form.
    s.send_keys({"Down"});
    ASSERT_TRUE(bottom("kern.maxfiles"));
    struct edit {
        std::string typed;
        std::vector<std::string> close;
        std::string shown; // the result box, or "" for a cancelled form
    };
    for (const edit &e : {edit{"321", {"Enter"}, "12000 -> 321"},
                          edit{"12abc", {"Enter"}, "Cannot set value: setting array value"},
                          edit{"5", {"Tab", "Tab", "Enter"}, ""}}) {
        s.send_keys({"s"});
        ASSERT_TRUE(s.wait_for_text("Write the new value", slow));
        retype(s, e.typed);
        ASSERT_TRUE(s.wait_until(
            [&](const std::string &screen) {
                return field_shows(screen, "kern.maxfiles,", e.typed);
            },
            slow));
        s.send_keys(e.close);
        // The result box stands over the form until the menu comes back.
        if (!e.shown.empty()) {
            ASSERT_TRUE(s.wait_for_text(e.shown, slow));
            s.send_keys({"Enter"});
            ASSERT_TRUE(gone(e.shown));
        }
        ASSERT_TRUE(gone("Write the new value")) << s.screen();
        ASSERT_TRUE(s.wait_for_text("<Navigate>", slow));
    }

    // A string written, then a refusal box.
    s.send_keys({"Down"});
    ASSERT_TRUE(bottom("kern.hostname"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("Write the new value", slow));
    retype(s, "beta");
    ASSERT_TRUE(s.wait_until(
        [](const std::string &screen) { return field_shows(screen, "kern.hostname,", "beta"); },
        slow));
    s.send_keys({"Enter"});
    ASSERT_TRUE(s.wait_for_text("alpha.example -> beta", slow));
    s.send_keys({"Enter"});
    ASSERT_TRUE(gone("alpha.example -> beta"));
    s.send_keys({"End", "Enter"});
    ASSERT_TRUE(s.wait_for_text(".ncpu", slow));
    s.send_keys({"Down"});
    ASSERT_TRUE(bottom("hw.ncpu"));
    s.send_keys({"s"});
    ASSERT_TRUE(s.wait_for_text("This parametes has not WR flag", slow));
    s.send_keys({"Escape"});
    ASSERT_TRUE(gone("This parametes has not WR flag"));

    // Collapse both subtrees (their previews are released) and quit.
    s.send_keys({"Up", "Enter"});
    ASSERT_TRUE(s.wait_for_text("+ hw", slow));
    s.send_keys({"Home", "Enter"});
    ASSERT_TRUE(s.wait_for_text("+ kern", slow));
    s.send_keys({"q"});
    ASSERT_TRUE(s.wait_for_exit(slow));
    const std::string report = read_file(valgrind_log.path());
    EXPECT_EQ(s.output(), "tty=restored\nrc=0\n") << report;
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
    EXPECT_EQ(read_file(write_log.path()), "1.2 41010000\n1.3 6265746100\n");
}

} // namespace
