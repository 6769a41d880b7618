// The program on the in-memory kernel, for end-to-end tests in a terminal.
// Leading arguments of its own choose the kernel; they are removed before the
// rest goes to the program's entry point as its command line:
//
//   mibscope_on_fake_kernel --mib <file> [--no-module] [--no-mib]
//                           [--write-log <file>] [--grow-after-probe <name>]
//                           [--] [program options...]
//
// --grow-after-probe: right after the first size probe of <name>, its value
// becomes three times as long (a string repeated, still ending in one NUL), so
// that the read that follows finds more than twice the probed size.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "tests/support/command_line.h"
#include "tests/support/fake_kernel.h"

int main(int argc, char **argv) {
    std::string mib_path;
    bool module_loaded = true;
    bool mib_fails = false;
    std::string write_log;
    std::string grow;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mib" && i + 1 < argc) {
            mib_path = argv[++i];
        } else if (arg == "--write-log" && i + 1 < argc) {
            write_log = argv[++i];
        } else if (arg == "--grow-after-probe" && i + 1 < argc) {
            grow = argv[++i];
        } else if (arg == "--no-module") {
            module_loaded = false;
        } else if (arg == "--no-mib") {
            mib_fails = true;
        } else if (arg == "--") {
            ++i;
            break;
        } else {
            break;
        }
    }
    if (mib_path.empty()) {
        std::fprintf(stderr,
                     "usage: %s --mib <file> [--no-module] [--no-mib] "
                     "[--write-log <file>] [--grow-after-probe <name>] [--] [options...]\n",
                     argv[0]);
        return 2;
    }
    try {
        fake_kernel::load_file(mib_path);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", mib_path.c_str(), e.what());
        return 2;
    }
    fake_kernel::set_module_loaded(module_loaded);
    fake_kernel::set_mib_fails(mib_fails);
    if (!write_log.empty())
        fake_kernel::set_write_log(write_log);
    if (!grow.empty()) {
        std::vector<unsigned char> value = fake_kernel::value_of(grow);
        const bool ends_in_nul = !value.empty() && value.back() == 0;
        if (ends_in_nul)
            value.pop_back();
        std::vector<unsigned char> grown;
        for (int copy = 0; copy < 3; ++copy)
            grown.insert(grown.end(), value.begin(), value.end());
        if (ends_in_nul)
            grown.push_back(0);
        fake_kernel::change_after_probe(grow, grown);
    }

    // The program sees its own name followed by the remaining arguments.
    std::vector<std::string> program_args = {argv[0]};
    program_args.insert(program_args.end(), argv + i, argv + argc);
    test_support::command_line program(std::move(program_args));
    return mibscope::mibscope_main(program.argc(), program.argv());
}
