// The entry point up to the main window: locale, command line, label checks,
// the dialog library, the module check and the tree snapshot.
#include "app/startup.h"

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "app/die.h"
#include "app/main_window.h"
#include "app/options.h"
#include "platform/boxkit.h"
#include "platform/kernel.h"
#include "platform/oidtree.h"

namespace mibscope {
namespace {

constexpr const char *version_text = "0.0.3";
constexpr const char *module_name = "oidprobe";

// The leading '+' makes glibc's getopt stop at the first operand instead of
// permuting argv and reading options that follow it; other C libraries stop
// there anyway.
constexpr const char *option_string = "+de:fhi:l:s:Vv";

enum class parse_result { run, exit_ok, exit_fail };

// Reads the command line into opts. Stops at the first operand, after -h, -v
// or a bad option.
parse_result read_options(int argc, char **argv) {
    opts = default_options();
    // 0 makes glibc's getopt start over completely, so that the program's
    // entry point can run more than once in one process.
    optind = 0;
    opterr = 1;
    int ch;
    while ((ch = getopt(argc, argv, option_string)) != -1) {
        switch (ch) {
        case 'd':
            opts.show_descriptions = true;
            break;
        case 'e':
            opts.expandable_label = optarg;
            break;
        case 'f':
            opts.full_names = true;
            break;
        case 'h':
            print_usage(true);
            return parse_result::exit_ok;
        case 'i':
            // Deliberately unchecked: any text is accepted and only the low
            // 32 bits of the conversion are kept.
            opts.indent = static_cast<uint32_t>(std::strtoull(optarg, nullptr, 10));
            break;
        case 'l':
            opts.leaf_label = optarg;
            break;
        case 's':
            opts.expanded_label = optarg;
            break;
        case 'V':
            opts.show_values = true;
            break;
        case 'v':
            std::printf("mibscope %s\n", version_text);
            return parse_result::exit_ok;
        default:
            print_usage(false);
            return parse_result::exit_fail;
        }
    }
    return parse_result::run;
}

// Rows tell their state by comparing prefixes with the labels, so no two
// labels may be equal. Writes the first conflict; true when there is none.
bool labels_differ() {
    if (std::strcmp(opts.expandable_label, opts.expanded_label) == 0) {
        std::printf("-e <%s> equals to -s <%s>\n", opts.expandable_label, opts.expanded_label);
        return false;
    }
    if (std::strcmp(opts.expanded_label, opts.leaf_label) == 0) {
        std::printf("-s <%s> equals to -l <%s>\n", opts.expanded_label, opts.leaf_label);
        return false;
    }
    if (std::strcmp(opts.expandable_label, opts.leaf_label) == 0) {
        std::printf("-e <%s> equals to -l <%s>\n", opts.expandable_label, opts.leaf_label);
        return false;
    }
    return true;
}

// Tells the user how to load the missing module.
void show_module_box() {
    boxkit_conf conf;
    boxkit_initconf(&conf);
    conf.title = " Error ";
    conf.esc_enabled = true;
    conf.ok_button_label = "Quit";
    char *text = nullptr;
    if (asprintf(&text,
                 "Make sure that you have loaded the\n%s kernel module, by doing:\n\n"
                 "     # kldload %s\n\nor adding:\n\n     %s_load=\"YES\"\n\n"
                 "to your /boot/loader.conf",
                 module_name, module_name, module_name) < 0)
        die_errno("asprint() text kmod dialog");
    const int result = boxkit_msgbox(&conf, text, 15, 45);
    // Released here rather than left to the end of the process, because the
    // entry point returns to its caller.
    std::free(text);
    if (result == BOXKIT_ERROR)
        die_boxkit();
}

} // namespace

void print_usage(bool long_form) {
    std::printf("usage: mibscope [-h|v]\n");
    std::printf("       mibscope [-d|V] [-f] [-e <label>] [-l <label>] "
                "[-i <indent>] [-s <label>]\n");
    if (!long_form)
        return;
    std::printf("\n"
                " -d\t\tShow parameter descriptions in the main window.\n"
                " -e <label>\tSet prefix for nodes with expandable subtree.\n"
                " -f\t\tDisplay full parameter names in the main window.\n"
                " -h\t\tShow this help message and exit.\n"
                " -i <indent>\tSet the visual depth of subtrees.\n"
                " -l <label>\tSet prefix for leaf nodes.\n"
                " -s <label>\tSet prefix for nodes with expanded subtrees.\n"
                " -V\t\tDisplay parameter values in the main window.\n"
                " -v\t\tShow version and exit.\n");
}

int32_t count_nodes(const oidtree_list *list) {
    // Counted wide and checked, so that a tree too large for the row arrays'
    // signed 32-bit indexes gives -1 instead of a wrapped count.
    int64_t total = 0;
    for (const oidtree_object *node = list->first; node != nullptr; node = node->next) {
        ++total;
        if (node->children != nullptr && node->children->first != nullptr) {
            const int32_t below = count_nodes(node->children);
            if (below < 0)
                return -1;
            total += below;
        }
        if (total > INT32_MAX)
            return -1;
    }
    return static_cast<int32_t>(total);
}

int mibscope_main(int argc, char **argv) {
    std::setlocale(LC_ALL, "");

    const parse_result parsed = read_options(argc, argv);
    if (parsed != parse_result::run) {
        std::fflush(stdout);
        return parsed == parse_result::exit_ok ? 0 : 1;
    }
    if (!labels_differ()) {
        std::fflush(stdout);
        return 1;
    }

    if (boxkit_init() == BOXKIT_ERROR) {
        std::printf("Error libboxkit init: %s.\n", boxkit_geterror());
        std::fflush(stdout);
        return 1;
    }

    if (kld_isloaded(module_name) == 0) {
        show_module_box();
        boxkit_end();
        return 1;
    }

    boxkit_conf conf;
    boxkit_initconf(&conf);
    if (boxkit_infobox(&conf, "Getting kernel info...", 0, 0) == BOXKIT_ERROR)
        die_boxkit();

    oidtree_list *tree = oidtree_mib();
    if (tree == nullptr) {
        conf.ok_button_label = "Quit";
        if (boxkit_msgbox(&conf, "Cannot build mib", 0, 0) == BOXKIT_ERROR)
            die_boxkit();
        boxkit_end();
        return 1;
    }

    const int32_t node_count = count_nodes(tree);
    if (node_count < 0) {
        errno = ENOMEM;
        die_errno("alloc main window menu items");
    }
    // Room for at least one entry, so that an empty tree's zero-size
    // allocation is never mistaken for a failure.
    const size_t room = node_count > 0 ? static_cast<size_t>(node_count) : 1;
    auto *rows = static_cast<boxkit_menuitem *>(std::calloc(room, sizeof(boxkit_menuitem)));
    if (rows == nullptr)
        die_errno("alloc main window menu items");
    auto *row_nodes = static_cast<oidtree_object **>(std::calloc(room, sizeof(oidtree_object *)));
    if (row_nodes == nullptr)
        die_errno("alloc index [menu item -> tree node]");

    main_window window{
        .tree = tree,
        .node_count = node_count,
        .rows = rows,
        .row_nodes = row_nodes,
        .row_count = 0,
        .focus = 0,
    };
    fill_first_rows(window);
    return run_main_window(window);
}

} // namespace mibscope
